#include "rich_effects.h"

#include <cstring>
#include <type_traits>

#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"

namespace FxTest {

namespace {

using namespace Fx;

// Every 4-byte word of a value gets its own float, none of them 0 or 1.
struct Values {
    float next = 1.0f;
    template <typename T>
    void Fill(T& value) {
        static_assert(std::is_trivially_copyable<T>::value && sizeof(T) % 4 == 0, "words only");
        for (size_t at = 0; at < sizeof(T); at += 4) {
            next += 0.375f;
            memcpy(reinterpret_cast<char*>(&value) + at, &next, 4);
        }
    }
    template <typename... T>
    void Fill(T&... values) {
        (Fill<T>(values), ...);
    }
    void Curve(FCurve& curve, int variant) {
        Fill(curve.offsetMax, curve.offsetMin, curve.startFrame);
        curve.startEdge = variant % 3;
        curve.endEdge = (variant + 1) % 3;
        curve.length = 10;
        curve.step = 1 + variant % 3;
        curve.keys.resize(static_cast<size_t>(3 + variant % 4));
        for (float& key : curve.keys) Fill(key);
    }
    std::unique_ptr<FCurveVector3D> CurveVector(int variant) {
        auto c = std::make_unique<FCurveVector3D>();
        for (FCurve* curve : {&c->x, &c->y, &c->z}) Curve(*curve, variant++);
        return c;
    }
    // Colour ranges carry their mode as a byte.
    void Colors(RandomColor& random, EasingColor& easing, int variant) {
        Fill(random.max, random.min, easing.start.max, easing.start.min, easing.end.max, easing.end.min, easing.a,
             easing.b, easing.c);
        random.mode = easing.start.mode = easing.end.mode = variant % 2;
    }
};

template <size_t N>
int32_t Pick(const int32_t (&kinds)[N], int variant) {
    return kinds[static_cast<size_t>(variant) % N];
}

void FillAllColor(AllColorParameter& color, Values& v, int variant) {
    color.kind = Pick({0, 1, 2, 3, 8}, variant);
    v.Fill(color.fixed);
    v.Colors(color.random, color.easing, variant);
    color.curve.reset();
    if (color.kind != kAllColorFCurve) return;
    color.curve = std::make_unique<FCurveColor>();
    for (FCurve* c : {&color.curve->r, &color.curve->g, &color.curve->b, &color.curve->a}) v.Curve(*c, variant);
}

void FillTypeRecord(EffectNode& node, Values& v, int variant) {
    switch (node.GetType()) {
        case kNodeSprite: {
            auto& s = static_cast<EffectNodeSprite&>(node);
            v.Fill(s.drawOrder, s.blend, s.billboard, s.textureIndex, s.vertexColors, s.vertexPositions);
            FillAllColor(s.allColor, v, variant);
            s.vertexColorKind = variant % 2;
            s.vertexPositionKind = (variant / 2) % 2;
            break;
        }
        case kNodeRibbon: {
            auto& r = static_cast<EffectNodeRibbon&>(node);
            v.Fill(r.blend, r.textureIndex, r.fixedColor, r.vertexColors, r.vertexPositions);
            v.Colors(r.randomColor, r.easingColor, variant);
            r.viewDependent = variant % 2;
            r.colorKind = Pick({0, 1, 2, 6}, variant);
            r.vertexColorKind = (variant + 1) % 2;
            r.vertexPositionKind = variant % 2;
            break;
        }
        case kNodeRing: {
            auto& r = static_cast<EffectNodeRing&>(node);
            v.Fill(r.drawOrder, r.blend, r.billboard, r.textureIndex);
            r.vertexCount = 3 + variant;
            int n = variant;
            for (RingSingleValue* single : {&r.arcAngle, &r.centerRatio}) {
                v.Fill(single->fixed, single->random, single->easing);
                single->kind = Pick({0, 1, 2, 5}, n++);
            }
            for (RingPointValue* point : {&r.outerLocation, &r.innerLocation}) {
                v.Fill(point->fixed, point->position, point->velocity, point->acceleration, point->easing);
                point->kind = Pick({0, 1, 2, 5}, n++);
            }
            for (RingColorValue* color : {&r.outerColor, &r.centerColor, &r.innerColor}) {
                v.Fill(color->fixed);
                v.Colors(color->random, color->easing, n);
                color->kind = Pick({0, 1, 2, 4}, n++);
            }
            break;
        }
        case kNodeModel: {
            auto& m = static_cast<EffectNodeModel&>(node);
            v.Fill(m.magnification, m.modelIndex, m.normalTextureIndex);
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
    LocationParameter& l = node.location;
    RotationParameter& r = node.rotation;
    ScaleParameter& s = node.scale;
    v.Fill(node.common, l.fixed, l.pva, l.easing, node.gravity.value, r.fixed, r.pva, r.easing, r.axisPva,
           r.axisEasing, s.fixed, s.pva, s.easing, s.singlePva, s.singleEasing);
    l.kind = Pick({0, 1, 2, 3, 7}, variant);
    l.curve = l.kind == kLocationFCurve ? v.CurveVector(variant) : nullptr;
    node.gravity.kind = Pick({0, 1, 4}, variant);
    r.kind = Pick({0, 1, 2, 3, 4, 5, 9}, variant);
    r.curve = r.kind == kRotationFCurve ? v.CurveVector(variant + 1) : nullptr;
    s.kind = Pick({0, 1, 2, 3, 4, 5, 9}, variant + 3);
    s.curve = s.kind == kScaleFCurve ? v.CurveVector(variant + 2) : nullptr;
    GenerationPoint& g = node.generationPoint;
    v.Fill(g.rotateFlag, g.point, g.radius, g.rotationX, g.rotationY, g.modelIndex, g.pickMode);
    g.kind = Pick({0, 1, 2, 5}, variant);
    RendererCommon& rc = node.rendererCommon;
    v.Fill(rc.textureIndex, rc.blend, rc.fadeIn, rc.fadeOut, rc.uv, rc.animation, rc.scrollSpeed);
    rc.filter = rc.fadeInKind = variant % 2;
    rc.wrap = (variant + 1) % 2;
    rc.depthTest = variant % 2 == 0;
    rc.depthWrite = variant % 3 == 0;
    rc.fadeOutKind = Pick({1, 0, 3}, variant);
    rc.uvKind = Pick({0, 1, 2, 3, 6}, variant);
    NodeSound& a = node.sound;
    v.Fill(a.waveIndex, a.volume, a.pitch, a.panKind, a.pan, a.distance, a.delay);
    a.kind = Pick({1, 0, 3}, variant);
    FillTypeRecord(node, v, variant);
}

void FillHeader(FxWriter::EffectHeader& header) {
    header.texturePaths = {"Texture/spark.png", u8"Texture/\u706b\U0001F525.png"};
    header.soundPaths = {"Sound/hit.wav", "Sound/whoosh.wav"};
    header.modelPaths = {"Model/shard.mdl", "Model/missing.mdl"};
    header.magnification = 2.5f;
}

std::vector<uint8_t> OneNodeEffect(int32_t type, int variant, int32_t version) {
    FxWriter::EffectBuilder builder(version);
    FillHeader(builder.header);
    EffectNode& node = builder.Add(builder.root, type);
    FillNode(node, variant);
    FillNode(builder.Add(node), variant + 1);
    return builder.Build();
}

std::vector<uint8_t> RichEffect(int32_t version, int variant, bool playable) {
    FxWriter::EffectBuilder builder(version);
    FillHeader(builder.header);
    int n = 0;
    auto fill = [&](EffectNode& node) -> EffectNode& {
        FillNode(node, variant + n++);
        if (!playable) return node;
        node.common = {3 + n % 5, n % 4, (n + 1) % 4, (n + 2) % 4, n % 2, 1, n % 3 == 0, {40, 10}, 1.0f + n % 3, 0};
        node.generationPoint.modelIndex = node.sound.waveIndex = 0, node.sound.delay = {3, 0};
        return node;
    };
    for (int32_t type : kNodeTypes) {
        EffectNode& node = fill(builder.Add(builder.root, type));
        for (int32_t childType : kNodeTypes) {
            if (childType != type) fill(builder.Add(node, childType));
        }
    }
    return builder.Build();
}

}  // namespace FxTest
