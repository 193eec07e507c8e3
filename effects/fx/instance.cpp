#include "fx/instance.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "fx/effect.h"
#include "fx/effect_node.h"
#include "fx/instance_container.h"
#include "fx/manager_implemented.h"
#include "fx/model.h"

namespace Fx {

namespace {

bool IsBoundAlways(int32_t kind) { return kind == kBindAlways || kind == kBindRoot; }

float RowLength(const Matrix43& m, int row) {
    double x = m.value[row][0], y = m.value[row][1], z = m.value[row][2];
    return static_cast<float>(std::sqrt(x * x + y * y + z * z));
}

// Row `row` of `out` = the direction of `direction`'s row at `length`; a
// zero direction gives a zero row, so no division by zero reaches it.
void SetRow(Matrix43& out, int row, const Matrix43& direction, float length) {
    float own = RowLength(direction, row);
    float k = own > 0.0f ? length / own : 0.0f;
    float x = direction.value[row][0] * k, y = direction.value[row][1] * k, z = direction.value[row][2] * k;
    out.value[row][0] = x;
    out.value[row][1] = y;
    out.value[row][2] = z;
}

void CopyRows(Matrix43& out, const Matrix43& source, int first, int last) {
    for (int row = first; row <= last; ++row)
        for (int col = 0; col < 3; ++col) out.value[row][col] = source.value[row][col];
}

// The frame a curve is read at: the whole frames of `age`, clamped so the
// conversion is defined for any float.
int32_t CurveFrame(float age) {
    if (!(age > 0.0f)) return 0;
    return age < 2147483520.0f ? static_cast<int32_t>(age) : 2147483520;
}

Vector3D Pva(const Vector3D values[3], float t) {
    float half = t * t * 0.5f;
    return Vector3D(values[0].x + values[1].x * t + values[2].x * half,
                    values[0].y + values[1].y * t + values[2].y * half,
                    values[0].z + values[1].z * t + values[2].z * half);
}

Vector3D CurveValue(const FCurveVector3D& curve, const Vector3D& offset, float age) {
    int32_t frame = CurveFrame(age);
    return Vector3D(curve.x.GetValue(frame) + offset.x, curve.y.GetValue(frame) + offset.y,
                    curve.z.GetValue(frame) + offset.z);
}

Vector3D CurveOffsets(const FCurveVector3D& curve, const Manager& manager) {
    float x = curve.x.GetOffset(manager);
    float y = curve.y.GetOffset(manager);
    float z = curve.z.GetOffset(manager);
    return Vector3D(x, y, z);
}

struct EmitterSample {
    Vector3D position, normal, binormal, tangent;
};

void Accumulate(EmitterSample& out, const ModelVertex& vertex, float weight) {
    auto add = [weight](Vector3D& a, const Vector3D& b) {
        a.x += b.x * weight;
        a.y += b.y * weight;
        a.z += b.z * weight;
    };
    add(out.position, vertex.position);
    add(out.normal, vertex.normal);
    add(out.binormal, vertex.binormal);
    add(out.tangent, vertex.tangent);
}

// An index in 0..count-1 from one draw.
size_t PickIndex(size_t count, const Manager& manager) {
    float picked = RandomUnit(manager) * static_cast<float>(count - 1);
    size_t index = static_cast<size_t>(picked);
    return index < count - 1 ? index : count - 1;
}

// Pick modes of a model emitter. An empty model gives the zero sample.
EmitterSample SampleModel(const Model& model, int32_t mode, int32_t instanceIndex, const Manager& manager) {
    EmitterSample sample;
    size_t vertices = model.vertices.size(), faces = model.faces.size();
    size_t index = static_cast<size_t>(instanceIndex < 0 ? 0 : instanceIndex);
    auto face = [&](size_t f) -> const ModelFace& { return model.faces[f]; };
    auto vertex = [&](int32_t v) -> const ModelVertex& { return model.vertices[static_cast<size_t>(v)]; };
    switch (mode) {
    case kPickRandomPoint: {
        if (faces == 0) break;
        const ModelFace& f = face(PickIndex(faces, manager));
        float p1 = RandomUnit(manager), p2 = RandomUnit(manager);
        if (p1 + p2 > 1.0f) {
            p1 = 1.0f - p1;
            p2 = 1.0f - p2;
        }
        Accumulate(sample, vertex(f.index[0]), 1.0f - p1 - p2);
        Accumulate(sample, vertex(f.index[1]), p1);
        Accumulate(sample, vertex(f.index[2]), p2);
        break;
    }
    case kPickVertex:
        if (vertices > 0) Accumulate(sample, model.vertices[index % vertices], 1.0f);
        break;
    case kPickRandomVertex:
        if (vertices > 0) Accumulate(sample, model.vertices[PickIndex(vertices, manager)], 1.0f);
        break;
    case kPickFaceCenter:
    case kPickRandomFaceCenter: {
        if (faces == 0) break;
        const ModelFace& f = face(mode == kPickFaceCenter ? index % faces : PickIndex(faces, manager));
        for (int k = 0; k < 3; ++k) Accumulate(sample, vertex(f.index[k]), 1.0f / 3.0f);
        break;
    }
    default:
        break;
    }
    return sample;
}

}  // namespace

int32_t GenerationCount(float age, float interval, float offset, int32_t maxCount) {
    if (!(interval > 0.0f) || maxCount <= 0) return 0;
    double x = static_cast<double>(age) - offset + std::max(0.0, static_cast<double>(interval) - 1.0);
    double count = std::trunc(std::max(0.0, x) / interval);
    if (std::isnan(count)) return 0;
    return count < static_cast<double>(maxCount) ? static_cast<int32_t>(count) : maxCount;
}

float LastGenerationEnd(const NodeCommon& child) {
    return child.generationInterval * static_cast<float>(int64_t{child.maxGeneration} - 1) + child.generationOffset +
           1.0f;
}

Instance::Instance(ManagerImplemented* manager, EffectNode* node, InstanceContainer* container)
    : manager_(manager), node_(node), container_(container), isRoot_(node->GetType() == kNodeRoot) {
    generationMatrix_.SetIdentity();
    globalMatrix_.SetIdentity();
    parentMatrix_.SetIdentity();
}

void Instance::Initialize(Instance* parent, int32_t index) {
    parent_ = parent;
    state_ = kInstanceActive;
    age_ = 0.0f;
    location_ = gravityOffset_ = rotation_ = Vector3D();
    scale_ = Vector3D(1.0f, 1.0f, 1.0f);
    generationMatrix_.SetIdentity();
    globalMatrix_.SetIdentity();
    parentMatrix_.SetIdentity();
    parentIsIdentity_ = true;
    if (parent == nullptr) {
        life_ = FLT_MAX;
        return;
    }
    life_ = static_cast<float>(node_->common.life.Draw(*manager_));
    InheritAtCreation(parent->globalMatrix_);
    InitializeLocation();
    InitializeRotation();
    InitializeScale();
    InitializeGenerationPoint(index);
    if (node_->generationPoint.rotateFlag == 0) {
        location_.x += generationMatrix_.value[3][0];
        location_.y += generationMatrix_.value[3][1];
        location_.z += generationMatrix_.value[3][2];
    }
    if (node_->sound.kind == kSoundOn) soundDelay_ = node_->sound.delay.Draw(*manager_);
    node_->InitializeInstanceValues(*this);
}

void Instance::InheritAtCreation(const Matrix43& parentGlobal) {
    const NodeCommon& common = node_->common;
    if (common.locationBind != kBindWhenCreating && common.rotationBind != kBindWhenCreating &&
        common.scaleBind != kBindWhenCreating)
        return;
    parentIsIdentity_ = false;
    if (common.locationBind == kBindWhenCreating) CopyRows(parentMatrix_, parentGlobal, 3, 3);
    if (common.rotationBind == kBindWhenCreating && common.scaleBind == kBindWhenCreating) {
        CopyRows(parentMatrix_, parentGlobal, 0, 2);
    } else if (common.rotationBind == kBindWhenCreating) {
        for (int row = 0; row < 3; ++row) SetRow(parentMatrix_, row, parentGlobal, 1.0f);
    } else if (common.scaleBind == kBindWhenCreating) {
        for (int row = 0; row < 3; ++row) parentMatrix_.value[row][row] = RowLength(parentGlobal, row);
    }
}

void Instance::InitializeLocation() {
    const LocationParameter& location = node_->location;
    switch (location.kind) {
    case kLocationFixed:
        location_ = location.fixed;
        break;
    case kLocationPva:
        locationValues_[0] = location.pva.position.Draw(*manager_);
        locationValues_[1] = location.pva.velocity.Draw(*manager_);
        locationValues_[2] = location.pva.acceleration.Draw(*manager_);
        location_ = locationValues_[0];
        break;
    case kLocationEasing:
        locationValues_[0] = location.easing.start.Draw(*manager_);
        locationValues_[1] = location.easing.end.Draw(*manager_);
        location_ = locationValues_[0];
        break;
    case kLocationFCurve:
        if (location.curve == nullptr) break;
        locationValues_[0] = CurveOffsets(*location.curve, *manager_);
        location_ = CurveValue(*location.curve, locationValues_[0], 0.0f);
        break;
    default:
        break;
    }
}

void Instance::InitializeRotation() {
    const RotationParameter& rotation = node_->rotation;
    auto drawAxis = [this](const RandomVector3D& range) {
        Vector3D axis = range.Draw(*manager_);
        float length = static_cast<float>(std::sqrt(static_cast<double>(Vector3D::Dot(axis, axis))));
        if (length == 0.0f || !std::isfinite(length)) return Vector3D(0.0f, 1.0f, 0.0f);
        return Vector3D(axis.x / length, axis.y / length, axis.z / length);
    };
    switch (rotation.kind) {
    case kRotationFixed:
        rotation_ = rotation.fixed;
        break;
    case kRotationPva:
        rotationValues_[0] = rotation.pva.position.Draw(*manager_);
        rotationValues_[1] = rotation.pva.velocity.Draw(*manager_);
        rotationValues_[2] = rotation.pva.acceleration.Draw(*manager_);
        rotation_ = rotationValues_[0];
        break;
    case kRotationEasing:
        rotationValues_[0] = rotation.easing.start.Draw(*manager_);
        rotationValues_[1] = rotation.easing.end.Draw(*manager_);
        rotation_ = rotationValues_[0];
        break;
    case kRotationAxisPva:
        rotation_ = drawAxis(rotation.axisPva.axis);
        axisValues_[0] = rotation.axisPva.angle.Draw(*manager_);
        axisValues_[1] = rotation.axisPva.velocity.Draw(*manager_);
        axisValues_[2] = rotation.axisPva.acceleration.Draw(*manager_);
        axisAngle_ = axisValues_[0];
        break;
    case kRotationAxisEasing:
        rotation_ = drawAxis(rotation.axisEasing.axis);
        axisValues_[0] = rotation.axisEasing.angle.start.Draw(*manager_);
        axisValues_[1] = rotation.axisEasing.angle.end.Draw(*manager_);
        axisAngle_ = axisValues_[0];
        break;
    case kRotationFCurve:
        if (rotation.curve == nullptr) break;
        rotationValues_[0] = CurveOffsets(*rotation.curve, *manager_);
        rotation_ = CurveValue(*rotation.curve, rotationValues_[0], 0.0f);
        break;
    default:
        break;
    }
}

void Instance::InitializeScale() {
    const ScaleParameter& scale = node_->scale;
    switch (scale.kind) {
    case kScaleFixed:
        scale_ = scale.fixed;
        break;
    case kScalePva:
        scaleValues_[0] = scale.pva.position.Draw(*manager_);
        scaleValues_[1] = scale.pva.velocity.Draw(*manager_);
        scaleValues_[2] = scale.pva.acceleration.Draw(*manager_);
        scale_ = scaleValues_[0];
        break;
    case kScaleEasing:
        scaleValues_[0] = scale.easing.start.Draw(*manager_);
        scaleValues_[1] = scale.easing.end.Draw(*manager_);
        scale_ = scaleValues_[0];
        break;
    case kScaleSinglePva: {
        uniformScaleValues_[0] = scale.singlePva.scale.Draw(*manager_);
        uniformScaleValues_[1] = scale.singlePva.velocity.Draw(*manager_);
        uniformScaleValues_[2] = scale.singlePva.acceleration.Draw(*manager_);
        float s = uniformScaleValues_[0];
        scale_ = Vector3D(s, s, s);
        break;
    }
    case kScaleSingleEasing: {
        uniformScaleValues_[0] = scale.singleEasing.start.Draw(*manager_);
        uniformScaleValues_[1] = scale.singleEasing.end.Draw(*manager_);
        float s = uniformScaleValues_[0];
        scale_ = Vector3D(s, s, s);
        break;
    }
    case kScaleFCurve:
        if (scale.curve == nullptr) break;
        scaleValues_[0] = CurveOffsets(*scale.curve, *manager_);
        scale_ = CurveValue(*scale.curve, scaleValues_[0], 0.0f);
        break;
    default:
        break;
    }
}

void Instance::InitializeGenerationPoint(int32_t index) {
    const GenerationPoint& point = node_->generationPoint;
    switch (point.kind) {
    case kGenerationPoint: {
        Vector3D p = point.point.Draw(*manager_);
        generationMatrix_.SetTranslation(p.x, p.y, p.z);
        break;
    }
    case kGenerationSphere: {
        float angleX = point.rotationX.Draw(*manager_);
        float angleY = point.rotationY.Draw(*manager_);
        float radius = point.radius.Draw(*manager_);
        Matrix43 rotationX, rotationY;
        rotationX.SetRotationX(angleX);
        rotationY.SetRotationY(angleY);
        generationMatrix_.SetTranslation(0.0f, radius, 0.0f);
        Matrix43::Multiply(generationMatrix_, generationMatrix_, rotationX);
        Matrix43::Multiply(generationMatrix_, generationMatrix_, rotationY);
        break;
    }
    case kGenerationModel:
        TakeModelSample(index);
        break;
    default:
        break;
    }
}

void Instance::TakeModelSample(int32_t index) {
    const GenerationPoint& point = node_->generationPoint;
    generationMatrix_.SetIdentity();
    if (point.modelIndex < 0 || node_->effect == nullptr) return;
    const auto* model = static_cast<const Model*>(node_->effect->GetModel(point.modelIndex));
    if (model == nullptr) return;
    EmitterSample sample = SampleModel(*model, point.pickMode, index, *manager_);
    Vector3D::Scale(sample.position, sample.position, node_->effect->GetMagnification());
    if (manager_->GetCoordinateSystem() == kCoordinateSystemLeftHanded) {
        sample.position.z = -sample.position.z;
        sample.normal.z = -sample.normal.z;
        sample.binormal.z = -sample.binormal.z;
        sample.tangent.z = -sample.tangent.z;
    }
    generationMatrix_.SetTranslation(sample.position.x, sample.position.y, sample.position.z);
    if (point.rotateFlag == 0) return;
    const Vector3D* axes[3] = {&sample.binormal, &sample.tangent, &sample.normal};
    for (int row = 0; row < 3; ++row) {
        generationMatrix_.value[row][0] = axes[row]->x;
        generationMatrix_.value[row][1] = axes[row]->y;
        generationMatrix_.value[row][2] = axes[row]->z;
    }
}

void Instance::Update(float deltaFrame, bool shown) {
    const NodeCommon& common = node_->common;
    if (stepTime_ && !IsRoot() && node_->sound.kind == kSoundOn) {
        float delay = static_cast<float>(soundDelay_);
        if (age_ <= delay && delay < age_ + deltaFrame)
            node_->PlayNodeSound(globalMatrix_, container_->GetGlobal());
    }

    float t = age_;
    bool generating = t <= life_ || common.removeOnLifeEnd == 0;
    if (shown) {
        CalculateMatrix(deltaFrame);
    } else {
        bool calculated = false;
        if (stepTime_ && generating) {
            for (int32_t i : container_->GetGeneratingChildren()) {
                const NodeCommon& child = node_->GetChild(i)->common;
                calculated = GenerationCount(t, child.generationInterval, child.generationOffset,
                                             child.maxGeneration) !=
                             GenerationCount(t + deltaFrame, child.generationInterval, child.generationOffset,
                                             child.maxGeneration);
                if (calculated) break;
            }
        }
        if (calculated || (parent_ != nullptr && parent_->state_ != kInstanceActive)) CalculateMatrix(deltaFrame);
    }

    if (stepTime_) {
        age_ += deltaFrame;
        if (generating) GenerateChildren(t, t + deltaFrame);
    }

    if (IsRoot()) {
        stepTime_ = true;
        return;
    }
    bool dies;
    if (common.removeOnLifeEnd != 0 && life_ < age_) {
        dies = true;
    } else if (common.removeWhenChildrenDone == 0) {
        dies = false;
    } else {
        dies = ChildrenFinished();
    }
    if (!dies) {
        stepTime_ = true;
        return;
    }
    CalculateMatrix(deltaFrame);
    if (state_ == kInstanceActive) BecomeRemoving();
}

void Instance::GenerateChildren(float from, float to) {
    InstanceGroup** link = &firstGroup_;
    for (int32_t i : container_->GetGeneratingChildren()) {
        const NodeCommon& child = node_->GetChild(i)->common;
        int32_t first = GenerationCount(from, child.generationInterval, child.generationOffset, child.maxGeneration);
        int32_t last = GenerationCount(to, child.generationInterval, child.generationOffset, child.maxGeneration);
        InstanceGroup* group = first < last ? GroupFor(i, link) : nullptr;
        for (int32_t n = first; group != nullptr && n < last; ++n) {
            Instance* instance = group->CreateInstance();
            if (instance == nullptr) break;
            instance->Initialize(this, n);
        }
    }
}

InstanceGroup* Instance::GroupFor(int32_t index, InstanceGroup**& link) {
    while (*link != nullptr && (*link)->childIndex < index) link = &(*link)->nextInInstance;
    if (*link != nullptr && (*link)->childIndex == index) return *link;
    if (!container_->GetGlobal()->HasRoom(1)) return nullptr;
    InstanceGroup* group = container_->GetChild(index)->CreateGroup();
    group->childIndex = index;
    group->nextInInstance = *link;
    *link = group;
    return group;
}

bool Instance::ChildrenFinished() const {
    if (!(container_->GetQuietChildrenEnd() <= age_)) return false;
    const InstanceGroup* group = firstGroup_;
    for (int32_t i : container_->GetGeneratingChildren()) {
        if (!(LastGenerationEnd(node_->GetChild(i)->common) <= age_)) return false;
        while (group != nullptr && group->childIndex < i) group = group->nextInInstance;
        if (group != nullptr && group->childIndex == i && group->GetInstanceCount() > 0) return false;
    }
    return true;
}

void Instance::BecomeRemoving() {
    for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInInstance)
        group->referencedByInstance = false;
    state_ = kInstanceRemoving;
}

