// Path records hold UTF-16LE with their NUL; they are copied out through
// memcpy (the records sit at any alignment), checked for one NUL at the end
// and paired surrogates, and kept as UTF-8.
#include "fx/effect_file.h"

#include "core/text_utf.h"
#include "fx/byte_reader.h"
#include "fx/effect_node.h"

namespace Fx {

namespace {

// A path record is at least its unit count and the NUL.
constexpr size_t kMinPathRecordBytes = 6;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string ReadPath(ByteReader& reader) {
    int32_t units = reader.ReadInt();
    if (!reader.Ok()) return std::string();
    if (units < 1 || units > kMaxPathUnits + 1 || static_cast<size_t>(units) * 2 > reader.Remaining()) {
        reader.Fail("a resource path's length is out of range");
        return std::string();
    }
    std::u16string text(static_cast<size_t>(units), u'\0');
    reader.ReadBytes(&text[0], text.size() * 2);
    if (text.back() != u'\0') {
        reader.Fail("a resource path does not end in NUL");
        return std::string();
    }
    text.pop_back();
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        bool paired = IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
        if (unit == u'\0' || IsLowSurrogate(unit) || (IsHighSurrogate(unit) && !paired)) {
            reader.Fail("a resource path is not well-formed UTF-16");
            return std::string();
        }
        if (paired) ++i;
    }
    std::string utf8(text.size() * 3 + 4, '\0');
    utf8.resize(Utf16ToUtf8(&utf8[0], utf8.size(), text.c_str()));
    return utf8;
}

void ReadPathList(ByteReader& reader, std::vector<std::string>& out) {
    int32_t count = reader.ReadInt();
    if (!reader.Ok() || count <= 0) return;  // no paths
    if (static_cast<uint64_t>(count) * kMinPathRecordBytes > reader.Remaining()) {
        reader.Fail("a resource path count is larger than the file");
        return;
    }
    for (int32_t i = 0; i < count && reader.Ok(); ++i) out.push_back(ReadPath(reader));
}

// UTF-16 units of a UTF-8 string: one per character, two for those past
// U+FFFF (a four-byte sequence).
size_t Utf16Units(const std::string& text) {
    size_t units = 0;
    for (unsigned char byte : text) {
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

}  // namespace

bool ReadEffectFile(const uint8_t* data, size_t size, Effect* effect, int32_t coordinateSystem,
                    EffectContent& out, EffectFileError& error) {
    ByteReader reader(data, size);
    out = EffectContent();
    uint32_t magic = static_cast<uint32_t>(reader.ReadInt());
    if (reader.Ok() && magic != kEffectMagic) reader.Fail("not an SKFE effect file");
    out.version = reader.ReadInt();
    if (reader.Ok() && (out.version < 0 || out.version > kEffectVersionMax)) {
        reader.Fail("the effect file's version is not 0 to 7");
    }
    ReadPathList(reader, out.texturePaths);
    if (out.version >= 1) ReadPathList(reader, out.soundPaths);
    if (out.version >= 6) ReadPathList(reader, out.modelPaths);
    if (out.version >= 2) out.magnification = reader.ReadFloat();
    if (reader.Ok()) {
        NodeLoadContext context;
        context.effect = effect;
        context.version = out.version;
        context.coordinateSystem = coordinateSystem;
        out.root = EffectNode::Create(reader, context, 0);
    }
    if (!reader.Ok()) {
        error.reason = reader.Failure();
        error.offset = reader.FailureOffset();
        out = EffectContent();
        return false;
    }
    out.trailingBytes = reader.Remaining();
    return true;
}

std::string JoinEffectPath(const char* materialPath, const std::string& path) {
    std::string joined;
    if (materialPath != nullptr) {
        joined = materialPath;
        if (!joined.empty() && joined.back() != '/' && joined.back() != '\\') joined += '/';
    }
    joined += path;
    if (Utf16Units(joined) > static_cast<size_t>(kMaxPathUnits)) return std::string();
    return joined;
}

std::string EffectPathFolder(const char* path) {
    std::string text(path);
    size_t last = text.find_last_of("/\\");
    return last == std::string::npos ? std::string() : text.substr(0, last);
}

}  // namespace Fx
