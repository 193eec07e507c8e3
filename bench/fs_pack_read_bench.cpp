// Reading a compressed, scrambled entry through the pack (lookup, window,
// descrambling, inflate) against plain zlib `uncompress` of the same bytes in
// the same run. The pack should keep at least 90 % of zlib's throughput.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/allocator.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

constexpr size_t kEntrySize = 4 << 20;
const char kEntryName[] = "/data/field.txt";

// Script-like text: compresses about 4:1, like the game's scripts and maps.
std::vector<uint8_t> EntryBytes() {
    static const char* const kWords[] = {"battle", "unit", "field", "move", "attack", "the", "of", "tile",
                                         "range", "=", "1", "42", "local", "function", "return", "if"};
    std::vector<uint8_t> bytes;
    uint32_t x = 2463534242u;
    while (bytes.size() < kEntrySize) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        for (const char* c = kWords[x % 16]; *c; ++c) bytes.push_back(static_cast<uint8_t>(*c));
        bytes.push_back((x >> 8) % 9 == 0 ? '\n' : ' ');
    }
    bytes.resize(kEntrySize);
    return bytes;
}

struct Fixture {
    std::vector<uint8_t> pack;
    std::vector<uint8_t> zlibBytes;  // the entry's stored bytes, descrambled
    std::string packPath;
    PackMgr* memoryPack = nullptr;
    PackMgr* filePack = nullptr;

    Fixture() {
        PackWriter writer;
        int data = writer.AddDirectory(PackWriter::kRoot, "data");
        PackFileOptions options;
        options.compression = PackCompression::kAlways;
        options.scrambleRow = 2;
        writer.AddFile(data, "field.txt", EntryBytes(), options);
        std::string error;
        writer.Build(GetBuiltInPackKeyTable(), &pack, &error);
        memoryPack = OpenPackMemory(pack.data(), static_cast<uint32_t>(pack.size()), nullptr);
        const PackFile* file = FindPackEntry(memoryPack, kEntryName);
        zlibBytes.assign(pack.begin() + file->dataOffset, pack.begin() + file->dataOffset + file->storedSize);
        const uint8_t* row = GetPackKeyRow(2);
        for (size_t i = 0; i < 1024; ++i) zlibBytes[i] ^= row[i % 256];
        packPath = "/tmp/qm_pack_bench_" + std::to_string(getpid()) + ".dat";
        FILE* out = fopen(packPath.c_str(), "wb");
        fwrite(pack.data(), 1, pack.size(), out);
        fclose(out);
        filePack = OpenPackFile(nullptr, packPath.c_str(), nullptr);
    }
    ~Fixture() {
        FsMgr::Release(memoryPack);
        FsMgr::Release(filePack);
        remove(packPath.c_str());
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_ZlibUncompress(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        auto* out = static_cast<uint8_t*>(malloc(kEntrySize));
        uLongf length = kEntrySize;
        if (uncompress(out, &length, f.zlibBytes.data(), static_cast<uLong>(f.zlibBytes.size())) != Z_OK ||
            length != kEntrySize) {
            state.SkipWithError("uncompress failed");
        }
        benchmark::DoNotOptimize(out);
        free(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kEntrySize);
}

void LoadEntry(benchmark::State& state, FsMgr* pack) {
    for (auto _ : state) {
        uint32_t size = 0;
        void* bytes = LoadWholeFile(pack, kEntryName, &size, nullptr);
        if (size != kEntrySize) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes);
        Allocator::Free(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kEntrySize);
}

void BM_PackEntryFromMemory(benchmark::State& state) { LoadEntry(state, Shared().memoryPack); }
void BM_PackEntryFromFile(benchmark::State& state) { LoadEntry(state, Shared().filePack); }

// The window loaded whole first (open bit 8), then inflated from memory.
void BM_PackEntryFromFileLoadedWhole(benchmark::State& state) {
    FsMgr* pack = Shared().filePack;
    std::vector<uint8_t> out(kEntrySize);
    for (auto _ : state) {
        Stream* stream = FsMgr::OpenStream(pack, kEntryName, 0, 0, kOpenRead | kOpenLoadIntoMemory, nullptr);
        if (stream == nullptr || stream->Read(out.data(), kEntrySize) != kEntrySize) state.SkipWithError("short read");
        if (stream) stream->Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kEntrySize);
}

BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackEntryFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackEntryFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackEntryFromFileLoadedWhole)->Unit(benchmark::kMillisecond);

}  // namespace
