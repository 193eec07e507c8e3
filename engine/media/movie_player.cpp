// The movie player: opening a movie through its FsMgr stream, the clock the
// pictures follow, the fade-out, the upload and the letterboxed draw.
#include "media/movie_player.h"

#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/image.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"
#include "media/movie_sound.h"
#include "media/sound_manager.h"
#include "platform/debug_log.h"
#include "platform/threads.h"

namespace {

constexpr int32_t kFrameTextureWidth = 2048;
constexpr int32_t kFrameTextureHeight = 1024;

const char* const kDshowMovieFragment =
    "precision lowp float;\n"
    "uniform sampler2D u_Texture0;\n"
    "varying mediump vec4 v_TexCoord;\n"
    "varying lowp vec4 v_Color;\n"
    "void main() {\n"
    "    gl_FragColor.bgra = v_Color * texture2D(u_Texture0, v_TexCoord.xy);\n"
    "}\n";

struct PlayerState {
    int32_t program = -1;
    Stream* stream = nullptr;
    MovieByteSource source;
    MovieDecoder* decoder = nullptr;
    MovieSound* sound = nullptr;
    Texture* texture = nullptr;
    int32_t playing = 0;
    MovieRect rect{0, 0, 0, 0};
    int32_t fadeActive = 0;
    int32_t fadeCounter = 0;
    int32_t fadeLength = 0;
    uint8_t alpha = 255;
    int32_t uploaded = -1;
    uint32_t shownIndex = 0;
    // The steady clock: the movie's time is now - steadyStart; after the
    // sound's voice stops it carries on from the sound's last time.
    uint64_t steadyStart = 0;
};

PlayerState* gPlayer = nullptr;

PlayerState* Player() {
    if (gPlayer == nullptr) MoviePlayer::Create();
    return gPlayer;
}

int32_t ReadSource(void* user, uint8_t* buffer, int32_t size) {
    return size > 0 ? static_cast<int32_t>(static_cast<Stream*>(user)->Read(buffer, static_cast<uint32_t>(size))) : 0;
}

int64_t SeekSource(void* user, int64_t offset, int whence) {
    auto* stream = static_cast<Stream*>(user);
    int64_t base = whence == kSeekSet ? 0 : whence == kSeekCurrent ? stream->Tell() : stream->Size();
    int64_t target = base + offset;
    if (target < 0 || target > stream->Size()) return -1;
    // Some streams (inflating ones) move only forwards: a seek that did not
    // land is a failure, not a silent position elsewhere.
    stream->Seek(static_cast<int32_t>(target), kSeekSet);
    return stream->Tell() == target ? target : -1;
}

void Close(PlayerState* p) {
    StopMovieSound(p->sound);  // before the decoder it reads from
    p->sound = nullptr;
    delete p->decoder;
    p->decoder = nullptr;
    if (p->stream != nullptr) p->stream->Release();
    p->stream = nullptr;
    if (p->texture != nullptr) Texture::Release(p->texture);
    p->texture = nullptr;
    p->uploaded = -1;
}

void StopNow(PlayerState* p) {
    Close(p);
    p->playing = 0;
    p->fadeActive = 0;
}

// Demuxers seek back, and an inflating stream moves only forwards: such an
// entry is read into memory whole instead.
Stream* OpenSeekable(FsMgr* fs, const char* name) {
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, nullptr);
    uint8_t first = 0;
    if (stream == nullptr || stream->Read(&first, 1) != 1) return stream;
    stream->Seek(0, kSeekSet);
    if (stream->Tell() == 0) return stream;
    stream->Release();
    return FsMgr::OpenStream(fs, name, 0, 0, kOpenRead | kOpenLoadIntoMemory, nullptr);
}

bool Open(PlayerState* p, const char* name, FsMgr* fs) {
    p->stream = OpenSeekable(fs, name);
    if (p->stream == nullptr) {
        LogFailed("open file \"%s\"", name);
        return false;
    }
    p->source = MovieSourceOfStream(p->stream);
    MovieDecoderOptions options;
    options.maxWidth = kFrameTextureWidth;
    options.maxHeight = kFrameTextureHeight;
    options.audioRate = SoundOutputAudible() ? GetSoundSampleRate() : 0;
    p->decoder = OpenMovieDecoder(p->source, options);
    if (p->decoder != nullptr) {
        p->texture = Texture::CreateEmpty(kFrameTextureWidth, kFrameTextureHeight, kPixelRgba8888, nullptr);
    }
    if (p->texture == nullptr) {
        Close(p);
        return false;
    }
    p->rect = FitMovieRect(p->decoder->Width(), p->decoder->Height(), GetScreenWidth(), GetScreenHeight());
    p->sound = StartMovieSound(p->decoder, options.audioRate, kMovieSoundCategory);
    p->steadyStart = GetTimeMicros();
    p->uploaded = -1;
    return true;
}

