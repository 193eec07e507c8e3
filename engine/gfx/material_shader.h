// The material shader state: the engine's current projection, view and model
// matrices, uploaded with the texture and alpha-test switches to whichever
// program the caller made current with Begin. Uniforms are looked up by name
// at each call and skipped when the program lacks them, so one set of calls
// serves the field, object and effect programs alike. Main thread only.
#pragma once

#include <cstdint>

#include "core/mat4.h"

// A camera: vertical field of view in degrees, aspect ratio, near and far
// planes, target, eye and up (13 floats in this order).
struct CameraParams {
    float fovy;
    float aspect;
    float nearZ;
    float farZ;
    float target[3];
    float eye[3];
    float up[3];
};

struct MaterialShader {
    // Makes `program` current and uploads the stored projection and model
    // matrices (with the normal and general matrices) to it.
    static void Begin(int32_t program);
    // Unbinds the program; no program is current afterwards.
    static void End();
    static int32_t GetProgram();
    // Each stores its matrix (null = identity) and, when a program is
    // current, uploads it and "u_GeneralMatrix" = projection x view x model.
    static void SetProjection(const Mat4* m);
    static void SetView(const Mat4* m);
    // Also "u_NormalMatrix", the upper-left 3 x 3 of the model matrix.
    static void SetModel(const Mat4* m);
    // Projection = perspective of the camera, view = look-at from eye to target.
    static void SetCamera(const CameraParams& camera);
    static void SetAlphaTest(int32_t flag, float ref);
    // "u_TexEnable" = 1 when a texture is bound on the active unit.
    static void SetTexEnable();
    static const Mat4& GetProjection();
    static const Mat4& GetView();
    static const Mat4& GetModel();
};
