#include "core/component.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace core;

namespace {

// Records what happens to it in a shared log and keeps one pointer to another component, cleared
// when that one goes, as real components do with their linked components.
class Probe : public Component {
public:
    Probe(Component* owner, String name, std::vector<String>* log = nullptr) : Component(owner), m_log(log)
    {
        SetName(name);
    }
    ~Probe() override
    {
        BeforeDestruction();
        if (m_log)
            m_log->push_back(u"free " + Name());
    }

    Component* watched = nullptr;
    int removals = 0;
    int inserts = 0;
    bool destroyingSeen = false;
    bool callBase = true;

    void Watch(Component* other)
    {
        watched = other;
        other->FreeNotification(this);
    }

protected:
    void Notification(Component* component, Operation operation) override
    {
        if (callBase)
            Component::Notification(component, operation);
        if (operation == opInsert) {
            ++inserts;
        } else if (component != this) {
            ++removals;
            if (component == watched) {
                watched = nullptr;
                if (m_log)
                    m_log->push_back(Name() + u" lost its target");
            }
        }
    }
    void Destroying() override
    {
        destroyingSeen = true;
        Component::Destroying();
    }

private:
    std::vector<String>* m_log;
};

class Point : public Persistent {
public:
    int x = 0;
};
class Size : public Persistent {
public:
    int cx = 0;

protected:
    // A size can be copied into a point, but not the other way round.
    void AssignTo(Persistent& dest) const override
    {
        if (auto point = dynamic_cast<Point*>(&dest)) {
            point->x = cx;
            return;
        }
        Persistent::AssignTo(dest);
    }
};

} // namespace

