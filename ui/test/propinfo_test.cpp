// Properties by name through a class chain: ordinal, colour, set, object and method kinds; absent
// names are skipped.
#include "ui/propinfo.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

class THeader : public core::Object {
public:
    int height = 17;
    uint32_t options = 0;
};

class TBase : public core::Object {
public:
    int width = 10;
    uint32_t color = 0xFF00000F;
};

class TTree : public TBase {
public:
    THeader header;
    MethodValue onDraw;
};

class TUnregisteredTree : public TTree {};

void RegisterTestClasses()
{
    RegisterPropClass<THeader>(u"THeader", {
        OrdProperty(u"Height", Getter<THeader>([](THeader& h) { return int64_t(h.height); }),
                    Setter<THeader>([](THeader& h, int64_t v) { h.height = int(v); })),
        SetProperty(u"Options", {u"hoAutoResize", u"hoVisible", u"hoOwnerDraw"},
                    Getter<THeader>([](THeader& h) { return int64_t(h.options); }),
                    Setter<THeader>([](THeader& h, int64_t v) { h.options = uint32_t(v); })),
    });
    RegisterPropClass<TBase>(u"TBase", {
        OrdProperty(u"Width", Getter<TBase>([](TBase& b) { return int64_t(b.width); }),
                    Setter<TBase>([](TBase& b, int64_t v) { b.width = int(v); })),
        OrdProperty(u"Color", Getter<TBase>([](TBase& b) { return int64_t(b.color); }),
                    Setter<TBase>([](TBase& b, int64_t v) { b.color = uint32_t(v); }), pkColor),
    });
    RegisterPropClass<TTree, TBase>(u"TTree", {
        ObjectProperty(u"Header", Getter<TTree>([](TTree& t) -> core::Object* { return &t.header; })),
        MethodProperty(u"OnAdvancedHeaderDraw", Getter<TTree>([](TTree& t) { return t.onDraw; }),
                       Setter<TTree>([](TTree& t, const MethodValue& m) { t.onDraw = m; })),
    });
}

class PropertyRegistry : public ::testing::Test {
protected:
    PropertyRegistry() { RegisterTestClasses(); }
};

TEST_F(PropertyRegistry, OrdinalsAreFoundAlongTheChainWithoutCase)
{
    TTree tree;
    EXPECT_TRUE(HasProperty(&tree, u"Width"));
    EXPECT_TRUE(HasProperty(&tree, u"WIDTH"));
    EXPECT_EQ(GetOrdProperty(&tree, u"width"), 10);
    SetOrdProperty(&tree, u"Width", 42);
    EXPECT_EQ(tree.width, 42);
    EXPECT_EQ(GetOrdProperty(&tree, u"Color"), 0xFF00000F);
    EXPECT_EQ(FindProperty(tree, u"Color")->kind, pkColor);
    // Absent names and objects are skipped.
    EXPECT_FALSE(HasProperty(&tree, u"Caption"));
    EXPECT_EQ(GetOrdProperty(&tree, u"Caption"), -1);
    SetOrdProperty(&tree, u"Caption", 5);
    EXPECT_EQ(GetOrdProperty(nullptr, u"Width"), -1);
    EXPECT_EQ(GetOrdProperty(&tree, u"Header"), -1) << "an object property has no ordinal";
    core::Object plain;
    EXPECT_FALSE(HasProperty(&plain, u"Width"));
}

TEST_F(PropertyRegistry, ObjectsAndNestedProperties)
{
    TTree tree;
    core::Object* header = GetObjectProperty(&tree, u"Header");
    ASSERT_EQ(header, &tree.header);
    EXPECT_EQ(GetOrdProperty(header, u"Height"), 17);
    SetObjectProperty(&tree, u"Header", nullptr); // read-only: nothing happens
    EXPECT_EQ(GetObjectProperty(&tree, u"Header"), &tree.header);
    EXPECT_EQ(GetObjectProperty(&tree, u"Nothing"), nullptr);
    EXPECT_EQ(GetObjectProperty(&tree, u"Width"), nullptr);
}

TEST_F(PropertyRegistry, SetsByElementName)
{
    THeader header;
    EXPECT_FALSE(SetPropHasElement(&header, u"Options", u"hoVisible"));
    EXPECT_FALSE(ChangeSetProperty(&header, u"Options", u"hoVisible", true));
    EXPECT_EQ(header.options, 2u);
    ChangeSetProperty(&header, u"Options", u"hoOwnerDraw", true);
    ChangeSetProperty(&header, u"Options", u"hoOwnerDraw", true);
    EXPECT_EQ(GetSetProperty(&header, u"Options"), u"hoVisible,hoOwnerDraw");
    EXPECT_TRUE(SetPropHasElement(&header, u"Options", u"hoOwnerDraw"));
    EXPECT_FALSE(SetPropHasElement(&header, u"Options", u"hoownerdraw")) << "elements compare exactly";
    ChangeSetProperty(&header, u"Options", u"hoVisible", false);
    EXPECT_EQ(header.options, 4u);
    ChangeSetProperty(&header, u"Options", u"hoOwnerDraw", false);
    EXPECT_EQ(header.options, 0u);
    SetSetProperty(&header, u"Options", u"hoAutoResize, hoBogus ,hoOwnerDraw");
    EXPECT_EQ(header.options, 5u);
    EXPECT_FALSE(SetPropHasElement(&header, u"Height", u"hoVisible"));
    ChangeSetProperty(&header, u"Missing", u"hoVisible", true);
}

TEST_F(PropertyRegistry, MethodsCompareByTargetAndIdentity)
{
    TTree tree, other;
    static const int drawId = 0, otherId = 0;
    MethodValue method{&other, &drawId, std::make_shared<int>(1)};
    EXPECT_FALSE(GetMethodProperty(&tree, u"OnAdvancedHeaderDraw").Assigned());
    SetMethodProperty(&tree, u"OnAdvancedHeaderDraw", method);
    const MethodValue read = GetMethodProperty(&tree, u"OnAdvancedHeaderDraw");
    EXPECT_TRUE(read.Assigned());
    EXPECT_EQ(read, method);
    EXPECT_FALSE(read == (MethodValue{&other, &otherId, nullptr}));
    EXPECT_FALSE(read == (MethodValue{&tree, &drawId, nullptr}));
    EXPECT_FALSE(GetMethodProperty(&tree, u"OnMissing").Assigned());
}

TEST_F(PropertyRegistry, ClassNamesComeFromTheRegistry)
{
    TTree tree;
    TUnregisteredTree derived;
    EXPECT_EQ(ClassNameOf(tree), u"TTree");
    EXPECT_EQ(FindClass(derived)->className, u"TTree") << "the nearest registered class";
    EXPECT_EQ(ClassNameOf(derived), u"TUnregisteredTree");
    EXPECT_EQ(GetOrdProperty(&derived, u"Width"), 10);
    EXPECT_EQ(FindClass(core::Object()), nullptr);
}

} // namespace
} // namespace ui
