// Whole-file loaders over FsMgr::OpenStream.
#include "fs/file_loaders.h"

#include "core/allocator.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

namespace {

// Reads the file into a new block with `extra` spare bytes after the data.
// With `whole`, a short read (a damaged compressed entry) is a failure.
void* LoadWithSpare(FsMgr* fs, const char* name, uint32_t* outSize, size_t extra, bool whole,
                    Allocator* allocator) {
    if (outSize != nullptr) *outSize = 0;
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator);
    if (stream == nullptr) return nullptr;
    uint32_t size = stream->Size();
    // Counted in size_t: a 4 GiB - 1 byte file plus its terminator must not wrap.
    void* block = Alloc(allocator, static_cast<size_t>(size) + extra, 0);
    if (block == nullptr) {
        stream->Release();
        return nullptr;
    }
    uint32_t got = size > 0 ? stream->Read(block, size) : 0;
    stream->Release();
    if (whole && got < size) {
        LogFailed("read \"%s\" (%u of %u bytes)", name, got, size);
        Allocator::Free(block);
        return nullptr;
    }
    if (outSize != nullptr) *outSize = got;
    if (extra > 0) static_cast<char*>(block)[got] = '\0';
    return block;
}

}  // namespace

void* LoadWholeFile(FsMgr* fs, const char* name, uint32_t* outSize, Allocator* allocator) {
    return LoadWithSpare(fs, name, outSize, 0, false, allocator);
}

char* LoadTextFile(FsMgr* fs, const char* name, uint32_t* outSize, Allocator* allocator) {
    // Text is only ever used whole (shader sources, lists): a cut one is no text.
    return static_cast<char*>(LoadWithSpare(fs, name, outSize, 1, true, allocator));
}

uint32_t LoadFileInto(FsMgr* fs, const char* name, void* buffer, uint32_t count, Allocator* allocator) {
    if (buffer == nullptr && count > 0) return 0;
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator);
    if (stream == nullptr) return 0;
    uint32_t got = count > 0 ? stream->Read(buffer, count) : 0;
    stream->Release();
    return got;
}
