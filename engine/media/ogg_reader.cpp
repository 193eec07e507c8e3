// Reads Ogg Vorbis through vorbisfile, driven by callbacks over our Stream.
// The user comments "LPST=" and "LPED=" give the loop start and end in
// samples; with loop value 0 a file that carries them loops by itself, 1
// loops the whole file when it has no end, 2 never loops. Every way the data
// can run out (end of stream before the total, a loop end past the data, a
// decoder error) ends or loops the sound within a bounded amount of work.
// A loop of up to kLoopCacheSamples is kept as it first plays and then
// repeated from memory: a seek per wrap would cost a short loop many times
// the decoding of the sound itself.
#include <vorbis/vorbisfile.h>

#include <cstdlib>
#include <cstring>

#include "media/codec_util.h"
#include "platform/debug_log.h"

namespace {

constexpr uint32_t kMaxOggChannels = 8;
constexpr int kReadSamples = 1024;
constexpr int kReadsPerProcess = 16;  // bounds the work of one call (holes, empty pages)
// Longer loops seek at each wrap, which then costs less than decoding the loop.
constexpr uint32_t kLoopCacheSamples = 8192;

struct OggReader {
    SoundCodecInstance head;
    uint32_t channels;  // the most the voice can play
    int32_t open;
    OggVorbis_File file;
    uint32_t totalSamples;
    uint32_t position;
    float** pcm;
    uint32_t index;
    uint32_t count;
    uint32_t emptyReads;  // end-of-stream reads in a row while looping
    int32_t* loopCache;   // kLoopCacheSamples per channel, after the instance
    uint32_t cached;      // loop samples kept, from the loop start on
    int32_t fromCache;    // the loop repeats from the cache; the file is no longer read
};

size_t OggRead(void* buffer, size_t size, size_t count, void* source) {
    if (size == 0) return 0;
    size_t bytes = size * count;
    if (bytes > 0x7fffffffu) bytes = 0x7fffffffu;
    return static_cast<Stream*>(source)->Read(buffer, static_cast<uint32_t>(bytes)) / size;
}

// vorbisfile wants 0 for a seek that landed and -1 for one that did not; a
// stream that cannot seek (a compressed entry) leaves its position as it was.
int OggSeek(void* source, ogg_int64_t offset, int whence) {
    auto* stream = static_cast<Stream*>(source);
    int64_t base = whence == kSeekCurrent ? stream->Tell() : whence == kSeekEnd ? stream->Size() : 0;
    int64_t target = base + offset;
    if (target < 0 || target > 0xffffffffLL) return -1;
    // Our streams are 32-bit: the low 32 bits of the offset.
    return stream->Seek(static_cast<int32_t>(offset), whence) == static_cast<uint32_t>(target) ? 0 : -1;
}

int OggClose(void*) { return 0; }  // the voice releases the stream

long OggTell(void* source) { return static_cast<long>(static_cast<Stream*>(source)->Tell()); }

const ov_callbacks kCallbacks = {OggRead, OggSeek, OggClose, OggTell};

uint32_t CacheChannels(uint32_t channels) { return channels < kMaxOggChannels ? channels : kMaxOggChannels; }

size_t OggReaderSize(uint32_t channels) {
    return AlignUp(sizeof(OggReader), 16) + size_t{kLoopCacheSamples} * CacheChannels(channels) * 4;
}
SoundCodecInstance* OggReaderCreate(uint32_t channels, void* memory, size_t size);

void CloseFile(OggReader* self) {
    if (self->open != 0) ov_clear(&self->file);
    self->open = 0;
}

void OggReaderDestroy(SoundCodecInstance* head) { CloseFile(CodecSelf<OggReader>(head)); }

void EndStream(OggReader* self) {
    CloseFile(self);
    self->head.ended = 1;
}

uint32_t CommentNumber(const char* text) {
    unsigned long value = std::strtoul(text, nullptr, 10);
    return value > 0xffffffffUL ? 0xffffffffu : static_cast<uint32_t>(value);
}

int OggReaderOpen(SoundCodecInstance* head) {
    OggReader* self = CodecSelf<OggReader>(head);
    CloseFile(self);
    head->ended = 1;
    head->loopStart = head->loopEnd = 0;
    self->position = self->index = self->count = self->emptyReads = self->cached = 0;
    self->fromCache = 0;
    if (head->stream == nullptr || ov_open_callbacks(head->stream, &self->file, nullptr, 0, kCallbacks) != 0) {
        LogError("Ogg: not a Vorbis stream.");
        return 0;
    }
    self->open = 1;
    vorbis_info* info = ov_info(&self->file, -1);
    if (info == nullptr) {
        CloseFile(self);
        return 0;
    }
    if (info->channels <= 0 || static_cast<uint32_t>(info->channels) > self->channels || info->rate < kMinSoundRate ||
        info->rate > kMaxSoundRate) {
        LogError("Ogg: %d channels at %ld Hz cannot play here.", info->channels, info->rate);
        CloseFile(self);
        return 0;
    }
    if (vorbis_comment* comments = ov_comment(&self->file, -1)) {
        for (int i = 0; i < comments->comments; ++i) {
            const char* text = comments->user_comments[i];
            if (text == nullptr || comments->comment_lengths[i] < 5) continue;
            if (std::strncmp(text, "LPST=", 5) == 0) head->loopStart = CommentNumber(text + 5);
            if (std::strncmp(text, "LPED=", 5) == 0) head->loopEnd = CommentNumber(text + 5);
        }
    }
    SoundFormat& format = head->format;
    format.formatTag = 1;
    format.channels = static_cast<uint16_t>(info->channels);
    format.sampleRate = static_cast<uint32_t>(info->rate);
    format.blockAlign = static_cast<uint16_t>(2 * info->channels);
    format.bitsPerSample = 16;
    format.bytesPerSecond = format.blockAlign * format.sampleRate;
    ogg_int64_t total = ov_pcm_total(&self->file, -1);
    self->totalSamples = total < 0 ? 0xffffffffu : static_cast<uint32_t>(total);
    if (head->loop == 1 && head->loopEnd == 0) head->loopEnd = self->totalSamples;
    if (head->loop == 2) head->loopStart = head->loopEnd = 0;
    // Loop points outside the data are ignored rather than chased forever.
    if (head->loopEnd != 0 && (head->loopStart >= head->loopEnd || head->loopEnd > self->totalSamples)) {
        head->loopStart = head->loopEnd = 0;
    }
    head->ended = 0;
    return 1;
}

// Keeps what was just written at `position` while it lies in a short loop.
void KeepLoopSamples(OggReader* self, int32_t* const* out, uint32_t n) {
    const SoundCodecInstance& head = self->head;
    const uint32_t span = head.loopEnd - head.loopStart;
    if (head.loopEnd == 0 || span > kLoopCacheSamples || self->position + n <= head.loopStart) return;
    const uint32_t skip = self->position < head.loopStart ? head.loopStart - self->position : 0;
    const uint32_t at = self->position + skip - head.loopStart;
    if (at != self->cached) return;  // a gap (a hole in the data): the loop seeks instead
    for (uint32_t c = 0; c < head.format.channels; ++c)
        std::memcpy(self->loopCache + c * kLoopCacheSamples + at, out[c] + skip, (n - skip) * 4);
    self->cached += n - skip;
}

// Repeats the kept loop into the ring until it is full.
void ProcessFromCache(OggReader* self) {
    SoundCodecInstance& head = self->head;
    int32_t* out[kMaxOggChannels];
    while (uint32_t free = head.ring->GetWriteBlock(out) / 4) {
        uint32_t n = head.loopEnd - self->position;
        if (n > free) n = free;
        const uint32_t at = self->position - head.loopStart;
        for (uint32_t c = 0; c < head.format.channels; ++c)
            std::memcpy(out[c], self->loopCache + c * kLoopCacheSamples + at, n * 4);
        head.ring->CommitWrite(n * 4);
        self->position += n;
        if (self->position >= head.loopEnd) self->position = head.loopStart;
    }
}

// Seeks back to the loop start, or repeats a kept loop from then on; false
// (and the stream ends) when the seek fails.
bool LoopBack(OggReader* self) {
    self->index = self->count = 0;
    if (self->cached == self->head.loopEnd - self->head.loopStart) {
        self->fromCache = 1;
        self->position = self->head.loopStart;
        return true;
    }
    self->cached = 0;  // kept anew on the next pass, if the loop is short
    if (ov_pcm_seek(&self->file, self->head.loopStart) != 0) {
        EndStream(self);
        return false;
    }
    self->position = self->head.loopStart;
    return true;
}

// Decodes the next buffer; false when the call should stop.
bool DecodeMore(OggReader* self) {
    int bitstream = 0;
    long got = ov_read_float(&self->file, &self->pcm, kReadSamples, &bitstream);
    if (got == OV_HOLE) return true;
    if (got < 0) {
        EndStream(self);
        return false;
    }
    if (got == 0) {
        if (self->head.loopEnd == 0 || ++self->emptyReads >= 2) {
            EndStream(self);
            return false;
        }
        return LoopBack(self);
    }
    // A chained file whose later part has fewer channels cannot fill ours.
    vorbis_info* info = ov_info(&self->file, -1);
    if (info == nullptr || info->channels < self->head.format.channels) {
        EndStream(self);
        return false;
    }
    self->emptyReads = 0;
    self->index = 0;
    self->count = static_cast<uint32_t>(got);
    return true;
}

void OggReaderProcess(SoundCodecInstance* head) {
    OggReader* self = CodecSelf<OggReader>(head);
    if (head->ended != 0 || self->open == 0) return;
    if (self->fromCache != 0) return ProcessFromCache(self);
    int32_t* out[kMaxOggChannels];
    uint32_t freeSamples = head->ring->GetWriteBlock(out) / 4;
    int reads = 0;
    while (freeSamples > 0) {
        if (self->index >= self->count) {
            if (++reads > kReadsPerProcess || !DecodeMore(self)) return;
            continue;
        }
        uint32_t n = self->count - self->index;
        if (n > freeSamples) n = freeSamples;
        if (head->loopEnd > 0 && n > head->loopEnd - self->position) n = head->loopEnd - self->position;
        for (uint32_t c = 0; c < head->format.channels; ++c) {
            const float* source = self->pcm[c] + self->index;
            for (uint32_t i = 0; i < n; ++i) out[c][i] = FloatSampleToInt(source[i]);
        }
        self->index += n;
        head->ring->CommitWrite(n * 4);
        KeepLoopSamples(self, out, n);
        self->position += n;
        if (head->loopEnd == 0) {
            if (self->position >= self->totalSamples) {
                EndStream(self);
                return;
            }
        } else if (self->position >= head->loopEnd && !LoopBack(self)) {
            return;
        }
        if (self->fromCache != 0) return ProcessFromCache(self);
        freeSamples = head->ring->GetWriteBlock(out) / 4;
    }
}

// The voice closes its reader when the sound stops, so no decoder state
// outlives the stream it reads.
void OggReaderClose(SoundCodecInstance* head) { CloseFile(CodecSelf<OggReader>(head)); }

const SoundCodec kOggReaderCodec = {OggReaderSize, OggReaderCreate, OggReaderDestroy,
                                    OggReaderProcess, OggReaderOpen, OggReaderClose};

SoundCodecInstance* OggReaderCreate(uint32_t channels, void* memory, size_t size) {
    if (size < OggReaderSize(channels)) return nullptr;
    SoundCodecInstance* head = BuildCodecInstance<OggReader>(memory, size, &kOggReaderCodec);
    if (head == nullptr) return nullptr;
    OggReader* self = CodecSelf<OggReader>(head);
    self->channels = CacheChannels(channels);
    self->loopCache = reinterpret_cast<int32_t*>(static_cast<uint8_t*>(memory) + AlignUp(sizeof(OggReader), 16));
    return head;
}

}  // namespace

const SoundCodec* GetOggReaderCodec() { return &kOggReaderCodec; }
