// A played effect lives as a tree of instance containers mirroring the
// effect's node tree: one container per node per play. A container holds
// groups; a group holds the instances one parent instance generated for the
// container's node. One InstanceGlobal per play counts its instances and the
// frames it has run. The manager builds, drives and destroys the tree under
// its lock; the tree itself holds none.
//
// A dead instance leaves its group's instance list for the removing list,
// becomes Removed at the group's next update and is released at the one
// after, so children and drawing may still read it for one update.
#pragma once

#include <cstdint>
#include <vector>

#include "fx/matrix43.h"

namespace Fx {

class EffectNode;
class Instance;
class InstanceContainer;
class ManagerImplemented;

class InstanceGlobal {
public:
    virtual ~InstanceGlobal() = default;

    void IncInstanceCount() { ++instanceCount_; }
    void DecInstanceCount() { --instanceCount_; }
    int32_t GetInstanceCount() const { return instanceCount_; }
    void AddUpdatedFrame(float delta) { updatedFrame_ += delta; }
    float GetUpdatedFrame() const { return updatedFrame_; }
    void SetRootContainer(InstanceContainer* container) { rootContainer_ = container; }
    InstanceContainer* GetRootContainer() const { return rootContainer_; }
    // The play's root instance; null while the play has no tree.
    Instance* GetRootInstance() const;

private:
    int32_t instanceCount_ = 0;
    float updatedFrame_ = 0.0f;
    InstanceContainer* rootContainer_ = nullptr;
};

class InstanceGroup {
public:
    InstanceGroup(ManagerImplemented* manager, EffectNode* node, InstanceContainer* container,
                  InstanceGlobal* global);
    ~InstanceGroup();
    InstanceGroup(const InstanceGroup&) = delete;
    InstanceGroup& operator=(const InstanceGroup&) = delete;

    // A new, not yet initialised instance appended to the list; null when the
    // manager's pool is empty.
    Instance* CreateInstance();
    Instance* GetFirst() const { return instances_.empty() ? nullptr : instances_.front(); }
    int32_t GetInstanceCount() const { return static_cast<int32_t>(instances_.size()); }
    int32_t GetRemovingCount() const { return static_cast<int32_t>(removing_.size()); }
    const std::vector<Instance*>& GetInstances() const { return instances_; }

    void Update(float deltaFrame, bool shown);
    void SetBaseMatrix(const Matrix43& matrix);
    void KillAllInstances();
    // Removing instances become Removed; Removed ones are released.
    void RemoveInvalidInstances();
    void RemoveForcibly();

    bool referencedByInstance = true;
    InstanceGroup* nextInInstance = nullptr;
    InstanceGroup* nextInContainer = nullptr;

private:
    void Release(Instance* instance);

    ManagerImplemented* manager_;
    EffectNode* node_;
    InstanceContainer* container_;
    InstanceGlobal* global_;
    std::vector<Instance*> instances_;  // all Active when a pass begins
    std::vector<Instance*> removing_;   // Removing or Removed, in the order they left
};

class InstanceContainer {
public:
    InstanceContainer(ManagerImplemented* manager, EffectNode* node, InstanceGlobal* global);
    // Releases every instance and child container; the container's own
    // memory is the manager's to release.
    virtual ~InstanceContainer();
    InstanceContainer(const InstanceContainer&) = delete;
    InstanceContainer& operator=(const InstanceContainer&) = delete;

    InstanceContainer* GetChild(int index) const { return children_[index]; }
    void SetChild(int index, InstanceContainer* child) { children_[index] = child; }
    int GetChildCount() const { return childCount_; }
    EffectNode* GetNode() const { return node_; }
    InstanceGlobal* GetGlobal() const { return global_; }

    InstanceGroup* CreateGroup();
    InstanceGroup* GetFirstGroup() const { return firstGroup_; }

    void Update(bool recursive, float deltaFrame, bool shown);
    void SetBaseMatrix(bool recursive, const Matrix43& matrix);
    void KillAllInstances(bool recursive);
    void RemoveForcibly(bool recursive);
    void Draw(bool recursive);
    // Drops groups that no instance owns any more and that are empty.
    void RemoveInvalidGroups();

private:
    ManagerImplemented* manager_;
    EffectNode* node_;
    InstanceGlobal* global_;
    InstanceContainer** children_;
    int childCount_;
    InstanceGroup* firstGroup_ = nullptr;
    InstanceGroup* lastGroup_ = nullptr;
};

}  // namespace Fx
