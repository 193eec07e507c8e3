// The battle camera's tweens, matrices and pick ray.
#include "game/battle_camera.h"

#include <GLES2/gl2.h>

#include <cmath>

#include "core/easing.h"
#include "core/fast_math.h"
#include "gfx/gl_state.h"

namespace {

// 1 - (1 - t)^power with t = counter / frames, exactly 1 on the last frame.
float EaseFactor(uint32_t counter, uint32_t frames, float power) {
    if (counter >= frames) return 1.0f;
    const float t = static_cast<float>(counter) / static_cast<float>(frames);
    return 1.0f - std::pow(1.0f - t, power);
}

// Degrees reduced into 0..360.
float PositiveDegrees(float degrees) {
    float r = std::fmod(degrees, 360.0f);
    return r < 0 ? r + 360.0f : r;
}

}  // namespace

float WrapAngle(float degrees) { return PositiveDegrees(degrees + 180.0f) - 180.0f; }

QmBattleCamera::QmBattleCamera() {
    view.fovy = 20.0f;
    view.aspect = static_cast<float>(GetScreenAspect());
    if (!(view.aspect > 0)) view.aspect = 16.0f / 9.0f;  // no screen yet (tests)
    view.nearZ = 50.0f;
    view.farZ = 50000.0f;
    for (int i = 0; i < 3; ++i) view.target[i] = view.eye[i] = view.up[i] = 0;
    view.up[1] = 1.0f;
}

void QmBattleCamera::Step() {
    if (rotation.counter < rotation.frames) {
        ++rotation.counter;
        const float e = EaseFactor(rotation.counter, rotation.frames, rotation.power);
        yaw = WrapAngle(rotation.fromYaw + rotation.yawStep * e);
        pitch = WrapAngle(rotation.fromPitch + rotation.pitchStep * e);
    }
    if (zoom.counter < zoom.frames) {
        ++zoom.counter;
        distance = zoom.from + (zoom.to - zoom.from) * EaseFactor(zoom.counter, zoom.frames, zoom.power);
    }
    if (move.counter < move.frames) {
        ++move.counter;
        if (move.counter >= move.frames) {
            for (int i = 0; i < 3; ++i) view.target[i] = move.to[i];
        } else {
            EaseOutVec3(static_cast<float>(move.counter) / move.frames, move.power, move.from, move.to, view.target);
        }
    }
    if (offsetTween.counter < offsetTween.frames) {
        ++offsetTween.counter;
        if (offsetTween.counter >= offsetTween.frames) {
            offset[0] = offsetTween.to[0], offset[1] = offsetTween.to[1];
        } else {
            EaseOutVec2(static_cast<float>(offsetTween.counter) / offsetTween.frames, offsetTween.power,
                        offsetTween.from, offsetTween.to, offset);
        }
    }

    Mat4 orientation;
    Mat4::RotateY(&orientation, Mat4::Identity(), yaw);
    Mat4::RotateX(&orientation, orientation, pitch);
    const float back[3] = {0, 0, 1};
    float eyeOffset[3];
    Mat4::TransformPoint(eyeOffset, orientation, back);
    for (int i = 0; i < 3; ++i) view.eye[i] = eyeOffset[i] * distance + view.target[i];

    Mat4 perspective;
    Mat4::Perspective(&perspective, view.fovy, view.aspect, view.nearZ, view.farZ);
    const float shift[3] = {offset[0], offset[1], 0};
    Mat4::Translate(&projection, Mat4::Identity(), shift);
    Mat4::Multiply(&projection, projection, perspective);
    Mat4::LookAt(&viewMatrix, view.eye, view.target, view.up);
    Mat4::Multiply(&viewProjection, projection, viewMatrix);
}

void QmBattleCamera::CastPickRay(int32_t pointerX, int32_t pointerY) {
    const float window[3] = {static_cast<float>(pointerX), static_cast<float>(GetScreenHeight() - pointerY), 1.0f};
    float farPoint[3];
    if (!Mat4::Unproject(farPoint, viewProjection, viewport, window)) return;
    const float toward[3] = {farPoint[0] - view.eye[0], farPoint[1] - view.eye[1], farPoint[2] - view.eye[2]};
    Vec3Normalize(toward, pickDirection);
}

