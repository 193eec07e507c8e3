// String helpers shared by the config reader, the pack's path walk and the
// effect list reader.
#include "core/string_util.h"

#include <cstring>
#include <ctime>

#include "core/allocator.h"

size_t SplitString(char* text, char separator, char** pieces, size_t max) {
    if (!text || *text == '\0' || max == 0) return 0;
    size_t count = 0;
    char* start = text;
    while (count < max) {
        pieces[count++] = start;
        char* end = strchr(start, separator);
        if (!end) break;
        *end = '\0';
        start = end + 1;
    }
    return count;
}

char* StrDup(const char* text) {
    if (!text) return nullptr;
    size_t size = strlen(text) + 1;
    auto* copy = static_cast<char*>(Alloc(nullptr, size, 0));
    if (copy) memcpy(copy, text, size);
    return copy;
}

size_t FormatLocalTime(char* out, size_t size, const char* format) {
    if (size == 0) return 0;
    time_t now = time(nullptr);
    struct tm local;
    if (!localtime_r(&now, &local)) {
        out[0] = '\0';
        return 0;
    }
    size_t length = strftime(out, size, format, &local);
    if (length == 0) out[0] = '\0';
    return length;
}
