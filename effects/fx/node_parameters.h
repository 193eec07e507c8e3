// The records every effect node carries, as loaded from its file record:
// generation and life, how its instances are placed, turned and scaled, where
// they are born, how they are drawn and which sound they play. Kinds are kept
// as the file gives them; a kind without a body below reads no bytes and
// leaves the value unused.
#pragma once

#include <cstdint>
#include <memory>

#include "fx/fcurve.h"
#include "fx/random_range.h"
#include "fx/vector3d.h"

namespace Fx {

// The kind of a location, rotation or scale that does nothing: a root's, and
// a fixed value that is the identity (zero location or rotation, unit scale).
constexpr int32_t kParameterNone = 0x7FFFFFFE;

// Sizes of the length-prefixed blocks in the file; a length above its block's
// size is refused.
constexpr size_t kNodeCommonSize = 44;
constexpr size_t kVectorBlockSize = 12;
constexpr size_t kPvaBlockSize = 72;
constexpr size_t kEasingVectorBlockSize = 60;
constexpr size_t kAxisPvaBlockSize = 48;
constexpr size_t kAxisEasingBlockSize = 52;
constexpr size_t kSinglePvaBlockSize = 24;
constexpr size_t kSingleEasingBlockSize = 28;

struct NodeCommon {
    int32_t maxGeneration = 0;  // instances one parent instance generates
    int32_t locationBind = 0;
    int32_t rotationBind = 0;
    int32_t scaleBind = 0;
    int32_t removeOnLifeEnd = 0;
    int32_t removeWithParent = 0;
    int32_t removeWhenChildrenDone = 0;
    RandomInt life;                 // frames
    float generationInterval = 0;   // frames
    float generationOffset = 0;     // frames before the first generation
};

// Position, velocity and acceleration ranges.
struct PvaVector3D {
    RandomVector3D position, velocity, acceleration;
};

enum LocationKind : int32_t {
    kLocationFixed = 0, kLocationPva = 1, kLocationEasing = 2, kLocationFCurve = 3
};

struct LocationParameter {
    int32_t kind = kParameterNone;
    Vector3D fixed;
    PvaVector3D pva;
    EasingVector3D easing;
    std::unique_ptr<FCurveVector3D> curve;  // kind 3 only
};

enum GravityKind : int32_t { kGravityNone = 0, kGravityOn = 1 };

struct GravityParameter {
    int32_t kind = kGravityNone;
    Vector3D value;  // a constant acceleration added to the location
};

enum RotationKind : int32_t {
    kRotationFixed = 0, kRotationPva = 1, kRotationEasing = 2,
    kRotationAxisPva = 3, kRotationAxisEasing = 4, kRotationFCurve = 5
};

struct RotationParameter {
    int32_t kind = kParameterNone;
    Vector3D fixed;  // radians about x, y, z
    PvaVector3D pva;
    EasingVector3D easing;
    struct AxisPva {
        RandomVector3D axis;
        RandomFloat angle, velocity, acceleration;
    } axisPva;
    struct AxisEasing {
        RandomVector3D axis;
        EasingFloat angle;
    } axisEasing;
    std::unique_ptr<FCurveVector3D> curve;  // kind 5 only
};

enum ScaleKind : int32_t {
    kScaleFixed = 0, kScalePva = 1, kScaleEasing = 2,
    kScaleSinglePva = 3, kScaleSingleEasing = 4, kScaleFCurve = 5
};

struct ScaleParameter {
    int32_t kind = kParameterNone;
    Vector3D fixed;
    PvaVector3D pva;
    EasingVector3D easing;
    struct SinglePva {
        RandomFloat scale, velocity, acceleration;
    } singlePva;
    EasingFloat singleEasing;
    std::unique_ptr<FCurveVector3D> curve;  // kind 5 only; keyless curves give 1
};

enum GenerationPointKind : int32_t {
    kGenerationPoint = 0, kGenerationSphere = 1, kGenerationModel = 2
};

struct GenerationPoint {
    int32_t rotateFlag = 0;  // non-zero: the point enters the base matrix
    int32_t kind = kGenerationPoint;
    RandomVector3D point;
    RandomFloat radius, rotationX, rotationY;
    int32_t modelIndex = 0;
    int32_t pickMode = 0;
};

enum FadeKind : int32_t { kFadeOff = 0, kFadeOn = 1 };

struct FadeParameter {
    float frames = 0.0f;
    float a = 0.0f, b = 0.0f, c = 0.0f;
};

enum TextureRectKind : int32_t {
    kUvWhole = 0, kUvFixed = 1, kUvAnimation = 2, kUvScroll = 3
};

struct TextureRect {
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
};

// Pictures of `rect`'s size laid `across` x `down` from its corner.
struct UvAnimation {
    int32_t framesPerPicture = 0;
    int32_t picturesAcross = 0;
    int32_t picturesDown = 0;
    int32_t loopMode = 0;  // 0 once, 1 loop, 2 ping-pong
};

struct RendererCommon {
    int32_t textureIndex = 0;  // negative: no texture
    int32_t blend = 0;
    int32_t filter = 0;
    int32_t wrap = 0;
    bool depthWrite = false;
    bool depthTest = false;
    int32_t fadeInKind = kFadeOff;
    FadeParameter fadeIn;
    int32_t fadeOutKind = kFadeOff;
    FadeParameter fadeOut;
    int32_t uvKind = kUvWhole;
    TextureRect uv;
    UvAnimation animation;
    Vector2D scrollSpeed;
};

enum SoundKind : int32_t { kSoundNone = 0, kSoundOn = 1 };

struct NodeSound {
    int32_t kind = kSoundNone;
    int32_t waveIndex = -1;  // negative: none
    RandomFloat volume, pitch;
    int32_t panKind = 0;  // 1: placed in 3D at the instance
    RandomFloat pan;
    float distance = 0.0f;
    RandomInt delay;  // frames
};

}  // namespace Fx
