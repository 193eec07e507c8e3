// The Std2d program: its sources, binding and the 2D draw calls.
#include "gfx/std2d.h"

#include <GLES2/gl2.h>

#include "core/mat4.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/texture.h"

const char* const kStd2dVertexSource =
    "uniform mat4 u_MatProj;\n"
    "uniform vec4 u_TexGain;\n"
    "attribute mediump vec4 a_Position;\n"
    "attribute mediump vec4 a_TexCoord;\n"
    "attribute lowp vec4 a_Color;\n"
    "varying mediump vec4 v_TexCoord;\n"
    "varying lowp vec4 v_Color;\n"
    "void main() {\n"
    "    gl_Position = u_MatProj * a_Position;\n"
    "    v_TexCoord = u_TexGain * a_TexCoord;\n"
    "    v_Color = a_Color;\n"
    "}\n";

const char* const kStd2dFragmentSource =
    "precision lowp float;\n"
    "uniform sampler2D u_Texture0;\n"
    "uniform vec4 u_TexelAdd;\n"
    "varying mediump vec4 v_TexCoord;\n"
    "varying lowp vec4 v_Color;\n"
    "void main() {\n"
    "    gl_FragColor = v_Color * (texture2D(u_Texture0, v_TexCoord.xy) + u_TexelAdd);\n"
    "}\n";

namespace {

enum { kAttribPosition, kAttribTexCoord, kAttribColor, kAttribCount };
enum { kUniformProjection, kUniformTexGain, kUniformTexelAdd, kUniformCount };

const GlVertexAttrib kStd2dAttribs[kAttribCount] = {
    {"a_Position", GL_SHORT, 2, 0, 0},
    {"a_TexCoord", GL_SHORT, 2, 4, 0},
    {"a_Color", GL_UNSIGNED_BYTE, 4, 8, 1},
};
const char* const kStd2dUniforms[kUniformCount] = {"u_MatProj", "u_TexGain", "u_TexelAdd"};

int32_t gDefaultProgram = -1;
int32_t gBoundProgram = -1;
int32_t gAttribLocations[kAttribCount] = {-1, -1, -1};
int32_t gUniformLocations[kUniformCount] = {-1, -1, -1};
Mat4 gProjection = Mat4::Identity();

bool Ready() { return gBoundProgram > 0; }

void SetAttribPointers(const QuadVertex* vertices) {
    GlSetAttribPointers(kAttribCount, gAttribLocations, kStd2dAttribs, vertices, sizeof(QuadVertex));
}

}  // namespace

bool Std2dInit(Allocator* allocator) {
    gDefaultProgram = BuildShaderProgram("Std2d", kStd2dVertexSource, kStd2dFragmentSource, allocator);
    Mat4::Ortho(&gProjection, 0.0f, static_cast<float>(GetScreenWidth()), static_cast<float>(GetScreenHeight()),
                0.0f, -1.0f, 1.0f);
    return gDefaultProgram > 0;
}

void Std2dShutdown() {
    if (gBoundProgram > 0 && gBoundProgram == GlGetCurrentProgram()) UnbindStd2dProgram();
    DeleteShaderProgram(gDefaultProgram);
    gDefaultProgram = -1;
    gBoundProgram = -1;
}

int32_t GetStd2dDefaultProgram() { return gDefaultProgram; }

void BindStd2dProgram(int32_t program) {
    gBoundProgram = program;
    if (!Ready()) {
        GlUnbindProgram();
        return;
    }
    GlGetAttribLocations(program, kAttribCount, kStd2dAttribs, gAttribLocations);
    GlGetUniformLocations(program, kUniformCount, kStd2dUniforms, gUniformLocations);
    // 2D quads face the viewer; a cache that culls front faces must not
    // drop them, and the cache has to know what GL now does.
    if (GlState::GetCullMode() != kCullOff) GlState::SetCullMode(kCullBack);
    GlUseProgram(program);
    glUniformMatrix4fv(gUniformLocations[kUniformProjection], 1, GL_FALSE, gProjection.m);
    GlEnableAttribArrays(kAttribCount, gAttribLocations);
}

void RebindStd2dProgram() { BindStd2dProgram(gDefaultProgram); }

void UnbindStd2dProgram() {
    GlDisableAttribArrays(kAttribCount, gAttribLocations);
    GlUnbindProgram();
}

void SetStd2dTexture() {
    const Texture* texture = GlState::GetTexture();
    if (!texture) {
        glUniform4f(gUniformLocations[kUniformTexelAdd], 1.0f, 1.0f, 1.0f, 0.0f);
        return;
    }
    // A texture without storage has no size; it samples as nothing anyway.
    const float gainU = texture->width > 0 ? 1.0f / texture->width : 0.0f;
    const float gainV = texture->height > 0 ? 1.0f / texture->height : 0.0f;
    glUniform4f(gUniformLocations[kUniformTexGain], gainU, gainV, 1.0f, 1.0f);
    // Alpha-only textures sample as black; adding white gives the vertex colour.
    const bool alphaOnly = texture->format == kPixelAlpha8 || texture->format == kPixelAlpha16;
    const float add = alphaOnly ? 1.0f : 0.0f;
    glUniform4f(gUniformLocations[kUniformTexelAdd], add, add, add, 0.0f);
}

void DrawStd2dTriangles(uint32_t triangleCount, const QuadVertex* vertices, const uint16_t* indices) {
    if (!Ready()) return;
    SetStd2dTexture();
    SetAttribPointers(vertices);
    const GLsizei count = static_cast<GLsizei>(triangleCount * 3);
    if (indices) glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, indices);
    else glDrawArrays(GL_TRIANGLES, 0, count);
    CountDraw(triangleCount, triangleCount * 3);
}

void DrawStd2dTriangleStrip(uint32_t triangleCount, const QuadVertex* vertices, const uint16_t* indices) {
    if (!Ready()) return;
    SetStd2dTexture();
    SetAttribPointers(vertices);
    const GLsizei count = static_cast<GLsizei>(triangleCount + 2);
    if (indices) glDrawElements(GL_TRIANGLE_STRIP, count, GL_UNSIGNED_SHORT, indices);
    else glDrawArrays(GL_TRIANGLE_STRIP, 0, count);
    CountDraw(triangleCount, triangleCount + 2);
}

void DrawStd2dRect(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t tw, int32_t th,
                   uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    if (!Ready()) return;
    QuadVertex quad[4];
    Quad::SetRect(quad, x, y, w, h);
    Quad::SetTexRect(quad, u, v, tw, th);
    quad[kQuadTopLeft].color = c0;
    quad[kQuadBottomLeft].color = c1;
    quad[kQuadTopRight].color = c2;
    quad[kQuadBottomRight].color = c3;
    SetStd2dTexture();
    SetAttribPointers(quad);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    CountDraw(2, 4);
}

void DrawStd2dRectColor(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t tw, int32_t th,
                        uint32_t color) {
    DrawStd2dRect(x, y, w, h, u, v, tw, th, color, color, color, color);
}
