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

void QmUnit::Draw(const QmBattleCamera& camera) const {
    UnitVertex vertices[8];
    const int32_t view = UnitViewDirection(dir, camera.yaw);
    const int32_t count = BuildQuads(vertices, view);
    for (UnitVertex& vertex : vertices) {
        // Texels x 16 of a 512-texel sheet to normalised 16-bit coordinates.
        vertex.u = static_cast<uint16_t>((static_cast<uint32_t>(vertex.u) * 65535u) >> 13);
        vertex.v = static_cast<uint16_t>((static_cast<uint32_t>(vertex.v) * 65535u) >> 13);
    }

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
    Mat4 model;
    Mat4::Translate(&model, Mat4::Identity(), p);
    Mat4::RotateY(&model, model, camera.yaw);
    Mat4::RotateX(&model, model, camera.pitch * 0.5f);
    const float raise[3] = {0, lift, 0};
    Mat4::Translate(&model, model, raise);
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
