#include "fx/instance_container.h"

#include <cmath>
#include <new>

#include "fx/effect_node.h"
#include "fx/instance.h"
#include "fx/manager_implemented.h"
#include "platform/debug_log.h"

namespace Fx {

static_assert(kMaxNodeCount < kPlayWorkBudget, "a play's root instance always fits its budget");

namespace {

// An emptied list gives its buffer back: a group lives as long as its owner,
// and many lists that were once full would otherwise keep their peak.
constexpr size_t kKeptListCapacity = 16;

void Trim(std::vector<Instance*>& list) {
    if (list.empty() && list.capacity() > kKeptListCapacity) std::vector<Instance*>().swap(list);
}

}  // namespace

Instance* InstanceGlobal::GetRootInstance() const {
    if (rootContainer_ == nullptr || rootContainer_->GetFirstGroup() == nullptr) return nullptr;
    return rootContainer_->GetFirstGroup()->GetFirst();
}

bool InstanceGlobal::HasRoom(int32_t units) {
    if (work_ <= kPlayWorkBudget - units) return true;
    if (!overBudgetLogged_) LogWarning("An effect play is at its budget of %d; it makes no more.", kPlayWorkBudget);
    overBudgetLogged_ = true;
    return false;
}

InstanceGroup::InstanceGroup(ManagerImplemented* manager, EffectNode* node, InstanceContainer* container,
                             InstanceGlobal* global)
    : manager_(manager), node_(node), container_(container), global_(global) {
    global_->AddWork(1);
}

InstanceGroup::~InstanceGroup() {
    KillAllInstances();
    RemoveInvalidInstances();
    RemoveInvalidInstances();
    global_->AddWork(-1);
}

Instance* InstanceGroup::CreateInstance() {
    const int32_t work = container_->InstanceWork();
    if (!global_->HasRoom(work)) return nullptr;
    Instance* instance;
    if (node_->GetType() == kNodeRoot) {
        instance = new Instance(manager_, node_, container_);
    } else {
        void* buffer = manager_->PopFreeInstance();
        if (buffer == nullptr) return nullptr;
        instance = new (buffer) Instance(manager_, node_, container_);
    }
    instances_.push_back(instance);
    global_->IncInstanceCount();
    global_->AddWork(work);
    return instance;
}

void InstanceGroup::Update(float deltaFrame, bool shown) {
    RemoveInvalidInstances();
    // Compacts in place: an instance that is no longer Active moves to the
    // removing list, the others keep their order. Updating may append to
    // other groups, never to this one.
    size_t kept = 0;
    for (size_t i = 0; i < instances_.size(); ++i) {
        Instance* instance = instances_[i];
        if (instance->GetState() == kInstanceActive) instance->Update(deltaFrame, shown);
        if (instance->GetState() == kInstanceActive) {
            instances_[kept++] = instance;
        } else {
            removing_.push_back(instance);
        }
    }
    instances_.resize(kept);
    Trim(instances_);
}

void InstanceGroup::SetBaseMatrix(const Matrix43& matrix) {
    for (Instance* instance : instances_) {
        if (instance->GetState() != kInstanceActive) continue;
        Matrix43 global;
        Matrix43::Multiply(global, instance->GetGlobalMatrix43(), matrix);
        instance->SetGlobalMatrix43(global);
    }
}

void InstanceGroup::KillAllInstances() {
    for (Instance* instance : instances_) {
        if (instance->GetState() == kInstanceActive) instance->Kill();
        removing_.push_back(instance);
    }
    instances_.clear();
    Trim(instances_);
}

void InstanceGroup::Release(Instance* instance) {
    if (node_->GetType() == kNodeRoot) {
        delete instance;
    } else {
        instance->~Instance();
        manager_->PushFreeInstance(instance);
    }
    global_->DecInstanceCount();
    global_->AddWork(-container_->InstanceWork());
}

void InstanceGroup::RemoveInvalidInstances() {
    size_t kept = 0;
    for (size_t i = 0; i < removing_.size(); ++i) {
        Instance* instance = removing_[i];
        if (instance->GetState() == kInstanceRemoved) {
            Release(instance);
            continue;
        }
        instance->MarkRemoved();
        removing_[kept++] = instance;
    }
    removing_.resize(kept);
    Trim(removing_);
}

void InstanceGroup::RemoveForcibly() {
    KillAllInstances();
    RemoveInvalidInstances();
    RemoveInvalidInstances();
}

InstanceContainer::InstanceContainer(ManagerImplemented* manager, EffectNode* node, InstanceGlobal* global)
    : manager_(manager), node_(node), global_(global), childCount_(node->GetChildCount()),
      quietChildrenEnd_(-INFINITY) {
    unsigned int size = static_cast<unsigned int>(sizeof(InstanceContainer*) * static_cast<size_t>(childCount_));
    children_ = static_cast<InstanceContainer**>(manager_->GetMallocFunc()(size));
    for (int i = 0; i < childCount_; ++i) {
        children_[i] = nullptr;
        const NodeCommon& child = node->GetChild(i)->common;
        if (child.maxGeneration > 0 && child.generationInterval > 0.0f) {
            generatingChildren_.push_back(i);
            continue;
        }
        const float end = LastGenerationEnd(child);
        if (std::isnan(end) || end > quietChildrenEnd_) quietChildrenEnd_ = end;
    }
}

InstanceContainer::~InstanceContainer() {
    RemoveForcibly(false);
    // Groups whose owners were never killed (a tree torn down out of order)
    // go too: nothing can reach them once the container is gone.
    while (firstGroup_ != nullptr) {
        InstanceGroup* next = firstGroup_->nextInContainer;
        delete firstGroup_;
        firstGroup_ = next;
    }
    lastGroup_ = nullptr;
    for (int i = 0; i < childCount_; ++i) {
        if (children_[i] == nullptr) continue;
        children_[i]->~InstanceContainer();
        manager_->GetFreeFunc()(children_[i], sizeof(InstanceContainer));
        children_[i] = nullptr;
    }
    manager_->GetFreeFunc()(children_, static_cast<unsigned int>(sizeof(InstanceContainer*) * childCount_));
}

InstanceGroup* InstanceContainer::CreateGroup() {
    auto* group = new InstanceGroup(manager_, node_, this, global_);
    if (lastGroup_ == nullptr) {
        firstGroup_ = group;
    } else {
        lastGroup_->nextInContainer = group;
    }
    lastGroup_ = group;
    return group;
}

void InstanceContainer::Update(bool recursive, float deltaFrame, bool shown) {
    for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer)
        group->Update(deltaFrame, shown);
    RemoveInvalidGroups();
    if (!recursive) return;
    for (int i = 0; i < childCount_; ++i) children_[i]->Update(true, deltaFrame, shown);
}

