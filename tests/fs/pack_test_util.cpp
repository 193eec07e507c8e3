// The sample pack and the readers of entries and listings.
#include "tests/fs/pack_test_util.h"

#include <cstring>
#include <map>

#include "core/allocator.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/shared_bytes.h"
#include "fs/stream.h"
#include "tools/epk2tool/pack_writer.h"

std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed, bool compressible) {
    static const char* const kWords[] = {"battle", "unit", "field", "move", "attack", "the", "of",
                                         "tile", "range", "script", "=", "1", "42", "local", "function"};
    uint32_t state = seed * 2654435761u + 12345u;
    std::string bytes;
    while (bytes.size() < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        if (!compressible) bytes += static_cast<char>(state >> 24);
        else bytes += std::string(kWords[state % 15]) + ((state >> 8) % 9 == 0 ? "\r\n" : " ");
    }
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + size);
}

const std::vector<SampleEntry>& SampleEntries() {
    auto text = [](size_t size, uint32_t seed) { return MakeBytes(size, seed, true); };
    static const std::vector<SampleEntry> entries = {
        {"/readme.txt", {'W', 'e', 'l', 'c', 'o', 'm', 'e', '\r', '\n'}, 0, false, 0},
        {"/script/main.nut", text(3000, 1), 0, true, 0},
        {"/script/MAIN.nut", text(700, 2), 0, false, 0},
        {"/script/lib/util.nut", text(1500, 3), 1, true, 0},
        {"/data/deep/a/b/c/leaf.txt", text(40, 4), 1, false, 0},
        {"/data/noise.bin", MakeBytes(5000, 5, false), 2, false, 0},
        {"/data/empty.bin", {}, 0, false, 0},
        {"/data/big.txt", text(200000, 6), 3, true, 0},
        {"/data/flagged.bin", text(3000, 7), 4, true, 0x21},
    };
    return entries;
}

std::vector<uint8_t> BuildSamplePack(const uint8_t* keys) {
    PackWriter writer;
    std::map<std::string, int> folders{{"", PackWriter::kRoot}};
    auto folderOf = [&](const std::string& path) {
        int id = PackWriter::kRoot;
        for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
            std::string walked = path.substr(0, slash), name = walked.substr(walked.rfind('/') + 1);
            auto found = folders.find(walked);
            id = found != folders.end() ? found->second : (folders[walked] = writer.AddDirectory(id, name));
        }
        return id;
    };
    for (const SampleEntry& entry : SampleEntries()) {
        PackFileOptions options;
        options.compression = entry.compressed ? PackCompression::kAlways : PackCompression::kNever;
        options.scrambleRow = entry.scrambleRow;
        options.flags = entry.flags;
        writer.AddFile(folderOf(entry.path), entry.path.substr(entry.path.rfind('/') + 1), entry.data, options);
    }
    writer.AddDirectory(PackWriter::kRoot, "empty");
    std::vector<uint8_t> pack;
    std::string error;
    writer.Build(keys, &pack, &error);
    return pack;
}

std::string ReadFile(FsMgr* fs, const std::string& name, int mode, uint32_t offset, uint32_t size) {
    Stream* stream = FsMgr::OpenStream(fs, name.c_str(), offset, size, mode, nullptr);
    if (stream == nullptr) return "<none>";
    std::string out(stream->Size(), '\0');
    out.resize(out.empty() ? 0 : stream->Read(&out[0], static_cast<uint32_t>(out.size())));
    stream->Release();
    return out;
}

std::vector<std::string> List(FsMgr* fs, const char* name, int recursive) {
    std::vector<std::string> got;
    int result = FsMgr::Enumerate(fs, name, recursive, &got, [](void* out, FsMgr*, const FsEnumEntry* e) {
        static_cast<std::vector<std::string>*>(out)->push_back(std::string(e->name) + " " + std::to_string(e->size) +
                                                               " " + std::to_string(e->flags));
    });
    if (result != 1) got.push_back("result " + std::to_string(result));
    return got;
}

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

PackMgr* OpenOneCompressedFilePack(const std::string& name, const std::string& bytes, std::vector<uint8_t>* image) {
    PackWriter writer;
    PackFileOptions zlib;
    zlib.compression = PackCompression::kAlways;
    std::string error;
    if (!writer.AddFile(PackWriter::kRoot, name, std::vector<uint8_t>(bytes.begin(), bytes.end()), zlib) ||
        !writer.Build(GetBuiltInPackKeyTable(), image, &error))
        return nullptr;
    return OpenPackMemory(image->data(), static_cast<uint32_t>(image->size()), nullptr);
}

PackMgr* OpenSharedPack(const std::vector<uint8_t>& image) {
    void* copy = memcpy(Alloc(nullptr, image.size(), 0), image.data(), image.size());
    SharedBytes* shared = SharedBytes::Adopt(copy, static_cast<uint32_t>(image.size()));
    PackMgr* pack = OpenPackShared(shared, nullptr);
    return shared->Release(), pack;
}
