// Focus lines: each line is one quad from an inner to an outer radius, its
// inner end faded by a random alpha, its outer end opaque. Every line takes
// exactly eleven draws from the global random state, in a fixed order.
#include "effects/game/efc_focus_lines.h"

#include <cmath>

#include "core/color_util.h"
#include "core/fast_math.h"
#include "core/random.h"
#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kAngleSpread = 32.0f;

struct LineShape {
    float angle;  // degrees
    float width;  // half-width in pixels
    float inner;
    float outer;
    int32_t innerAlpha;
};

float Reduce(float radians) { return radians - kTwoPi * std::nearbyint(radians / kTwoPi); }

int16_t ToPixel(float value) {
    const int32_t v = TruncateToInt32(value);
    return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

LineShape DrawLineShape(float base, float radius) {
    LineShape s;
    s.angle = RandomSpreadFloat(nullptr, base, kAngleSpread);
    s.width = RandomSpreadFloat(nullptr, 8.0f, 2.0f);
    s.inner = RandomSpreadFloat(nullptr, 160.0f, 60.0f);
    s.outer = RandomSpreadFloat(nullptr, radius, 10.0f);
    // Held to a byte rather than wrapped, so a line near the low end fades
    // out instead of jumping to opaque.
    const int32_t alpha = RandomSpread(nullptr, 120, 220);
    s.innerAlpha = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
    return s;
}

void MakeLineQuad(const LineShape& s, float cx, float cy, QuadVertex quad[4]) {
    const float a = Reduce(s.angle * kPi * 0.0055555556f);
    const float b = Reduce(a - kPi * 0.5f);
    float ux, uy, px, py;
    SinCos(a, &uy, &ux);
    SinCos(b, &py, &px);
    const float radius[4] = {s.inner, s.inner, s.outer, s.outer};
    const float side[4] = {s.width, -s.width, s.width, -s.width};
    const uint32_t inner = MakeColor(255, 255, 255, static_cast<uint32_t>(s.innerAlpha));
    const uint32_t outer = MakeColor(255, 255, 255, 255);
    for (int k = 0; k < 4; ++k) {
        quad[k].x = ToPixel(cx + ux * radius[k] + px * side[k]);
        quad[k].y = ToPixel(cy + uy * radius[k] + py * side[k]);
        quad[k].u = k >= 2 ? 128 : 0;
        quad[k].v = k % 2 ? 16 : 0;
        quad[k].color = k < 2 ? inner : outer;
    }
}

}  // namespace

QmEfcFocusLines::QmEfcFocusLines(FsMgr* pack) {
    const char* const file = "effect/Texture/shiirare.png";
    undrawn = "the lines are drawn plain white";
    if (PackHas(pack, file)) texture_ = Texture::Load(file, pack, nullptr);
    batches_[0] = QuadBatch::Create(kFocusLineCount, nullptr);
    batches_[1] = QuadBatch::Create(kFocusLineCount, nullptr);
}

QmEfcFocusLines::~QmEfcFocusLines() {
    if (texture_) Texture::Destroy(texture_);
    QuadBatch::Destroy(batches_[1]);
    QuadBatch::Destroy(batches_[0]);
}

int32_t QmEfcFocusLines::Start(const float from[3], const float to[3], int32_t flag) {
    for (QuadBatch* batch : batches_) {
        if (batch) QuadBatch::Clear(batch);
    }
    const float cx = static_cast<float>(GetScreenWidth() / 2);
    const float cy = static_cast<float>(GetScreenHeight() / 2);
    const float radius = static_cast<float>(GetScreenWidth() * 2 / 3);
    for (int32_t sector = 0; sector < kFocusLineSectors; ++sector) {
        const float base = static_cast<float>(sector) * 360.0f * 0.11111111f;
        for (int32_t line = 0; line < kFocusLinesPerSector; ++line) {
            RandomSpreadFloat(nullptr, base, kAngleSpread);  // drawn and unused: keeps the sequence
            for (QuadBatch* batch : batches_) {
                QuadVertex quad[4];
                MakeLineQuad(DrawLineShape(base, radius), cx, cy, quad);
                if (batch) QuadBatch::Add(batch, quad);
            }
        }
    }
    frame_ = 0;
    frames_ = kFocusLineFrames;
    ended = 0;
    return 1;
}

void QmEfcFocusLines::Update() {
    ++frame_;
    if (frame_ >= frames_) ended = 1;
}

const QuadBatch* QmEfcFocusLines::GetShownBatch() const { return batches_[(frame_ / kFocusLineSwapFrames) % 2]; }

void QmEfcFocusLines::DrawScreen() {
    const QuadBatch* batch = GetShownBatch();
    if (!batch) return;
    GlState::SetBlendMode(kBlendAlpha);
    GlState::SetTexture(texture_, GL_CLAMP_TO_EDGE, GL_LINEAR);
    QuadBatch::Draw(batch);
}