void InstanceContainer::RemoveInvalidGroups() {
    InstanceGroup* kept = nullptr;
    for (InstanceGroup* group = firstGroup_; group != nullptr;) {
        InstanceGroup* next = group->nextInContainer;
        if (!group->referencedByInstance && group->GetInstanceCount() == 0 && group->GetRemovingCount() == 0) {
            if (kept == nullptr) {
                firstGroup_ = next;
            } else {
                kept->nextInContainer = next;
            }
            delete group;
        } else {
            kept = group;
        }
        group = next;
    }
    lastGroup_ = kept;
}

void InstanceContainer::SetBaseMatrix(bool recursive, const Matrix43& matrix) {
    if (node_->GetType() != kNodeRoot)
        for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer)
            group->SetBaseMatrix(matrix);
    if (!recursive) return;
    for (int i = 0; i < childCount_; ++i) children_[i]->SetBaseMatrix(true, matrix);
}

void InstanceContainer::KillAllInstances(bool recursive) {
    for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer)
        group->KillAllInstances();
    if (!recursive) return;
    for (int i = 0; i < childCount_; ++i) children_[i]->KillAllInstances(true);
}

void InstanceContainer::RemoveForcibly(bool recursive) {
    for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer)
        group->KillAllInstances();
    for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer)
        group->RemoveForcibly();
    RemoveInvalidGroups();
    if (!recursive) return;
    for (int i = 0; i < childCount_; ++i) children_[i]->RemoveForcibly(true);
}

void InstanceContainer::Draw(bool recursive) {
    NodeType type = node_->GetType();
    if (type != kNodeRoot && type != kNodePlain) {
        int32_t count = 0;
        for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer)
            for (Instance* instance : group->GetInstances())
                if (instance->GetState() == kInstanceActive) ++count;
        if (count > 0) {
            node_->BeginDrawing(count);
            for (InstanceGroup* group = firstGroup_; group != nullptr; group = group->nextInContainer) {
                node_->BeginDrawingGroup(group->GetInstanceCount());
                const std::vector<Instance*>& instances = group->GetInstances();
                if (node_->drawOrder == 0) {
                    for (Instance* instance : instances)
                        if (instance->GetState() == kInstanceActive) instance->Draw();
                } else {
                    for (auto it = instances.rbegin(); it != instances.rend(); ++it)
                        if ((*it)->GetState() == kInstanceActive) (*it)->Draw();
                }
            }
            node_->EndDrawing();
        }
    }
    if (!recursive) return;
    for (int i = 0; i < childCount_; ++i) children_[i]->Draw(true);
}

}  // namespace Fx
