// Each length-prefixed block is read into a zeroed buffer of the block's own
// size: a length above that size is refused, a shorter one leaves the rest of
// the block zero. Field values are then taken from the buffer one by one, as
// the file is little-endian and its floats unaligned.
#include "fx/node_record_read.h"

#include <memory>

#include "fx/byte_reader.h"
#include "fx/parameter_read.h"

namespace Fx {

namespace {

constexpr size_t kLargestBlock = kPvaBlockSize;
const char* const kBlockTooLong = "a node block is longer than its record";

void ReadPva(ByteReader& block, PvaVector3D& out) {
    Read(block, out.position);
    Read(block, out.velocity);
    Read(block, out.acceleration);
}

// The skipped word, then three curve records.
std::unique_ptr<FCurveVector3D> ReadCurveVector(ByteReader& reader) {
    reader.Skip(4);
    auto curve = std::make_unique<FCurveVector3D>();
    curve->Load(reader);
    return curve;
}

bool IsZero(const Vector3D& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

void NegateZ(Vector3D& v) { v.z = -v.z; }

void NegateXY(Vector3D& v) {
    v.x = -v.x;
    v.y = -v.y;
}

void Negate(RandomFloat& range) {
    range.max = -range.max;
    range.min = -range.min;
}

}  // namespace

void ReadNodeCommon(ByteReader& reader, NodeCommon& out) {
    uint8_t buffer[kNodeCommonSize];
    ByteReader block = reader.ReadSizedBlock(buffer, kNodeCommonSize, "a node's common block is longer than 44 bytes");
    out.maxGeneration = block.ReadInt();
    out.locationBind = block.ReadInt();
    out.rotationBind = block.ReadInt();
    out.scaleBind = block.ReadInt();
    out.removeOnLifeEnd = block.ReadInt();
    out.removeWithParent = block.ReadInt();
    out.removeWhenChildrenDone = block.ReadInt();
    Read(block, out.life);
    out.generationInterval = block.ReadFloat();
    out.generationOffset = block.ReadFloat();
}

void ReadLocation(ByteReader& reader, LocationParameter& out) {
    uint8_t buffer[kLargestBlock];
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kLocationFixed: {
            ByteReader block = reader.ReadSizedBlock(buffer, kVectorBlockSize, kBlockTooLong);
            Read(block, out.fixed);
            if (IsZero(out.fixed)) out.kind = kParameterNone;
            break;
        }
        case kLocationPva: {
            ByteReader block = reader.ReadSizedBlock(buffer, kPvaBlockSize, kBlockTooLong);
            ReadPva(block, out.pva);
            break;
        }
        case kLocationEasing: {
            ByteReader block = reader.ReadSizedBlock(buffer, kEasingVectorBlockSize, kBlockTooLong);
            Read(block, out.easing);
            break;
        }
        case kLocationFCurve: out.curve = ReadCurveVector(reader); break;
        default: break;
    }
}

void ReadGravity(ByteReader& reader, GravityParameter& out) {
    uint8_t buffer[kVectorBlockSize];
    out.kind = reader.ReadInt();
    if (out.kind == kGravityNone || out.kind == kGravityOn) {
        ByteReader block = reader.ReadSizedBlock(buffer, kVectorBlockSize, kBlockTooLong);
        Read(block, out.value);
    }
}

void ReadRotation(ByteReader& reader, RotationParameter& out) {
    uint8_t buffer[kLargestBlock];
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRotationFixed: {
            ByteReader block = reader.ReadSizedBlock(buffer, kVectorBlockSize, kBlockTooLong);
            Read(block, out.fixed);
            if (IsZero(out.fixed)) out.kind = kParameterNone;
            break;
        }
        case kRotationPva: {
            ByteReader block = reader.ReadSizedBlock(buffer, kPvaBlockSize, kBlockTooLong);
            ReadPva(block, out.pva);
            break;
        }
        case kRotationEasing: {
            ByteReader block = reader.ReadSizedBlock(buffer, kEasingVectorBlockSize, kBlockTooLong);
            Read(block, out.easing);
            break;
        }
        case kRotationAxisPva: {
            ByteReader block = reader.ReadSizedBlock(buffer, kAxisPvaBlockSize, kBlockTooLong);
            Read(block, out.axisPva.axis);
            Read(block, out.axisPva.angle);
            Read(block, out.axisPva.velocity);
            Read(block, out.axisPva.acceleration);
            break;
        }
        case kRotationAxisEasing: {
            ByteReader block = reader.ReadSizedBlock(buffer, kAxisEasingBlockSize, kBlockTooLong);
            Read(block, out.axisEasing.axis);
            Read(block, out.axisEasing.angle);
            break;
        }
        case kRotationFCurve: out.curve = ReadCurveVector(reader); break;
        default: break;
    }
}

