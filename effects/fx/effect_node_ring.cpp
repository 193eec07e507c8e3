#include "fx/effect_node_ring.h"

#include "fx/byte_reader.h"
#include "fx/effect.h"
#include "fx/instance.h"
#include "fx/manager.h"
#include "fx/parameter_read.h"

namespace Fx {

namespace {

void ReadSingle(ByteReader& reader, RingSingleValue& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRingValueFixed: out.fixed = reader.ReadFloat(); break;
        case kRingValueRandom: Read(reader, out.random); break;
        case kRingValueEasing: Read(reader, out.easing); break;
        default: break;
    }
}

void ReadPoint(ByteReader& reader, RingPointValue& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRingPointFixed: Read(reader, out.fixed); break;
        case kRingPointPva:
            Read(reader, out.position);
            Read(reader, out.velocity);
            Read(reader, out.acceleration);
            break;
        case kRingPointEasing: Read(reader, out.easing); break;
        default: break;
    }
}

void ReadRingColor(ByteReader& reader, int32_t version, RingColorValue& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRingValueFixed: Read(reader, out.fixed); break;
        case kRingValueRandom: ReadRandomColor(reader, version, out.random); break;
        case kRingValueEasing: ReadEasingColor(reader, version, out.easing); break;
        default: break;
    }
}

}  // namespace

void EffectNodeRing::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    drawOrder = reader.ReadInt();
    blend = version < 3 ? reader.ReadInt() : rendererCommon.blend;
    billboard = reader.ReadInt();
    vertexCount = reader.ReadInt();
    if (reader.Ok() && (vertexCount < 1 || vertexCount > kMaxRingVertexCount)) {
        reader.Fail("a ring's vertex count is out of range");
    }
    ReadSingle(reader, arcAngle);
    ReadPoint(reader, outerLocation);
    ReadPoint(reader, innerLocation);
    ReadSingle(reader, centerRatio);
    ReadRingColor(reader, version, outerColor);
    ReadRingColor(reader, version, centerColor);
    ReadRingColor(reader, version, innerColor);
    textureIndex = version < 3 ? reader.ReadInt() : rendererCommon.textureIndex;
}

}  // namespace Fx

