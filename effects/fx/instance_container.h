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
//
// An instance makes its group for a child node when it first generates one,
// and a play holds at most kPlayWorkBudget units of work: each group is one,
// each instance one plus the child nodes it can generate (what updating it
// costs a frame). Past the budget no more are made, as when the pool runs dry,
// so no file costs a play more than a few tens of megabytes or milliseconds.
#pragma once

#include <cstdint>
#include <vector>

#include "fx/matrix43.h"

namespace Fx {

class EffectNode;
class Instance;
class InstanceContainer;
class ManagerImplemented;

constexpr int32_t kPlayWorkBudget = 65536;

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
    // Whether `units` more work fit the budget; the first refusal is logged.
    bool HasRoom(int32_t units);
    void AddWork(int32_t units) { work_ += units; }

private:
    int32_t work_ = 0;
    bool overBudgetLogged_ = false;
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
    // manager's pool is empty or the play's budget has no room for it.
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
    int32_t childIndex = 0;  // of the owner's node; the owner keeps its groups in this order
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
    // The children of the node that can generate at all, in child order; the
    // others generate nothing and are done by GetQuietChildrenEnd.
    const std::vector<int32_t>& GetGeneratingChildren() const { return generatingChildren_; }
    float GetQuietChildrenEnd() const { return quietChildrenEnd_; }
    // What one instance of the node costs the play's budget.
    int32_t InstanceWork() const { return 1 + static_cast<int32_t>(generatingChildren_.size()); }

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
    std::vector<int32_t> generatingChildren_;
    float quietChildrenEnd_;  // NaN: never
    InstanceGroup* firstGroup_ = nullptr;
    InstanceGroup* lastGroup_ = nullptr;
};

}  // namespace Fx