void ReadScale(ByteReader& reader, ScaleParameter& out) {
    uint8_t buffer[kLargestBlock];
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kScaleFixed: {
            ByteReader block = reader.ReadSizedBlock(buffer, kVectorBlockSize, kBlockTooLong);
            Read(block, out.fixed);
            if (out.fixed.x == 1.0f && out.fixed.y == 1.0f && out.fixed.z == 1.0f) out.kind = kParameterNone;
            break;
        }
        case kScalePva: {
            ByteReader block = reader.ReadSizedBlock(buffer, kPvaBlockSize, kBlockTooLong);
            ReadPva(block, out.pva);
            break;
        }
        case kScaleEasing: {
            ByteReader block = reader.ReadSizedBlock(buffer, kEasingVectorBlockSize, kBlockTooLong);
            Read(block, out.easing);
            break;
        }
        case kScaleSinglePva: {
            ByteReader block = reader.ReadSizedBlock(buffer, kSinglePvaBlockSize, kBlockTooLong);
            Read(block, out.singlePva.scale);
            Read(block, out.singlePva.velocity);
            Read(block, out.singlePva.acceleration);
            break;
        }
        case kScaleSingleEasing: {
            ByteReader block = reader.ReadSizedBlock(buffer, kSingleEasingBlockSize, kBlockTooLong);
            Read(block, out.singleEasing);
            break;
        }
        case kScaleFCurve:
            out.curve = ReadCurveVector(reader);
            out.curve->SetDefault(1.0f);
            break;
        default: break;
    }
}

void ReadGenerationPoint(ByteReader& reader, GenerationPoint& out) {
    out.rotateFlag = reader.ReadInt();
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kGenerationPoint: Read(reader, out.point); break;
        case kGenerationSphere:
            Read(reader, out.radius);
            Read(reader, out.rotationX);
            Read(reader, out.rotationY);
            break;
        case kGenerationModel:
            out.modelIndex = reader.ReadInt();
            out.pickMode = reader.ReadInt();
            break;
        default: break;
    }
}

void ReadRendererCommon(ByteReader& reader, int32_t version, RendererCommon& out) {
    out = RendererCommon();
    if (version < 3) return;
    out.textureIndex = reader.ReadInt();
    out.blend = reader.ReadInt();
    out.filter = reader.ReadInt();
    out.wrap = reader.ReadInt();
    if (version >= 5) {
        out.depthTest = reader.ReadInt() != 0;
        out.depthWrite = reader.ReadInt() != 0;
    } else {
        out.depthTest = true;
        out.depthWrite = false;
    }
    auto readFade = [&reader](int32_t& kind, FadeParameter& fade) {
        kind = reader.ReadInt();
        if (kind != kFadeOn) return;
        fade.frames = reader.ReadFloat();
        fade.a = reader.ReadFloat();
        fade.b = reader.ReadFloat();
        fade.c = reader.ReadFloat();
    };
    readFade(out.fadeInKind, out.fadeIn);
    readFade(out.fadeOutKind, out.fadeOut);
    out.uvKind = reader.ReadInt();
    if (out.uvKind == kUvFixed || out.uvKind == kUvAnimation || out.uvKind == kUvScroll) {
        out.uv.x = reader.ReadFloat();
        out.uv.y = reader.ReadFloat();
        out.uv.width = reader.ReadFloat();
        out.uv.height = reader.ReadFloat();
    }
    if (out.uvKind == kUvAnimation) {
        out.animation.framesPerPicture = reader.ReadInt();
        out.animation.picturesAcross = reader.ReadInt();
        out.animation.picturesDown = reader.ReadInt();
        out.animation.loopMode = reader.ReadInt();
    } else if (out.uvKind == kUvScroll) {
        Read(reader, out.scrollSpeed);
    }
}

void ReadNodeSound(ByteReader& reader, NodeSound& out) {
    out.kind = reader.ReadInt();
    if (out.kind != kSoundOn) return;
    out.waveIndex = reader.ReadInt();
    Read(reader, out.volume);
    Read(reader, out.pitch);
    out.panKind = reader.ReadInt();
    Read(reader, out.pan);
    out.distance = reader.ReadFloat();
    Read(reader, out.delay);
}

void MirrorLocation(LocationParameter& location) {
    NegateZ(location.fixed);
    for (RandomVector3D* range : {&location.pva.position, &location.pva.velocity, &location.pva.acceleration,
                                  &location.easing.start, &location.easing.end}) {
        NegateZ(range->max);
        NegateZ(range->min);
    }
}

void MirrorRotation(RotationParameter& rotation) {
    NegateXY(rotation.fixed);
    for (RandomVector3D* range : {&rotation.pva.position, &rotation.pva.velocity, &rotation.pva.acceleration,
                                  &rotation.easing.start, &rotation.easing.end}) {
        NegateXY(range->max);
        NegateXY(range->min);
    }
    for (RandomVector3D* axis : {&rotation.axisPva.axis, &rotation.axisEasing.axis}) {
        NegateZ(axis->max);
        NegateZ(axis->min);
    }
    if (rotation.curve != nullptr) {
        rotation.curve->x.Mirror();
        rotation.curve->y.Mirror();
    }
}

void MirrorGenerationPoint(GenerationPoint& point) {
    if (point.kind != kGenerationSphere) return;
    Negate(point.rotationX);
    Negate(point.rotationY);
}

}  // namespace Fx
