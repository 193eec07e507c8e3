// A movie's sound through the engine's mixer: a voice pool of one voice
// whose codec reads 16-bit PCM from a stream that drains the movie decoder.
// The stream never starves the voice: while the decoder is behind it gives
// silence, so the sound's clock keeps moving and the pictures never wait on
// it. The frames the voice has taken are the movie's audio clock.
#pragma once

#include <cstdint>

#include "media/sound_codec.h"

class MovieDecoder;
struct MovieSound;

constexpr int32_t kSoundTypeMoviePcm = 16;
// Movies play their sound with the music.
constexpr int32_t kMovieSoundCategory = 1;

// A reader of a 16-byte format block (16-bit PCM, 1 or 2 channels) followed
// by interleaved little-endian samples until the stream's end.
const SoundCodec* GetPcmStreamReaderCodec();

// Starts the decoder's sound on a voice of its own in `category`; null when
// no sound engine runs, the decoder has no sound or the category refuses.
MovieSound* StartMovieSound(MovieDecoder* decoder, uint32_t sampleRate, int32_t category);
// Stops and frees the voice; the decoder is not touched after this returns.
void StopMovieSound(MovieSound* sound);
// Microseconds of sound the voice has taken, silence included.
int64_t MovieSoundClockMicros(const MovieSound* sound);
// The voice still plays (it stops at the sound's end, or when stolen).
bool MovieSoundPlaying(const MovieSound* sound);
