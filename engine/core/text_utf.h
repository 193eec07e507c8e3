// UTF-8 <-> UTF-16 conversion for text boxes, dialogs and the effect runtime's
// file names. Both directions handle surrogate pairs, replace malformed input
// with U+FFFD, never read past the input's NUL and always terminate the output.
#pragma once

#include <cstddef>

// Converts up to the NUL of `text`. Stops once at least outSize - 3 bytes are
// written, or earlier when the next character would not fit whole, so a
// sequence is never cut. outSize 0 writes nothing. Returns the bytes written
// without the NUL.
size_t Utf16ToUtf8(char* out, size_t outSize, const char16_t* text);

// Converts up to the NUL of `text`, writing at most outCount - 1 units (a pair
// is never cut) and the NUL. outCount 0 writes nothing. Returns the units
// written without the NUL.
size_t Utf8ToUtf16(char16_t* out, size_t outCount, const char* text);

// The length of the longest prefix of `text` (`length` bytes of UTF-8) that
// fits in `limit` bytes without cutting a sequence.
size_t Utf8PrefixLength(const char* text, size_t length, size_t limit);