void UploadDueFrame(PlayerState* p) {
    MovieFrame frame;
    if (!p->decoder->TakeDueFrame(MoviePlayer::ClockMicros(), &frame)) return;
    Image image{};
    image.type = kPixelRgba8888;
    image.width = frame.width;
    image.height = frame.height;
    image.bitsPerPixel = 32;
    image.pixels = const_cast<uint8_t*>(frame.pixels);
    image.dataSize = static_cast<uint32_t>(frame.width * frame.height * 4);
    if (Texture::Update(p->texture, 0, 0, 0, &image) != 0) {
        ++p->uploaded;
        p->shownIndex = frame.index;
    }
    p->decoder->ReleaseFrame();
}

}  // namespace

MovieByteSource MovieSourceOfStream(Stream* stream) {
    MovieByteSource source;
    source.user = stream;
    source.read = ReadSource;
    source.seek = SeekSource;
    source.size = stream->Size();
    return source;
}

MovieRect FitMovieRect(int32_t vw, int32_t vh, int32_t screenW, int32_t screenH) {
    if (vw <= 0 || vh <= 0) return MovieRect{0, 0, 0, 0};
    int32_t width = vw;
    int32_t height = vh;
    if (vw != screenW || vh != screenH) {
        const auto h = static_cast<int32_t>(int64_t{screenW} * vh / vw);
        if (h > screenH) {
            height = screenH;
            width = static_cast<int32_t>(int64_t{screenH} * vw / vh);
        } else {
            width = screenW;
            height = h;
        }
    }
    return MovieRect{(screenW - width) / 2, (screenH - height) / 2, width, height};
}

void MoviePlayer::Create() {
    if (gPlayer != nullptr) return;
    gPlayer = new PlayerState();
    gPlayer->program = BuildShaderProgram("DshowMovie", kStd2dVertexSource, kDshowMovieFragment, nullptr);
}

int MoviePlayer::Play(const char* name, FsMgr* fs) {
    PlayerState* p = Player();
    // One movie at a time: the open one is stopped and closed first.
    StopNow(p);
    if (name == nullptr || !Open(p, name, fs)) return 0;
    p->fadeActive = 0;
    p->alpha = 255;
    p->playing = 1;
    return 1;
}

void MoviePlayer::Stop(int32_t frames) {
    PlayerState* p = Player();
    if (frames < 1) {
        StopNow(p);
        return;
    }
    if (p->fadeActive != 0) return;
    p->fadeActive = 1;
    p->fadeCounter = 0;
    p->fadeLength = frames;
}

int MoviePlayer::IsPlaying() { return Player()->playing; }

void MoviePlayer::Update() {
    PlayerState* p = Player();
    if (p->playing == 0) return;
    // The end: every picture shown and the sound (if any) run out.
    if (p->decoder->VideoDone() && !MovieSoundPlaying(p->sound)) {
        StopNow(p);
        return;
    }
    if (p->fadeActive != 0) {
        p->fadeCounter += 2;
        // Reaching or passing the length ends it: odd lengths end too.
        if (p->fadeCounter >= p->fadeLength) {
            StopNow(p);
            return;
        }
        p->alpha = static_cast<uint8_t>((p->fadeLength - p->fadeCounter) * 255 / p->fadeLength);
    }
    UploadDueFrame(p);
}

void MoviePlayer::Draw() {
    PlayerState* p = Player();
    if (p->playing == 0) return;
    GlState::SetBlendMode(kBlendAlpha);
    if (p->uploaded < 0) return;
    BindStd2dProgram(p->program);
    GlState::SetTextureRepeat(p->texture);
    const uint32_t colour = 0x00FFFFFFu | uint32_t{p->alpha} << 24;
    // The frame is stored bottom-up, so the texel rectangle is flipped.
    DrawStd2dRectColor(p->rect.x, p->rect.y, p->rect.width, p->rect.height, 0, p->decoder->Height(),
                       p->decoder->Width(), -p->decoder->Height(), colour);
    UnbindStd2dProgram();
}

void MoviePlayer::Shutdown() {
    if (gPlayer == nullptr) return;
    StopNow(gPlayer);
    DeleteShaderProgram(gPlayer->program);
    delete gPlayer;
    gPlayer = nullptr;
}

int32_t MoviePlayer::UploadedFrameCount() { return Player()->uploaded; }
uint32_t MoviePlayer::ShownFrameIndex() { return Player()->shownIndex; }
uint8_t MoviePlayer::FadeAlpha() { return Player()->alpha; }
MovieRect MoviePlayer::DrawRect() { return Player()->rect; }
Texture* MoviePlayer::FrameTexture() { return Player()->texture; }

int64_t MoviePlayer::ClockMicros() {
    PlayerState* p = Player();
    const uint64_t now = GetTimeMicros();
    if (MovieSoundPlaying(p->sound)) {
        const int64_t soundTime = MovieSoundClockMicros(p->sound);
        // Where the steady clock takes over should the voice stop.
        p->steadyStart = now - static_cast<uint64_t>(soundTime);
        return soundTime;
    }
    return static_cast<int64_t>(now - p->steadyStart);
}
