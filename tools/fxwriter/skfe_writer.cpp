// The writer's field order follows the file layout directly, record by
// record; it shares the runtime's value types but none of its reading code.
#include "skfe_writer.h"

#include "byte_writer.h"
#include "core/text_utf.h"
#include "fx/effect_file.h"
#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"

namespace FxWriter {

namespace {

using namespace Fx;

void Put(ByteWriter& out, const Vector2D& v) {
    out.Float(v.x);
    out.Float(v.y);
}
void Put(ByteWriter& out, const Vector3D& v) {
    out.Float(v.x);
    out.Float(v.y);
    out.Float(v.z);
}
void Put(ByteWriter& out, const RandomFloat& r) {
    out.Float(r.max);
    out.Float(r.min);
}
void Put(ByteWriter& out, const RandomInt& r) {
    out.Int(r.max);
    out.Int(r.min);
}
void Put(ByteWriter& out, const RandomVector2D& r) {
    Put(out, r.max);
    Put(out, r.min);
}
void Put(ByteWriter& out, const RandomVector3D& r) {
    Put(out, r.max);
    Put(out, r.min);
}
template <typename Easing>
void PutEasing(ByteWriter& out, const Easing& e) {
    Put(out, e.start);
    Put(out, e.end);
    out.Float(e.a);
    out.Float(e.b);
    out.Float(e.c);
}
void Put(ByteWriter& out, const Color& c) {
    out.Byte(c.r);
    out.Byte(c.g);
    out.Byte(c.b);
    out.Byte(c.a);
}
void Put(ByteWriter& out, const PvaVector3D& p) {
    Put(out, p.position);
    Put(out, p.velocity);
    Put(out, p.acceleration);
}

void PutRandomColor(ByteWriter& out, int32_t version, const RandomColor& r) {
    if (version >= 4) {
        out.Byte(static_cast<uint8_t>(r.mode));
        out.Byte(0);
    }
    Put(out, r.max);
    Put(out, r.min);
}

void PutEasingColor(ByteWriter& out, int32_t version, const EasingColor& e) {
    PutRandomColor(out, version, e.start);
    PutRandomColor(out, version, e.end);
    out.Float(e.a);
    out.Float(e.b);
    out.Float(e.c);
}

void PutCurve(ByteWriter& out, const FCurve& curve) {
    out.Int(curve.startEdge);
    out.Int(curve.endEdge);
    out.Float(curve.offsetMax);
    out.Float(curve.offsetMin);
    out.Int(curve.startFrame);
    out.Int(curve.length);
    out.Int(curve.step);
    out.Int(static_cast<int32_t>(curve.keys.size()));
    for (float key : curve.keys) out.Float(key);
}

void PutCurveVector(ByteWriter& out, const FCurveVector3D* curve) {
    FCurveVector3D empty;
    const FCurveVector3D& c = curve != nullptr ? *curve : empty;
    ByteWriter body;
    PutCurve(body, c.x);
    PutCurve(body, c.y);
    PutCurve(body, c.z);
    out.Int(static_cast<int32_t>(body.Size()));
    out.Append(body);
}

// A length-prefixed block.
template <typename Fill>
void PutBlock(ByteWriter& out, Fill fill) {
    ByteWriter body;
    fill(body);
    out.Int(static_cast<int32_t>(body.Size()));
    out.Append(body);
}

void PutAllColor(ByteWriter& out, int32_t version, const AllColorParameter& color) {
    out.Int(color.kind);
    switch (color.kind) {
        case kAllColorFixed: Put(out, color.fixed); break;
        case kAllColorRandom: PutRandomColor(out, version, color.random); break;
        case kAllColorEasing: PutEasingColor(out, version, color.easing); break;
        case kAllColorFCurve: {
            FCurveColor white;
            const FCurveColor& c = color.curve != nullptr ? *color.curve : white;
            for (const FCurve* curve : {&c.r, &c.g, &c.b, &c.a}) PutCurve(out, *curve);
            break;
        }
        default: break;
    }
}

void PutCommon(ByteWriter& out, const NodeCommon& c) {
    PutBlock(out, [&c](ByteWriter& b) {
        for (int32_t v : {c.maxGeneration, c.locationBind, c.rotationBind, c.scaleBind, c.removeOnLifeEnd,
                          c.removeWithParent, c.removeWhenChildrenDone}) {
            b.Int(v);
        }
        Put(b, c.life);
        b.Float(c.generationInterval);
        b.Float(c.generationOffset);
    });
}

void PutLocation(ByteWriter& out, const LocationParameter& l) {
    out.Int(l.kind);
    switch (l.kind) {
        case kLocationFixed: PutBlock(out, [&l](ByteWriter& b) { Put(b, l.fixed); }); break;
        case kLocationPva: PutBlock(out, [&l](ByteWriter& b) { Put(b, l.pva); }); break;
        case kLocationEasing: PutBlock(out, [&l](ByteWriter& b) { PutEasing(b, l.easing); }); break;
        case kLocationFCurve: PutCurveVector(out, l.curve.get()); break;
        default: break;
    }
}

void PutGravity(ByteWriter& out, const GravityParameter& g) {
    out.Int(g.kind);
    if (g.kind == kGravityNone || g.kind == kGravityOn) PutBlock(out, [&g](ByteWriter& b) { Put(b, g.value); });
}

void PutRotation(ByteWriter& out, const RotationParameter& r) {
    out.Int(r.kind);
    switch (r.kind) {
        case kRotationFixed: PutBlock(out, [&r](ByteWriter& b) { Put(b, r.fixed); }); break;
        case kRotationPva: PutBlock(out, [&r](ByteWriter& b) { Put(b, r.pva); }); break;
        case kRotationEasing: PutBlock(out, [&r](ByteWriter& b) { PutEasing(b, r.easing); }); break;
        case kRotationAxisPva:
            PutBlock(out, [&r](ByteWriter& b) {
                Put(b, r.axisPva.axis);
                Put(b, r.axisPva.angle);
                Put(b, r.axisPva.velocity);
                Put(b, r.axisPva.acceleration);
            });
            break;
        case kRotationAxisEasing:
            PutBlock(out, [&r](ByteWriter& b) {
                Put(b, r.axisEasing.axis);
                PutEasing(b, r.axisEasing.angle);
            });
            break;
        case kRotationFCurve: PutCurveVector(out, r.curve.get()); break;
        default: break;
    }
}

void PutScale(ByteWriter& out, const ScaleParameter& s) {
    out.Int(s.kind);
    switch (s.kind) {
        case kScaleFixed: PutBlock(out, [&s](ByteWriter& b) { Put(b, s.fixed); }); break;
        case kScalePva: PutBlock(out, [&s](ByteWriter& b) { Put(b, s.pva); }); break;
        case kScaleEasing: PutBlock(out, [&s](ByteWriter& b) { PutEasing(b, s.easing); }); break;
        case kScaleSinglePva:
            PutBlock(out, [&s](ByteWriter& b) {
                Put(b, s.singlePva.scale);
                Put(b, s.singlePva.velocity);
                Put(b, s.singlePva.acceleration);
            });
            break;
        case kScaleSingleEasing: PutBlock(out, [&s](ByteWriter& b) { PutEasing(b, s.singleEasing); }); break;
        case kScaleFCurve: PutCurveVector(out, s.curve.get()); break;
        default: break;
    }
}

void PutGenerationPoint(ByteWriter& out, const GenerationPoint& g) {
    out.Int(g.rotateFlag);
    out.Int(g.kind);
    if (g.kind == kGenerationPoint) {
        Put(out, g.point);
    } else if (g.kind == kGenerationSphere) {
        Put(out, g.radius);
        Put(out, g.rotationX);
        Put(out, g.rotationY);
    } else if (g.kind == kGenerationModel) {
        out.Int(g.modelIndex);
        out.Int(g.pickMode);
    }
}

void PutRendererCommon(ByteWriter& out, int32_t version, const RendererCommon& r) {
    if (version < 3) return;
    out.Int(r.textureIndex);
    out.Int(r.blend);
    out.Int(r.filter);
    out.Int(r.wrap);
    if (version >= 5) {
        out.Int(r.depthTest ? 1 : 0);
        out.Int(r.depthWrite ? 1 : 0);
    }
    for (auto fade : {std::make_pair(r.fadeInKind, &r.fadeIn), std::make_pair(r.fadeOutKind, &r.fadeOut)}) {
        out.Int(fade.first);
        if (fade.first != kFadeOn) continue;
        for (float v : {fade.second->frames, fade.second->a, fade.second->b, fade.second->c}) out.Float(v);
    }
    out.Int(r.uvKind);
    if (r.uvKind == kUvFixed || r.uvKind == kUvAnimation || r.uvKind == kUvScroll) {
        for (float v : {r.uv.x, r.uv.y, r.uv.width, r.uv.height}) out.Float(v);
    }
    if (r.uvKind == kUvAnimation) {
        out.Int(r.animation.framesPerPicture);
        out.Int(r.animation.picturesAcross);
        out.Int(r.animation.picturesDown);
        out.Int(r.animation.loopMode);
    } else if (r.uvKind == kUvScroll) {
        Put(out, r.scrollSpeed);
    }
}

void PutSprite(ByteWriter& out, int32_t version, const EffectNodeSprite& s) {
    out.Int(s.drawOrder);
    if (version < 3) out.Int(s.blend);
    out.Int(s.billboard);
    PutAllColor(out, version, s.allColor);
    out.Int(s.vertexColorKind);
    if (s.vertexColorKind == kVertexColorFixed) {
        for (const Color& c : s.vertexColors) Put(out, c);
    }
    out.Int(s.vertexPositionKind);
    if (s.vertexPositionKind == kVertexPositionFixed) {
        for (const Vector2D& p : s.vertexPositions) Put(out, p);
    }
    if (version < 3) out.Int(s.textureIndex);
}

void PutRibbon(ByteWriter& out, int32_t version, const EffectNodeRibbon& r) {
    if (version < 3) out.Int(r.blend);
    out.Int(r.viewDependent);
    out.Int(r.colorKind);
    if (r.colorKind == kRibbonColorFixed) Put(out, r.fixedColor);
    if (r.colorKind == kRibbonColorRandom) PutRandomColor(out, version, r.randomColor);
    if (r.colorKind == kRibbonColorEasing) PutEasingColor(out, version, r.easingColor);
    out.Int(r.vertexColorKind);
    if (r.vertexColorKind == kVertexColorFixed) {
        for (const Color& c : r.vertexColors) Put(out, c);
    }
    out.Int(r.vertexPositionKind);
    if (r.vertexPositionKind == kVertexPositionFixed) {
        for (float p : r.vertexPositions) out.Float(p);
    }
    if (version < 3) out.Int(r.textureIndex);
}

void PutRingSingle(ByteWriter& out, const RingSingleValue& v) {
    out.Int(v.kind);
    if (v.kind == kRingValueFixed) out.Float(v.fixed);
    if (v.kind == kRingValueRandom) Put(out, v.random);
    if (v.kind == kRingValueEasing) PutEasing(out, v.easing);
}

void PutRingPoint(ByteWriter& out, const RingPointValue& v) {
    out.Int(v.kind);
    if (v.kind == kRingPointFixed) Put(out, v.fixed);
    if (v.kind == kRingPointPva) {
        Put(out, v.position);
        Put(out, v.velocity);
        Put(out, v.acceleration);
    }
    if (v.kind == kRingPointEasing) PutEasing(out, v.easing);
}

void PutRingColor(ByteWriter& out, int32_t version, const RingColorValue& v) {
    out.Int(v.kind);
    if (v.kind == kRingValueFixed) Put(out, v.fixed);
    if (v.kind == kRingValueRandom) PutRandomColor(out, version, v.random);
    if (v.kind == kRingValueEasing) PutEasingColor(out, version, v.easing);
}

void PutRing(ByteWriter& out, int32_t version, const EffectNodeRing& r) {
    out.Int(r.drawOrder);
    if (version < 3) out.Int(r.blend);
    out.Int(r.billboard);
    out.Int(r.vertexCount);
    PutRingSingle(out, r.arcAngle);
    PutRingPoint(out, r.outerLocation);
    PutRingPoint(out, r.innerLocation);
    PutRingSingle(out, r.centerRatio);
    PutRingColor(out, version, r.outerColor);
    PutRingColor(out, version, r.centerColor);
    PutRingColor(out, version, r.innerColor);
    if (version < 3) out.Int(r.textureIndex);
}

void PutModel(ByteWriter& out, int32_t version, const EffectNodeModel& m) {
    if (version >= 7) out.Float(m.magnification);
    out.Int(m.modelIndex);
    out.Int(m.normalTextureIndex);
    out.Int(m.lighting ? 1 : 0);
    out.Int(m.culling);
    PutAllColor(out, version, m.allColor);
}

void PutNode(ByteWriter& out, int32_t version, const EffectNode& node) {
    int32_t type = node.GetType();
    out.Int(type);
    if (type != kNodeRoot) {
        PutCommon(out, node.common);
        PutLocation(out, node.location);
        PutGravity(out, node.gravity);
        PutRotation(out, node.rotation);
        PutScale(out, node.scale);
        PutGenerationPoint(out, node.generationPoint);
        PutRendererCommon(out, version, node.rendererCommon);
        out.Int(type);
        switch (type) {
            case kNodeSprite: PutSprite(out, version, static_cast<const EffectNodeSprite&>(node)); break;
            case kNodeRibbon: PutRibbon(out, version, static_cast<const EffectNodeRibbon&>(node)); break;
            case kNodeRing: PutRing(out, version, static_cast<const EffectNodeRing&>(node)); break;
            case kNodeModel: PutModel(out, version, static_cast<const EffectNodeModel&>(node)); break;
            default: break;
        }
        if (version >= 1) {
            const NodeSound& s = node.sound;
            out.Int(s.kind);
            if (s.kind == kSoundOn) {
                out.Int(s.waveIndex);
                Put(out, s.volume);
                Put(out, s.pitch);
                out.Int(s.panKind);
                Put(out, s.pan);
                out.Float(s.distance);
                Put(out, s.delay);
            }
        }
    }
    out.Int(node.GetChildCount());
    for (int i = 0; i < node.GetChildCount(); ++i) PutNode(out, version, *node.GetChild(i));
}

void PutPaths(ByteWriter& out, const std::vector<std::string>& paths) {
    out.Int(static_cast<int32_t>(paths.size()));
    for (const std::string& path : paths) {
        std::u16string text(path.size() + 1, u'\0');
        text.resize(Utf8ToUtf16(&text[0], text.size(), path.c_str()));
        out.Int(static_cast<int32_t>(text.size() + 1));
        out.Raw(text.c_str(), (text.size() + 1) * sizeof(char16_t));
    }
}

}  // namespace

std::vector<uint8_t> WriteEffect(const EffectHeader& header, const Fx::EffectNode& root) {
    ByteWriter out;
    out.Int(static_cast<int32_t>(kEffectMagic));
    out.Int(header.version);
    PutPaths(out, header.texturePaths);
    if (header.version >= 1) PutPaths(out, header.soundPaths);
    if (header.version >= 6) PutPaths(out, header.modelPaths);
    if (header.version >= 2) out.Float(header.magnification);
    PutNode(out, header.version, root);
    return out.Bytes();
}

}  // namespace FxWriter
