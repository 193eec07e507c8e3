// The unit billboard: the unit's quads turned to face the camera, drawn from
// client memory with the unit program.
#include <GLES2/gl2.h>

#include <initializer_list>

#include "core/fast_math.h"
#include "core/mat4.h"
#include "game/battle_camera.h"
#include "game/unit.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"

UnitAttribs& GetUnitAttribs() {
    static UnitAttribs attribs;
    return attribs;
}

void UnitAttribs::Lookup(uint32_t program) {
    position = glGetAttribLocation(program, "a_Position");
    texCoord = glGetAttribLocation(program, "a_TexCoord");
    colour = glGetAttribLocation(program, "a_Color");
}

void UnitAttribs::Enable() const {
    for (int32_t location : {position, texCoord, colour}) {
        if (location >= 0) glEnableVertexAttribArray(static_cast<GLuint>(location));
    }
}

void UnitAttribs::Disable() const {
    for (int32_t location : {position, texCoord, colour}) {
        if (location >= 0) glDisableVertexAttribArray(static_cast<GLuint>(location));
    }
}

void QmUnit::BillboardModel(const QmBattleCamera& camera, int32_t view, Mat4* model) const {
    const float toEye[3] = {camera.view.eye[0] - worldX, camera.view.eye[1] - worldY, camera.view.eye[2] - worldZ};
    float e[3];
    Vec3Normalize(toEye, e);
    // Lying down (animation 8) is drawn lower and further toward the camera.
    const float k = anim == 8 ? 40.0f : 24.0f;
    const float lift = anim == 8 ? 30.0f : 48.0f;
    float p[3] = {worldX + k * e[0], worldY, worldZ + k * e[2]};
    if (anim == 4 && (type == 2 || type == 4)) {
        // Wide attack frames of these types reach forward; keep the body on its cell.
        const float sign = view < 2 ? 1.0f : -1.0f;
        p[0] += sign * 24.0f * e[2];
        p[2] -= sign * 24.0f * e[0];
    }
    Mat4::Translate(model, Mat4::Identity(), p);
    Mat4::RotateY(model, *model, camera.yaw);
    Mat4::RotateX(model, *model, camera.pitch * 0.5f);
    const float raise[3] = {0, lift, 0};
    Mat4::Translate(model, *model, raise);
}

bool QmUnit::CoversWindowPoint(const QmBattleCamera& camera, float x, float y) const {
    UnitVertex vertices[8];
    const int32_t view = UnitViewDirection(dir, camera.yaw);
    BuildQuads(vertices, view);
    Mat4 model;
    BillboardModel(camera, view, &model);
    // The middle half of the body quad, where a figure stands in its frame (the sides are mostly clear
    // and may lie over a unit behind), round its corners: top-left, bottom-left, bottom-right, top-right.
    static constexpr int kRound[4] = {0, 1, 3, 2};
    float corners[4][2];
    for (int i = 0; i < 4; ++i) {
        const UnitVertex& vertex = vertices[kRound[i]];
        const float local[3] = {vertex.x * 0.5f, static_cast<float>(vertex.y), 0.0f};
        float world[3], window[3];
        Mat4::TransformPoint(world, model, local);
        if (!camera.WorldToScreen(world, window)) return false;
        corners[i][0] = window[0], corners[i][1] = window[1];
    }
    // Inside a convex quad: the point lies on the same side of all four edges.
    int positive = 0, negative = 0;
    for (int i = 0; i < 4; ++i) {
        const float* a = corners[i];
        const float* b = corners[(i + 1) % 4];
        const float cross = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
        positive += cross > 0;
        negative += cross < 0;
    }
    return positive == 0 || negative == 0;
}

void QmUnit::Draw(const QmBattleCamera& camera) const {
    UnitVertex vertices[8];
    const int32_t view = UnitViewDirection(dir, camera.yaw);
    const int32_t count = BuildQuads(vertices, view);
    for (UnitVertex& vertex : vertices) {
        // Texels x 16 of a 512-texel sheet to normalised 16-bit coordinates.
        vertex.u = static_cast<uint16_t>((static_cast<uint32_t>(vertex.u) * 65535u) >> 13);
        vertex.v = static_cast<uint16_t>((static_cast<uint32_t>(vertex.v) * 65535u) >> 13);
    }
    Mat4 model;
    BillboardModel(camera, view, &model);
    MaterialShader::SetModel(&model);

    GlState::SetTexture(texture, GL_CLAMP_TO_EDGE, GL_LINEAR);
    MaterialShader::SetTexEnable();
    const UnitAttribs& attribs = GetUnitAttribs();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (attribs.position >= 0) {
        glVertexAttribPointer(attribs.position, 4, GL_SHORT, GL_FALSE, sizeof(UnitVertex), &vertices[0].x);
    }
    if (attribs.texCoord >= 0) {
        glVertexAttribPointer(attribs.texCoord, 2, GL_UNSIGNED_SHORT, GL_TRUE, sizeof(UnitVertex), &vertices[0].u);
    }
    if (attribs.colour >= 0) {
        glVertexAttribPointer(attribs.colour, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(UnitVertex), &vertices[0].colour);
    }
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, kUnitIndices);
}
