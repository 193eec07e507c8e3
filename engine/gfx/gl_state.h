// The cache of GL render state: blend and cull modes, depth state and the
// texture bound on each unit, so that unchanged state costs no GL call. Also
// the render counters, the screen size and the clears. Main thread only.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

struct Texture;

// Blend modes: 0 off, 1 alpha, 2 add, 3 add with alpha, 4 subtract
// (destination minus source), 5 and 6 multiply.
enum BlendMode : int32_t {
    kBlendOff = 0,
    kBlendAlpha = 1,
    kBlendAdd = 2,
    kBlendAddAlpha = 3,
    kBlendSubtract = 4,
    kBlendMultiply = 5,
    kBlendMultiply2 = 6,
};

// Cull modes: 0 off, 1 front faces, 2 back faces, 3 both.
enum CullMode : int32_t { kCullOff = 0, kCullFront = 1, kCullBack = 2, kCullBoth = 3 };

constexpr int kTextureUnitCount = 2;

struct TextureUnitState {
    Texture* texture;  // null = none
    GLenum wrap;
    GLenum filter;
};

// Each setter does nothing when the value equals the cached one.
struct GlState {
    int32_t blendMode;
    int32_t cullMode;
    int32_t depthTest;
    int32_t depthMask;
    GLenum depthFunc;
    int16_t activeUnit;
    TextureUnitState units[kTextureUnitCount];

    static void SetBlendMode(int32_t mode);
    static void SetCullMode(int32_t mode);
    static int32_t GetCullMode();
    static void SetDepthTest(int32_t enabled);
    static void SetDepthMask(int32_t enabled);
    static void SetDepthFunc(GLenum func);
    // Always records and calls glActiveTexture.
    static void SetActiveTexture(int unit);
    // The texture cached for the active unit.
    static Texture* GetTexture();
    // Binds `texture` (null = none) on the active unit; a newly bound texture
    // always gets its filter (mag, then min) and wrap (s, then t) set once.
    static void SetTexture(Texture* texture, GLenum wrap, GLenum filter);
    static void SetTextureRepeat(Texture* texture);
    // Binds without consulting the cache and counts one texture bind.
    static void ApplyTexture(Texture* texture);
    // Pushes depth test, mask and function, cull mode, blend mode and the
    // active unit into GL without comparing.
    static void ApplyAll();
    // Zeroes the whole cache (nothing bound, every mode 0).
    static void Clear();
    // Drops every unit's entry for a texture being deleted, so that a later
    // texture at the same address is bound for real.
    static void ForgetTexture(const Texture* texture);
};

void GlApplyBlendMode(int32_t mode);
void GlApplyCullMode(int32_t mode);
void GlClearColorBuffer(const float rgba[4]);
void GlClearDepthBuffer(float depth);

// Per-frame statistics that draws add to; nothing in the engine reads them.
struct RenderStats {
    uint32_t drawCalls;
    uint32_t triangles;
    uint32_t vertices;
    uint32_t textureBinds;
};
const RenderStats& GetRenderStats();
void CountDraw(uint32_t triangles, uint32_t vertices);
void ResetRenderStats();

void SetScreenSize(int32_t width, int32_t height);
int32_t GetScreenWidth();
int32_t GetScreenHeight();
double GetScreenAspect();
