#include "core/collection.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace core;

namespace {

class Column : public CollectionItem {
public:
    explicit Column(core::Collection* collection) : CollectionItem(collection)
    {
        // A derived constructor already sees its place, as the tree's columns need.
        position = Index();
    }
    int width = 50;
    int position = -1;
    String caption;

    void SetWidth(int value)
    {
        width = value;
        Changed(false);
    }
    void Assign(const Persistent& source) override
    {
        if (auto other = dynamic_cast<const Column*>(&source)) {
            width = other->width;
            caption = other->caption;
            Changed(false);
            return;
        }
        CollectionItem::Assign(source);
    }
    String DisplayName() const override { return caption.empty() ? CollectionItem::DisplayName() : caption; }
};

// Counts change notifications and keeps a log of item notifications.
class Columns : public Collection {
public:
    explicit Columns(Persistent* owner = nullptr)
        : Collection([](Collection* c) { return new Column(c); }, owner)
    {
    }
    ~Columns() override { Clear(); }

    int updates = 0;
    std::vector<CollectionItem*> updatedItems;
    std::vector<String> log;

    Column* Col(int i) const { return static_cast<Column*>(Items(i)); }

protected:
    void Update(CollectionItem* item) override
    {
        ++updates;
        updatedItems.push_back(item);
        // Announced items are complete: their derived part may be used here.
        if (item)
            static_cast<Column*>(item)->position = item->Index();
    }
    void Notify(CollectionItem* item, CollectionNotification action) override
    {
        static const char16_t* names[] = {u"added", u"extracting", u"deleting"};
        String entry = names[action] + String(u" ") + IntToStr(item->ID());
        if (action == cnAdded)
            entry += u" w" + IntToStr(static_cast<Column*>(item)->width); // fully constructed
        log.push_back(entry);
    }
};

std::vector<int> Ids(const Collection& c)
{
    std::vector<int> ids;
    for (int i = 0; i < c.Count(); ++i)
        ids.push_back(c.Items(i)->ID());
    return ids;
}

} // namespace

TEST(Collection, AddInsertDeleteKeepOrderAndIncreasingIds)
{
    Columns columns;
    for (int i = 0; i < 3; ++i)
        columns.Add();
    EXPECT_EQ(columns.Col(2)->position, 2);
    columns.Insert(0);
    EXPECT_EQ(Ids(columns), (std::vector<int>{3, 0, 1, 2}));
    columns.Delete(2);
    EXPECT_EQ(Ids(columns), (std::vector<int>{3, 0, 2}));
    columns.Add();
    EXPECT_EQ(Ids(columns), (std::vector<int>{3, 0, 2, 4})); // IDs are never reused
    EXPECT_EQ(columns.FindItemID(2), columns.Items(2));
    EXPECT_EQ(columns.FindItemID(1), nullptr);

    const std::vector<String> expected = {u"added 0 w50", u"added 1 w50", u"added 2 w50", u"added 3 w50",
                                          u"deleting 1", u"extracting 1", u"added 4 w50"};
    EXPECT_EQ(columns.log, expected);
    for (int bad : {-1, 4}) {
        try {
            columns.Delete(bad);
            ADD_FAILURE();
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), u"List index out of bounds (" + IntToStr(bad) + u")");
        }
    }
    EXPECT_THROW(columns.Insert(5), EListError);
    EXPECT_EQ(columns.Count(), 4);
}

TEST(Collection, SetIndexMovesAndShiftsTheOthers)
{
    struct Case { int from, to; std::vector<int> ids; } cases[] = {
        {0, 3, {1, 2, 3, 0}},
        {3, 0, {3, 0, 1, 2}},
        {1, 2, {0, 2, 1, 3}},
        {2, 2, {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        Columns columns;
        for (int i = 0; i < 4; ++i)
            columns.Add();
        columns.updates = 0;
        columns.Items(c.from)->SetIndex(c.to);
        EXPECT_EQ(Ids(columns), c.ids) << c.from << " -> " << c.to;
        EXPECT_EQ(columns.updates, c.from == c.to ? 0 : 1);
    }
    Columns columns;
    columns.Add();
    EXPECT_THROW(columns.Items(0)->SetIndex(1), EListError);
    EXPECT_EQ(CollectionItem().Index(), -1);
}

TEST(Collection, UpdatesAreBatchedUntilTheOutermostEndUpdate)
{
    Columns columns;
    columns.Add();
    columns.Add();
    EXPECT_EQ(columns.updates, 2);
    columns.Col(1)->SetWidth(80);
    EXPECT_EQ(columns.updates, 3);
    EXPECT_EQ(columns.updatedItems.back(), columns.Items(1)); // an item change names the item

    columns.updates = 0;
    columns.BeginUpdate();
    columns.BeginUpdate();
    columns.Add();
    columns.Col(0)->SetWidth(10);
    columns.Delete(2);
    columns.EndUpdate();
    EXPECT_EQ(columns.updates, 0);
    EXPECT_EQ(columns.UpdateCount(), 1);
    columns.EndUpdate();
    EXPECT_EQ(columns.updates, 1);
    EXPECT_EQ(columns.updatedItems.back(), nullptr);

    columns.updates = 0;
    columns.Clear();
    EXPECT_EQ(columns.Count(), 0);
    EXPECT_EQ(columns.updates, 1);
}

TEST(Collection, FreeingAnItemTakesItOut)
{
    Columns columns;
    columns.Add();
    auto middle = columns.Add();
    columns.Add();
    delete middle;
    EXPECT_EQ(columns.Count(), 2);
    EXPECT_EQ(Ids(columns), (std::vector<int>{0, 2}));

    // Moving an item to another collection.
    Columns other;
    columns.Items(0)->SetCollection(&other);
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(other.Items(0)->Collection(), &other);
    EXPECT_EQ(columns.Count(), 1);
}

TEST(Collection, AssignCopiesItemsThroughTheirAssign)
{
    Columns source;
    for (int w : {10, 20, 30}) {
        auto c = source.Add<Column>();
        c->width = w;
        c->caption = u"c" + IntToStr(w);
    }
    Columns dest;
    dest.Add();
    dest.updates = 0;
    dest.Assign(source);
    ASSERT_EQ(dest.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dest.Col(i)->width, source.Col(i)->width);
        EXPECT_EQ(dest.Items(i)->DisplayName(), source.Items(i)->DisplayName());
    }
    EXPECT_EQ(dest.updates, 1);

    // Plain items cannot copy themselves, and a collection takes only a collection.
    Collection plain;
    plain.Add();
    Collection plainCopy;
    try {
        plainCopy.Assign(plain);
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), u"Cannot assign a CollectionItem to a CollectionItem");
    }
    EXPECT_EQ(plainCopy.UpdateCount(), 0); // the update ended despite the error
    EXPECT_THROW(plainCopy.Assign(*plain.Items(0)), EConvertError);
    EXPECT_EQ(plain.Items(0)->DisplayName(), u"CollectionItem");
}

TEST(Collection, OwnerAndFailingItemConstructor)
{
    Collection owner;
    Columns columns(&owner);
    EXPECT_EQ(columns.Owner(), &owner);

    struct Failing : CollectionItem {
        explicit Failing(core::Collection* c) : CollectionItem(c) { throw EInvalidOperation(u"no"); }
    };
    EXPECT_THROW(columns.Add<Failing>(), EInvalidOperation);
    EXPECT_EQ(columns.Count(), 0);
    EXPECT_TRUE(columns.log.empty()); // never announced, so never taken back either
}
