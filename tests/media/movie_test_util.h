// Movies for the tests, made at test time by the ffmpeg tool: each picture
// has a top half and a bottom half of two distinct solid colours (so swaps of
// red and blue and upside-down pictures both show), optionally with a tone.
#pragma once

#include <cstdint>
#include <string>

#include "platform/movie_decoder.h"

struct PackMgr;

struct ClipSpec {
    int width = 64;
    int height = 48;
    int frames = 10;
    int fps = 10;
    bool tone = false;
    const char* codec = "mpeg4";
    const char* container = "avi";
};

// The colour (0xRRGGBB) of the top or bottom half of picture `index`.
uint32_t ClipColour(uint32_t index, bool bottom);
// The movie's bytes, or "" when the tool failed.
std::string MakeClip(const ClipSpec& spec);
// A pack in memory holding the movies as "movie/<name>", stored plain, and
// the first one again zlib-compressed as "movie/z<name>"; null on failure.
PackMgr* PackOfMovies(const std::string& name1, const std::string& bytes1, const std::string& name2 = "",
                      const std::string& bytes2 = "");
// Movie bytes in memory served as a byte source (which must not outlive it).
struct StringSource {
    std::string bytes;
    int64_t position = 0;
    MovieByteSource Source();
};