TEST(Persistent, AssignFallsBackToTheSourceAndReportsBothClasses)
{
    Point point;
    Size size;
    size.cx = 7;
    point.Assign(size);
    EXPECT_EQ(point.x, 7);

    struct Case { Persistent* dest; const Persistent* source; const char16_t* message; } cases[] = {
        {&size, &point, u"Cannot assign a Point to a Size"},
        {&point, &point, u"Cannot assign a Point to a Point"},
    };
    for (const auto& c : cases) {
        try {
            c.dest->Assign(*c.source);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(Component, OwnerFreesWhatItOwnsLastFirst)
{
    std::vector<String> log;
    {
        Probe root(nullptr, u"root", &log);
        auto a = new Probe(&root, u"a", &log);
        new Probe(a, u"a1", &log);
        new Probe(a, u"a2", &log);
        new Probe(&root, u"b", &log);
        EXPECT_EQ(root.ComponentCount(), 2);
        EXPECT_EQ(a->ComponentCount(), 2);
        EXPECT_EQ(a->Owner(), &root);
    }
    const std::vector<String> expected = {u"free root", u"free b", u"free a", u"free a2", u"free a1"};
    EXPECT_EQ(log, expected);
}

TEST(Component, DestroyingReachesOwnedComponentsBeforeAnyIsFreed)
{
    auto root = std::make_unique<Probe>(nullptr, u"root");
    auto child = new Probe(root.get(), u"child");
    auto grandChild = new Probe(child, u"grandChild");
    bool seenByChild = false;
    bool seenByGrandChild = false;
    // The sibling that goes first checks the state of the others while they are all still alive.
    class Checker : public Component {
    public:
        using Component::Component;
        std::function<void()> onFree;
        ~Checker() override { onFree(); }
    };
    auto checker = new Checker(root.get());
    checker->onFree = [&] {
        seenByChild = child->HasState(csDestroying) && child->destroyingSeen;
        seenByGrandChild = grandChild->HasState(csDestroying) && grandChild->destroyingSeen;
    };
    root.reset();
    EXPECT_TRUE(seenByChild);
    EXPECT_TRUE(seenByGrandChild);
}

TEST(Component, FreeingAnOwnedComponentFirstLeavesTheOwnerConsistent)
{
    Probe owner(nullptr, u"owner");
    auto a = new Probe(&owner, u"a");
    auto b = new Probe(&owner, u"b");
    auto c = new Probe(&owner, u"c");
    owner.removals = 0;
    delete b;
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(0), a);
    EXPECT_EQ(owner.Components(1), c);
    EXPECT_EQ(owner.FindComponent(u"b"), nullptr);
    EXPECT_EQ(owner.removals, 1);
    EXPECT_EQ(c->ComponentIndex(), 1);
    // The owner goes afterwards without touching the freed one (the sanitizers watch this).
}

TEST(Component, FreeNotificationWorksWhicheverGoesFirst)
{
    for (bool watcherFirst : {false, true}) {
        auto watcher = std::make_unique<Probe>(nullptr, u"watcher");
        auto target = std::make_unique<Probe>(nullptr, u"target");
        watcher->Watch(target.get());
        EXPECT_TRUE(target->HasState(csFreeNotification));
        if (watcherFirst) {
            // The target must forget the watcher, or freeing it later would tell a freed object.
            watcher.reset();
            EXPECT_EQ(target->removals, 1);
            target.reset();
        } else {
            target.reset();
            EXPECT_EQ(watcher->watched, nullptr);
            EXPECT_EQ(watcher->removals, 1);
            watcher.reset();
        }
    }
}

TEST(Component, LinkedComponentsAreToldOnceAndLinksNeverDangle)
{
    struct Case { bool sameOwner; bool callBase; } cases[] = {
        {true, true}, {true, false}, {false, true}, {false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "same owner " << c.sameOwner << ", base " << c.callBase);
        Probe form1(nullptr, u"form1");
        Probe form2(nullptr, u"form2");
        auto watcher = new Probe(&form1, u"watcher");
        auto target = new Probe(c.sameOwner ? &form1 : &form2, u"target");
        watcher->callBase = c.callBase;
        watcher->Watch(target);
        delete target;
        EXPECT_EQ(watcher->watched, nullptr);
        EXPECT_EQ(watcher->removals, 1);
        // Re-link to a fresh target and let the watcher go first this time.
        auto target2 = new Probe(&form2, u"target2");
        watcher->Watch(target2);
        delete watcher;
        EXPECT_EQ(target2->removals, 1);
    }
}

TEST(Component, AnOwnerFreeingLinkedSiblingsTellsEachOnce)
{
    std::vector<String> log;
    {
        Probe form(nullptr, u"form", &log);
        auto watcher = new Probe(&form, u"watcher", &log);
        auto target = new Probe(&form, u"target", &log);
        watcher->Watch(target);
    }
    const std::vector<String> expected = {u"free form", u"watcher lost its target", u"free target", u"free watcher"};
    EXPECT_EQ(log, expected);
}

TEST(Component, ALinkMadeWhileBeingFreedIsUndoneToo)
{
    // An owned component that, while going, links its dying owner to an outside component.
    class Relinker : public Component {
    public:
        Relinker(Component* owner, Component* outside) : Component(owner), m_former(owner), m_outside(outside) {}
        ~Relinker() override { m_former->FreeNotification(m_outside); }

    private:
        Component* m_former; // the owner has let go of it by now
        Component* m_outside;
    };
    auto outside = std::make_unique<Probe>(nullptr, u"outside");
    {
        Component dying;
        new Relinker(&dying, outside.get());
    }
    EXPECT_EQ(outside->removals, 1);
    outside.reset(); // must not reach the freed component
}

TEST(Component, RemoveFreeNotificationUndoesBothEnds)
{
    auto a = std::make_unique<Probe>(nullptr, u"a");
    auto b = std::make_unique<Probe>(nullptr, u"b");
    a->Watch(b.get());
    a->RemoveFreeNotification(b.get());
    a->watched = nullptr;
    b.reset();
    EXPECT_EQ(a->removals, 0);
}

TEST(Component, OwnerIsToldOfInsertionAndRemoval)
{
    Probe owner(nullptr, u"owner");
    Probe other(nullptr, u"other");
    auto child = new Probe(&owner, u"child");
    EXPECT_EQ(owner.inserts, 1);
    other.InsertComponent(child);
    EXPECT_EQ(child->Owner(), &other);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(owner.removals, 1);
    EXPECT_EQ(other.inserts, 1);
    other.RemoveComponent(child);
    EXPECT_EQ(child->Owner(), nullptr);
    delete child;
    EXPECT_EQ(other.removals, 1);
}

TEST(Component, InsertingIntoItselfOrItsOwnedTreeFails)
{
    Probe root(nullptr, u"root");
    auto child = new Probe(&root, u"child");
    auto grandChild = new Probe(child, u"grandChild");
    EXPECT_THROW(root.InsertComponent(&root), EComponentError);
    EXPECT_THROW(grandChild->InsertComponent(&root), EComponentError);
    EXPECT_EQ(root.Owner(), nullptr);
    EXPECT_EQ(child->ComponentCount(), 1);
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblingsWithoutCase)
{
    struct Case { const char16_t* name; bool valid; } cases[] = {
        {u"", true}, {u"btn_conn", true}, {u"_x1", true}, {u"Timer2", true},
        {u"1abc", false}, {u"a b", false}, {u"a.b", false}, {u"名字", false}, {u"a-b", false},
    };
    for (const auto& c : cases) {
        Component component;
        if (c.valid) {
            component.SetName(c.name);
            EXPECT_EQ(component.Name(), c.name);
        } else {
            try {
                component.SetName(c.name);
                ADD_FAILURE() << "accepted an invalid name";
            } catch (const EComponentError& e) {
                EXPECT_EQ(e.Message(), u"''" + String(c.name) + u"'' is not a valid component name");
            }
        }
    }

    Component owner;
    auto first = new Component(&owner);
    first->SetName(u"Timer1");
    auto second = new Component(&owner);
    try {
        second->SetName(u"TIMER1");
        ADD_FAILURE() << "accepted a duplicate name";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), u"A component named TIMER1 already exists");
    }
    EXPECT_EQ(second->Name(), u"");
    first->SetName(u"timer1"); // its own name in another case
    EXPECT_EQ(owner.FindComponent(u"TIMER1"), first);
    EXPECT_EQ(owner.FindComponent(u""), nullptr);

    // Taking over a component whose name is taken fails and leaves it where it was.
    Component other;
    auto stranger = new Component(&other);
    stranger->SetName(u"Timer1");
    EXPECT_THROW(owner.InsertComponent(stranger), EComponentError);
    EXPECT_EQ(stranger->Owner(), &other);
}

