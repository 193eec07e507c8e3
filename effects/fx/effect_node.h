// The nodes of an effect's tree. Each node describes one kind of particle:
// how many are generated and when, how long they live, how they are placed,
// turned and scaled, how they are drawn (the node type and its type record)
// and which sound they play. Nodes are made only by loading an effect and do
// not change afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fx/color.h"
#include "fx/node_parameters.h"
#include "fx/sound_player.h"

namespace Fx {

class ByteReader;
class Effect;
class Instance;
class Manager;
struct Matrix43;

enum NodeType : int32_t {
    kNodeRoot = -1, kNodePlain = 0, kNodeSprite = 2, kNodeRibbon = 3, kNodeRing = 4, kNodeModel = 5
};

// Limits of the trees the reader accepts: the format has none, and a hostile
// file would otherwise exhaust the stack, or turn each 40-byte record into a
// node of a kilobyte or more. Real effects use a few dozen nodes.
constexpr int kMaxNodeDepth = 64;
constexpr int kMaxNodeCount = 16384;

// What reading a tree needs besides the bytes.
struct NodeLoadContext {
    Effect* effect = nullptr;
    int32_t version = 0;
    int32_t coordinateSystem = 1;
    int nodeCount = 0;
};

class EffectNode {
public:
    explicit EffectNode(Effect* effect);
    virtual ~EffectNode();
    EffectNode(const EffectNode&) = delete;
    EffectNode& operator=(const EffectNode&) = delete;

    // Reads one node record and its children (depth 0 is the tree's top,
    // which must be a root record; one further down reads as a root node).
    // Null, with the reader failed and its reason set, when it is refused.
    static std::unique_ptr<EffectNode> Create(ByteReader& reader, NodeLoadContext& context, int depth);
    // A node of the type code as constructed before loading; null for codes
    // that are not node types.
    static std::unique_ptr<EffectNode> MakeNode(int32_t type, Effect* effect);

    virtual NodeType GetType() const { return kNodePlain; }

    // What a played instance asks of its node. Root and plain nodes draw
    // nothing; the drawn types reach their renderer through the effect's
    // manager and do nothing while it has none.
    // Lets the renderer set up (and later release) its per-node data.
    virtual void InitializeRenderer() {}
    virtual void FinalizeRenderer() {}
    // One node drawing: BeginDrawing, then per group BeginDrawingGroup and
    // DrawInstance per instance, then EndDrawing.
    virtual void BeginDrawing(int32_t /*count*/) {}
    virtual void BeginDrawingGroup(int32_t /*count*/) {}
    virtual void DrawInstance(Instance& /*instance*/) {}
    virtual void EndDrawing() {}
    // Samples the node type's drawing values for a new instance; advances
    // them every stepping update.
    virtual void InitializeInstanceValues(Instance& /*instance*/) {}
    virtual void UpdateInstanceValues(Instance& /*instance*/) {}
    // The renderer hooks of this node and every descendant, parents first.
    void InitializeRenderers();
    void FinalizeRenderers();

    int GetChildCount() const { return static_cast<int>(children.size()); }
    // Null when index is out of range.
    EffectNode* GetChild(int index) const;

    // The factor an instance's alpha is multiplied by, living for
    // `livingTime` of `life` frames, from the fade-in and fade-out. A fade of
    // 0 frames or less fades at once, so no division by zero reaches it.
    float GetFadeAlpha(float livingTime, float life) const;

    // The manager of the node's effect; null for a node outside an effect.
    Manager* GetManager() const;
    // `color` with its alpha times `factor`, truncated; a factor of exactly 1
    // leaves it as it is.
    static Color FadeColor(Color color, float factor);

    // Plays the node's sound for an instance at `globalMatrix` through the
    // manager's sound player, with volume, pitch and pan drawn from their
    // ranges. Nothing happens without a sound player, a wave, or a loaded
    // sound for it.
    void PlayNodeSound(const Matrix43& globalMatrix, SoundTag tag) const;

    // Fills what every drawn node's renderer parameter takes from the node:
    // its effect, and texture filter, wrap and depth from the renderer-common
    // block.
    template <typename NodeParameter>
    void FillRendererParameter(NodeParameter& parameter) const {
        parameter.effect = effect;
        parameter.textureFilter = rendererCommon.filter;
        parameter.textureWrap = rendererCommon.wrap;
        parameter.depthTest = rendererCommon.depthTest;
        parameter.depthWrite = rendererCommon.depthWrite;
    }

    Effect* effect;  // not owned
    std::vector<std::unique_ptr<EffectNode>> children;
    void* rendererData = nullptr;  // filled by the node type's renderer
    bool drawn = true;

    NodeCommon common;
    LocationParameter location;
    GravityParameter gravity;
    RotationParameter rotation;
    ScaleParameter scale;
    GenerationPoint generationPoint;
    RendererCommon rendererCommon;
    NodeSound sound;
    // 0: a container draws its instances oldest first; otherwise newest first.
    int32_t drawOrder = 0;

protected:
    // Reads the type record, which starts with the type code again; for the
    // plain node that code is the whole record.
    virtual void LoadTypeRecord(ByteReader& reader, int32_t version);

private:
    void LoadCommonRecord(ByteReader& reader, const NodeLoadContext& context);
    void LoadChildren(ByteReader& reader, NodeLoadContext& context, int depth);
};

// The top of every tree: generates its children once and draws nothing.
class EffectNodeRoot : public EffectNode {
public:
    explicit EffectNodeRoot(Effect* effect);
    NodeType GetType() const override { return kNodeRoot; }
};

}  // namespace Fx