void Instance::Kill() {
    if (state_ == kInstanceActive) BecomeRemoving();
}

void Instance::CalculateMatrix(float deltaFrame) {
    int32_t sequence = manager_->GetSequenceNumber();
    if (sequenceNumber_ == sequence) return;
    sequenceNumber_ = sequence;

    if (parent_ != nullptr) {
        parent_->CalculateMatrix(deltaFrame);
        if (IsRoot()) {
            parentMatrix_ = parent_->globalMatrix_;
            parentIsIdentity_ = false;
        } else {
            ApplyBinds();
        }
        if (parent_->state_ != kInstanceActive) {
            parent_ = nullptr;
            if (!IsRoot() && node_->common.removeWithParent != 0) {
                if (state_ == kInstanceActive) BecomeRemoving();
                return;
            }
        }
    }
    if (IsRoot()) return;
    if (stepTime_) AdvanceValues();
    BuildGlobalMatrix();
}

void Instance::ApplyBinds() {
    const NodeCommon& common = node_->common;
    int32_t location = common.locationBind, rotation = common.rotationBind, scale = common.scaleBind;
    if (!IsBoundAlways(location) && !IsBoundAlways(rotation) && !IsBoundAlways(scale)) return;
    parentIsIdentity_ = false;
    Instance* root = container_->GetGlobal()->GetRootInstance();
    auto source = [&](int32_t kind) -> const Matrix43* {
        if (kind == kBindAlways) return &parent_->globalMatrix_;
        return root == nullptr ? nullptr : &root->globalMatrix_;
    };
    if (IsBoundAlways(location) && location == rotation && rotation == scale) {
        if (const Matrix43* whole = source(location)) parentMatrix_ = *whole;
        return;
    }
    if (IsBoundAlways(location))
        if (const Matrix43* from = source(location)) CopyRows(parentMatrix_, *from, 3, 3);
    if (IsBoundAlways(rotation)) {
        if (const Matrix43* from = source(rotation)) {
            if (scale == rotation) {
                CopyRows(parentMatrix_, *from, 0, 2);
            } else {
                for (int row = 0; row < 3; ++row) SetRow(parentMatrix_, row, *from, RowLength(parentMatrix_, row));
            }
        }
    }
    if (IsBoundAlways(scale) && scale != rotation) {
        if (const Matrix43* from = source(scale))
            for (int row = 0; row < 3; ++row) SetRow(parentMatrix_, row, parentMatrix_, RowLength(*from, row));
    }
}

