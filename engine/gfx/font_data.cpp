// Loading and sharing font files.
#include "gfx/font_data.h"

#include "core/allocator.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

FontData* FontData::Load(const char* name, FsMgr* fs, Allocator* allocator) {
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator);
    if (!stream) {
        LogFailed("open \"%s\".", name ? name : "");
        return nullptr;
    }
    uint32_t size = stream->Size();
    void* block = Alloc(allocator, sizeof(FontData) + static_cast<size_t>(size), 0);
    if (!block) {
        LogError("no memory for the font \"%s\" of %u bytes", name, size);
        stream->Release();
        return nullptr;
    }
    auto* data = static_cast<FontData*>(block);
    data->size = size;
    data->refCount = 0;
    data->bytes = reinterpret_cast<uint8_t*>(data + 1);
    uint32_t got = size > 0 ? stream->Read(data->bytes, size) : 0;
    stream->Release();
    if (got != size) {
        LogError("font \"%s\": read %u of %u bytes", name, got, size);
        Allocator::Free(block);
        return nullptr;
    }
    return data;
}

void FontData::AddRef(FontData* data) {
    if (data) ++data->refCount;
}

void FontData::Release(FontData* data) {
    if (!data) return;
    if (--data->refCount < 1) Allocator::Free(data);
}
