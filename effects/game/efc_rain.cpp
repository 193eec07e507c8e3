// Rain: drops spawned at random over the field fall 20 units per update;
// their ground is picked once at spawn. A splash grows by 0.8 units per step
// and fades as 255 - (f/F)^2 x 255.
#include "effects/game/efc_rain.h"

#include <cmath>
#include <cstring>

#include "core/random.h"
#include "game/field.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/quad.h"
#include "gfx/texture.h"

namespace {

const GlVertexAttrib kRainRows[2] = {
    {"a_Position", GL_SHORT, 4, 0, 0},
    {"a_TexAndColor", GL_UNSIGNED_BYTE, 4, 8, 1},
};

constexpr int32_t kSpawnSpan = 800;  // drops fall over [-800, 800) in x and z

void SetVertex(RainVertex* v, int32_t x, int32_t y, int32_t z, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    v->x = static_cast<int16_t>(x), v->y = static_cast<int16_t>(y), v->z = static_cast<int16_t>(z), v->w = 1;
    v->r = r, v->g = g, v->b = b, v->a = a;
}

void SetUniform1i(int32_t program, const char* name, int value) {
    const int32_t location = GlGetUniformLocation(program, name);
    if (location >= 0) glUniform1i(location, value);
}

}  // namespace

QmEfcRain::QmEfcRain(FsMgr* pack)
    : drops_(new RainDrop[kRainDrops]()),
      lines_(new RainVertex[2 * kRainDrops]()),
      splashes_(new RainVertex[4 * kRainDrops]()),
      indices_(new uint16_t[6 * kRainDrops]) {
    for (int32_t k = 0; k < kRainDrops; ++k) {
        const uint16_t first = static_cast<uint16_t>(4 * k);
        const uint16_t quad[6] = {first, uint16_t(first + 1), uint16_t(first + 2),
                                  uint16_t(first + 3), uint16_t(first + 2), uint16_t(first + 1)};
        std::memcpy(&indices_[6 * k], quad, sizeof quad);
    }
    const char* const files[3] = {"shader/efc_rain.vs", "shader/efc_rain.fs", "img/rain.png"};
    undrawn = "the rain is not drawn";
    for (const char* file : files) PackHas(pack, file);
    if (!missingFiles.empty()) return;
    program_ = BuildShaderProgramFromFiles("efc_rain", files[0], files[1], pack, nullptr);
    if (program_ > 0) GlGetAttribLocations(program_, 2, kRainRows, locations_);
    texture_ = Texture::Load(files[2], pack, nullptr);
}

QmEfcRain::~QmEfcRain() {
    if (texture_) Texture::Destroy(texture_);
    DeleteShaderProgram(program_);
}

int32_t QmEfcRain::Start(const float from[3], const float to[3], int32_t flag) {
    std::memset(drops_.get(), 0, sizeof(RainDrop) * kRainDrops);
    std::memset(lines_.get(), 0, sizeof(RainVertex) * 2 * kRainDrops);
    std::memset(splashes_.get(), 0, sizeof(RainVertex) * 4 * kRainDrops);
    ended = 0;
    return 1;
}

void QmEfcRain::Stop() { ended = 1; }

void QmEfcRain::SetParameter(int32_t index, float value) {
    if (index != 0) return;
    // Held to the table so that no float, however wild, makes the count undefined.
    if (!(value > 0.0f)) spawnCount_ = 0;
    else spawnCount_ = value >= kRainDrops ? kRainDrops : static_cast<int32_t>(value);
}

void QmEfcRain::Update() {
    if (!context) return;
    for (int32_t k = 0; k < kRainDrops; ++k) {
        if (!drops_[k].alive) continue;
        if (drops_[k].splashing) StepSplash(k);
        else StepFalling(k);
    }
    int32_t spawned = 0;
    for (int32_t k = 0; k < kRainDrops && spawned < spawnCount_; ++k) {
        if (drops_[k].alive) continue;
        Spawn(k);
        ++spawned;
    }
}

