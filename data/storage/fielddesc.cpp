// Field descriptors, their lookups and structured types.
#include "data/storage/fielddesc.h"

#include "data/storage/memutils.h"

#include "core/exception.h"

namespace data {

// ---- TFieldDesc ---------------------------------------------------------------------------------

TFieldDesc::~TFieldDesc()
{
    TSharedObject::Free(FObjectType);
}

void TFieldDesc::Assign(const TFieldDesc& FieldDesc)
{
    Name = FieldDesc.Name;
    ActualName = FieldDesc.ActualName;
    DataType = FieldDesc.DataType;
    Length = FieldDesc.Length;
    Scale = FieldDesc.Scale;
    Size = FieldDesc.Size;
    Offset = FieldDesc.Offset;
    Required = FieldDesc.Required;
    FieldNo = FieldDesc.FieldNo;
}

void TFieldDesc::SetObjectType(TObjectType* value)
{
    if (value == FObjectType)
        return;
    if (value)
        value->AddRef();
    TSharedObject::Free(FObjectType);
    FObjectType = value;
}

// ---- TFieldDescs --------------------------------------------------------------------------------

TFieldDesc* TFieldDescs::FindField(StringView Name) const
{
    for (const auto& desc : m_items)
        if (!desc->HasParent() && StrSameNoCase(desc->Name, Name))
            return desc.get();
    const bool path = Name.find_first_of(u".[") != StringView::npos;
    for (const auto& desc : m_items) {
        if (path ? StrSameNoCase(desc->ActualName, Name) : desc->HasParent() && StrSameNoCase(desc->Name, Name))
            return desc.get();
    }
    return nullptr;
}

TFieldDesc* TFieldDescs::FieldByName(StringView Name) const
{
    TFieldDesc* desc = FindField(Name);
    if (!desc)
        throw core::Exception(u"Field " + String(Name) + u" not found");
    return desc;
}

// ---- TObjectType and TAttribute -----------------------------------------------------------------

TObjectType::~TObjectType()
{
    FAttributes.clear();
}

TAttribute& TObjectType::AddAttribute(StringView name, uint16_t dataType, TObjectType* objectType)
{
    FAttributes.push_back(std::make_unique<TAttribute>(this, name, dataType, objectType));
    FAttributes.back()->AttributeNo = uint16_t(FAttributes.size());
    return *FAttributes.back();
}

TAttribute* TObjectType::FindAttribute(StringView Name) const
{
    const String upper = StrToUpper(Name);
    StringView path = upper;
    const TObjectType* current = this;
    for (;;) {
        while (!path.empty() && path.front() <= u' ')
            path.remove_prefix(1);
        const size_t dot = path.find(u'.');
        const size_t bracket = path.find(u'[');
        StringView part, rest;
        if (bracket == 0) {
            // An element index: the element attribute, whatever the index says.
            const size_t close = path.find(u']');
            if (close == StringView::npos)
                return nullptr;
            part = u"ELEMENT";
            rest = path.substr(close + 1);
            if (!rest.empty() && rest.front() == u'.')
                rest.remove_prefix(1);
        } else if (dot != StringView::npos && (bracket == StringView::npos || dot < bracket)) {
            part = path.substr(0, dot);
            rest = path.substr(dot + 1);
        } else if (bracket == StringView::npos) {
            part = path;
        } else {
            part = path.substr(0, bracket);
            rest = path.substr(bracket);
        }
        TAttribute* candidate = nullptr;
        for (int i = 0; i < current->AttributeCount() && !candidate; ++i)
            if (StrToUpper(current->AttributeAt(i)->Name()) == part)
                candidate = current->AttributeAt(i);
        if (!candidate)
            return nullptr;
        const bool has_dot = dot != StringView::npos;
        const bool has_bracket = bracket != StringView::npos;
        const uint16_t type = candidate->DataType();
        if (has_dot && !(type == dtObject || type == dtReference || type == dtArray || type == dtTable))
            return nullptr;
        if (!(has_dot || (has_bracket && !rest.empty())))
            return candidate;
        current = candidate->ObjectType();
        if (!current)
            return nullptr;
        path = rest;
    }
}

TAttribute* TObjectType::AttributeByName(StringView Name) const
{
    TAttribute* attribute = FindAttribute(Name);
    if (!attribute)
        throw core::Exception(u"Attribute " + String(Name) + u" not found");
    return attribute;
}

TAttribute::TAttribute(TObjectType* owner, StringView name, uint16_t dataType, TObjectType* objectType)
    : FName(name), FDataType(dataType), FObjectType(objectType), FOwner(owner)
{
    if (Counts())
        FObjectType->AddRef();
}

TAttribute::~TAttribute()
{
    if (Counts())
        TSharedObject::Free(FObjectType);
}

bool TAttribute::Counts() const
{
    return FObjectType && (!FOwner || FObjectType->Name() != FOwner->Name());
}

} // namespace data
