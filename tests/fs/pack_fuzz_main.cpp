// Any bytes as a pack in memory, opened and walked, bounded: it must never crash or hang. With an
// all-zero key table (as the seeds use) the index is stored plain and mutations land on the numbers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint8_t kZeroKeys[kEpk2KeyTableSize] = {};
    static bool quiet = (SetDebugSink([](const char*) {}), SetPackKeyTable(kZeroKeys), true);
    (void)quiet;
    PackMgr* pack = size <= UINT32_MAX ? OpenPackMemory(data, static_cast<uint32_t>(size), nullptr) : nullptr;
    if (pack == nullptr) return 0;
    std::vector<std::string> names;
    auto collect = [](void* names, FsMgr*, const FsEnumEntry* entry) {
        auto* list = static_cast<std::vector<std::string>*>(names);
        if (list->size() < 4096) list->push_back(entry->name);
    };
    ListPackDirectory(pack, "/", 1, &names, collect);
    ListPackDirectory(pack, "script", 0, &names, collect);
    for (const char* path : {"/readme.txt", "script/main.nut", "/data//big.txt", "\\data\\noise.bin"})
        FindPackEntry(pack, path);
    uint8_t buffer[4096];
    for (const std::string& name : names) {
        Stream* stream = OpenPackedFile(pack, name.c_str(), 0, 0, kOpenRead, nullptr);
        if (stream == nullptr) continue;
        // A damaged entry may claim far more than it holds.
        for (int i = 0; i < 64 && stream->Read(buffer, sizeof buffer) > 0; ++i) continue;
        stream->Seek(10, kSeekCurrent);
        char line[256];
        for (int i = 0; i < 64 && stream->State() == kStreamHasData; ++i) stream->ReadLine(line, sizeof line);
        stream->Release();
    }
    FsMgr::Release(pack);
    return 0;
}