void Instance::AdvanceValues() {
    const float t = age_;
    const float x = TimeFraction(age_, life_);
    const LocationParameter& location = node_->location;
    switch (location.kind) {
    case kLocationFixed: location_ = location.fixed; break;
    case kLocationPva: location_ = Pva(locationValues_, t); break;
    case kLocationEasing: location_ = location.easing.GetValue(locationValues_[0], locationValues_[1], x); break;
    case kLocationFCurve:
        location_ = location.curve ? CurveValue(*location.curve, locationValues_[0], t) : Vector3D();
        break;
    default: location_ = Vector3D(); break;
    }
    if (node_->generationPoint.rotateFlag == 0) {
        location_.x += generationMatrix_.value[3][0];
        location_.y += generationMatrix_.value[3][1];
        location_.z += generationMatrix_.value[3][2];
    }
    if (node_->gravity.kind == kGravityOn) Vector3D::Scale(gravityOffset_, node_->gravity.value, t * t * 0.5f);

    const RotationParameter& rotation = node_->rotation;
    switch (rotation.kind) {
    case kRotationPva: rotation_ = Pva(rotationValues_, t); break;
    case kRotationEasing: rotation_ = rotation.easing.GetValue(rotationValues_[0], rotationValues_[1], x); break;
    case kRotationAxisPva: axisAngle_ = axisValues_[0] + axisValues_[1] * t + axisValues_[2] * t * t * 0.5f; break;
    case kRotationAxisEasing: axisAngle_ = rotation.axisEasing.angle.GetValue(axisValues_[0], axisValues_[1], x); break;
    case kRotationFCurve:
        if (rotation.curve) rotation_ = CurveValue(*rotation.curve, rotationValues_[0], t);
        break;
    default: break;
    }

    const ScaleParameter& scale = node_->scale;
    switch (scale.kind) {
    case kScalePva: scale_ = Pva(scaleValues_, t); break;
    case kScaleEasing: scale_ = scale.easing.GetValue(scaleValues_[0], scaleValues_[1], x); break;
    case kScaleSinglePva: {
        float s = uniformScaleValues_[0] + uniformScaleValues_[1] * t + uniformScaleValues_[2] * t * t * 0.5f;
        scale_ = Vector3D(s, s, s);
        break;
    }
    case kScaleSingleEasing: {
        float s = scale.singleEasing.GetValue(uniformScaleValues_[0], uniformScaleValues_[1], x);
        scale_ = Vector3D(s, s, s);
        break;
    }
    case kScaleFCurve:
        if (scale.curve) scale_ = CurveValue(*scale.curve, scaleValues_[0], t);
        break;
    default: break;
    }
    node_->UpdateInstanceValues(*this);
}

