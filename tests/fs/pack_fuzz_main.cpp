// Any bytes as a pack in memory. With an all-zero key table (as the seeds use)
// the index is stored plain and mutations land on the numbers themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

namespace {

// Opens a pack image and walks all of it, bounded: must never crash or hang whatever the bytes.
void ExercisePackImage(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return;
    PackMgr* pack = OpenPackMemory(data, static_cast<uint32_t>(size), nullptr);
    if (pack == nullptr) return;
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
        // Bounded: a damaged entry may claim far more than it holds.
        for (int i = 0; i < 64 && stream->Read(buffer, sizeof buffer) > 0; ++i) continue;
        stream->Seek(10, kSeekCurrent);
        char line[256];
        for (int i = 0; i < 64 && stream->State() == kStreamHasData; ++i) stream->ReadLine(line, sizeof line);
        stream->Release();
    }
    FsMgr::Release(pack);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint8_t kZeroKeys[kEpk2KeyTableSize] = {};
    static bool quiet = (SetDebugSink([](const char*) {}), SetPackKeyTable(kZeroKeys), true);
    (void)quiet;
    ExercisePackImage(data, size);
    return 0;
}
