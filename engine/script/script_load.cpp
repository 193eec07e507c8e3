// Loading script files into the VM, running them and calling root functions.
// Every path leaves the VM stack exactly as it found it, apart from the
// closure that a successful load hands back.
#include "script/script_host.h"

#include <cstdint>
#include <cstring>

#include "core/path_util.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "script/cnut_check.h"

namespace {

SQInteger ReadClosureBytes(SQUserPointer source, SQUserPointer buffer, SQInteger count) {
    if (count <= 0 || count > static_cast<SQInteger>(UINT32_MAX)) return 0;
    return static_cast<Stream*>(source)->Read(buffer, static_cast<uint32_t>(count));
}

// Source text goes to the compiler one byte at a time; the compiler takes 0
// as the end, so a NUL inside the text is remembered and the load refused
// rather than running only the part before it.
struct SourceFeed {
    Stream* stream;
    bool sawNul;
    uint32_t nulOffset;
};

SQInteger FeedSourceByte(SQUserPointer user) {
    auto* feed = static_cast<SourceFeed*>(user);
    if (feed->sawNul || feed->stream->State() != kStreamHasData) return 0;
    uint32_t offset = feed->stream->Tell();
    int32_t byte = feed->stream->ReadByte();
    if (byte == 0) {
        feed->sawNul = true;
        feed->nulOffset = offset;
    }
    return byte;
}

bool ReadCompiled(HSQUIRRELVM v, Stream* stream, const char* name) {
    if (!CheckCompiledScript(stream, name)) return false;
    if (SQ_SUCCEEDED(sq_readclosure(v, ReadClosureBytes, stream))) return true;
    const SQChar* reason = "unknown error";
    sq_getlasterror(v);
    sq_getstring(v, -1, &reason);
    LogError("\"%s\" could not be read: %s", name, reason);
    sq_pop(v, 1);
    return false;
}

bool CompileSource(HSQUIRRELVM v, Stream* stream, const char* name) {
    SourceFeed feed{stream, false, 0};
    sq_setcompilererrorhandler(v, ScriptCompileError);
    bool compiled = SQ_SUCCEEDED(sq_compile(v, FeedSourceByte, &feed, name, SQTrue));
    if (feed.sawNul) {
        LogError("\"%s\" holds a NUL byte at offset %u; not loaded", name, feed.nulOffset);
        if (compiled) sq_pop(v, 1);
        return false;
    }
    return compiled;
}

}  // namespace

int LoadScriptFile(HSQUIRRELVM v, const char* name, FsMgr* fs, Allocator* allocator) {
    if (v == nullptr) v = GetScriptVM();
    if (name == nullptr) name = "";
    if (v == nullptr) {
        LogError("no script VM to load \"%s\" into", name);
        return 0;
    }
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator);
    if (stream == nullptr) {
        LogFailed("open \"%s\"", name);
        return 0;
    }
    // A damaged compressed entry reads short: running what arrived would
    // report success for a script that never ran.
    stream = Stream::LoadWholeIntoMemory(stream, name, allocator);
    if (stream == nullptr) return 0;

    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    const char* extension = GetFileExtension(name);
    bool loaded = extension && strcmp(extension, "cnut") == 0 ? ReadCompiled(v, stream, name)
                                                              : CompileSource(v, stream, name);
    stream->Release();
    if (!loaded) {
        sq_settop(v, top);
        return 0;
    }
    return 1;
}

int DoScriptFile(HSQUIRRELVM v, const char* name, FsMgr* fs, Allocator* allocator) {
    if (v == nullptr) v = GetScriptVM();
    if (v == nullptr) return LoadScriptFile(v, name, fs, allocator);
    SQInteger top = sq_gettop(v);
    if (!LoadScriptFile(v, name, fs, allocator)) return 0;
    sq_pushroottable(v);
    bool ran = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQTrue));
    sq_settop(v, top);
    return ran ? 1 : 0;
}

int CallScriptFunction(HSQUIRRELVM v, const char* name) {
    if (v == nullptr) v = GetScriptVM();
    if (v == nullptr || name == nullptr) return 0;
    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    sq_pushstring(v, name, -1);
    if (SQ_FAILED(sq_get(v, -2))) {
        LogWarning("script function \"%s\" does not exist", name);
        sq_settop(v, top);
        return 0;
    }
    SQObjectType type = sq_gettype(v, -1);
    if (type != OT_CLOSURE && type != OT_NATIVECLOSURE) {
        LogError("script: \"%s\" is not a function", name);
        sq_settop(v, top);
        return 0;
    }
    sq_pushroottable(v);
    bool called = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQTrue));
    sq_settop(v, top);
    return called ? 1 : 0;
}
