// A headless GL fixture for the effect renderer: a renderer of 1,200 squares
// with its four node renderers, inside BeginRendering, drawing into a 64 x 64
// viewport in the lower-left corner of the shared surface; an effect
// stand-in that answers textures and models by index; and the vertex buffer
// as the last batch wrote it.
#pragma once

#include <cstdint>
#include <memory>
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
    static void* At(const std::vector<void*>& list, int i) { return i >= 0 && i < int(list.size()) ? list[size_t(i)] : nullptr; }

    std::vector<void*> textures, models;
};

struct Xyz {
    float x, y, z;
};

class FxGlTest : public GlTest {
public:
    static constexpr int kView = 64;
    static constexpr int kTop = kHeight - kView;  // the view's top row on the surface

protected:
    void SetUp() override;
    void TearDown() override;

    // A texture from colour words (red in the lowest byte), as an effect keeps it.
    static void* MakeTexture(int width, int height, const std::vector<uint32_t>& pixels);
    // The squares of the last batch, as written, and their count.
    std::vector<FxRenderer::EffectVertex> Captured(int squares) const;
    int CapturedSquares() const;
    static void ExpectAt(const FxRenderer::EffectVertex& v, Xyz p);

    FxRenderer::Renderer* renderer = nullptr;
    std::unique_ptr<Fx::SpriteRenderer> sprites;
    std::unique_ptr<Fx::RibbonRenderer> ribbons;
    std::unique_ptr<Fx::RingRenderer> rings;
    std::unique_ptr<Fx::ModelRenderer> models;
    TestEffect effect;
};

// A square of the sprite's plane from -half to +half, vertex colours `colour`.
Fx::SpriteInstanceParameter SquareSprite(float half, Fx::Color colour);

// One node drawing: BeginBatch, AddInstance per instance, EndBatch.
template <typename Renderer, typename Node, typename Instance>
void DrawBatch(Renderer& renderer, const Node& node, const std::vector<Instance>& instances) {
    renderer.BeginBatch(node, int32_t(instances.size()), nullptr);
    for (const Instance& instance : instances) renderer.AddInstance(node, instance, nullptr);
    renderer.EndBatch(node, nullptr);
}
