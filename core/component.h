// Components: named objects held in an ownership tree. An owner frees what it owns; components that
// keep pointers to each other ask for free notification, so that whichever is freed first tells the
// other and no pointer is left dangling.
#pragma once

#include "core/collection.h"
#include "core/persistent.h"

#include <cstdint>
#include <vector>

namespace core {

enum ComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFreeNotification = 1u << 7,
    csInline = 1u << 8,
    csDesignInstance = 1u << 9,
};
using ComponentStates = unsigned; // a set of ComponentStateFlag

enum Operation { opInsert, opRemove };

// Ownership rules:
// - A component made with an owner is inserted into the owner's list by its constructor; it must
//   then live on the heap, because the owner deletes it.
// - The owner's destructor frees the owned components last first (reverse order of insertion).
// - Deleting an owned component directly takes it out of its owner's list; the owner receives
//   Notification(component, opRemove).
// - Notification(c, op) of the base class forwards to every owned component (and so down the whole
//   tree); overrides call the base. A component under destruction is passed as a Component* only:
//   its derived part is already gone, so receivers compare the pointer and never cast it down.
// - The opInsert notification that a constructor sends reaches the owner while the new component is
//   itself still being constructed: the same rule applies.
class Component : public Persistent {
public:
    explicit Component(Component* owner = nullptr);
    ~Component() override;

    // Ownership.
    Component* Owner() const { return m_owner; }
    int ComponentCount() const { return int(m_components.size()); }
    // EListError "List index out of bounds (%d)" outside 0..ComponentCount()-1.
    Component* Components(int index) const;
    // The place in the owner's list, -1 without owner. Setting clips to the list and moves.
    int ComponentIndex() const;
    void SetComponentIndex(int index);
    // The owned component of that name, compared without case; null for an empty name or none.
    Component* FindComponent(StringView name) const;
    // Takes component over (from its previous owner, if any). EComponentError when it would own
    // itself or one of its owners, or when its name is taken here.
    void InsertComponent(Component* component);
    // Lets go of an owned component without freeing it (nothing when it is not owned here).
    void RemoveComponent(Component* component);
    // Frees every owned component, last first.
    void DestroyComponents();

    // Name and tag. Names are empty or identifiers (a letter or "_", then letters, digits and "_");
    // SetName raises EComponentError "''<name>'' is not a valid component name" or, when a sibling
    // has it already (compared without case), "A component named <name> already exists".
    const String& Name() const { return m_name; }
    virtual void SetName(StringView name);
    intptr_t Tag() const { return m_tag; }
    void SetTag(intptr_t tag) { m_tag = tag; }

    // State.
    ComponentStates ComponentState() const { return m_state; }
    bool HasState(ComponentStateFlag flag) const { return (m_state & flag) != 0; }
    // Marks the start of loading (csLoading); Loaded() ends it once the properties are set.
    void BeginLoad() { m_state |= csLoading; }
    virtual void Loaded();
    void SetReading(bool value) { SetFlag(csReading, value); }
    void SetWriting(bool value) { SetFlag(csWriting, value); }
    void SetDesigning(bool value, bool setChildren = true);
    void SetInline(bool value) { SetFlag(csInline, value); }
    void SetDesignInstance(bool value) { SetFlag(csDesignInstance, value); }
    void SetAncestor(bool value);
    virtual void Updating() { m_state |= csUpdating; }
    virtual void Updated() { m_state &= ~unsigned(csUpdating); }
    // Enters csDestroying through the virtual Destroying(). The destructor does it too, but by then
    // only this base's version can run: a class that overrides Destroying() calls this first in its
    // own destructor (owners call it on what they own before freeing it).
    void BeforeDestruction();

    // Free notification: after a.FreeNotification(b), b receives Notification(a, opRemove) when a is
    // freed, and a receives Notification(b, opRemove) when b is freed. Links are kept on both sides
    // and undone by either death or by RemoveFreeNotification.
    void FreeNotification(Component* component);
    void RemoveFreeNotification(Component* component);

protected:
    virtual void Notification(Component* component, Operation operation);
    // Sets csDestroying here and in every owned component.
    virtual void Destroying();
    // Raises the duplicate-name error when another owned component already has newName.
    virtual void ValidateRename(Component* component, StringView currentName, StringView newName);

private:
    void SetFlag(ComponentStateFlag flag, bool value);
    void Unlink(Component* component);
    void TellLinked(); // while being freed
    bool Owns(const Component* component) const; // directly or further down
    void Detach(Component* component);           // out of the list, without notification
    bool Told(const Component* component) const;

    Component* m_owner = nullptr;
    std::vector<Component*> m_components;     // owned, in insertion order
    std::vector<Component*> m_free_notifies;  // linked both ways
    std::vector<Component*> m_told;           // told directly while this one is being freed
    String m_name;
    intptr_t m_tag = 0;
    ComponentStates m_state = 0;
};

} // namespace core
