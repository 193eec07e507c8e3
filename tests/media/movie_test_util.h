// Movies for the tests, made at test time by the ffmpeg tool: each picture
// has a top half and a bottom half of two distinct solid colours (so swaps of
// red and blue and upside-down pictures both show), optionally with a tone.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "fs/stream.h"
#include "media/movie_player.h"

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
    explicit StringSource(std::string movie)
        : bytes(std::move(movie)), stream(MemoryStream(&bytes[0], uint32_t(bytes.size()), false, nullptr)) {}
    ~StringSource() { stream->Release(); }
    MovieByteSource Source() { return MovieSourceOfStream(stream); }
    std::string bytes;
    Stream* stream;
};
