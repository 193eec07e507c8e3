// The names that App.GenCharaName draws from: up to 400 lines of a text file,
// each kept to at most 31 bytes without splitting a UTF-8 character.
#pragma once

#include <cstdint>

struct Stream;

constexpr uint32_t kPuppetNameCapacity = 400;
constexpr uint32_t kPuppetNameSize = 32;  // bytes per name with its terminator

struct PuppetNames {
    char names[kPuppetNameCapacity][kPuppetNameSize];
    uint32_t count;
};

// Reads lines until the stream ends or the list is full. Lines end with CR LF
// or a lone LF (a CR before another byte is dropped), as every text line of
// the game is read; a longer line is cut, never split into two names.
// Returns the count read.
uint32_t ReadPuppetNames(Stream* stream, PuppetNames* out);

// Cuts `text` (NUL-terminated) in place to at most `limit` bytes, backing off
// to the start of a UTF-8 character that the cut would split.
void CutAtUtf8Boundary(char* text, uint32_t limit);
