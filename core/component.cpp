// Component ownership tree, names and free notification.
#include "core/component.h"

#include "core/exception.h"

#include <algorithm>

namespace core {

namespace {

bool IsIdentStart(Char c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool IsIdentChar(Char c) { return IsIdentStart(c) || (c >= u'0' && c <= u'9'); }

bool IsValidIdent(StringView name)
{
    if (name.empty() || !IsIdentStart(name[0]))
        return false;
    return std::all_of(name.begin() + 1, name.end(), IsIdentChar);
}

[[noreturn]] void IndexError(int index)
{
    throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

// Removes one occurrence, searching from the end: lists are mostly emptied last first.
bool EraseLast(std::vector<Component*>& list, const Component* item)
{
    for (size_t i = list.size(); i-- > 0;) {
        if (list[i] == item) {
            list.erase(list.begin() + ptrdiff_t(i));
            return true;
        }
    }
    return false;
}

} // namespace

Component::Component(Component* owner)
{
    if (!owner)
        return;
    try {
        owner->InsertComponent(this);
    } catch (...) {
        // The destructor will not run for a half-made object: leave no pointer to it behind.
        if (m_owner)
            m_owner->Detach(this);
        for (Component* other : m_free_notifies)
            other->Unlink(this);
        throw;
    }
}

Component::~Component()
{
    BeforeDestruction();
    TellLinked();
    DestroyComponents();
    if (m_owner) {
        try {
            m_owner->RemoveComponent(this);
        } catch (...) {
            HandleException();
        }
        if (m_owner)
            m_owner->Detach(this);
    }
    // A notification above may have linked to this component again; such links go too.
    TellLinked();
}

void Component::TellLinked()
{
    // Both ends of each link are undone before the receiver hears of it, so that a receiver that
    // does not call the base Notification still keeps no pointer.
    while (!m_free_notifies.empty()) {
        Component* other = m_free_notifies.back();
        m_free_notifies.pop_back();
        other->Unlink(this);
        m_told.push_back(other);
        try {
            other->Notification(this, opRemove);
        } catch (...) {
            HandleException();
        }
    }
}

Component* Component::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        IndexError(index);
    return m_components[size_t(index)];
}

int Component::ComponentIndex() const
{
    if (!m_owner)
        return -1;
    const auto& list = m_owner->m_components;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void Component::SetComponentIndex(int index)
{
    const int current = ComponentIndex();
    if (current < 0)
        return;
    auto& list = m_owner->m_components;
    index = std::clamp(index, 0, int(list.size()) - 1);
    if (index == current)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
}

Component* Component::FindComponent(StringView name) const
{
    if (name.empty())
        return nullptr;
    for (Component* c : m_components) {
        if (SameText(c->m_name, name))
            return c;
    }
    return nullptr;
}

bool Component::Owns(const Component* component) const
{
    for (const Component* c = component ? component->m_owner : nullptr; c; c = c->m_owner) {
        if (c == this)
            return true;
    }
    return false;
}

void Component::InsertComponent(Component* component)
{
    CORE_ASSERT(component != nullptr, u"Component must not be nil");
    if (component->m_owner == this)
        return;
    if (component == this || component->Owns(this))
        throw EComponentError(u"A component cannot own itself or one of its owners");
    ValidateRename(component, u"", component->m_name);
    if (component->m_owner)
        component->m_owner->RemoveComponent(component);
    m_components.push_back(component);
    component->m_owner = this;
    if (m_state & csDesigning)
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void Component::RemoveComponent(Component* component)
{
    if (!component || component->m_owner != this)
        return;
    try {
        Notification(component, opRemove);
    } catch (...) {
        Detach(component);
        throw;
    }
    Detach(component);
}

void Component::Detach(Component* component)
{
    EraseLast(m_components, component);
    component->m_owner = nullptr;
}

void Component::DestroyComponents()
{
    while (!m_components.empty()) {
        Component* child = m_components.back();
        // Only a component that others watch needs the notification round; the rest go quietly.
        if ((child->m_state & csFreeNotification) || (m_state & (csDesigning | csInline)) == (csDesigning | csInline)) {
            try {
                RemoveComponent(child);
            } catch (...) {
                HandleException();
            }
        } else {
            Detach(child);
        }
        child->BeforeDestruction();
        delete child;
    }
}

void Component::SetName(StringView name)
{
    if (m_name == name)
        return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError(u"''" + String(name) + u"'' is not a valid component name");
    if (m_owner)
        m_owner->ValidateRename(this, m_name, name);
    else
        ValidateRename(nullptr, m_name, name);
    m_name = String(name);
}

void Component::ValidateRename(Component* component, StringView currentName, StringView newName)
{
    if (!component || newName.empty() || SameText(currentName, newName))
        return;
    Component* found = FindComponent(newName);
    if (found && found != component)
        throw EComponentError(u"A component named " + String(newName) + u" already exists");
}

void Component::Loaded()
{
    m_state &= ~unsigned(csLoading);
}

void Component::SetFlag(ComponentStateFlag flag, bool value)
{
    if (value)
        m_state |= flag;
    else
        m_state &= ~unsigned(flag);
}

void Component::SetDesigning(bool value, bool setChildren)
{
    SetFlag(csDesigning, value);
    if (setChildren) {
        for (Component* c : m_components)
            c->SetDesigning(value, true);
    }
}

void Component::SetAncestor(bool value)
{
    SetFlag(csAncestor, value);
    for (Component* c : m_components)
        c->SetAncestor(value);
}

void Component::BeforeDestruction()
{
    if (!(m_state & csDestroying))
        Destroying();
}

void Component::Destroying()
{
    if (m_state & csDestroying)
        return;
    m_state |= csDestroying;
    // By index: an override may change the list.
    for (size_t i = 0; i < m_components.size(); ++i)
        m_components[i]->Destroying();
}

void Component::FreeNotification(Component* component)
{
    if (!component || component == this)
        return;
    if (std::find(m_free_notifies.begin(), m_free_notifies.end(), component) == m_free_notifies.end()) {
        m_free_notifies.push_back(component);
        component->m_free_notifies.push_back(this);
    }
    m_state |= csFreeNotification;
    component->m_state |= csFreeNotification;
}

void Component::RemoveFreeNotification(Component* component)
{
    if (!component)
        return;
    Unlink(component);
    component->Unlink(this);
}

void Component::Unlink(Component* component)
{
    EraseLast(m_free_notifies, component);
}

bool Component::Told(const Component* component) const
{
    return std::find(m_told.begin(), m_told.end(), component) != m_told.end();
}

void Component::Notification(Component* component, Operation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Last first; a receiver may add or free components meanwhile, so the index is re-clipped.
    size_t i = m_components.size();
    while (i > 0) {
        --i;
        Component* child = m_components[i];
        // A component being freed has told its linked components already; once is enough.
        if (!(operation == opRemove && component && component->Told(child)))
            child->Notification(component, operation);
        if (i > m_components.size())
            i = m_components.size();
    }
}

} // namespace core
