// Movies made by the ffmpeg tool: each picture's halves have two distinct colours, so red-blue swaps
// and upside-down pictures show.
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
// A memory pack of "movie/<name>", stored plain, and the first again zlib-compressed as "movie/z<name>".
PackMgr* PackOfMovies(const std::string& name1, const std::string& bytes1, const std::string& name2 = "",
                      const std::string& bytes2 = "");
// Movie bytes served as a byte source (which must not outlive it).
struct StringSource {
    explicit StringSource(std::string movie)
        : bytes(std::move(movie)), stream(MemoryStream(&bytes[0], uint32_t(bytes.size()), false, nullptr)) {}
    ~StringSource() { stream->Release(); }
    MovieByteSource Source() { return MovieSourceOfStream(stream); }
    std::string bytes;
    Stream* stream;
};
