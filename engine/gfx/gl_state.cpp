// The render-state cache, the engine's blend and cull modes, the render
// counters and the screen size.
#include "gfx/gl_state.h"

#include <cassert>

#include "gfx/texture.h"

namespace {

GlState gState{};
RenderStats gStats{};
int32_t gScreenWidth = 0;
int32_t gScreenHeight = 0;

TextureUnitState& ActiveUnit() { return gState.units[gState.activeUnit]; }

}  // namespace

void GlApplyBlendMode(int32_t mode) {
    struct Row {
        bool enabled;
        GLenum equation, source, destination;
    };
    static const Row kRows[7] = {
        {false, GL_FUNC_ADD, GL_ONE, GL_ZERO},
        {true, GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {true, GL_FUNC_ADD, GL_ONE, GL_ONE},
        {true, GL_FUNC_ADD, GL_SRC_ALPHA, GL_ONE},
        {true, GL_FUNC_REVERSE_SUBTRACT, GL_SRC_ALPHA, GL_ONE},
        {true, GL_FUNC_ADD, GL_ZERO, GL_SRC_COLOR},
        {true, GL_FUNC_ADD, GL_ZERO, GL_SRC_COLOR},
    };
    if (mode < 0 || mode > 6) return;
    const Row& row = kRows[mode];
    if (row.enabled) glEnable(GL_BLEND);
    else glDisable(GL_BLEND);
    glBlendEquation(row.equation);
    glBlendFunc(row.source, row.destination);
}

void GlApplyCullMode(int32_t mode) {
    static const GLenum kFaces[4] = {0, GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};
    if (mode < 0 || mode > 3) return;
    if (mode == kCullOff) {
        glDisable(GL_CULL_FACE);
        return;
    }
    glEnable(GL_CULL_FACE);
    glCullFace(kFaces[mode]);
}

void GlState::SetBlendMode(int32_t mode) {
    if (mode == gState.blendMode) return;
    gState.blendMode = mode;
    GlApplyBlendMode(mode);
}

void GlState::SetCullMode(int32_t mode) {
    if (mode == gState.cullMode) return;
    gState.cullMode = mode;
    GlApplyCullMode(mode);
}

int32_t GlState::GetCullMode() { return gState.cullMode; }

void GlState::SetDepthTest(int32_t enabled) {
    if (enabled == gState.depthTest) return;
    gState.depthTest = enabled;
    if (enabled) glEnable(GL_DEPTH_TEST);
    else glDisable(GL_DEPTH_TEST);
}

void GlState::SetDepthMask(int32_t enabled) {
    if (enabled == gState.depthMask) return;
    gState.depthMask = enabled;
    glDepthMask(enabled ? GL_TRUE : GL_FALSE);
}

void GlState::SetDepthFunc(GLenum func) {
    if (func == gState.depthFunc) return;
    gState.depthFunc = func;
    glDepthFunc(func);
}

void GlState::SetActiveTexture(int unit) {
    assert(unit >= 0 && unit < kTextureUnitCount);
    if (unit < 0 || unit >= kTextureUnitCount) return;
    gState.activeUnit = static_cast<int16_t>(unit);
    glActiveTexture(GL_TEXTURE0 + unit);
}

Texture* GlState::GetTexture() { return ActiveUnit().texture; }

void GlState::SetTexture(Texture* texture, GLenum wrap, GLenum filter) {
    TextureUnitState& unit = ActiveUnit();
    const bool changed = texture != unit.texture;
    if (changed) {
        ApplyTexture(texture);
        unit.texture = texture;
    }
    if ((!changed || !texture) && wrap == unit.wrap && filter == unit.filter) return;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrap));
    unit.wrap = wrap;
    unit.filter = filter;
}

void GlState::SetTextureRepeat(Texture* texture) { SetTexture(texture, GL_REPEAT, GL_LINEAR); }

void GlState::ApplyTexture(Texture* texture) {
    glBindTexture(GL_TEXTURE_2D, texture ? texture->name : 0);
    ++gStats.textureBinds;
}

void GlState::ApplyAll() {
    if (gState.depthTest) glEnable(GL_DEPTH_TEST);
    else glDisable(GL_DEPTH_TEST);
    glDepthMask(gState.depthMask ? GL_TRUE : GL_FALSE);
    glDepthFunc(gState.depthFunc);
    GlApplyCullMode(gState.cullMode);
    GlApplyBlendMode(gState.blendMode);
    glActiveTexture(GL_TEXTURE0 + gState.activeUnit);
}

void GlState::Clear() { gState = GlState{}; }

void GlState::ForgetTexture(const Texture* texture) {
    for (TextureUnitState& unit : gState.units) {
        if (unit.texture == texture) unit.texture = nullptr;
    }
}

void GlClearColorBuffer(const float rgba[4]) {
    glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    glClear(GL_COLOR_BUFFER_BIT);
}

void GlClearDepthBuffer(float depth) {
    glClearDepthf(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
}

const RenderStats& GetRenderStats() { return gStats; }

void CountDraw(uint32_t triangles, uint32_t vertices) {
    ++gStats.drawCalls;
    gStats.triangles += triangles;
    gStats.vertices += vertices;
}

void ResetRenderStats() { gStats = RenderStats{}; }

void SetScreenSize(int32_t width, int32_t height) {
    gScreenWidth = width;
    gScreenHeight = height;
}
int32_t GetScreenWidth() { return gScreenWidth; }
int32_t GetScreenHeight() { return gScreenHeight; }
double GetScreenAspect() {
    return gScreenHeight ? static_cast<double>(gScreenWidth) / gScreenHeight : 0.0;
}

