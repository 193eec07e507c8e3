// The sound engine's two costs, each beside a reference in the same run:
// - Ogg Vorbis decoded through our stream, reader, voice and mix bus, against
//   plain ov_read of the same file (realtime factor and the ratio).
// - The whole mixer step with the game's load (16 ADPCM and 3 Ogg voices,
//   categories, ducking, the surround filter) into the null output: CPU per
//   16 ms period as a share of one core, and heap allocations made inside
//   the mixer loop, counted by wrapping malloc.
// - One second of Ogg sound whose loop spans N samples (0: no loop), read
//   through the reader: a loop of any span against the same sound without one.
#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "media/sound_codec.h"
#include "media/sound_manager.h"
#include "media/sound_player.h"
#include "tests/media/sound_test_util.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<uint64_t> gAllocations{0};

}  // namespace

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* malloc(size_t size) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* pointer, size_t size) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kMusicSeconds = 20;

const std::string& Music() {
    static const std::string music =
        MakeOgg(Sine(kRate * kMusicSeconds, 2, 220, kRate), 2, kRate, {"LPST=44100", "LPED=800000"});
    return music;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// An output that takes everything: the mixer runs as fast as it can.
class Sink final : public SoundOutput {
public:
    bool Init(uint32_t, uint32_t) override { return true; }
    void Shutdown() override {}
    void Start() override {}
    void Stop() override {}
    uint32_t Write(const int32_t* const*, uint32_t, uint32_t count) override { return count; }
};

struct MemoryFile {
    const std::string* bytes;
    size_t position;
};

void BM_OggPlainOvRead(benchmark::State& state) {
    ov_callbacks callbacks{};
    callbacks.read_func = [](void* out, size_t size, size_t count, void* source) -> size_t {
        auto* file = static_cast<MemoryFile*>(source);
        size_t n = std::min(size * count, file->bytes->size() - file->position);
        std::memcpy(out, file->bytes->data() + file->position, n);
        file->position += n;
        return n / size;
    };
    uint64_t samples = 0;
    char buffer[8192];
    for (auto _ : state) {
        MemoryFile file{&Music(), 0};
        OggVorbis_File vf;
        ov_open_callbacks(&file, &vf, nullptr, 0, callbacks);
        int bitstream = 0;
        long got;
        while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &bitstream)) > 0) samples += got / 4;
        ov_clear(&vf);
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(samples) / kRate, benchmark::Counter::kIsRate);
}

void BM_OggThroughVoice(benchmark::State& state) {
    SoundManagerOptions options;
    options.output = new Sink();
    options.runMixerTask = false;
    SoundManagerInitWith(kRate, kSoundStereo, nullptr, options);
    VoicePool* pool = CreateOggVoicePool(3, 2, nullptr);
    SoundPlayer* player = SoundPlayer::Create(nullptr);
    player->StoreLoop(2);  // once through, as ov_read does
    uint64_t samples = 0;
    for (auto _ : state) {
        player->QueueMemory(Music().data(), static_cast<uint32_t>(Music().size()));
        SoundMixerUpdate();
        while (player->GetState() != kPlayerIdle) SoundMixerUpdate();
        samples += kRate * kMusicSeconds;
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(samples) / kRate, benchmark::Counter::kIsRate);
    SoundPlayer::Destroy(player);
    DestroyVoicePool(pool);
    SoundManagerShutdown();
}

void BM_GameMixerLoad(benchmark::State& state) {
    SoundManagerOptions options;
    options.output = CreateNullOutput(FakeClock);
    options.clock = FakeClock;
    options.runMixerTask = false;
    SoundManagerInitWith(kRate, kSoundSurround, nullptr, options);
    SetCategoryParams(4, 1, 0);
    SetCategoryDucking(1, 4, 0.65f, 100, 1000);
    VoicePool* ogg = CreateOggVoicePool(3, 2, nullptr);
    VoicePool* adpcm = CreateAdpcmVoicePool(16, 2, nullptr);
    const std::string effect =
        EncodeToBytes(GetAdpcmWriterCodec(), Sine(22050 * 60, 2, 440, 22050), 2, 22050);
    SoundPlayer* music = SoundPlayer::Create(nullptr);
    music->StoreCategory(1);
    for (int i = 0; i < 3; ++i) music->QueueMemory(Music().data(), static_cast<uint32_t>(Music().size()));
    SoundPlayer* effects[16];
    for (int i = 0; i < 16; ++i) {
        effects[i] = SoundPlayer::Create(nullptr);
        effects[i]->StoreCategory(i == 0 ? 4 : 2 + i % 2);
        effects[i]->StorePitch(0.75f + 0.05f * i);
        effects[i]->QueueMemory(effect.data(), static_cast<uint32_t>(effect.size()));
    }
    // The starts open their files, and libvorbis grows each decoder's block
    // arena once in its first decodes: a second of warm-up, then the loop.
    gAllocations = 0;
    gCounting = true;
    for (int step = 0; step < 60; ++step) {
        gFakeNow += 16000;
        SoundMixerUpdate();
    }
    gCounting = false;
    state.counters["allocs_warmup"] = static_cast<double>(gAllocations.load());
    double cpu = 0;
    uint64_t steps = 0;
    gAllocations = 0;
    for (auto _ : state) {
        gFakeNow += 16000;
        double begin = ThreadCpuSeconds();
        gCounting = true;
        SoundMixerUpdate();
        gCounting = false;
        cpu += ThreadCpuSeconds() - begin;
        ++steps;
    }
    state.counters["core_percent"] = 100.0 * cpu / (steps * 0.016);
    state.counters["allocs_in_loop"] = static_cast<double>(gAllocations.load());
    state.counters["voices"] = static_cast<double>(VoicePoolBusyCount(ogg) + VoicePoolBusyCount(adpcm));
    for (SoundPlayer* player : effects) SoundPlayer::Destroy(player);
    SoundPlayer::Destroy(music);
    DestroyVoicePool(adpcm);
    DestroyVoicePool(ogg);
    SoundManagerShutdown();
}

// Twenty seconds of stereo sound looped from sample 0 to `span`; a second of it per iteration.
void BM_OggLoopSpan(benchmark::State& state) {
    const uint32_t span = static_cast<uint32_t>(state.range(0));
    std::vector<std::string> comments;
    if (span != 0) comments = {"LPST=0", "LPED=" + std::to_string(span)};
    const std::string file = MakeOgg(Sine(kMusicSeconds * kRate, 2, 440, kRate), 2, kRate, comments);
    size_t samples = 0;
    for (auto _ : state) samples = DecodeBytes(GetOggReaderCodec(), file, 0, kRate, 2).size() / 2;
    state.counters["samples"] = static_cast<double>(samples);
    state.counters["file_kb"] = static_cast<double>(file.size()) / 1024.0;
}

}  // namespace

BENCHMARK(BM_OggPlainOvRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggThroughVoice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggLoopSpan)->Arg(0)->Arg(1)->Arg(1000)->Arg(8192)->Arg(8193)->Arg(40000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameMixerLoad)->Iterations(1900)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
