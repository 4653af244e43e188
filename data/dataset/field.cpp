// The field base: naming, binding to the dataset, value access through the record buffer.
#include "data/dataset/field.h"

#include "core/format.h"
#include "data/dataset/dataset.h"
#include "data/dataset/fields.h"

#include <algorithm>
#include <cstring>

namespace data {

TField::TField(core::Component* owner, TFieldType type) : core::Component(owner), m_data_type(type) {}

TField::~TField()
{
    if (m_parent_field)
        m_parent_field->Fields().Remove(this);
    if (m_dataset)
        m_dataset->Fields().Remove(this);
    if (m_lookup_dataset)
        RemoveFreeNotification(m_lookup_dataset);
}

void TField::CheckInactive() const
{
    if (m_dataset)
        m_dataset->CheckInactive();
}

void TField::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == m_dataset)
        return;
    CheckInactive();
    if (dataSet)
        dataSet->CheckInactive();
    if (dataSet && !m_field_name.empty() && dataSet->Fields().FindField(m_field_name))
        DatabaseErrorFmt(texts::DuplicateFieldName, m_field_name);
    if (m_dataset)
        m_dataset->Fields().Remove(this);
    m_dataset = nullptr;
    if (dataSet)
        dataSet->Fields().Add(this);  // sets m_dataset
}

void TField::SetParentField(TObjectField* parent)
{
    if (parent == m_parent_field)
        return;
    CheckInactive();
    if (m_parent_field)
        m_parent_field->Fields().Remove(this);
    if (m_dataset)
        m_dataset->Fields().Remove(this);
    m_parent_field = nullptr;
    m_dataset = nullptr;
    if (parent) {
        parent->Fields().Add(this);
        m_parent_field = parent;
        m_dataset = parent->DataSet();
        // Without the object view the children stand among the dataset's own fields too.
        if (m_dataset && !m_dataset->ObjectView())
            m_dataset->Fields().Add(this);
    }
}

void TField::SetFieldName(StringView name)
{
    CheckInactive();
    if (m_dataset && !core::AnsiSameText(name, m_field_name)) {
        TField* other = m_dataset->Fields().FindField(name);
        if (other && other != this)
            DatabaseErrorFmt(texts::DuplicateFieldName, name);
    }
    m_field_name = String(name);
    if (m_dataset)
        m_dataset->FieldListChanged();
}

String TField::FullName() const
{
    return m_parent_field ? m_parent_field->FullName() + u"." + m_field_name : m_field_name;
}

int TField::Index() const
{
    if (m_parent_field)
        return m_parent_field->Fields().IndexOf(this);
    return m_dataset ? m_dataset->Fields().IndexOf(this) : -1;
}

void TField::SetFieldKind(TFieldKind kind)
{
    CheckInactive();
    m_field_kind = kind;
}

void TField::SetSize(int size)
{
    CheckInactive();
    CheckTypeSize(size);
    m_size = size;
}

void TField::CheckTypeSize(int size) const
{
    if (size < 0)
        throw core::EInvalidOperation(core::Format(u"Invalid field size for '%s'", {DisplayName()}));
}

void TField::SetLookupDataSet(TDataSet* dataSet)
{
    CheckInactive();
    if (m_lookup_dataset)
        RemoveFreeNotification(m_lookup_dataset);
    m_lookup_dataset = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
}

void TField::Notification(core::Component* component, core::Operation operation)
{
    core::Component::Notification(component, operation);
    // Compared as a pointer only: the dataset may be half destroyed.
    if (operation == core::opRemove && component == m_lookup_dataset)
        m_lookup_dataset = nullptr;
}

bool TField::CanModify() const
{
    if (m_read_only || !m_dataset)
        return false;
    if (m_field_kind == fkLookup)
        return false;
    return m_dataset->CanModify();
}

// ---- Values ----

