// Movie decoding: one movie demuxed and decoded on a thread of its own
// (FFmpeg). Video frames come out as BGRA pictures (alpha 255) stored
// bottom-up with tightly packed rows, in a small queue of slots the main thread takes from
// by presentation time; the sound comes out as interleaved 16-bit stereo at
// the mixer's rate through a bounded queue that the mixer drains. Bytes are
// read through callbacks, so a movie plays straight from a pack entry.
#pragma once

#include <cstdint>

// Where the movie's bytes come from. The callbacks run on the opening thread
// and then on the decoder thread only, never on two threads at once.
struct MovieByteSource {
    void* user = nullptr;
    // Up to `size` bytes into `buffer`: the count read, 0 at the end.
    int32_t (*read)(void* user, uint8_t* buffer, int32_t size) = nullptr;
    // Moves to `offset` from the start (0), the position (1) or the end (2);
    // the new position, or -1 when the source cannot move there.
    int64_t (*seek)(void* user, int64_t offset, int whence) = nullptr;
    int64_t size = -1;  // -1 = unknown
};

struct MovieDecoderOptions {
    // Pictures larger than this are scaled down into it, keeping their aspect.
    int32_t maxWidth = 2048;
    int32_t maxHeight = 1024;
    // The rate the sound is resampled to; 0 decodes no sound at all.
    uint32_t audioRate = 44100;
    // Sound decoded ahead; more is dropped (the video must never wait on it).
    uint32_t audioQueueFrames = 44100 * 2;
};

// A decoded picture lent to the main thread between TakeDueFrame and ReleaseFrame.
struct MovieFrame {
    const uint8_t* pixels = nullptr;  // height rows of width * 4 bytes (B, G, R, A), bottom row first
    int32_t width = 0;
    int32_t height = 0;
    int64_t timeMicros = 0;  // from the first picture of the movie
    uint32_t index = 0;      // pictures decoded before this one
};

class MovieDecoder {
public:
    // Stops the thread and frees everything; the byte source is not used after.
    virtual ~MovieDecoder() = default;
    // The size of the pictures handed out (after any scaling down).
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual bool HasAudio() const = 0;
    // Main thread. The newest picture due at `clockMicros`; the ones before it
    // are dropped. False when none is due. The picture stays valid and
    // untouched until ReleaseFrame.
    virtual bool TakeDueFrame(int64_t clockMicros, MovieFrame* frame) = 0;
    virtual void ReleaseFrame() = 0;
    // Any thread. Up to `frames` stereo frames of sound; never blocks.
    virtual uint32_t ReadAudio(int16_t* interleaved, uint32_t frames) = 0;
    // The decoder has read the whole file (or given up on damaged data).
    virtual bool DecodingDone() const = 0;
    // DecodingDone and every picture has been taken.
    virtual bool VideoDone() const = 0;
    // DecodingDone and every sound frame has been read.
    virtual bool AudioDone() const = 0;
};

// Opens the movie and starts its thread. Null, with one log line, when the
// data is not a movie, has no video stream or no decoder for it, or its
// picture has no size ("Unsupport movie format.").
MovieDecoder* OpenMovieDecoder(const MovieByteSource& source, const MovieDecoderOptions& options);

// Decoders alive now (tests check that a replaced movie left none behind).
int32_t LiveMovieDecoderCount();
