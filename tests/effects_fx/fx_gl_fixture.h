// A headless GL fixture for the effect renderer: a renderer of a given
// capacity, a 64 x 64 viewport in the corner of the shared surface, an
// effect stand-in that answers textures and models by index, and helpers to
// read back the vertex buffer and the pixels of the view.
#pragma once

#include <cstdint>
#include <vector>

#include "fx/effect.h"
#include "fx/fx_renderers.h"
#include "fx/gl/effect_batch.h"
#include "fx/gl/renderer.h"
#include "tests/support/gl_fixture.h"

class TestEffect : public Fx::Effect {
public:
    int AddRef() override { return 1; }
    int Release() override { return 1; }
    Fx::Manager* GetManager() const override { return nullptr; }
    int GetVersion() const override { return 0; }
    float GetMagnification() const override { return 1.0f; }
    Fx::EffectNode* GetRoot() const override { return nullptr; }
    void* GetTexture(int index) const override { return At(textures, index); }
    void* GetSound(int) const override { return nullptr; }
    void* GetModel(int index) const override { return At(models, index); }
    int GetTextureCount() const override { return int(textures.size()); }
    int GetSoundCount() const override { return 0; }
    int GetModelCount() const override { return int(models.size()); }
    std::string GetTexturePath(int) const override { return {}; }
    std::string GetSoundPath(int) const override { return {}; }
    std::string GetModelPath(int) const override { return {}; }
    bool Reload(const void*, size_t, const char*) override { return false; }
    bool Reload(const char*, const char*) override { return false; }

    std::vector<void*> textures, models;

private:
    static void* At(const std::vector<void*>& list, int index) {
        return index >= 0 && index < int(list.size()) ? list[size_t(index)] : nullptr;
    }
};

class FxGlTest : public GlTest {
public:
    static constexpr int kView = 64;

protected:
    void SetUp() override;
    void TearDown() override;
    void MakeRenderer(int32_t capacity);

    // The pixel at (x, y) of the view, counted from its top-left corner.
    static Rgba Probe(int x, int y);
    // A nearest-filtered RGBA texture of `width` x `height` from colour words
    // (red in the lowest byte); its handle as an effect keeps it.
    static void* MakeTexture(int width, int height, const std::vector<uint32_t>& pixels);
    // The first `squares` squares of the last batch, as written.
    std::vector<FxRenderer::EffectVertex> Captured(int squares) const;
    int CapturedSquares() const;

    FxRenderer::Renderer* renderer = nullptr;
    TestEffect effect;
};

// A square of the sprite's plane from -h to +h, vertex colours `colour`.
Fx::SpriteInstanceParameter SquareSprite(float half, Fx::Color colour);
