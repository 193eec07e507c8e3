// Small string helpers: splitting in place, copying into allocator memory and
// formatting the local time.
#pragma once

#include <cstddef>

// Splits `text` at `separator` in place: each separator that ends a kept piece
// becomes a NUL and `pieces` receives each piece's start. At most `max` pieces
// are kept; the text after them is dropped. Adjacent separators give empty
// pieces and a trailing separator an empty last piece. An empty text or max 0
// gives 0. Returns the number of pieces.
size_t SplitString(char* text, char separator, char** pieces, size_t max);

// A copy of `text` in a block from the default allocator (release it with
// Allocator::Free). Null for a null text or when memory runs out.
char* StrDup(const char* text);

// strftime of the current local time into `out` (`size` bytes including the
// NUL). Returns the length written, 0 when it did not fit (out is then "").
size_t FormatLocalTime(char* out, size_t size, const char* format);