namespace Fx {

namespace {

RingRenderer* Renderer(const EffectNode& node) {
    Manager* manager = node.GetManager();
    return manager == nullptr ? nullptr : manager->GetRingRenderer();
}

void InitializeSingle(const RingSingleValue& value, RingSingleValues& out, const Manager& manager) {
    switch (value.kind) {
    case kRingValueFixed: out.current = value.fixed; break;
    case kRingValueRandom: out.current = value.random.Draw(manager); break;
    case kRingValueEasing:
        out.start = value.easing.start.Draw(manager);
        out.end = value.easing.end.Draw(manager);
        out.current = out.start;
        break;
    default: break;
    }
}

void InitializePoint(const RingPointValue& value, RingPointValues& out, const Manager& manager) {
    switch (value.kind) {
    case kRingPointFixed: out.current = value.fixed; break;
    case kRingPointPva:
        out.current = value.position.Draw(manager);
        out.first = value.velocity.Draw(manager);
        out.second = value.acceleration.Draw(manager);
        break;
    case kRingPointEasing:
        out.first = value.easing.start.Draw(manager);
        out.second = value.easing.end.Draw(manager);
        out.current = out.first;
        break;
    default: break;
    }
}

void InitializeColor(const RingColorValue& value, RingColorValues& out, const Manager& manager) {
    switch (value.kind) {
    case kRingValueFixed: out.current = value.fixed; break;
    case kRingValueRandom: out.current = value.random.Draw(manager); break;
    case kRingValueEasing:
        out.start = value.easing.start.DrawRaw(manager);
        out.end = value.easing.end.DrawRaw(manager);
        out.current = out.start;
        break;
    default: break;
    }
}

void UpdateSingle(const RingSingleValue& value, RingSingleValues& out, float t) {
    if (value.kind == kRingValueEasing) out.current = value.easing.GetValue(out.start, out.end, t);
}

// A moving point advances once per update, whatever the frame delta.
void UpdatePoint(const RingPointValue& value, RingPointValues& out, float t) {
    if (value.kind == kRingPointPva) {
        out.first.x += out.second.x;
        out.first.y += out.second.y;
        out.current.x += out.first.x;
        out.current.y += out.first.y;
    } else if (value.kind == kRingPointEasing) {
        out.current = value.easing.GetValue(out.first, out.second, t);
    }
}

void UpdateColor(const RingColorValue& value, RingColorValues& out, float t) {
    if (value.kind == kRingValueEasing) out.current = value.easing.Evaluate(out.start, out.end, t);
}

}  // namespace

RingNodeParameter EffectNodeRing::MakeParameter() const {
    RingNodeParameter parameter;
    FillRendererParameter(parameter);
    parameter.textureIndex = textureIndex;
    parameter.alphaBlend = blend;
    parameter.billboard = billboard;
    parameter.vertexCount = vertexCount;
    return parameter;
}

void EffectNodeRing::InitializeRenderer() {
    if (RingRenderer* renderer = Renderer(*this)) renderer->LoadRenderer(MakeParameter(), rendererData);
}

void EffectNodeRing::FinalizeRenderer() {
    if (RingRenderer* renderer = Renderer(*this)) renderer->RemoveRenderer(MakeParameter(), rendererData);
}

void EffectNodeRing::BeginDrawing(int32_t count) {
    if (RingRenderer* renderer = Renderer(*this)) renderer->BeginBatch(MakeParameter(), count, rendererData);
}

void EffectNodeRing::EndDrawing() {
    if (RingRenderer* renderer = Renderer(*this)) renderer->EndBatch(MakeParameter(), rendererData);
}

void EffectNodeRing::InitializeInstanceValues(Instance& instance) {
    RingValues& values = instance.drawValues.ring;
    const Manager& manager = *GetManager();
    InitializeSingle(arcAngle, values.arcAngle, manager);
    InitializePoint(outerLocation, values.outer, manager);
    InitializePoint(innerLocation, values.inner, manager);
    InitializeSingle(centerRatio, values.centerRatio, manager);
    InitializeColor(outerColor, values.outerColor, manager);
    InitializeColor(centerColor, values.centerColor, manager);
    InitializeColor(innerColor, values.innerColor, manager);
}

void EffectNodeRing::UpdateInstanceValues(Instance& instance) {
    RingValues& values = instance.drawValues.ring;
    float t = TimeFraction(instance.GetLivingTime(), instance.GetLife());
    UpdateSingle(arcAngle, values.arcAngle, t);
    UpdatePoint(outerLocation, values.outer, t);
    UpdatePoint(innerLocation, values.inner, t);
    UpdateSingle(centerRatio, values.centerRatio, t);
    UpdateColor(outerColor, values.outerColor, t);
    UpdateColor(centerColor, values.centerColor, t);
    UpdateColor(innerColor, values.innerColor, t);
}

void EffectNodeRing::DrawInstance(Instance& instance) {
    RingRenderer* renderer = Renderer(*this);
    if (renderer == nullptr) return;
    const RingValues& values = instance.drawValues.ring;
    const float fade = GetFadeAlpha(instance.GetLivingTime(), instance.GetLife());
    RingInstanceParameter parameter;
    parameter.matrix = instance.GetGlobalMatrix43();
    parameter.viewingAngle = values.arcAngle.current;
    parameter.outerLocation = values.outer.current;
    parameter.innerLocation = values.inner.current;
    parameter.centerRatio = values.centerRatio.current;
    parameter.outerColor = FadeColor(values.outerColor.current, fade);
    parameter.centerColor = FadeColor(values.centerColor.current, fade);
    parameter.innerColor = FadeColor(values.innerColor.current, fade);
    parameter.uv = instance.GetUV();
    renderer->AddInstance(MakeParameter(), parameter, rendererData);
}

}  // namespace Fx
