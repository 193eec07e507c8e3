// The OpenGL ES 2.0 side of the effect runtime: the matrices every effect is
// drawn with, the light of the model renderer, the shared vertex buffer and
// square index buffer, and the GL state saved around a batch of effect
// drawing. It makes the node renderers and the loaders the manager is given.
// Main thread only (the thread that owns the GL context).
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>
#include <memory>

#include "fx/color.h"
#include "fx/fx_renderers.h"
#include "fx/matrix44.h"
#include "fx/vector3d.h"

namespace Fx {
class TextureLoader;
class ModelLoader;
class FileInterface;
}  // namespace Fx

namespace FxRenderer {

class VertexBuffer;
class IndexBuffer;

// Bytes of the shared vertex buffer per square, and the most squares 16-bit
// indices can reach.
constexpr int32_t kVertexBytesPerSquare = 160;
constexpr int32_t kMaxSquareCapacity = 16384;

class Renderer {
public:
    // Null, with one log line, for a capacity outside 1..16384 or when a
    // buffer cannot be made. The caller holds the one reference.
    static Renderer* Create(int32_t squareMaxCount);

    int AddRef() { return ++referenceCount_; }
    // At 0 the renderer deletes itself.
    int Release();

    // camera-projection = camera x projection; saves the state the effect
    // drawing changes, turns blending on and culling off.
    bool BeginRendering();
    // Puts the saved state back.
    bool EndRendering();

    int32_t GetSquareMaxCount() const { return squareMaxCount_; }

    const Fx::Vector3D& GetLightDirection() const { return lightDirection_; }
    void SetLightDirection(const Fx::Vector3D& direction) { lightDirection_ = direction; }
    const Fx::Color& GetLightColor() const { return lightColor_; }
    void SetLightColor(const Fx::Color& color) { lightColor_ = color; }
    const Fx::Color& GetLightAmbientColor() const { return lightAmbient_; }
    void SetLightAmbientColor(const Fx::Color& color) { lightAmbient_ = color; }

    const Fx::Matrix44& GetProjectionMatrix() const { return projection_; }
    void SetProjectionMatrix(const Fx::Matrix44& matrix) { projection_ = matrix; }
    const Fx::Matrix44& GetCameraMatrix() const { return camera_; }
    void SetCameraMatrix(const Fx::Matrix44& matrix) { camera_ = matrix; }
    const Fx::Matrix44& GetCameraProjectionMatrix() const { return cameraProjection_; }

    // Null when the renderer's shader cannot be built; the caller owns it.
    Fx::SpriteRenderer* CreateSpriteRenderer();
    Fx::RibbonRenderer* CreateRibbonRenderer();
    Fx::RingRenderer* CreateRingRenderer();
    Fx::ModelRenderer* CreateModelRenderer();
    // Over `files` (not owned; null: the C library's files).
    Fx::TextureLoader* CreateTextureLoader(Fx::FileInterface* files = nullptr);
    Fx::ModelLoader* CreateModelLoader(Fx::FileInterface* files = nullptr);

    VertexBuffer* GetVertexBuffer() const { return vertexBuffer_.get(); }
    IndexBuffer* GetIndexBuffer() const { return indexBuffer_.get(); }

private:
    Renderer() = default;
    ~Renderer();

    struct SavedState {
        GLboolean blend, cullFace, depthTest, depthMask;
        GLint blendSrcRgb, blendDstRgb, blendSrcAlpha, blendDstAlpha;
        GLint blendEquationRgb, blendEquationAlpha;
        GLint activeTexture, texture0, texture1, program, arrayBuffer, elementBuffer;
    };

    int referenceCount_ = 1;
    std::unique_ptr<VertexBuffer> vertexBuffer_;
    std::unique_ptr<IndexBuffer> indexBuffer_;
    int32_t squareMaxCount_ = 0;
    Fx::Vector3D lightDirection_{1.0f, 1.0f, 1.0f};
    Fx::Color lightColor_{255, 255, 255, 255};
    Fx::Color lightAmbient_{40, 40, 40, 255};
    Fx::Matrix44 projection_;
    Fx::Matrix44 camera_;
    Fx::Matrix44 cameraProjection_;
    SavedState saved_{};
};

}  // namespace FxRenderer
