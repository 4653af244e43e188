// Collections and their items: joining and leaving, moving, update batching and Assign.
#include "core/collection.h"

#include "core/exception.h"

#include <algorithm>
#include <utility>

namespace core {

namespace {

[[noreturn]] void IndexError(int index)
{
    throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

// Runs body inside BeginUpdate/EndUpdate. When body fails, the update still ends, and a failure of
// that change notification goes to the application handler so that the first error propagates.
template <class Body>
void InUpdate(Collection& collection, Body body)
{
    collection.BeginUpdate();
    try {
        body();
    } catch (...) {
        try {
            collection.EndUpdate();
        } catch (...) {
            HandleException();
        }
        throw;
    }
    collection.EndUpdate();
}

} // namespace

// ---- CollectionItem ----

CollectionItem::CollectionItem(core::Collection* collection)
{
    if (!collection)
        return;
    try {
        collection->InsertItem(this);
    } catch (...) {
        // The destructor will not run for a half-made item: leave no pointer to it behind.
        if (m_collection)
            m_collection->Detach(this);
        throw;
    }
}

CollectionItem::~CollectionItem()
{
    if (!m_collection)
        return;
    try {
        m_collection->RemoveItem(this);
    } catch (...) {
        HandleException();
    }
}

void CollectionItem::SetCollection(core::Collection* collection)
{
    if (collection == m_collection)
        return;
    if (m_collection)
        m_collection->RemoveItem(this);
    if (collection)
        collection->InsertItem(this);
}

int CollectionItem::Index() const
{
    if (!m_collection)
        return -1;
    const auto& items = m_collection->m_items;
    const auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : int(it - items.begin());
}

void CollectionItem::SetIndex(int index)
{
    const int current = Index();
    if (current < 0 || current == index)
        return;
    auto& items = m_collection->m_items;
    if (index < 0 || index >= int(items.size()))
        IndexError(index);
    if (index < current)
        std::rotate(items.begin() + index, items.begin() + current, items.begin() + current + 1);
    else
        std::rotate(items.begin() + current, items.begin() + current + 1, items.begin() + index + 1);
    Changed(true);
}

String CollectionItem::DisplayName() const
{
    return ClassName();
}

void CollectionItem::Changed(bool allItems)
{
    if (m_collection && m_collection->m_update_count == 0)
        m_collection->Update(allItems ? nullptr : this);
}

// ---- Collection ----

Collection::Collection(ItemFactory factory, Persistent* owner) : m_factory(std::move(factory)), m_owner(owner) {}

Collection::~Collection()
{
    // No change notifications while going: the derived part is gone already.
    m_update_count = 1;
    while (!m_items.empty())
        delete m_items.back();
}

CollectionItem* Collection::Items(int index) const
{
    if (index < 0 || index >= Count())
        IndexError(index);
    return m_items[size_t(index)];
}

CollectionItem* Collection::Add()
{
    return AddMade([this] { return m_factory ? m_factory(this) : new CollectionItem(this); });
}

CollectionItem* Collection::AddMade(const std::function<CollectionItem*()>& make)
{
    // Saved and restored: an item's constructor may itself add to this collection.
    const bool savedQuiet = std::exchange(m_join_quietly, true);
    CollectionItem* const savedItem = std::exchange(m_quiet_item, nullptr);
    CollectionItem* item = nullptr;
    CollectionItem* quiet = nullptr;
    try {
        item = make();
    } catch (...) {
        m_join_quietly = savedQuiet;
        m_quiet_item = savedItem;
        throw;
    }
    quiet = m_quiet_item;
    m_join_quietly = savedQuiet;
    m_quiet_item = savedItem;

    CORE_ASSERT(item != nullptr, u"Collection item factory returned nil");
    if (quiet && quiet != item && quiet->m_collection == this && !quiet->m_announced)
        Announce(quiet);
    if (!item->m_collection) {
        InsertItem(item);
    } else if (item->m_collection != this) {
        CORE_ASSERT(false, u"Collection item factory made an item of another collection");
    } else if (!item->m_announced) {
        Announce(item);
    }
    return item;
}

void Collection::InsertItem(CollectionItem* item)
{
    m_items.push_back(item);
    item->m_collection = this;
    item->m_id = m_next_id++;
    item->m_announced = false;
    if (m_join_quietly && !m_quiet_item) {
        m_join_quietly = false;
        m_quiet_item = item;
        return;
    }
    Announce(item);
}

void Collection::Announce(CollectionItem* item)
{
    item->m_announced = true;
    Notify(item, cnAdded);
    Changed();
}

void Collection::RemoveItem(CollectionItem* item)
{
    if (!item->m_announced) {
        Detach(item);
        return;
    }
    try {
        Notify(item, cnExtracting);
    } catch (...) {
        Detach(item);
        throw;
    }
    Detach(item);
    Changed();
}

void Collection::Detach(CollectionItem* item)
{
    if (!m_items.empty() && m_items.back() == item) {
        m_items.pop_back();
    } else {
        const auto it = std::find(m_items.begin(), m_items.end(), item);
        if (it != m_items.end())
            m_items.erase(it);
    }
    item->m_collection = nullptr;
    item->m_announced = false;
    if (m_quiet_item == item)
        m_quiet_item = nullptr;
}

CollectionItem* Collection::Insert(int index)
{
    if (index < 0 || index > Count())
        IndexError(index);
    CollectionItem* item = Add();
    if (item->Index() != index)
        item->SetIndex(index);
    return item;
}

void Collection::Delete(int index)
{
    CollectionItem* item = Items(index);
    Notify(item, cnDeleting);
    delete item;
}

void Collection::Clear()
{
    if (m_items.empty())
        return;
    InUpdate(*this, [this] {
        while (!m_items.empty())
            delete m_items.back();
    });
}

CollectionItem* Collection::FindItemID(int id) const
{
    for (CollectionItem* item : m_items) {
        if (item->m_id == id)
            return item;
    }
    return nullptr;
}

void Collection::EndUpdate()
{
    if (m_update_count > 0)
        --m_update_count;
    Changed();
}

void Collection::Changed()
{
    if (m_update_count == 0)
        Update(nullptr);
}

void Collection::Update(CollectionItem*) {}

void Collection::Notify(CollectionItem*, CollectionNotification) {}

void Collection::Assign(const Persistent& source)
{
    const auto* other = dynamic_cast<const Collection*>(&source);
    if (!other) {
        Persistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    InUpdate(*this, [this, other] {
        Clear();
        for (int i = 0; i < other->Count(); ++i)
            Add()->Assign(*other->m_items[size_t(i)]);
    });
}

} // namespace core
