// The drawing side the effect runtime sees: one abstract renderer per drawn
// node type. A node fills a node parameter record once per node drawing and
// an instance parameter record per instance, and calls BeginBatch, then
// AddInstance once per instance (for a ribbon: the points of each group in
// order), then EndBatch. The node renderer data is the node's own slot; the
// set-up hook may store something there and the release hook must free it.
// The manager owns the renderers it is given and deletes one when another of
// the same kind takes its place.
#pragma once

#include <cstdint>

#include "fx/color.h"
#include "fx/matrix43.h"
#include "fx/node_parameters.h"
#include "fx/random_range.h"

namespace Fx {

class Effect;

// Billboard kinds of sprites and rings.
enum BillboardKind : int32_t {
    kBillboard = 0,          // faces the camera, up is world Y
    kBillboardYAxisFixed = 1,  // faces the camera around the instance's Y axis
    kBillboardFixed = 2,     // the instance's full matrix, no facing
    kBillboardRotated = 3    // as kBillboard, turned about the view axis by the roll
};

// Alpha blend codes of a node.
enum AlphaBlend : int32_t {
    kBlendOpacity = 0, kBlendBlend = 1, kBlendAdd = 2, kBlendSubtract = 3, kBlendMultiply = 4
};

enum TextureFilter : int32_t { kFilterNearest = 0, kFilterLinear = 1 };
enum TextureWrap : int32_t { kWrapRepeat = 0, kWrapClamp = 1 };

struct SpriteNodeParameter {
    Effect* effect = nullptr;
    int32_t textureIndex = -1;  // below 0: no texture
    int32_t alphaBlend = kBlendOpacity;
    int32_t textureFilter = kFilterNearest;
    int32_t textureWrap = kWrapRepeat;
    bool depthTest = false;
    bool depthWrite = false;
    int32_t billboard = kBillboard;
};

struct SpriteInstanceParameter {
    Matrix43 matrix;   // the instance's world matrix
    Color allColor;    // the whole-instance colour (not read by drawing)
    Color colors[4];   // vertices 0..3: lower left, lower right, upper left, upper right
    Vector2D positions[4];  // the same corners in the sprite's plane
    TextureRect uv;  // x, y, width, height in texture space
};

struct RibbonNodeParameter {
    Effect* effect = nullptr;
    int32_t textureIndex = -1;
    int32_t alphaBlend = kBlendOpacity;
    int32_t textureFilter = kFilterNearest;
    int32_t textureWrap = kWrapRepeat;
    bool depthTest = false;
    bool depthWrite = false;
    bool viewDependent = false;  // the band faces the viewer
};

struct RibbonInstanceParameter {
    int32_t instanceCount = 0;  // points in the ribbon's group
    int32_t instanceIndex = 0;  // 0-based point index in the group
    Matrix43 matrix;
    Color allColor;  // not read by drawing
    Color colors[2];  // left, right
    float positions[2] = {-0.5f, 0.5f};  // left x, right x
};

struct RingNodeParameter {
    Effect* effect = nullptr;
    int32_t textureIndex = -1;
    int32_t alphaBlend = kBlendOpacity;
    int32_t textureFilter = kFilterNearest;
    int32_t textureWrap = kWrapRepeat;
    bool depthTest = false;
    bool depthWrite = false;
    int32_t billboard = kBillboard;
    int32_t vertexCount = 1;  // segments of the arc
};

struct RingInstanceParameter {
    Matrix43 matrix;
    float viewingAngle = 0.0f;  // arc angle, degrees
    Vector2D outerLocation;     // (radius, height)
    Vector2D innerLocation;
    float centerRatio = 0.0f;
    Color outerColor, centerColor, innerColor;
    TextureRect uv;  // x, y, width, height in texture space
};

struct ModelNodeParameter {
    Effect* effect = nullptr;
    int32_t alphaBlend = kBlendOpacity;
    int32_t textureFilter = kFilterNearest;
    int32_t textureWrap = kWrapRepeat;
    bool depthTest = false;
    bool depthWrite = false;
    bool lighting = false;
    int32_t culling = 0;  // 0 front, 1 back, 2 both
    int32_t modelIndex = -1;  // below 0: nothing is drawn
    int32_t colorTextureIndex = -1;
    int32_t normalTextureIndex = -1;
    float magnification = 1.0f;
    bool isRightHand = true;  // false: z of every model is mirrored
};

struct ModelInstanceParameter {
    Matrix43 matrix;
    TextureRect uv;  // x, y, width, height in texture space
    Color allColor;
};

// The hooks of one drawn node type; each does nothing until a renderer overrides it.
template <typename NodeParameter, typename InstanceParameter>
class NodeRenderer {
public:
    virtual ~NodeRenderer() = default;
    virtual void LoadRenderer(const NodeParameter& /*parameter*/, void*& /*userData*/) {}
    virtual void RemoveRenderer(const NodeParameter& /*parameter*/, void*& /*userData*/) {}
    virtual void BeginBatch(const NodeParameter& /*parameter*/, int32_t /*count*/, void* /*userData*/) {}
    virtual void AddInstance(const NodeParameter& /*parameter*/, const InstanceParameter& /*instance*/,
                             void* /*userData*/) {}
    virtual void EndBatch(const NodeParameter& /*parameter*/, void* /*userData*/) {}
};

using SpriteRenderer = NodeRenderer<SpriteNodeParameter, SpriteInstanceParameter>;
using RibbonRenderer = NodeRenderer<RibbonNodeParameter, RibbonInstanceParameter>;
using RingRenderer = NodeRenderer<RingNodeParameter, RingInstanceParameter>;
using ModelRenderer = NodeRenderer<ModelNodeParameter, ModelInstanceParameter>;

}  // namespace Fx