TEST(Component, IndexesAndTags)
{
    Component owner;
    Component* c[3] = {new Component(&owner), new Component(&owner), new Component(&owner)};
    c[0]->SetComponentIndex(5); // clipped to the end
    EXPECT_EQ(owner.Components(2), c[0]);
    EXPECT_EQ(c[1]->ComponentIndex(), 0);
    c[0]->SetComponentIndex(-3);
    EXPECT_EQ(c[0]->ComponentIndex(), 0);
    EXPECT_EQ(Component().ComponentIndex(), -1);
    for (int bad : {-1, 3}) {
        try {
            owner.Components(bad);
            ADD_FAILURE();
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), u"List index out of bounds (" + IntToStr(bad) + u")");
        }
    }
    c[2]->SetTag(-42);
    EXPECT_EQ(c[2]->Tag(), -42);
}

TEST(Component, LoadingAndDesigningState)
{
    Component root;
    root.BeginLoad();
    EXPECT_TRUE(root.HasState(csLoading));
    root.Loaded();
    EXPECT_EQ(root.ComponentState() & csLoading, 0u);

    root.SetDesigning(true);
    auto child = new Component(&root);
    EXPECT_TRUE(child->HasState(csDesigning)); // inherited on insertion
    root.SetDesigning(false);
    EXPECT_FALSE(child->HasState(csDesigning));
    root.Updating();
    EXPECT_TRUE(root.HasState(csUpdating));
    root.Updated();
    EXPECT_FALSE(root.HasState(csUpdating));
}

TEST(Component, FailedInsertionInTheConstructorLeavesNoPointerBehind)
{
    class Refusing : public Component {
    protected:
        void Notification(Component* component, Operation operation) override
        {
            Component::Notification(component, operation);
            if (operation == opInsert)
                throw EInvalidOperation(u"refused");
        }
    };
    Refusing owner;
    EXPECT_THROW(new Component(&owner), EInvalidOperation);
    EXPECT_EQ(owner.ComponentCount(), 0);
}