bool TField::GetData(void* buffer, bool native) const
{
    if (!m_dataset)
        DatabaseErrorFmt(texts::NoDataSet, DisplayName());
    if (m_validating) {
        // Inside OnValidate the field reads the value being written.
        if (!m_value_buffer)
            return false;
        if (buffer && native)
            std::memcpy(buffer, m_value_buffer, size_t(DataSize()));
        else if (buffer)
            m_dataset->ConvertFieldBuffer(const_cast<TField*>(this), m_value_buffer, buffer, false);
        return true;
    }
    return m_dataset->GetFieldData(const_cast<TField*>(this), buffer, native);
}

void TField::SetData(const void* buffer, bool native)
{
    if (!m_dataset)
        DatabaseErrorFmt(texts::NoDataSet, DisplayName());
    m_dataset->SetFieldData(this, buffer, native);
}

void TField::Validate(const void* buffer)
{
    if (!OnValidate)
        return;
    m_validating = true;
    m_value_buffer = buffer;
    try {
        OnValidate(*this);
    } catch (...) {
        m_validating = false;
        m_value_buffer = nullptr;
        throw;
    }
    m_validating = false;
    m_value_buffer = nullptr;
}

void TField::Change()
{
    if (OnChange)
        OnChange(*this);
}

bool TField::IsNull() const
{
    if (IsBlob())
        return AsVariant().IsNull();
    return !GetData(nullptr);
}

void TField::AccessError(StringView typeName) const
{
    throw EDatabaseError(core::Format(texts::FieldAccessError, {DisplayName(), typeName}));
}

void TField::CheckReadOnly() const
{
    if (m_read_only)
        DatabaseErrorFmt(texts::FieldReadOnly, DisplayName());
}

Variant TField::AsVariant() const { AccessError(u"Variant"); }
void TField::SetAsVariant(const Variant& value)
{
    if (value.IsNull() || value.IsEmpty())
        Clear();
    else
        SetVarValue(value);
}
void TField::Assign(const core::Persistent& source)
{
    auto* field = dynamic_cast<const TField*>(&source);
    if (!field) {
        core::Component::Assign(source);
        return;
    }
    if (field->IsNull())
        Clear();
    else
        SetValue(field->Value());
}

void TField::SetVarValue(const Variant&) { AccessError(u"Variant"); }
String TField::AsString() const { AccessError(u"String"); }
void TField::SetAsString(StringView) { AccessError(u"String"); }
int32_t TField::AsInteger() const { AccessError(u"Integer"); }
void TField::SetAsInteger(int32_t) { AccessError(u"Integer"); }
int64_t TField::AsLargeInt() const { AccessError(u"Largeint"); }
void TField::SetAsLargeInt(int64_t) { AccessError(u"Largeint"); }
double TField::AsFloat() const { AccessError(u"Float"); }
void TField::SetAsFloat(double) { AccessError(u"Float"); }
core::Currency TField::AsCurrency() const { return core::Currency::FromDouble(AsFloat()); }
void TField::SetAsCurrency(core::Currency value) { SetAsFloat(value.ToDouble()); }
bool TField::AsBoolean() const { AccessError(u"Boolean"); }
void TField::SetAsBoolean(bool) { AccessError(u"Boolean"); }
core::TDateTime TField::AsDateTime() const { AccessError(u"DateTime"); }
void TField::SetAsDateTime(core::TDateTime) { AccessError(u"DateTime"); }
Variant::Bytes TField::AsBytes() const { AccessError(u"Bytes"); }
void TField::SetAsBytes(const Variant::Bytes&) { AccessError(u"Bytes"); }

String TField::GetText(bool) const
{
    return AsString();
}

String TField::GetTextOf(bool displayText) const
{
    String text;
    if (OnGetText)
        OnGetText(const_cast<TField&>(*this), text, displayText);
    else
        text = GetText(displayText);
    return text;
}

void TField::SetText(StringView text)
{
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

Variant TField::OldValue() const
{
    return m_dataset->StateFieldValue(dsOldValue, const_cast<TField*>(this));
}

Variant TField::NewValue() const
{
    return m_dataset->StateFieldValue(dsNewValue, const_cast<TField*>(this));
}

Variant TField::CurValue() const
{
    return m_dataset->StateFieldValue(dsCurValue, const_cast<TField*>(this));
}

void TField::FocusControl()
{
    if (!m_dataset || !m_dataset->Active())
        return;
    TField* field = this;
    m_dataset->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&field));
}

