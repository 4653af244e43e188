// Collections: an owned, ordered list of items of one class (the columns of a header, the buttons of
// a title bar), with stable item IDs, change notification batched by BeginUpdate/EndUpdate, and
// copying item by item through Assign.
#pragma once

#include "core/persistent.h"

#include <functional>
#include <type_traits>
#include <vector>

namespace core {

class Collection;

class CollectionItem : public Persistent {
public:
    // Joins collection (may be null). Made through Collection::Add, the item is announced
    // (Notify cnAdded, then the change notification) once it is fully constructed; made directly,
    // the announcement comes from this constructor, while the derived part does not exist yet.
    explicit CollectionItem(core::Collection* collection = nullptr);
    // Leaves the collection.
    ~CollectionItem() override;

    core::Collection* Collection() const { return m_collection; }
    // Moves the item from its collection to another one (or to none).
    void SetCollection(core::Collection* collection);
    // Place in the collection, -1 without one. Setting moves the item (the others shift) and raises
    // EListError "List index out of bounds (%d)" outside 0..Count-1.
    int Index() const;
    void SetIndex(int index);
    // Unique within the collection, increasing in order of joining; never reused.
    int ID() const { return m_id; }
    // Name for editors and messages; the class name by default.
    virtual String DisplayName() const;

protected:
    // Tells the collection that this item (or, with allItems, the whole collection) changed;
    // nothing while the collection is inside BeginUpdate.
    void Changed(bool allItems);

private:
    friend class core::Collection;
    core::Collection* m_collection = nullptr;
    int m_id = 0;
    bool m_announced = false;
};

enum CollectionNotification { cnAdded, cnExtracting, cnDeleting };

class Collection : public Persistent {
public:
    // Makes one new item for the collection it is given (typically `new MyItem(collection)`).
    using ItemFactory = std::function<CollectionItem*(Collection*)>;

    // Without a factory, Add makes plain CollectionItem objects. owner is not owned.
    explicit Collection(ItemFactory factory = {}, Persistent* owner = nullptr);
    // Frees the items (last first) without change notifications.
    ~Collection() override;

    Persistent* Owner() const { return m_owner; }
    int Count() const { return int(m_items.size()); }
    // EListError "List index out of bounds (%d)" outside 0..Count-1.
    CollectionItem* Items(int index) const;

    // Appends a new item from the factory.
    CollectionItem* Add();
    // Appends a new item of class T, constructed as T(this).
    template <class T>
    T* Add()
    {
        static_assert(std::is_base_of_v<CollectionItem, T>, "collection items derive from CollectionItem");
        return static_cast<T*>(AddMade([this] { return static_cast<CollectionItem*>(new T(this)); }));
    }
    // A new item at index (0..Count; EListError outside).
    CollectionItem* Insert(int index);
    // Frees the item at index, after Notify(item, cnDeleting).
    void Delete(int index);
    // Frees every item, last first, inside one update.
    void Clear();
    CollectionItem* FindItemID(int id) const;

    // Nested; the change notification Update(nullptr) runs once, when the outermost EndUpdate ends.
    void BeginUpdate() { ++m_update_count; }
    void EndUpdate();
    int UpdateCount() const { return m_update_count; }

    // From another collection: clears this one and adds one item per source item, each copied by
    // the new item's Assign (so items must implement Assign). Anything else: the assignment error.
    void Assign(const Persistent& source) override;

protected:
    // The change notification: item is the one that changed, null when the whole collection did
    // (items added, removed, moved, or an update ended).
    virtual void Update(CollectionItem* item);
    // An item joined (cnAdded), is leaving (cnExtracting, also from the item's destructor, when only
    // its CollectionItem part is left) or is about to be freed by Delete (cnDeleting).
    virtual void Notify(CollectionItem* item, CollectionNotification action);
    // Update(nullptr) unless inside BeginUpdate.
    void Changed();

private:
    friend class CollectionItem;
    CollectionItem* AddMade(const std::function<CollectionItem*()>& make);
    void InsertItem(CollectionItem* item);
    void Announce(CollectionItem* item);
    void RemoveItem(CollectionItem* item);
    void Detach(CollectionItem* item); // out of the list, without notification

    ItemFactory m_factory;
    Persistent* m_owner = nullptr;
    std::vector<CollectionItem*> m_items; // owned
    int m_next_id = 0;
    int m_update_count = 0;
    // While Add runs its factory, the first item to join does so quietly; Add announces it.
    bool m_join_quietly = false;
    CollectionItem* m_quiet_item = nullptr;
};

} // namespace core
