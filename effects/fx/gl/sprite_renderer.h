// Draws the instances of a sprite node: one textured, vertex-coloured square
// each, faced to the camera by the node's billboard kind, all in one draw.
#pragma once

#include <memory>

#include "fx/fx_renderers.h"
#include "fx/gl/billboard.h"
#include "fx/gl/effect_batch.h"

namespace FxRenderer {

class SpriteRenderer : public Fx::SpriteRenderer {
public:
    // Null when the shader cannot be built.
    static SpriteRenderer* Create(Renderer* renderer);

    void BeginBatch(const Fx::SpriteNodeParameter& parameter, int32_t count, void* userData) override;
    void AddInstance(const Fx::SpriteNodeParameter& parameter, const Fx::SpriteInstanceParameter& instance,
                     void* userData) override;
    void EndBatch(const Fx::SpriteNodeParameter& parameter, void* userData) override;

private:
    explicit SpriteRenderer(std::unique_ptr<EffectBatch> batch) : batch_(std::move(batch)) {}
    std::unique_ptr<EffectBatch> batch_;
    BillboardBasis basis_{Fx::Matrix44()};
};

}  // namespace FxRenderer