void QmEfcRain::Spawn(int32_t k) {
    const int32_t x = RandomRange(nullptr, -kSpawnSpan, kSpawnSpan);
    const int32_t z = RandomRange(nullptr, -kSpawnSpan, kSpawnSpan);
    SetVertex(&lines_[2 * k], x, kRainTop, z, 0, 0, 255, 160);
    SetVertex(&lines_[2 * k + 1], x, kRainTop + kRainLineLength, z, 0, 0, 255, 0);
    RainDrop& drop = drops_[k];
    drop.alive = 1;
    const float origin[3] = {static_cast<float>(x), static_cast<float>(kRainTop), static_cast<float>(z)};
    const float down[3] = {0.0f, -1.0f, 0.0f};
    float hit[3];
    if (!context->PickCell(origin, down, hit)) {
        drop.groundY = -1;
        return;
    }
    drop.groundX = static_cast<int16_t>(TruncateToInt32(hit[0]));
    drop.groundY = static_cast<int16_t>(TruncateToInt32(hit[1]) + 1);
    drop.groundZ = static_cast<int16_t>(TruncateToInt32(hit[2]));
}

void QmEfcRain::StepFalling(int32_t k) {
    RainVertex* line = &lines_[2 * k];
    line[0].y = static_cast<int16_t>(line[0].y - kRainFall);
    line[1].y = static_cast<int16_t>(line[1].y - kRainFall);
    RainDrop& drop = drops_[k];
    if (drop.groundY < 0) {
        if (line[1].y < kRainFloor) Kill(k);
        return;
    }
    if (line[0].y >= drop.groundY) return;
    drop.splashing = 1;
    drop.splashFrame = 0;
    drop.splashFrames = static_cast<uint8_t>(RandomRange(nullptr, 10, 14));
    drop.splashSize = 0;
    std::memset(line, 0, 2 * sizeof(RainVertex));
    RainVertex* quad = &splashes_[4 * k];
    for (int v = 0; v < 4; ++v) {
        SetVertex(&quad[v], drop.groundX, drop.groundY, drop.groundZ, v >= 2 ? 255 : 0, v % 2 ? 255 : 0, 0, 255);
    }
}

void QmEfcRain::StepSplash(int32_t k) {
    RainDrop& drop = drops_[k];
    ++drop.splashSize;
    const int32_t s = static_cast<int32_t>(drop.splashSize * 0.8f);
    const float f = static_cast<float>(drop.splashFrame) / static_cast<float>(drop.splashFrames);
    const uint8_t alpha = static_cast<uint8_t>(255.0f - f * f * 255.0f);
    RainVertex* quad = &splashes_[4 * k];
    for (int v = 0; v < 4; ++v) {
        quad[v].x = static_cast<int16_t>(drop.groundX + (v >= 2 ? s : -s));
        quad[v].z = static_cast<int16_t>(drop.groundZ + (v % 2 ? s : -s));
        quad[v].a = alpha;
    }
    if (++drop.splashFrame >= drop.splashFrames) Kill(k);
}

void QmEfcRain::Kill(int32_t k) {
    drops_[k].alive = 0;
    drops_[k].splashing = 0;
    std::memset(&lines_[2 * k], 0, 2 * sizeof(RainVertex));
    std::memset(&splashes_[4 * k], 0, 4 * sizeof(RainVertex));
}

void QmEfcRain::Draw(const CameraParams* camera) {
    if (!context || program_ <= 0) return;
    GlState::SetBlendMode(kBlendAlpha);
    GlState::SetDepthTest(1);
    // Drops are in world space, whatever object the field drew last.
    MaterialShader::SetModel(nullptr);
    MaterialShader::Begin(program_);
    GlEnableAttribArrays(2, locations_);
    GlState::SetActiveTexture(0);
    GlState::SetTextureRepeat(texture_);
    SetUniform1i(program_, "u_Texture0", 0);
    SetUniform1i(program_, "u_Mode", 0);
    // Client-side arrays: no buffer object may stay bound.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    GlSetAttribPointers(2, locations_, kRainRows, splashes_.get(), sizeof(RainVertex));
    glDrawElements(GL_TRIANGLES, 6 * kRainDrops, GL_UNSIGNED_SHORT, indices_.get());
    CountDraw(2 * kRainDrops, 4 * kRainDrops);

    SetUniform1i(program_, "u_Mode", 1);
    const int32_t eyeLocation = GlGetUniformLocation(program_, "u_CameraPosition");
    if (eyeLocation >= 0 && camera) glUniform3f(eyeLocation, camera->eye[0], camera->eye[1], camera->eye[2]);
    GlSetAttribPointers(2, locations_, kRainRows, lines_.get(), sizeof(RainVertex));
    glDrawArrays(GL_LINES, 0, 2 * kRainDrops);
    CountDraw(0, 2 * kRainDrops);
    GlDisableAttribArrays(2, locations_);
    MaterialShader::End();
}
