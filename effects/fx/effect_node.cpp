#include "fx/effect_node.h"

#include <cmath>

#include "fx/byte_reader.h"
#include "fx/effect.h"
#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx/manager.h"
#include "fx/matrix43.h"
#include "fx/node_record_read.h"

namespace Fx {

namespace {

// The smallest record is the root's: its type code and child count.
constexpr size_t kMinNodeRecordBytes = 8;

}  // namespace

EffectNode::EffectNode(Effect* effect_) : effect(effect_) {}

EffectNode::~EffectNode() = default;

std::unique_ptr<EffectNode> EffectNode::MakeNode(int32_t type, Effect* effect) {
    switch (type) {
        case kNodeRoot: return std::make_unique<EffectNodeRoot>(effect);
        case kNodePlain: return std::make_unique<EffectNode>(effect);
        case kNodeSprite: return std::make_unique<EffectNodeSprite>(effect);
        case kNodeRibbon: return std::make_unique<EffectNodeRibbon>(effect);
        case kNodeRing: return std::make_unique<EffectNodeRing>(effect);
        case kNodeModel: return std::make_unique<EffectNodeModel>(effect);
        default: return nullptr;
    }
}

std::unique_ptr<EffectNode> EffectNode::Create(ByteReader& reader, NodeLoadContext& context, int depth) {
    if (depth > kMaxNodeDepth) {
        reader.Fail("the node tree is nested too deeply");
        return nullptr;
    }
    if (++context.nodeCount > kMaxNodeCount) {
        reader.Fail("the effect has too many nodes");
        return nullptr;
    }
    int32_t type = reader.ReadInt();
    if (!reader.Ok()) return nullptr;
    if (depth == 0 && type != kNodeRoot) {
        reader.Fail("the node tree does not start with a root node");
        return nullptr;
    }
    std::unique_ptr<EffectNode> node = MakeNode(type, context.effect);
    if (node == nullptr) {
        reader.Fail("a node's type code is unknown");
        return nullptr;
    }
    // A root record below the top is a root node there too, with the root's
    // fixed fields: its generation interval of 0 generates nothing, so
    // nothing under it ever plays (and no instance of it leaves the pool).
    if (type != kNodeRoot) node->LoadCommonRecord(reader, context);
    node->LoadChildren(reader, context, depth);
    if (!reader.Ok()) return nullptr;
    return node;
}

void EffectNode::LoadCommonRecord(ByteReader& reader, const NodeLoadContext& context) {
    ReadNodeCommon(reader, common);
    ReadLocation(reader, location);
    ReadGravity(reader, gravity);
    ReadRotation(reader, rotation);
    ReadScale(reader, scale);
    ReadGenerationPoint(reader, generationPoint);
    if (context.coordinateSystem == kCoordinateSystemLeftHanded) {
        MirrorLocation(location);
        MirrorRotation(rotation);
        MirrorGenerationPoint(generationPoint);
    }
    ReadRendererCommon(reader, context.version, rendererCommon);
    LoadTypeRecord(reader, context.version);
    if (context.version >= 1) ReadNodeSound(reader, sound);
}

void EffectNode::LoadChildren(ByteReader& reader, NodeLoadContext& context, int depth) {
    int32_t count = reader.ReadCount(kMinNodeRecordBytes, "a node has more children than bytes left");
    children.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count && reader.Ok(); ++i) {
        std::unique_ptr<EffectNode> child = Create(reader, context, depth + 1);
        if (child != nullptr) children.push_back(std::move(child));
    }
}

void EffectNode::LoadTypeRecord(ByteReader& reader, int32_t version) { reader.Skip(4); }

EffectNode* EffectNode::GetChild(int index) const {
    if (index < 0 || index >= GetChildCount()) return nullptr;
    return children[static_cast<size_t>(index)].get();
}

Manager* EffectNode::GetManager() const { return effect == nullptr ? nullptr : effect->GetManager(); }

Color EffectNode::FadeColor(Color color, float factor) {
    if (factor != 1.0f) color.a = ChannelFromFloat(static_cast<float>(color.a) * factor);
    return color;
}

void EffectNode::InitializeRenderers() {
    InitializeRenderer();
    for (auto& child : children) child->InitializeRenderers();
}

void EffectNode::FinalizeRenderers() {
    FinalizeRenderer();
    for (auto& child : children) child->FinalizeRenderers();
}

float EffectNode::GetFadeAlpha(float livingTime, float life) const {
    float factor = 1.0f;
    const FadeParameter& in = rendererCommon.fadeIn;
    if (rendererCommon.fadeInKind == kFadeOn && livingTime < in.frames) {
        float t = in.frames > 0.0f ? livingTime / in.frames : 1.0f;
        factor = t * ((in.a * t + in.b) * t + in.c);
    }
    const FadeParameter& out = rendererCommon.fadeOut;
    if (rendererCommon.fadeOutKind == kFadeOn && livingTime + out.frames > life) {
        float t = out.frames > 0.0f ? (livingTime + out.frames - life) / out.frames : 1.0f;
        factor *= 1.0f - t * ((out.a * t + out.b) * t + out.c);
    }
    return std::isfinite(factor) ? factor : 0.0f;
}

void EffectNode::PlayNodeSound(const Matrix43& globalMatrix, SoundTag tag) const {
    if (effect == nullptr || sound.waveIndex < 0) return;
    const Manager& manager = *effect->GetManager();
    SoundPlayer* player = manager.GetSoundPlayer();
    SoundParameter parameter;
    parameter.data = effect->GetSound(sound.waveIndex);
    if (player == nullptr || parameter.data == nullptr) return;
    parameter.volume = sound.volume.Draw(manager);
    parameter.pitch = sound.pitch.Draw(manager);
    parameter.pan = sound.pan.Draw(manager);
    parameter.mode3D = sound.panKind == 1;
    Vector3D::Transform(parameter.position, Vector3D(), globalMatrix);
    parameter.distance = sound.distance;
    player->Play(tag, parameter);
}

EffectNodeRoot::EffectNodeRoot(Effect* effect) : EffectNode(effect) {
    common.maxGeneration = 1;
    location.kind = rotation.kind = scale.kind = kParameterNone;
    gravity.kind = kGravityNone;
    generationPoint = GenerationPoint();
    sound.kind = kSoundNone;
}

}  // namespace Fx