// scaling x rotation x translation(location) x generation x parent x
// translation(gravity), written out: the scaling and the translations only
// touch rows, so they cost no matrix product.
void Instance::BuildGlobalMatrix() {
    Matrix43 m;
    switch (node_->rotation.kind) {
    case kRotationFixed:
    case kRotationPva:
    case kRotationEasing:
    case kRotationFCurve:
        m.SetRotationZXY(rotation_.z, rotation_.x, rotation_.y);
        break;
    case kRotationAxisPva:
    case kRotationAxisEasing:
        m.SetRotationAxis(rotation_, axisAngle_);
        break;
    default:
        m.SetIdentity();
        break;
    }
    const float scale[3] = {scale_.x, scale_.y, scale_.z};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m.value[row][col] *= scale[row];
    m.value[3][0] = location_.x;
    m.value[3][1] = location_.y;
    m.value[3][2] = location_.z;
    if (node_->generationPoint.rotateFlag != 0) Matrix43::Multiply(m, m, generationMatrix_);
    if (parentIsIdentity_) {
        globalMatrix_ = m;
    } else {
        Matrix43::Multiply(globalMatrix_, m, parentMatrix_);
    }
    globalMatrix_.value[3][0] += gravityOffset_.x;
    globalMatrix_.value[3][1] += gravityOffset_.y;
    globalMatrix_.value[3][2] += gravityOffset_.z;
}

