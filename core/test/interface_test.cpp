#include "core/interface.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace core;

namespace {

class IText : public virtual IInterface {
public:
    virtual String Text() const = 0;
};

// An interface that extends another, implemented one step further down a class chain.
class IText2 : public virtual IText {
public:
    virtual void Append(StringView more) = 0;
};

class IOther : public virtual IInterface {
public:
    virtual int Number() const = 0;
};

// Reports its destruction to a counter the test owns.
class TextObject : public RefCounted, public virtual IText {
public:
    TextObject(String text, int* destroyed) : m_text(std::move(text)), m_destroyed(destroyed) {}
    String Text() const override { return m_text; }

protected:
    ~TextObject() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }
    String m_text;

private:
    int* m_destroyed;
};

class TextObject2 : public TextObject, public IText2, public IOther {
public:
    using TextObject::TextObject;
    void Append(StringView more) override { m_text += more; }
    int Number() const override { return 42; }
};

// Holds the next node, so that dropping one node can drop the one a caller is assigning from.
class Node : public RefCounted {
public:
    explicit Node(int* destroyed) : m_destroyed(destroyed) {}
    Ref<Node> next;

protected:
    ~Node() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

} // namespace

TEST(RefCounting, CountFollowsReferencesAndLastReleaseDestroys)
{
    int destroyed = 0;
    Ref<TextObject> a = MakeRef<TextObject>(u"x", &destroyed);
    EXPECT_EQ(a->RefCount(), 1);
    {
        Ref<TextObject> b = a;
        EXPECT_EQ(a->RefCount(), 2);
        Ref<IText> c = b;  // converting copy
        EXPECT_EQ(a->RefCount(), 3);
        Ref<IText> d = std::move(c);
        EXPECT_FALSE(c);
        EXPECT_EQ(a->RefCount(), 3);
        EXPECT_EQ(d->Text(), u"x");
    }
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_EQ(destroyed, 0);
    a.reset();
    EXPECT_FALSE(a);
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCounting, RetainAdoptAndDetach)
{
    int destroyed = 0;
    auto* raw = new TextObject(u"x", &destroyed);
    EXPECT_EQ(raw->RefCount(), 0);  // nothing holds it yet
    Ref<TextObject> held(raw);      // retains
    EXPECT_EQ(raw->RefCount(), 1);
    TextObject* detached = held.Detach();
    EXPECT_FALSE(held);
    EXPECT_EQ(detached->RefCount(), 1);
    Ref<TextObject> adopted = Ref<TextObject>::Adopt(detached);  // no second count
    EXPECT_EQ(adopted->RefCount(), 1);
    Ref<TextObject> retained(adopted.get());
    EXPECT_EQ(adopted->RefCount(), 2);
    adopted = nullptr;
    retained.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCounting, SelfAssignmentAndOwnedSourceAreSafe)
{
    int destroyed = 0;
    Ref<TextObject> a = MakeRef<TextObject>(u"x", &destroyed);
    Ref<TextObject>& alias = a;
    a = alias;
    EXPECT_EQ(a->RefCount(), 1);
    a = std::move(alias);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->RefCount(), 1);
    a.reset(a.get());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_EQ(destroyed, 0);

    // Walking a chain through the head: the old head is the only owner of the new one.
    int nodes = 0;
    Ref<Node> head = MakeRef<Node>(&nodes);
    head->next = MakeRef<Node>(&nodes);
    head->next->next = MakeRef<Node>(&nodes);
    head = head->next;
    EXPECT_EQ(nodes, 1);
    head = std::move(head->next);
    EXPECT_EQ(nodes, 2);
    EXPECT_EQ(head->RefCount(), 1);
    head = nullptr;
    EXPECT_EQ(nodes, 3);
}

TEST(RefCounting, CastQueriesOtherInterfacesOfTheSameObject)
{
    int destroyed = 0;
    Ref<IText> plain = MakeRef<TextObject>(u"a", &destroyed);
    Ref<IText> extended = MakeRef<TextObject2>(u"b", &destroyed);

    struct Case { const Ref<IText>* object; bool text2, other; } cases[] = {
        {&plain, false, false},
        {&extended, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<bool>(c.object->Cast<IText2>()), c.text2);
        EXPECT_EQ(static_cast<bool>(c.object->Cast<IOther>()), c.other);
        EXPECT_EQ(Supports<IOther>(*c.object), c.other);
        EXPECT_TRUE(c.object->Cast<IInterface>());
    }

    Ref<IText2> text2;
    ASSERT_TRUE(Supports(extended, text2));
    text2->Append(u"c");
    EXPECT_EQ(extended->Text(), u"bc");  // one object behind both interfaces
    EXPECT_EQ(extended.Cast<IOther>()->Number(), 42);
    auto* counted = dynamic_cast<RefCounted*>(extended.get());
    EXPECT_EQ(counted->RefCount(), 2);
    Ref<IText2> none;
    EXPECT_FALSE(Supports(plain, none));
    EXPECT_FALSE(Ref<IText>().Cast<IText2>());

    // Identity across interface types goes through the common root.
    EXPECT_TRUE(extended.Cast<IInterface>() == text2.Cast<IInterface>());
    EXPECT_FALSE(plain == extended);
    EXPECT_TRUE(Ref<IText>() == nullptr);

    text2 = nullptr;
    plain = nullptr;
    extended = nullptr;
    EXPECT_EQ(destroyed, 2);
}

TEST(RefCounting, FreeRefusesAReferencedObject)
{
    int destroyed = 0;
    auto* loose = new TextObject(u"x", &destroyed);
    loose->Free();  // never referenced: freeing is fine
    EXPECT_EQ(destroyed, 1);

    Ref<TextObject> held = MakeRef<TextObject>(u"y", &destroyed);
    try {
        held->Free();
        FAIL() << "a referenced object was freed";
    } catch (const EInvalidPointer& error) {
        EXPECT_EQ(error.Message(), u"Invalid pointer");
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(held->Text(), u"y");
    held.reset();
    EXPECT_EQ(destroyed, 2);
}

TEST(RefCounting, ReferencesTakenAndDroppedOnManyThreads)
{
    int destroyed = 0;
    Ref<IText> shared = MakeRef<TextObject>(u"x", &destroyed);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([source = shared]() {
            for (int i = 0; i < 10000; ++i) {
                Ref<IText> copy = source;
                Ref<IInterface> root = copy.Cast<IInterface>();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    threads.clear();
    EXPECT_EQ(dynamic_cast<RefCounted*>(shared.get())->RefCount(), 1);
    shared.reset();
    EXPECT_EQ(destroyed, 1);
}
