#include "rich_effects.h"

#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"

namespace FxTest {

namespace {

using namespace Fx;

// Distinct values, none of them 0 or 1.
struct Values {
    float next = 1.0f;
    int32_t nextInt = 2;
    float F() { return next += 0.375f; }
    int32_t I() { return nextInt++; }
    uint8_t B() { return static_cast<uint8_t>(nextInt++ * 37); }
    Color C() { return Color(B(), B(), B(), B()); }
    RandomFloat RF() { return {F(), F()}; }
    Vector3D V() { return Vector3D(F(), F(), F()); }
    RandomVector3D RV() { return {V(), V()}; }
    RandomVector2D RV2() { return {{F(), F()}, {F(), F()}}; }
    template <typename E>
    void Ease(E& e, decltype(e.start) start, decltype(e.end) end) {
        e.start = start;
        e.end = end;
        e.a = F();
        e.b = F();
        e.c = F();
    }
    RandomColor RC(int mode) {
        RandomColor r;
        r.mode = mode;
        r.max = C();
        r.min = C();
        return r;
    }
    EasingColor EC(int mode) {
        EasingColor e;
        e.start = RC(mode);
        e.end = RC(mode);
        e.a = F();
        e.b = F();
        e.c = F();
        return e;
    }
    PvaVector3D Pva() { return {RV(), RV(), RV()}; }
    void Curve(FCurve& curve, int variant) {
        curve.startEdge = variant % 3;
        curve.endEdge = (variant + 1) % 3;
        curve.offsetMax = F();
        curve.offsetMin = F();
        curve.startFrame = I();
        curve.length = 10;
        curve.step = 1 + variant % 3;
        curve.keys.clear();
        for (int k = 0; k < 3 + variant % 4; ++k) curve.keys.push_back(F());
    }
    std::unique_ptr<FCurveVector3D> CurveVector(int variant) {
        auto c = std::make_unique<FCurveVector3D>();
        Curve(c->x, variant);
        Curve(c->y, variant + 1);
        Curve(c->z, variant + 2);
        return c;
    }
};

template <size_t N>
int32_t Pick(const int32_t (&kinds)[N], int variant) {
    return kinds[static_cast<size_t>(variant) % N];
}

void FillAllColor(AllColorParameter& color, Values& v, int variant) {
    color.kind = Pick({0, 1, 2, 3, 8}, variant);
    color.fixed = v.C();
    color.random = v.RC(variant % 2);
    color.easing = v.EC(variant % 2);
    color.curve.reset();
    if (color.kind == kAllColorFCurve) {
        color.curve = std::make_unique<FCurveColor>();
        for (FCurve* c : {&color.curve->r, &color.curve->g, &color.curve->b, &color.curve->a}) v.Curve(*c, variant);
    }
}

void FillSingle(RingSingleValue& value, Values& v, int variant) {
    value.kind = Pick({0, 1, 2, 5}, variant);
    value.fixed = v.F();
    value.random = v.RF();
    v.Ease(value.easing, v.RF(), v.RF());
}

void FillPoint(RingPointValue& value, Values& v, int variant) {
    value.kind = Pick({0, 1, 2, 5}, variant);
    value.fixed = {v.F(), v.F()};
    value.position = v.RV2();
    value.velocity = v.RV2();
    value.acceleration = v.RV2();
    v.Ease(value.easing, v.RV2(), v.RV2());
}

void FillRingColor(RingColorValue& value, Values& v, int variant) {
    value.kind = Pick({0, 1, 2, 4}, variant);
    value.fixed = v.C();
    value.random = v.RC(variant % 2);
    value.easing = v.EC(variant % 2);
}

void FillTypeRecord(EffectNode& node, Values& v, int variant) {
    switch (node.GetType()) {
        case kNodeSprite: {
            auto& s = static_cast<EffectNodeSprite&>(node);
            s.drawOrder = v.I();
            s.blend = v.I();
            s.billboard = v.I();
            s.textureIndex = v.I();
            FillAllColor(s.allColor, v, variant);
            s.vertexColorKind = variant % 2;
            for (Color& c : s.vertexColors) c = v.C();
            s.vertexPositionKind = (variant / 2) % 2;
            for (Vector2D& p : s.vertexPositions) p = {v.F(), v.F()};
            break;
        }
        case kNodeRibbon: {
            auto& r = static_cast<EffectNodeRibbon&>(node);
            r.blend = v.I();
            r.textureIndex = v.I();
            r.viewDependent = variant % 2;
            r.colorKind = Pick({0, 1, 2, 6}, variant);
            r.fixedColor = v.C();
            r.randomColor = v.RC(variant % 2);
            r.easingColor = v.EC(variant % 2);
            r.vertexColorKind = (variant + 1) % 2;
            for (Color& c : r.vertexColors) c = v.C();
            r.vertexPositionKind = variant % 2;
            for (float& p : r.vertexPositions) p = v.F();
            break;
        }
        case kNodeRing: {
            auto& r = static_cast<EffectNodeRing&>(node);
            r.drawOrder = v.I();
            r.blend = v.I();
            r.billboard = v.I();
            r.textureIndex = v.I();
            r.vertexCount = 3 + variant;
            FillSingle(r.arcAngle, v, variant);
            FillPoint(r.outerLocation, v, variant + 1);
            FillPoint(r.innerLocation, v, variant + 2);
            FillSingle(r.centerRatio, v, variant + 3);
            FillRingColor(r.outerColor, v, variant);
            FillRingColor(r.centerColor, v, variant + 1);
            FillRingColor(r.innerColor, v, variant + 2);
            break;
        }
        case kNodeModel: {
            auto& m = static_cast<EffectNodeModel&>(node);
            m.magnification = v.F();
            m.modelIndex = v.I();
            m.normalTextureIndex = v.I();
            m.lighting = variant % 2 == 1;
            m.culling = variant % 3;
            FillAllColor(m.allColor, v, variant + 1);
            break;
        }
        default: break;
    }
}

}  // namespace

void FillNode(EffectNode& node, int variant) {
    Values v;
    v.next += static_cast<float>(variant) * 100.0f;
    NodeCommon& c = node.common;
    c = {v.I(), v.I(), v.I(), v.I(), v.I(), v.I(), v.I(), {v.I(), v.I()}, v.F(), v.F()};
    node.location.kind = Pick({0, 1, 2, 3, 7}, variant);
    node.location.fixed = v.V();
    node.location.pva = v.Pva();
    v.Ease(node.location.easing, v.RV(), v.RV());
    node.location.curve = node.location.kind == kLocationFCurve ? v.CurveVector(variant) : nullptr;
    node.gravity = {Pick({0, 1, 4}, variant), v.V()};
    RotationParameter& r = node.rotation;
    r.kind = Pick({0, 1, 2, 3, 4, 5, 9}, variant);
    r.fixed = v.V();
    r.pva = v.Pva();
    v.Ease(r.easing, v.RV(), v.RV());
    r.axisPva = {v.RV(), v.RF(), v.RF(), v.RF()};
    r.axisEasing.axis = v.RV();
    v.Ease(r.axisEasing.angle, v.RF(), v.RF());
    r.curve = r.kind == kRotationFCurve ? v.CurveVector(variant + 1) : nullptr;
    ScaleParameter& s = node.scale;
    s.kind = Pick({0, 1, 2, 3, 4, 5, 9}, variant + 3);
    s.fixed = v.V();
    s.pva = v.Pva();
    v.Ease(s.easing, v.RV(), v.RV());
    s.singlePva = {v.RF(), v.RF(), v.RF()};
    v.Ease(s.singleEasing, v.RF(), v.RF());
    s.curve = s.kind == kScaleFCurve ? v.CurveVector(variant + 2) : nullptr;
    GenerationPoint& g = node.generationPoint;
    g = {v.I(), Pick({0, 1, 2, 5}, variant), v.RV(), v.RF(), v.RF(), v.RF(), v.I(), v.I()};
    RendererCommon& rc = node.rendererCommon;
    rc.textureIndex = v.I();
    rc.blend = v.I();
    rc.filter = variant % 2;
    rc.wrap = (variant + 1) % 2;
    rc.depthTest = variant % 2 == 0;
    rc.depthWrite = variant % 3 == 0;
    rc.fadeInKind = variant % 2;
    rc.fadeIn = {v.F(), v.F(), v.F(), v.F()};
    rc.fadeOutKind = Pick({1, 0, 3}, variant);
    rc.fadeOut = {v.F(), v.F(), v.F(), v.F()};
    rc.uvKind = Pick({0, 1, 2, 3, 6}, variant);
    rc.uv = {v.F(), v.F(), v.F(), v.F()};
    rc.animation = {v.I(), v.I(), v.I(), v.I()};
    rc.scrollSpeed = {v.F(), v.F()};
    node.sound = {Pick({1, 0, 3}, variant), v.I(), v.RF(), v.RF(), v.I(), v.RF(), v.F(), {v.I(), v.I()}};
    FillTypeRecord(node, v, variant);
}

void FillHeader(FxWriter::EffectHeader& header) {
    header.texturePaths = {"Texture/spark.png", u8"Texture/\u706b\U0001F525.png"};
    header.soundPaths = {"Sound/hit.wav", "Sound/whoosh.wav"};
    header.modelPaths = {"Model/shard.mdl", "Model/missing.mdl"};
    header.magnification = 2.5f;
}

namespace {

EffectNode& AddOfType(FxWriter::EffectBuilder& builder, EffectNode& parent, int32_t type) {
    switch (type) {
        case kNodeSprite: return builder.Add<EffectNodeSprite>(parent);
        case kNodeRibbon: return builder.Add<EffectNodeRibbon>(parent);
        case kNodeRing: return builder.Add<EffectNodeRing>(parent);
        case kNodeModel: return builder.Add<EffectNodeModel>(parent);
        default: return builder.Add<EffectNode>(parent);
    }
}

constexpr int32_t kTypes[] = {kNodePlain, kNodeSprite, kNodeRibbon, kNodeRing, kNodeModel};

}  // namespace

std::vector<uint8_t> OneNodeEffect(int32_t type, int variant, int32_t version) {
    FxWriter::EffectBuilder builder(version);
    FillHeader(builder.header);
    EffectNode& node = AddOfType(builder, builder.root, type);
    FillNode(node, variant);
    FillNode(builder.Add(node), variant + 1);
    return builder.Build();
}

std::vector<uint8_t> RichEffect(int32_t version, int variant) {
    FxWriter::EffectBuilder builder(version);
    FillHeader(builder.header);
    int n = 0;
    for (int32_t type : kTypes) {
        EffectNode& node = AddOfType(builder, builder.root, type);
        FillNode(node, variant + n++);
        for (int32_t childType : kTypes) {
            if (childType != type) FillNode(AddOfType(builder, node, childType), variant + n++);
        }
    }
    return builder.Build();
}

std::vector<uint8_t> WideEffect(int nodeCount) {
    FxWriter::EffectBuilder builder;
    FillHeader(builder.header);
    std::vector<EffectNode*> parents = {&builder.root};
    for (int i = 0; i < nodeCount; ++i) {
        EffectNode& parent = *parents[static_cast<size_t>(i / 4) % parents.size()];
        EffectNode& node = AddOfType(builder, i < 4 ? builder.root : parent, kTypes[i % 5]);
        FillNode(node, i % 7);
        if (parents.size() < 64) parents.push_back(&node);
    }
    return builder.Build();
}

}  // namespace FxTest