void QmBattleCamera::Update(int32_t pointerX, int32_t pointerY) {
    Step();
    GLint reported[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, reported);
    for (int i = 0; i < 4; ++i) viewport[i] = reported[i];
    CastPickRay(pointerX, pointerY);
}

void QmBattleCamera::Apply() const {
    MaterialShader::SetProjection(&projection);
    MaterialShader::SetView(&viewMatrix);
}

void QmBattleCamera::Rotate(uint32_t frames, float power, int32_t yawStep, int32_t pitchStep) {
    if (rotation.counter < rotation.frames) return;
    if (pitchStep > 0 && pitchLevel <= 0) pitchStep = 0;
    if (pitchStep < 0 && pitchLevel >= kCameraMaxPitchLevel) pitchStep = 0;
    rotation.power = power;
    rotation.counter = 0;
    rotation.frames = frames;
    float yawAfter, pitchAfter;
    if (frames > 0) {
        rotation.fromYaw = yaw;
        rotation.fromPitch = pitch;
        rotation.yawStep = static_cast<float>(yawStep);
        rotation.pitchStep = static_cast<float>(pitchStep);
        yawAfter = WrapAngle(yaw + rotation.yawStep);
        pitchAfter = WrapAngle(pitch + rotation.pitchStep);
    } else {
        yaw += static_cast<float>(yawStep);
        pitch += static_cast<float>(pitchStep);
        yawAfter = yaw;
        pitchAfter = pitch;
    }
    yawLevel = static_cast<int32_t>(PositiveDegrees(yawAfter) / 90.0f);
    pitchLevel = (static_cast<int32_t>(pitchAfter) + 25) / -5;
}

void QmBattleCamera::Zoom(uint32_t frames, float power, int32_t level) {
    if (zoom.counter < zoom.frames) return;
    zoom.to = kCameraDefaultDistance * std::pow(1.25f, static_cast<float>(level));
    zoom.power = power;
    zoom.counter = 0;
    zoom.frames = frames;
    if (frames > 0) {
        zoom.from = distance;
    } else {
        distance = zoom.to;
    }
}

void QmBattleCamera::MoveTo(uint32_t frames, float power, const float point[3]) {
    for (int i = 0; i < 3; ++i) move.previous[i] = move.to[i];
    move.power = power;
    move.counter = 0;
    if (frames > 0) {
        float delta[3];
        for (int i = 0; i < 3; ++i) {
            move.from[i] = view.target[i];
            move.to[i] = point[i];
            delta[i] = point[i] - view.target[i];
        }
        const float length = FastSqrt(delta[0] * delta[0] + delta[1] * delta[1] + delta[2] * delta[2]);
        move.frames = frames + static_cast<uint32_t>(length * 0.05f);
    } else {
        move.frames = 0;
        for (int i = 0; i < 3; ++i) {
            view.eye[i] += point[i] - view.target[i];
            view.target[i] = point[i];
        }
    }
}

void QmBattleCamera::MoveBefore(uint32_t frames, float power) {
    const float before[3] = {move.previous[0], move.previous[1], move.previous[2]};
    MoveTo(frames, power, before);
}

void QmBattleCamera::MoveCenter(uint32_t frames, float power, const float offsetXY[2]) {
    offsetTween.frames = frames;
    offsetTween.counter = 0;
    offsetTween.power = power;
    if (frames > 0) {
        offsetTween.from[0] = offset[0], offsetTween.from[1] = offset[1];
        offsetTween.to[0] = offsetXY[0], offsetTween.to[1] = offsetXY[1];
    } else {
        offset[0] = offsetXY[0], offset[1] = offsetXY[1];
    }
}

bool QmBattleCamera::IsMoving() const { return rotation.counter < rotation.frames || zoom.counter < zoom.frames; }

bool QmBattleCamera::WorldToScreen(const float point[3], float out[3]) const {
    return Mat4::Project(out, viewProjection, viewport, point) != 0;
}