// ---- Binding ----

void TField::Bind(bool binding)
{
    m_lookup_key_list.clear();
    if (!binding || m_field_kind != fkLookup)
        return;
    if (!m_lookup_dataset || m_key_fields.empty() || m_lookup_key_fields.empty() ||
        m_lookup_result_field.empty())
        DatabaseErrorFmt(texts::LookupInfoError, DisplayName());
    for (const String& name : SplitFieldNames(m_key_fields))
        m_lookup_key_list.push_back(m_dataset->FieldByName(name));
}

void TField::CalcLookupValue()
{
    if (!m_lookup_dataset || !m_lookup_dataset->Active() || m_lookup_key_list.empty())
        return;
    Variant key;
    if (m_lookup_key_list.size() == 1) {
        key = m_lookup_key_list[0]->AsVariant();
    } else {
        Variant::Items items;
        for (TField* f : m_lookup_key_list)
            items.push_back(f->AsVariant());
        key = Variant::ArrayOf(std::move(items));
    }
    for (TField* f : m_lookup_key_list)
        if (f->IsNull())
            return;
    SetAsVariant(m_lookup_dataset->Lookup(m_lookup_key_fields, key, m_lookup_result_field));
}

// ---- The field list ----

TFields::~TFields()
{
    // The fields outlive a list that is going away only if someone else frees them; detach them.
    for (TField* f : m_list) {
        if (m_parent)
            f->m_parent_field = nullptr;
        else if (f->m_dataset == m_dataset)
            f->m_dataset = nullptr;
    }
}

TField* TFields::Fields(int index) const
{
    if (index < 0 || index >= Count())
        throw core::EListError(core::S("List index out of bounds (") + core::IntToStr(index) + u")");
    return m_list[size_t(index)];
}

void TFields::Add(TField* field)
{
    if (IndexOf(field) >= 0)
        return;
    m_list.push_back(field);
    if (!m_parent)
        field->m_dataset = m_dataset;
    Changed();
}

void TFields::Remove(TField* field)
{
    auto it = std::find(m_list.begin(), m_list.end(), field);
    if (it == m_list.end())
        return;
    m_list.erase(it);
    Changed();
}

void TFields::Clear()
{
    while (!m_list.empty()) {
        TField* field = m_list.back();
        m_list.pop_back();
        // A child of a structured field is freed by its parent.
        if (field->m_parent_field && !m_parent)
            continue;
        if (m_parent)
            field->m_parent_field = nullptr;
        delete field;
    }
    Changed();
}

int TFields::IndexOf(const TField* field) const
{
    auto it = std::find(m_list.begin(), m_list.end(), field);
    return it == m_list.end() ? -1 : int(it - m_list.begin());
}

TField* TFields::FindField(StringView name) const
{
    for (TField* f : m_list)
        if (core::AnsiSameText(f->FieldName(), name))
            return f;
    if (!m_parent)
        for (TField* f : m_list)
            if (f->ParentField() && core::AnsiSameText(f->FullName(), name))
                return f;
    return nullptr;
}

TField* TFields::FieldByName(StringView name) const
{
    TField* field = FindField(name);
    if (!field)
        DatabaseErrorFmt(texts::FieldNotFound, name);
    return field;
}

TField* TFields::FieldByNumber(int fieldNo) const
{
    for (TField* f : m_list)
        if (f->FieldNo() == fieldNo)
            return f;
    return nullptr;
}

void TFields::SetFieldIndex(TField* field, int index)
{
    int current = IndexOf(field);
    if (current < 0)
        return;
    index = std::clamp(index, 0, Count() - 1);
    m_list.erase(m_list.begin() + current);
    m_list.insert(m_list.begin() + index, field);
    Changed();
}

void TFields::Changed()
{
    if (m_dataset)
        m_dataset->FieldListChanged();
}

} // namespace data
