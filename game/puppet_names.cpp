// Reading "puppet_name.txt": whole lines are read, so a long line stays one
// name, and the part kept ends on a character boundary.
#include "game/puppet_names.h"

#include <cstring>

#include "fs/stream.h"

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void CutAtUtf8Boundary(char* text, uint32_t limit) {
    size_t length = strlen(text);
    if (length <= limit) return;
    uint32_t end = limit;
    while (end > 0 && IsContinuationByte(text[end])) --end;
    text[end] = '\0';
}

uint32_t ReadPuppetNames(Stream* stream, PuppetNames* out) {
    out->count = 0;
    if (stream == nullptr) return 0;
    // One byte past a name's room tells whether the cut splits a character.
    char line[kPuppetNameSize + 1];
    while (out->count < kPuppetNameCapacity && stream->State() == kStreamHasData) {
        stream->ReadLine(line, sizeof line, true);
        CutAtUtf8Boundary(line, kPuppetNameSize - 1);
        memcpy(out->names[out->count], line, strlen(line) + 1);
        ++out->count;
    }
    return out->count;
}
