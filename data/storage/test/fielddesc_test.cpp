#include "data/storage/fielddesc.h"

#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

using namespace data;

namespace {

std::unique_ptr<TFieldDesc> Desc(StringView name, StringView actual, TFieldDesc* parent = nullptr)
{
    auto desc = std::make_unique<TFieldDesc>();
    desc->Name = String(name);
    desc->ActualName = String(actual);
    desc->ParentField = parent;
    return desc;
}

} // namespace

TEST(FieldDescs, LookupPassesAndTheirOrder)
{
    TFieldDescs descs;
    descs.Add(Desc(u"ADDR", u"ADDR"));
    TFieldDesc* parent = descs.Items(0);
    descs.Add(Desc(u"CITY", u"ADDR.CITY", parent));
    descs.Add(Desc(u"NAME", u"NAME", parent));  // an attribute sharing a top-level name
    descs.Add(Desc(u"NAME", u"NAME"));
    descs.Add(Desc(u"A.B", u"X"));
    EXPECT_EQ(descs.FindField(u"addr"), descs.Items(0));
    EXPECT_EQ(descs.FindField(u"name"), descs.Items(3));  // the top-level field wins
    EXPECT_EQ(descs.FindField(u"city"), descs.Items(1));  // pass two: an attribute by name
    EXPECT_EQ(descs.FindField(u"addr.city"), descs.Items(1));
    EXPECT_EQ(descs.FindField(u"A.B"), descs.Items(4));  // a plain Name found in pass one
    EXPECT_EQ(descs.FindField(u"Q.R"), nullptr);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { descs.FieldByName(u"Missing"); }), u"Field Missing not found");
}

TEST(FieldDescs, AssignCopiesOnlyItsNineValues)
{
    TFieldDesc source;
    source.Name = u"N";
    source.ActualName = u"A";
    source.DataType = dtInt32;
    source.SubDataType = 7;
    source.Length = 1;
    source.Scale = 2;
    source.Size = 4;
    source.Offset = 9;
    source.DataOffset = 11;
    source.Required = true;
    source.ReadOnly = true;
    source.FieldNo = 3;
    auto* type = new TObjectType(u"T");
    source.SetObjectType(type);
    TSharedObject::Free(type);
    TFieldDesc copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Name, u"N");
    EXPECT_EQ(copy.ActualName, u"A");
    EXPECT_EQ(copy.DataType, dtInt32);
    EXPECT_EQ(copy.SubDataType, 0);
    EXPECT_EQ(copy.Length, 1);
    EXPECT_EQ(copy.Scale, 2);
    EXPECT_EQ(copy.Size, 4);
    EXPECT_EQ(copy.Offset, 9);
    EXPECT_EQ(copy.DataOffset, 0);
    EXPECT_TRUE(copy.Required);
    EXPECT_FALSE(copy.ReadOnly);
    EXPECT_EQ(copy.FieldNo, 3);
    EXPECT_EQ(copy.ObjectType(), nullptr);
    EXPECT_EQ(source.ObjectType()->RefCount(), 1);  // the descriptor's own reference
}

TEST(ObjectTypes, PathWalkThroughNestedTypes)
{
    auto* price_type = new TObjectType(u"LINE");
    price_type->AddAttribute(u"Price", dtFloat);
    auto* items_type = new TObjectType(u"LINES", dtArray);
    items_type->AddAttribute(u"ELEMENT", dtObject, price_type);
    auto* order = new TObjectType(u"ORDER");
    order->AddAttribute(u"Items", dtArray, items_type);
    order->AddAttribute(u"Qty", dtInt32);
    // The types live on through the attributes that refer to them.
    TSharedObject::Free(price_type);
    TSharedObject::Free(items_type);

    EXPECT_EQ(order->FindAttribute(u"items[3].price"), price_type->AttributeAt(0));
    EXPECT_EQ(order->FindAttribute(u" ITEMS"), order->AttributeAt(0));
    EXPECT_EQ(order->FindAttribute(u"ITEMS[1]"), items_type->AttributeAt(0));
    EXPECT_EQ(order->FindAttribute(u"QTY.X"), nullptr);
    EXPECT_EQ(order->FindAttribute(u"ITEMS[1.PRICE"), nullptr);
    EXPECT_EQ(order->FindAttribute(u"NONE"), nullptr);
    EXPECT_EQ(ErrorOf<core::Exception>([&] { order->AttributeByName(u"Nope"); }), u"Attribute Nope not found");
    TSharedObject::Free(order);
}

TEST(ObjectTypes, ASelfTypedAttributeHoldsNoCount)
{
    auto* node = new TObjectType(u"NODE");
    node->AddAttribute(u"NEXT", dtReference, node);
    EXPECT_EQ(node->RefCount(), 1);
    auto* other = new TObjectType(u"OTHER");
    node->AddAttribute(u"OTHER", dtObject, other);
    EXPECT_EQ(other->RefCount(), 2);
    TSharedObject::Free(node);  // releases OTHER's reference too
    EXPECT_EQ(other->RefCount(), 1);
    TSharedObject::Free(other);
}

TEST(SharedObjects, CountingAndItsErrors)
{
    auto* object = new TVariantObject;
    object->SetValue(core::Variant(5));
    object->AddRef();
    EXPECT_EQ(object->RefCount(), 2);
    object->Release();
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_NO_THROW(object->CheckValid());
    EXPECT_EQ(object->GCHandle(), object);
    TSharedObject::Free(object);
    TSharedObject::Free(nullptr);
}
