// The movie player: one movie at a time, read straight from a file-system
// manager (a pack entry plays without a temporary copy), decoded on the
// decoder's thread, uploaded into a 2048 x 1024 frame texture on the main
// thread and drawn letterboxed over the whole frame by the "DshowMovie"
// program, which swaps red and blue back (the frames are BGRA, bottom row
// first). Four bytes a pixel rather than three: Mesa takes them without
// converting, several times faster for every frame. The pictures follow the sound's clock while the movie's sound
// plays through the mixer, and a steady clock otherwise. Main thread only.
#pragma once

#include <cstdint>

#include "platform/movie_decoder.h"

struct FsMgr;
struct Stream;
struct Texture;

// The decoder's byte source over `stream`, which must outlive the decoder.
MovieByteSource MovieSourceOfStream(Stream* stream);

struct MovieRect {
    int32_t x, y, width, height;
};

// Where a vw x vh movie is drawn on a screenW x screenH screen: 1:1 for equal
// sizes, else as wide as the screen unless that is too high, centred.
MovieRect FitMovieRect(int32_t vw, int32_t vh, int32_t screenW, int32_t screenH);

class MoviePlayer {
public:
    // Builds the program; every other entry creates the player when needed.
    static void Create();
    // Stops any open movie first. 1 when the movie opened and plays, else 0
    // after one log line ("open file ...", "Unsupport movie format.").
    static int Play(const char* name, FsMgr* fs);
    // frames < 1 stops now; otherwise a fade-out over `frames` / 2 updates
    // starts, unless one already runs.
    static void Stop(int32_t frames);
    static int IsPlaying();
    // Once a frame: the end of the movie, the fade, and the newest due picture.
    static void Update();
    // Over everything, after the 2D pass.
    static void Draw();
    static void Shutdown();

    // What tests and tools look at.
    static int32_t UploadedFrameCount();  // -1 until the first upload
    static uint32_t ShownFrameIndex();    // the decoder's index of the last upload
    static uint8_t FadeAlpha();
    static MovieRect DrawRect();
    static Texture* FrameTexture();
    static int64_t ClockMicros();
};
