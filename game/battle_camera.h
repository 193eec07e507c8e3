// The battle's orbit camera: it looks at a target from a yaw, a pitch and a
// distance, moves only through tweens that scripts start (rotation, zoom,
// target move, screen offset), and casts a pick ray through the mouse
// pointer every update. Every tween eases out: value = from + (to - from) x
// (1 - (1 - t)^power), exact on its last frame. Main thread only.
#pragma once

#include <cstdint>

#include "core/mat4.h"
#include "gfx/material_shader.h"

constexpr float kCameraDefaultYaw = 45.0f;
constexpr float kCameraDefaultPitch = -35.0f;
constexpr float kCameraDefaultDistance = 1200.0f;
constexpr int32_t kCameraMaxPitchLevel = 4;

// Wraps an angle in degrees into -180..180.
float WrapAngle(float degrees);

struct QmBattleCamera {
    CameraParams view;
    float yaw = kCameraDefaultYaw;
    float pitch = kCameraDefaultPitch;
    float distance = kCameraDefaultDistance;
    int32_t yawLevel = 0;    // 0..3, quarter of the yaw after the last rotation
    int32_t pitchLevel = 2;  // 0..4, pitch = -25 - 5 x level

    struct {
        float fromYaw = kCameraDefaultYaw, fromPitch = kCameraDefaultPitch;
        float yawStep = 0, pitchStep = 0;
        float power = 0;
        uint32_t counter = 0, frames = 0;
    } rotation;
    struct {
        float to = 0, from = 0, power = 0;
        uint32_t counter = 0, frames = 0;
    } zoom;
    struct {
        float to[3] = {}, from[3] = {}, previous[3] = {};
        float power = 0;
        uint32_t counter = 0, frames = 0;
    } move;
    float offset[2] = {};  // added to the projection, in normalised device units
    struct {
        float from[2] = {}, to[2] = {};
        float power = 0;
        uint32_t counter = 0, frames = 0;
    } offsetTween;

    float pickDirection[3] = {0, 0, -1};  // unit vector from the eye through the pointer
    Mat4 projection = Mat4::Identity();
    Mat4 viewMatrix = Mat4::Identity();
    Mat4 viewProjection = Mat4::Identity();
    int32_t viewport[4] = {0, 0, 1, 1};

    // fov 20, the screen's aspect, near 50, far 50000, looking at the origin.
    QmBattleCamera();

    // One frame: steps the running tweens, places the eye and rebuilds the
    // matrices, reads the GL viewport and casts the pick ray through the
    // window point (pointerX, pointerY) (y down from the top).
    void Update(int32_t pointerX, int32_t pointerY);
    // The tween steps and matrices of Update without GL: the viewport is taken as given.
    void Step();
    void CastPickRay(int32_t pointerX, int32_t pointerY);
    // Gives the projection and the view matrix to the material shader.
    void Apply() const;

    // Ignored while a rotation runs. Pitch steps beyond levels 0..4 are dropped.
    void Rotate(uint32_t frames, float power, int32_t yawStep, int32_t pitchStep);
    // Distance 1200 x 1.25^level; ignored while a zoom runs.
    void Zoom(uint32_t frames, float power, int32_t level);
    // Moves the target; one extra frame per 20 units of distance. With 0
    // frames the target jumps (and the stored destination stays as it was).
    void MoveTo(uint32_t frames, float power, const float point[3]);
    // MoveTo the destination before the last one.
    void MoveBefore(uint32_t frames, float power);
    void MoveCenter(uint32_t frames, float power, const float offsetXY[2]);
    // A rotation or a zoom is running (moves and offsets do not count).
    bool IsMoving() const;
    // Window point (y up from the bottom) and depth 0..1 of a world point; false when it cannot be projected.
    bool WorldToScreen(const float point[3], float out[3]) const;
};
