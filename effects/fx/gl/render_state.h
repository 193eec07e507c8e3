// The GL state the node renderers set per node drawing, and the GL buffers
// of an effect model.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

#include "fx/model.h"

namespace FxRenderer {

// 0 blending off; 1 alpha blend, 2 add, 3 reverse subtract (destination
// minus source), 4 multiply; any other value turns blending on with the add
// equation and leaves the factors as they are.
void SetAlphaBlend(int32_t mode);
// On the bound 2D texture: filter 0 nearest, else linear; wrap 0 repeat,
// else clamp to edge.
void SetTextureFilterWrap(int32_t filter, int32_t wrap);
// 0 culls front faces, 1 back faces; any other value (2, "both" in the
// effect files) draws both sides, since culling both would draw nothing.
void SetCullingType(int32_t type);
void SetDepthTest(bool enabled);
void SetDepthWrite(bool enabled);
// Binds an effect texture handle (a GL texture name) on the active unit.
void BindEffectTexture(void* handle);

// A loaded effect model: the file's vertices (56 bytes each) and faces,
// which the model emitters of the instances read, and their GL buffers. An
// effect keeps it as its Fx::Model base.
struct ModelBuffers : public Fx::Model {
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    int32_t vertexCount = 0;
    int32_t indexCount = 0;
    GLenum indexType = GL_UNSIGNED_INT;
};

}  // namespace FxRenderer
