// The UTF-8 decoder checks every continuation byte before taking it, so a lead
// byte right before the terminator cannot consume it; overlong forms, encoded
// surrogates and values past U+10FFFF become U+FFFD like any other bad byte.
#include "core/text_utf.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

size_t EncodeUtf8(char32_t code, uint8_t* out) {
    if (code < 0x80) {
        out[0] = static_cast<uint8_t>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<uint8_t>(0xC0 | (code >> 6));
        out[1] = static_cast<uint8_t>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<uint8_t>(0xE0 | (code >> 12));
        out[1] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<uint8_t>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<uint8_t>(0xF0 | (code >> 18));
    out[1] = static_cast<uint8_t>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<uint8_t>(0x80 | (code & 0x3F));
    return 4;
}

// Decodes one character at `in` (not at its NUL) and returns the bytes taken.
// A bad sequence takes its lead byte and the valid continuations that follow it
// (at least one byte) and yields U+FFFD.
size_t DecodeUtf8(const uint8_t* in, char32_t* code) {
    uint8_t lead = in[0];
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    size_t length;
    char32_t value;
    uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong below U+10000
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        *code = kReplacement;  // continuation byte, C0/C1 overlong lead, F5..FF
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        uint8_t byte = in[i];  // a NUL fails the test below, so reading stops there
        uint8_t min = i == 1 ? low : 0x80;
        uint8_t max = i == 1 ? high : 0xBF;
        if (byte < min || byte > max) {
            *code = kReplacement;
            return i;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    *code = value;
    return length;
}

}  // namespace

size_t Utf16ToUtf8(char* out, size_t outSize, const char16_t* text) {
    if (outSize == 0) return 0;
    auto* bytes = reinterpret_cast<uint8_t*>(out);
    size_t written = 0;
    while (*text != 0 && written + 3 < outSize) {
        char32_t code = *text++;
        if (IsHighSurrogate(code) && IsLowSurrogate(*text)) {
            code = 0x10000 + ((code - 0xD800) << 10) + (*text - 0xDC00);
            if (written + 4 > outSize - 1) break;  // the pair waits rather than being cut
            ++text;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            code = kReplacement;
        }
        written += EncodeUtf8(code, bytes + written);
    }
    bytes[written] = 0;
    return written;
}

size_t Utf8ToUtf16(char16_t* out, size_t outCount, const char* text) {
    if (outCount == 0) return 0;
    const auto* in = reinterpret_cast<const uint8_t*>(text);
    size_t written = 0;
    while (*in != 0 && written + 1 < outCount) {
        char32_t code;
        size_t taken = DecodeUtf8(in, &code);
        if (code >= 0x10000) {
            if (written + 2 > outCount - 1) break;
            code -= 0x10000;
            out[written++] = static_cast<char16_t>(0xD800 + (code >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(code);
        }
        in += taken;
    }
    out[written] = 0;
    return written;
}

size_t Utf8PrefixLength(const char* text, size_t length, size_t limit) {
    if (length <= limit) return length;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}
