// What the sprite, ribbon and ring renderers share: the 24-byte effect
// vertex, their one shader program, and a batch of squares written into the
// renderer's vertex buffer and drawn with one call through its square index
// buffer. A batch never takes more squares than the renderer's capacity.
#pragma once

#include <cstdint>
#include <memory>

#include "fx/color.h"
#include "fx/gl/shader.h"
#include "fx/matrix43.h"
#include "fx/matrix44.h"

namespace Fx {
class Effect;
}

namespace FxRenderer {

class Renderer;

struct EffectVertex {
    float position[3];
    uint8_t color[4];
    float uv[2];

    void Set(float x, float y, float z, const Fx::Color& c, float u, float v) {
        position[0] = x;
        position[1] = y;
        position[2] = z;
        color[0] = c.r;
        color[1] = c.g;
        color[2] = c.b;
        color[3] = c.a;
        uv[0] = u;
        uv[1] = v;
    }
    // The position (x, y, z) as a row through `m`, translation included.
    void SetPosition(float x, float y, float z, const Fx::Matrix43& m) {
        for (int i = 0; i < 3; ++i) {
            position[i] = x * m.value[0][i] + y * m.value[1][i] + z * m.value[2][i] + m.value[3][i];
        }
    }
};
static_assert(sizeof(EffectVertex) == 24, "the effect vertex is uploaded as it lies");

// The node values that decide how a batch is drawn.
struct BatchDrawState {
    Fx::Effect* effect = nullptr;
    int32_t textureIndex = -1;
    int32_t alphaBlend = 0;
    int32_t textureFilter = 0;
    int32_t textureWrap = 0;
    bool depthTest = false;
    bool depthWrite = false;

    template <typename NodeParameter>
    static BatchDrawState Of(const NodeParameter& p) {
        return BatchDrawState{p.effect, p.textureIndex, p.alphaBlend, p.textureFilter, p.textureWrap,
                              p.depthTest, p.depthWrite};
    }
};

class EffectBatch {
public:
    // Null when the shader cannot be built; `name` labels its log line.
    static std::unique_ptr<EffectBatch> Create(Renderer* renderer, const char* name);

    // Locks the shared vertex buffer from its start.
    void Begin();
    // Vertices for `count` more squares (4 each), or null, with nothing
    // taken, when they would pass the renderer's capacity.
    EffectVertex* TakeSquares(int64_t count);
    int32_t GetSquareCount() const { return squareCount_; }
    // Uploads and, with at least one square written, draws them.
    void End(const BatchDrawState& state, const Fx::Matrix44& projection);

    Renderer* GetRenderer() const { return renderer_; }

private:
    EffectBatch(Renderer* renderer, std::unique_ptr<Shader> shader);
    Renderer* renderer_;
    std::unique_ptr<Shader> shader_;
    int32_t attribIds_[3] = {-1, -1, -1};
    GLint projectionId_ = -1, textureId_ = -1, textureEnableId_ = -1;
    int32_t squareCount_ = 0;
};

}  // namespace FxRenderer
