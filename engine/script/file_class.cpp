// File(name, flags, slot): a stream on a file of a mount slot for scripts.
// Flags: bits 0-1 the mode (1 read, 2 write a new file, 3 read and write),
// 32 a descrambling layer on the file, 16 a zlib layer above it (inflating
// when reading, deflating when writing). Writing a new file in a folder goes
// through the safe-save stream, so an interrupted save leaves the old file.
// A line is never cut in two; a call reads at most kMaxLineBytes of a line
// or kMaxTextBytes of text, and gives null beyond that, so a packed save of a
// few hundred kilobytes cannot make one call take gigabytes or seconds.
#include <squirrel.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <string_view>

#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/safe_save_stream.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "platform/files.h"
#include "script/file_classes.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/script_string_arg.h"

namespace {

enum FileFlags : int32_t { kFileModeMask = 3, kFileZlib = 16, kFileScrambled = 32 };

constexpr uint32_t kKeyLength = 256;
constexpr size_t kMaxLineBytes = 1u << 20;
constexpr size_t kMaxTextBytes = 64u << 20;

// The native object: the stream, and its name for the log.
struct FileObject {
    Stream* stream;
    std::string name;
    bool inLongLine = false;  // the last line read has not ended yet
};

// The scrambling key of the program's own files: fixed, so every build reads
// what any other wrote.
constexpr std::array<uint8_t, kKeyLength> MakeFileKey() {
    std::array<uint8_t, kKeyLength> key{};
    uint32_t state = 0x9E3779B9u;
    for (uint32_t i = 0; i < kKeyLength; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        key[i] = static_cast<uint8_t>(state >> 24);
    }
    return key;
}
constexpr std::array<uint8_t, kKeyLength> kFileKey = MakeFileKey();

// The file of `this`, or null for a closed file; *ok is false (a script
// error is pending) when `this` is not a File.
FileObject* Self(HSQUIRRELVM v, const char* method, bool* ok) {
    return static_cast<FileObject*>(ScriptSelfOrNull(v, ScriptClassId::kFile, method, ok));
}

// Puts `layer` over `stream`; a layer that cannot be made releases the stream.
Stream* Layered(Stream* stream, Stream* layer) {
    if (layer == nullptr && stream != nullptr) stream->Release();
    return layer;
}

Stream* OpenFile(const char* name, int32_t flags, int32_t slot) {
    const int mode = flags & kFileModeMask;
    Allocator* allocator = GetScriptObjectAllocator();
    if (mode == 0) return nullptr;
    // A compressed file is read or written whole, never both.
    if ((flags & kFileZlib) && mode == kFileReadWrite) return nullptr;
    Stream* stream = nullptr;
    FsMgr* fs = GetFsMgrSlot(slot);
    if (fs == nullptr && mode == kOpenWrite) {
        stream = OpenSafeSaveStream(name, allocator);  // a path of the system, saved as safely
    } else {
        stream = OpenSlotStream(slot, name, mode, allocator);
        if (stream == nullptr && fs != nullptr && (mode & kOpenWrite)) {
            // The first save of a new install: its folder is made on the way.
            const std::string path(name);
            const size_t slash = path.find_last_of("/\\");
            const std::string folder = slash == std::string::npos ? "" : slash == 0 ? "/" : path.substr(0, slash);
            FsMgr::CreateFolder(fs, folder.c_str());
            stream = OpenSlotStream(slot, name, mode, allocator);
        }
    }
    if (stream != nullptr && (flags & kFileScrambled)) {
        stream = Layered(stream, XorStream(stream, kFileKey.data(), kKeyLength, UINT32_MAX, allocator));
    }
    if (stream != nullptr && (flags & kFileZlib)) {
        // Unpacked sizes are not stored: reads go on to the end of the data.
        stream = Layered(stream, ZlibStream(stream, 0, mode == kOpenRead ? kZlibInflate : kZlibDeflate, allocator));
    }
    return stream;
}

SQInteger Constructor(HSQUIRRELVM v) {
    const char* const method = "File.constructor";
    if (!ScriptMayConstruct(v, "File")) return SQ_ERROR;
    const char* name = ScriptArgString(v, 1, method);
    const int32_t flags = ScriptArgInt32(v, 2, method);
    const int32_t slot = ScriptArgInt32(v, 3, method);
    Stream* stream = name != nullptr ? OpenFile(name, flags, slot) : nullptr;
    if (stream == nullptr) {
        LogFailed("open \"%s\"", name != nullptr ? name : "");
        return 0;  // a closed file
    }
    sq_setinstanceup(v, 1, new FileObject{stream, name});
    sq_setreleasehook(
        v, 1, [](SQUserPointer pointer, SQInteger size) -> SQInteger { return ReleaseFileStream(pointer, size); });
    return 0;
}

// Runs `use(file)` (which pushes one value) on an open file; null when closed.
template <typename Use>
SQInteger WithFile(HSQUIRRELVM v, const char* method, Use use) {
    bool ok = false;
    FileObject* file = Self(v, method, &ok);
    if (!ok) return SQ_ERROR;
    if (file == nullptr) {
        sq_pushnull(v);
    } else {
        use(file);
    }
    return 1;
}

template <typename Use>
SQInteger WithStream(HSQUIRRELVM v, const char* method, Use use) {
    return WithFile(v, method, [&use](FileObject* file) { use(file->stream); });
}

SQInteger Close(HSQUIRRELVM v) {
    bool ok = false;
    FileObject* file = Self(v, "File.Close", &ok);
    if (!ok) return SQ_ERROR;
    if (file != nullptr) {
        sq_setinstanceup(v, 1, nullptr);
        ReleaseFileStream(file, 0);  // a file being written is committed here
    }
    return 0;
}

SQInteger ReadByte(HSQUIRRELVM v) {
    return WithStream(v, "File.ReadByte", [v](Stream* stream) {
        uint8_t byte = 0;
        if (stream->Read(&byte, 1) == 1) {
            sq_pushinteger(v, byte);
        } else {
            sq_pushnull(v);
        }
    });
}

SQInteger ReadText(HSQUIRRELVM v) {
    return WithFile(v, "File.ReadText", [v](FileObject* file) {
        std::string text;
        char piece[4096];
        while (text.size() <= kMaxTextBytes) {
            const uint32_t got = file->stream->Read(piece, sizeof piece);
            if (got == 0) break;
            // Grown by doubling, but never past what the limit needs.
            if (text.size() + got > text.capacity())
                text.reserve(std::min(2 * text.capacity() + got, kMaxTextBytes + sizeof piece));
            text.append(piece, got);
        }
        if (text.size() > kMaxTextBytes) {
            LogError("File \"%s\": more than %zu bytes of text are not read", file->name.c_str(), kMaxTextBytes);
            sq_pushnull(v);
            return;
        }
        sq_pushstring(v, text.data(), static_cast<SQInteger>(text.size()));
    });
}

// One line, read by Stream::ReadLine a piece at a time. A line longer than
// kMaxLineBytes is not kept: each call reads at most about that much more of
// it and answers false (with the log line naming the file), the one that
// reaches its end too.
bool ReadWholeLine(FileObject* file, std::string* line) {
    line->clear();
    char piece[4096];
    bool ended = false;
    while (!ended && line->size() <= kMaxLineBytes) {
        const uint32_t got = file->stream->ReadLine(piece, sizeof piece);
        line->append(piece, got);
        // A full piece leaves the rest of the line (if only its end) for the next.
        ended = got < sizeof piece - 1;
    }
    const bool whole = ended && line->size() <= kMaxLineBytes && !file->inLongLine;
    file->inLongLine = !ended;
    if (whole) return true;
    LogError("File \"%s\": a line longer than %zu bytes is not read", file->name.c_str(), kMaxLineBytes);
    return false;
}

SQInteger ReadLine(HSQUIRRELVM v) {
    return WithFile(v, "File.ReadLine", [v](FileObject* file) {
        std::string line;
        if (ReadWholeLine(file, &line)) {
            sq_pushstring(v, line.data(), static_cast<SQInteger>(line.size()));
        } else {
            sq_pushnull(v);
        }
    });
}

// The integer a field begins with: blanks, one optional sign, decimal
// digits; 0 without digits. Values beyond 64 bits stop at the limit.
SQInteger LeadingInteger(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    const bool negative = i < field.size() && field[i] == '-';
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) ++i;
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? uint64_t{INT64_MAX} + 1 : uint64_t{INT64_MAX};
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const uint64_t digit = static_cast<uint64_t>(field[i] - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    return negative ? static_cast<SQInteger>(0 - magnitude) : static_cast<SQInteger>(magnitude);
}

// Every comma splits, quoted or not: a field that starts with a double quote
// is the text up to the next one, any other field its leading integer.
void PushFields(HSQUIRRELVM v, std::string_view line) {
    sq_newarray(v, 0);
    for (;;) {
        const size_t comma = line.find(',');
        const std::string_view field = line.substr(0, comma);
        if (!field.empty() && field[0] == '"') {
            const std::string_view text = field.substr(1, field.find('"', 1) - 1);
            sq_pushstring(v, text.data(), static_cast<SQInteger>(text.size()));
        } else {
            sq_pushinteger(v, LeadingInteger(field));
        }
        sq_arrayappend(v, -2);
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
}

SQInteger ReadArray(HSQUIRRELVM v) {
    return WithFile(v, "File.ReadArray", [v](FileObject* file) {
        std::string line;
        if (ReadWholeLine(file, &line)) {
            PushFields(v, line);
        } else {
            sq_pushnull(v);
        }
    });
}

SQInteger WriteByte(HSQUIRRELVM v) {
    const char* const method = "File.WriteByte";
    return WithStream(v, method, [v, method](Stream* stream) {
        stream->WriteByte(static_cast<int32_t>(ScriptArgInteger(v, 1, method) & 0xFF));
        sq_pushinteger(v, 1);
    });
}

SQInteger WriteText(HSQUIRRELVM v) {
    const char* const method = "File.WriteText";
    return WithStream(v, method, [v, method](Stream* stream) {
        const char* text = ScriptArgString(v, 1, method);
        const SQInteger length = text != nullptr ? sq_getsize(v, 2) : 0;
        sq_pushinteger(v, length > 0 ? stream->Write(text, static_cast<uint32_t>(length)) : 0);
    });
}

SQInteger WriteLine(HSQUIRRELVM v) {
    const char* const method = "File.WriteLine";
    return WithStream(v, method, [v, method](Stream* stream) {
        sq_pushinteger(v, stream->WriteLine(ScriptArgString(v, 1, method)));
    });
}

// Integers as "%lld," and strings as "\"%s\","; other values are left out.
std::string ArrayLine(HSQUIRRELVM v, SQInteger at) {
    std::string line;
    sq_pushnull(v);
    while (SQ_SUCCEEDED(sq_next(v, at))) {
        SQInteger number = 0;
        const SQChar* text = nullptr;
        if (sq_gettype(v, -1) == OT_INTEGER && SQ_SUCCEEDED(sq_getinteger(v, -1, &number))) {
            line += std::to_string(static_cast<long long>(number)) + ",";
        } else if (sq_gettype(v, -1) == OT_STRING && SQ_SUCCEEDED(sq_getstring(v, -1, &text))) {
            line += std::string("\"") + text + "\",";
        }
        sq_pop(v, 2);
    }
    sq_pop(v, 1);
    if (!line.empty()) line.pop_back();
    return line;
}

SQInteger WriteArray(HSQUIRRELVM v) {
    return WithStream(v, "File.WriteArray", [v](Stream* stream) {
        if (sq_gettop(v) < 2 || sq_gettype(v, 2) != OT_ARRAY) {
            LogWarning("File.WriteArray: argument 1 is not an array; nothing is written");
            sq_pushinteger(v, 0);
            return;
        }
        stream->WriteLine(ArrayLine(v, 2).c_str());
        sq_pushinteger(v, sq_getsize(v, 2));
    });
}

SQInteger Eos(HSQUIRRELVM v) {
    bool ok = false;
    FileObject* file = Self(v, "File.Eos", &ok);
    if (!ok) return SQ_ERROR;
    sq_pushbool(v, file == nullptr || file->stream->State() == kStreamAtEnd ? SQTrue : SQFalse);
    return 1;
}

// Static: File.Exist(name, fs). Without a manager the name is a path of the system.
SQInteger Exist(HSQUIRRELVM v) {
    const char* name = ScriptArgString(v, 1, "File.Exist");
    if (name == nullptr) {
        sq_pushbool(v, SQFalse);
        return 1;
    }
    FsMgr* fs = ResolveFsMgrArgument(v, 2);
    const int64_t size = fs != nullptr ? FsMgr::GetFileSize(fs, name) : GetFileSizeByName(name);
    sq_pushbool(v, size >= 0 ? SQTrue : SQFalse);
    return 1;
}

// Static: File.LoadFile(name, fs) gives the whole file as a userdata, or null.
SQInteger LoadFile(HSQUIRRELVM v) {
    const char* name = ScriptArgString(v, 1, "File.LoadFile");
    Stream* stream = name != nullptr ? FsMgr::OpenStream(ResolveFsMgrArgument(v, 2), name, 0, 0, kOpenRead,
                                                          GetScriptObjectAllocator())
                                     : nullptr;
    if (stream == nullptr) {
        LogFailed("open \"%s\"", name != nullptr ? name : "");
        sq_pushnull(v);
        return 1;
    }
    const uint32_t size = stream->Size();
    SQUserPointer data = sq_newuserdata(v, size);
    const uint32_t got = size > 0 ? stream->Read(data, size) : 0;
    stream->Release();
    if (got != size) {
        LogError("read %u of %u bytes of \"%s\"", got, size, name);
        sq_pop(v, 1);
        sq_pushnull(v);
    }
    return 1;
}

const ScriptMethodRow kFileRows[] = {
    {"constructor", Constructor, 4, nullptr, false},
    {"Close", Close, 1, nullptr, false},
    {"ReadByte", ReadByte, 1, nullptr, false},
    {"ReadText", ReadText, 1, nullptr, false},
    {"ReadLine", ReadLine, 1, nullptr, false},
    {"ReadArray", ReadArray, 1, nullptr, false},
    {"WriteByte", WriteByte, 2, nullptr, false},
    {"WriteText", WriteText, 1, nullptr, false},
    {"WriteLine", WriteLine, 2, nullptr, false},
    {"WriteArray", WriteArray, 2, nullptr, false},
    {"Eos", Eos, 1, nullptr, false},
    {"Exist", Exist, 3, nullptr, true},
    {"LoadFile", LoadFile, 3, nullptr, true},
};

}  // namespace

int64_t ReleaseFileStream(void* file, int64_t) {
    if (file == nullptr) return 0;
    auto* object = static_cast<FileObject*>(file);
    object->stream->Release();
    delete object;
    return 1;
}

void RegisterFileClass() {
    RegisterTaggedScriptClass("File", kFileRows, sizeof kFileRows / sizeof kFileRows[0], ScriptClassId::kFile);
}