void Instance::Draw() {
    if (!node_->drawn) return;
    if (sequenceNumber_ != manager_->GetSequenceNumber()) CalculateMatrix(0.0f);
    node_->DrawInstance(*this);
}

TextureRect Instance::GetUV() const {
    const RendererCommon& common = node_->rendererCommon;
    const TextureRect whole{0.0f, 0.0f, 1.0f, 1.0f};
    const TextureRect& rect = common.uv;
    switch (common.uvKind) {
    case kUvFixed:
        return rect;
    case kUvAnimation: {
        const UvAnimation& animation = common.animation;
        if (animation.framesPerPicture <= 0 || animation.picturesAcross <= 0 || animation.picturesDown <= 0)
            return whole;
        int64_t across = animation.picturesAcross;
        int64_t pictures = across * animation.picturesDown;
        double frames = std::trunc(static_cast<double>(age_) / animation.framesPerPicture);
        int64_t f = frames > 0.0 ? static_cast<int64_t>(std::min(frames, 4e18)) : 0;
        if (animation.loopMode == 0) {
            if (f >= pictures) f = pictures - 1;
        } else if (animation.loopMode == 1) {
            f %= pictures;
        } else if (animation.loopMode == 2) {
            int64_t turn = f / pictures;
            f %= pictures;
            if (turn % 2 == 1) f = pictures - f - 1;
        }
        return TextureRect{rect.x + rect.width * static_cast<float>(f % across),
                           rect.y + rect.height * static_cast<float>(f / across), rect.width, rect.height};
    }
    case kUvScroll:
        return TextureRect{rect.x + common.scrollSpeed.x * age_, rect.y + common.scrollSpeed.y * age_, rect.width,
                           rect.height};
    default:
        return whole;
    }
}

}  // namespace Fx
