// Makes the sample game's particle effects at build time with the effect
// writer: a burst of sparks, an expanding ring and a ribbon trail, the spark
// texture they share, and the effect list that names them.
//
//   sample_effects OUTDIR   writes OUTDIR/list.txt, burst.skfe, ring.skfe,
//                           trail.skfe and texture/spark.png
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "effect_builder.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "sample_image.h"

namespace {

constexpr int kSparkSize = 32;
constexpr int32_t kBlendAdd = 2;
constexpr int32_t kFilterLinear = 1;
constexpr int32_t kBindWhenCreating = 1;
constexpr int32_t kBindAlways = 2;

// Where, how turned and how large a play is placed reaches the node: always
// (it moves with the play) or only when an instance is made (sparks fly on).
void BindToPlay(Fx::EffectNode& node, int32_t kind) {
    node.common.locationBind = node.common.rotationBind = node.common.scaleBind = kind;
}

// A white dot whose alpha falls off smoothly to the edge.
bool WriteSpark(const std::string& path) {
    std::vector<uint8_t> rgba(kSparkSize * kSparkSize * 4, 255);
    for (int y = 0; y < kSparkSize; ++y) {
        for (int x = 0; x < kSparkSize; ++x) {
            float dx = (static_cast<float>(x) + 0.5f) / (kSparkSize / 2) - 1.0f;
            float dy = (static_cast<float>(y) + 0.5f) / (kSparkSize / 2) - 1.0f;
            float fall = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
            rgba[(y * kSparkSize + x) * 4 + 3] = static_cast<uint8_t>(255.0f * fall * fall);
        }
    }
    return WriteRgbaPng(path, kSparkSize, kSparkSize, rgba);
}

// Drawn with the spark texture, added onto what is behind, fading out.
void UseSpark(Fx::EffectNode& node, float fadeOutFrames) {
    node.rendererCommon.textureIndex = 0;
    node.rendererCommon.blend = kBlendAdd;
    node.rendererCommon.filter = kFilterLinear;
    node.rendererCommon.depthTest = true;
    node.rendererCommon.fadeOutKind = Fx::kFadeOn;
    node.rendererCommon.fadeOut = {fadeOutFrames, 0.0f, 0.0f, 1.0f};
}

Fx::RandomColor Range(Fx::Color max, Fx::Color min) {
    Fx::RandomColor range;
    range.max = max;
    range.min = min;
    return range;
}

std::vector<uint8_t> Burst() {
    FxWriter::EffectBuilder builder;
    builder.header.texturePaths = {"texture/spark.png"};
    auto& sparks = builder.Add<Fx::EffectNodeSprite>();
    sparks.common.maxGeneration = 24;
    sparks.common.generationInterval = 1.0f / 32;  // all in the first frame (0 would make none)
    sparks.common.life = {40, 24};
    BindToPlay(sparks, kBindWhenCreating);
    sparks.location.kind = Fx::kLocationPva;
    sparks.location.pva.velocity = {{0.12f, 0.16f, 0.12f}, {-0.12f, 0.04f, -0.12f}};
    sparks.location.pva.acceleration = {{0, -0.006f, 0}, {0, -0.006f, 0}};
    sparks.scale.kind = Fx::kScaleSingleEasing;
    sparks.scale.singleEasing.start = {0.5f, 0.3f};
    sparks.scale.singleEasing.end = {0.05f, 0.05f};
    sparks.scale.singleEasing.c = 1.0f;
    UseSpark(sparks, 12.0f);
    sparks.allColor.kind = Fx::kAllColorEasing;
    sparks.allColor.easing.start = Range({255, 250, 180, 255}, {255, 210, 120, 255});
    sparks.allColor.easing.end = Range({255, 90, 30, 200}, {200, 40, 10, 160});
    sparks.allColor.easing.c = 1.0f;
    return builder.Build();
}

std::vector<uint8_t> Ring() {
    FxWriter::EffectBuilder builder;
    builder.header.texturePaths = {"texture/spark.png"};
    auto& ring = builder.Add<Fx::EffectNodeRing>();
    ring.common.life = {36, 36};
    BindToPlay(ring, kBindAlways);
    ring.rotation.kind = Fx::kRotationFixed;
    ring.rotation.fixed = Fx::Vector3D(1.5707964f, 0, 0);  // lying flat on the ground
    UseSpark(ring, 18.0f);
    ring.vertexCount = 32;
    ring.arcAngle.fixed = 360.0f;
    auto grow = [](Fx::RingPointValue& point, float from, float to) {
        point.kind = Fx::kRingPointEasing;
        point.easing.start = {{from, 0}, {from, 0}};
        point.easing.end = {{to, 0}, {to, 0}};
        point.easing.b = -1.0f;  // fast at first, slowing down: 2t - t^2
        point.easing.c = 2.0f;
    };
    grow(ring.outerLocation, 0.6f, 3.0f);
    grow(ring.innerLocation, 0.3f, 2.6f);
    ring.centerRatio.fixed = 0.5f;
    ring.outerColor.fixed = {120, 200, 255, 0};
    ring.centerColor.fixed = {200, 240, 255, 255};
    ring.innerColor.fixed = {120, 200, 255, 0};
    return builder.Build();
}

std::vector<uint8_t> Trail() {
    FxWriter::EffectBuilder builder;
    builder.header.texturePaths = {"texture/spark.png"};
    // A turning hub, an arm held out from it, and the ribbon the arm leaves.
    auto& hub = builder.Add();
    hub.common.life = {90, 90};
    BindToPlay(hub, kBindAlways);
    hub.rotation.kind = Fx::kRotationPva;
    hub.rotation.pva.velocity = {{0, 0.12f, 0}, {0, 0.12f, 0}};
    auto& arm = builder.Add(hub);
    arm.common.life = {90, 90};
    BindToPlay(arm, kBindAlways);
    arm.location.kind = Fx::kLocationFixed;
    arm.location.fixed = Fx::Vector3D(2.0f, 0.5f, 0);
    auto& ribbon = builder.Add<Fx::EffectNodeRibbon>(arm);
    ribbon.common.maxGeneration = 80;
    ribbon.common.life = {18, 18};
    UseSpark(ribbon, 18.0f);
    ribbon.colorKind = Fx::kRibbonColorFixed;
    ribbon.fixedColor = {255, 170, 240, 255};
    ribbon.vertexPositionKind = Fx::kVertexPositionFixed;
    ribbon.vertexPositions[0] = -0.25f;
    ribbon.vertexPositions[1] = 0.25f;
    return builder.Build();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sample_effects OUTDIR\n");
        return 2;
    }
    std::string out = argv[1];
    mkdir((out + "/texture").c_str(), 0755);
    const std::string list = "burst.skfe,0\r\nring.skfe,0\r\ntrail.skfe,0\r\n";
    bool ok = WriteSpark(out + "/texture/spark.png") && WriteWholeFile(out + "/burst.skfe", Burst()) &&
              WriteWholeFile(out + "/ring.skfe", Ring()) && WriteWholeFile(out + "/trail.skfe", Trail()) &&
              WriteWholeFile(out + "/list.txt", std::vector<uint8_t>(list.begin(), list.end()));
    if (!ok) {
        fprintf(stderr, "sample_effects: cannot write into %s\n", out.c_str());
        return 1;
    }
    return 0;
}
