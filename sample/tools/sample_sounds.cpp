// Writes the sample game's sounds with the engine's own writers:
//   chime.adp  a short two-note chime in the engine's ADPCM format (EADP)
//   theme.wav  the background tune, 16-bit stereo at 44.1 kHz; the build
//              turns it into theme.ogg with oggenc, adding LPST=/LPED=
//              comments at the loop points printed by `sample_sounds loop`.
// usage: sample_sounds <folder>  |  sample_sounds loop
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fs/stream.h"
#include "media/sound_codec.h"
#include "media/sound_file_io.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr double kBeat = 0.25;  // seconds per note
// An intro of 8 notes, then a phrase of 32 notes that loops.
constexpr uint32_t kIntroNotes = 8;
constexpr int kNotes[] = {57, 60, 64, 69, 64, 60, 57, 52,                                     // intro
                          57, 64, 69, 72, 71, 69, 64, 60, 62, 65, 69, 74, 72, 69, 65, 62,   // the loop
                          60, 64, 67, 72, 71, 67, 64, 59, 57, 60, 64, 69, 68, 64, 59, 56};

uint32_t NoteFrames() { return static_cast<uint32_t>(kBeat * kRate); }
uint32_t LoopStart() { return kIntroNotes * NoteFrames(); }
uint32_t LoopEnd() { return static_cast<uint32_t>(sizeof kNotes / sizeof kNotes[0]) * NoteFrames(); }

double Frequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// A plucked tone: a few harmonics under a fast attack and an exponential decay.
double Pluck(double hz, double t) {
    double envelope = std::min(1.0, t * 200.0) * std::exp(-t * 5.0);
    return envelope * (std::sin(2 * M_PI * hz * t) + 0.4 * std::sin(4 * M_PI * hz * t) +
                       0.15 * std::sin(6 * M_PI * hz * t));
}

bool WriteFile(const std::string& path, const SoundCodec* writer, const std::vector<int16_t>& frames,
               uint32_t channels, uint32_t loopStart, uint32_t loopEnd) {
    Stream* stream = FileStream(path.c_str(), 0, 0, kOpenWrite, nullptr);
    if (stream == nullptr) {
        std::fprintf(stderr, "sample_sounds: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = EncodeSound(writer, stream, frames.data(), static_cast<uint32_t>(frames.size() / channels), channels,
                          kRate, loopStart, loopEnd);
    stream->Release();
    return ok;
}

std::vector<int16_t> Theme() {
    const uint32_t total = LoopEnd();
    std::vector<double> mix(static_cast<size_t>(total) * 2, 0.0);
    for (size_t n = 0; n < sizeof kNotes / sizeof kNotes[0]; ++n) {
        const uint32_t start = static_cast<uint32_t>(n) * NoteFrames();
        const double pan = n % 2 ? 0.65 : 0.35;
        // Each note rings for two beats, cut at the end so the loop joins cleanly.
        for (uint32_t i = 0; i < 2 * NoteFrames() && start + i < total; ++i) {
            double s = 0.22 * Pluck(Frequency(kNotes[n]), i / double(kRate));
            mix[(start + i) * 2] += s * pan;
            mix[(start + i) * 2 + 1] += s * (1 - pan);
        }
        // A soft bass note on every fourth beat.
        if (n % 4 == 0) {
            for (uint32_t i = 0; i < 4 * NoteFrames() && start + i < total; ++i) {
                double s = 0.18 * Pluck(Frequency(kNotes[n] - 24), i / double(kRate) * 0.5);
                mix[(start + i) * 2] += s;
                mix[(start + i) * 2 + 1] += s;
            }
        }
    }
    std::vector<int16_t> frames(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) frames[i] = static_cast<int16_t>(std::max(-1.0, std::min(1.0, mix[i])) * 32000);
    return frames;
}

std::vector<int16_t> Chime() {
    const uint32_t frames = kRate * 6 / 10;
    std::vector<int16_t> out(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        double t = i / double(kRate);
        double s = 0.5 * Pluck(Frequency(84), t) + (t > 0.08 ? 0.5 * Pluck(Frequency(91), t - 0.08) : 0.0);
        out[i] = static_cast<int16_t>(std::max(-1.0, std::min(1.0, 0.6 * s)) * 32000);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "loop") {
        std::printf("LPST=%u\nLPED=%u\n", LoopStart(), LoopEnd());
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample_sounds <folder> | sample_sounds loop\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = WriteFile(folder + "/chime.adp", GetAdpcmWriterCodec(), Chime(), 1, 0, 0) &&
              WriteFile(folder + "/theme.wav", GetWaveWriterCodec(), Theme(), 2, LoopStart(), LoopEnd());
    return ok ? 0 : 1;
}
