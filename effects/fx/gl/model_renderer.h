// Draws the instances of a model node: each collected instance is one
// indexed draw of the node's model with its own matrix, texture offset and
// colour, lit by the renderer's light when the node asks for it. The
// effect's models must come from the renderer's model loader (ModelBuffers).
#pragma once

#include <memory>
#include <vector>

#include "fx/fx_renderers.h"
#include "fx/gl/shader.h"
#include "fx/matrix44.h"

namespace FxRenderer {

class Renderer;

class ModelRenderer : public Fx::ModelRenderer {
public:
    // Null when the shader cannot be built.
    static ModelRenderer* Create(Renderer* renderer);

    void BeginBatch(const Fx::ModelNodeParameter& parameter, int32_t count, void* userData) override;
    void AddInstance(const Fx::ModelNodeParameter& parameter, const Fx::ModelInstanceParameter& instance,
                     void* userData) override;
    void EndBatch(const Fx::ModelNodeParameter& parameter, void* userData) override;

private:
    ModelRenderer(Renderer* renderer, std::unique_ptr<Shader> shader);
    void BindTexture(const Fx::ModelNodeParameter& parameter, int32_t index, int unit);

    Renderer* renderer_;
    std::unique_ptr<Shader> shader_;
    int32_t attribIds_[5] = {};
    int32_t uniformIds_[12] = {};
    std::vector<Fx::Matrix44> matrices_;
    std::vector<Fx::TextureRect> uvs_;
    std::vector<Fx::Color> colors_;
};

}  // namespace FxRenderer
