// The terrain mesh in GL: its three static buffers, and the four terrain
// draws (tops, sides, outline lines) plus the object models, all with the
// program the field renderer made current.
#include <GLES2/gl2.h>

#include <cstdint>
#include <cstring>

#include "game/field.h"
#include "game/field_mesh.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/model.h"
#include "platform/debug_log.h"

namespace {

const GlVertexAttrib kBlockRows[4] = {
    {"a_Position", GL_SHORT, 4, 0, 0},
    {"a_TexCoord", GL_UNSIGNED_SHORT, 2, 8, 0},
    {"a_Ambient", GL_SHORT, 1, 12, 1},
    {"a_Diffuse", GL_SHORT, 1, 14, 1},
};
const GlVertexAttrib kEdgeRows[2] = {
    {"a_Position", GL_SHORT, 4, 0, 0},
    {"a_TexCoord", GL_UNSIGNED_SHORT, 2, 8, 0},
};

// Tops address a 512-texel chip sheet, sides a 256-texel wall texture. A
// chip c spans 80 texels at ((c % 20) x 80, (c / 20) x 80), so at this gain
// the sheets keep their chips to c % 20 <= 5 and c / 20 <= 5 (the sample's do).
constexpr float kTopTexGain = 1.0f / 512.0f;
constexpr float kSideTexGain = 1.0f / 256.0f;

void SetTexGain(float gain) {
    const GLint location = GlGetUniformLocation(-1, "u_TexGain");
    if (location >= 0) glUniform1f(location, gain);
}

const void* Offset(uintptr_t bytes) { return reinterpret_cast<const void*>(bytes); }

// A program that failed to load leaves none current: those passes draw nothing.
bool HasProgram() { return GlGetCurrentProgram() > 0; }

void SetModelMatrix(const float matrix[16]) {
    Mat4 m;
    memcpy(m.m, matrix, sizeof m.m);
    MaterialShader::SetModel(&m);
}

}  // namespace

void QmField::BuildMesh() {
    ReleaseBuffers();
    topVertexCount = sideVertexCount = 0;
    for (int k = 0; k < 4; ++k) edgeFirst[k] = edgeCount[k] = 0;
    FieldMesh mesh;
    if (width <= 0 || depth <= 0 || !BuildFieldMesh(*this, &mesh) || mesh.vertices.empty()) return;
    vertexBuffer = GlCreateVertexBuffer(mesh.vertices.data(),
                                        static_cast<uint32_t>(mesh.vertices.size() * sizeof(FieldVertex)), GL_STATIC_DRAW);
    indexBuffer = GlCreateIndexBuffer(mesh.indices.data(), static_cast<uint32_t>(mesh.indices.size() * 2),
                                      GL_STATIC_DRAW);
    if (!mesh.edges.empty()) {
        const uint32_t bytes = static_cast<uint32_t>(mesh.edges.size() * sizeof(FieldEdgeVertex));
        edgeBuffer = GlCreateVertexBuffer(nullptr, bytes, GL_STATIC_DRAW);
        GlUpdateVertexBuffer(edgeBuffer, mesh.edges.data(), 0, bytes);
    }
    topVertexCount = mesh.topVertexCount;
    sideVertexCount = mesh.sideVertexCount;
    for (int k = 0; k < 4; ++k) {
        edgeFirst[k] = mesh.edgeFirst[k];
        edgeCount[k] = mesh.edgeCount[k];
    }
}

void QmField::DrawBlocks() {
    if (vertexBuffer == kNoBuffer || indexBuffer == kNoBuffer || !HasProgram()) return;
    MaterialShader::SetModel(nullptr);
    GlGetAttribLocations(-1, 4, kBlockRows, blockAttribs);
    GlEnableAttribArrays(4, blockAttribs);
    GlBindVertexBuffer(vertexBuffer);
    GlBindIndexBuffer(indexBuffer);
    GlSetAttribPointers(4, blockAttribs, kBlockRows, nullptr, sizeof(FieldVertex));
    const int32_t topIndices = topVertexCount * 6 / 4, sideIndices = sideVertexCount * 6 / 4;
    if (topIndices > 0) {
        GlState::SetTextureRepeat(topTexture);
        MaterialShader::SetTexEnable();
        SetTexGain(kTopTexGain);
        glDrawElements(GL_TRIANGLES, topIndices, GL_UNSIGNED_SHORT, Offset(0));
        CountDraw(static_cast<uint32_t>(topIndices / 3), static_cast<uint32_t>(topVertexCount));
    }
    if (sideIndices > 0) {
        GlState::SetTextureRepeat(sideTexture);
        MaterialShader::SetTexEnable();
        SetTexGain(kSideTexGain);
        GlSetAttribPointers(4, blockAttribs, kBlockRows, nullptr, sizeof(FieldVertex));
        glDrawElements(GL_TRIANGLES, sideIndices, GL_UNSIGNED_SHORT, Offset(static_cast<uintptr_t>(topIndices) * 2));
        CountDraw(static_cast<uint32_t>(sideIndices / 3), static_cast<uint32_t>(sideVertexCount));
    }
    GlDisableAttribArrays(4, blockAttribs);
    GlBindVertexBuffer(0);
    GlBindIndexBuffer(0);
}

void QmField::DrawEdges(float yaw) {
    if (edgeBuffer == kNoBuffer || !HasProgram()) return;
    GlState::SetTextureRepeat(topTexture);
    MaterialShader::SetTexEnable();
    MaterialShader::SetModel(nullptr);
    GlGetAttribLocations(-1, 2, kEdgeRows, edgeAttribs);
    GlEnableAttribArrays(2, edgeAttribs);
    GlBindVertexBuffer(edgeBuffer);
    GlSetAttribPointers(2, edgeAttribs, kEdgeRows, nullptr, sizeof(FieldEdgeVertex));
    SetTexGain(kTopTexGain);
    int32_t directions[2];
    FieldEdgeDirections(yaw, directions);
    for (int32_t d : directions) {
        if (edgeCount[d] <= 0) continue;
        glDrawArrays(GL_LINES, edgeFirst[d], edgeCount[d]);
        CountDraw(0, static_cast<uint32_t>(edgeCount[d]));
    }
    GlDisableAttribArrays(2, edgeAttribs);
    GlBindVertexBuffer(0);
}

void QmField::DrawObjects() {
    if (!HasProgram()) return;
    for (int32_t i = 0; i < width * depth; ++i) {
        const QmFieldCell& cell = cells[i];
        if (!cell.model || cell.alpha < 1.0f) continue;
        SetModelMatrix(cell.matrix);
        Model::Draw(cell.model);
    }
}

void QmField::DrawFadingObjects() {
    if (!HasProgram()) return;
    GlState::SetBlendMode(kBlendAlpha);
    const GLint alpha = GlGetUniformLocation(-1, "u_Alpha");
    for (int32_t i = 0; i < width * depth; ++i) {
        const QmFieldCell& cell = cells[i];
        if (!cell.model || !(cell.alpha > 0.0f && cell.alpha < 1.0f)) continue;
        if (alpha >= 0) glUniform1f(alpha, cell.alpha);
        SetModelMatrix(cell.matrix);
        Model::Draw(cell.model);
    }
}
