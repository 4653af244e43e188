// Field definitions and their flat list.
#include "data/dataset/fielddefs.h"

#include "data/dataset/dataset.h"

namespace data {

TFieldDef::TFieldDef(core::Collection* owner) : core::CollectionItem(owner) {}

TFieldDef::~TFieldDef() = default;

TFieldDefs& TFieldDef::Owner() const
{
    return *static_cast<TFieldDefs*>(Collection());
}

void TFieldDef::SetName(StringView name)
{
    m_name = String(name);
    Changed(false);
}

void TFieldDef::SetRequired(bool value)
{
    if (value)
        m_attributes |= faRequired;
    else
        m_attributes &= ~unsigned(faRequired);
}

String TFieldDef::FullName() const
{
    TFieldDef* parent = ParentDef();
    return parent ? parent->FullName() + u"." + m_name : m_name;
}

bool TFieldDef::HasChildDefs() const
{
    return m_child_defs && m_child_defs->Count() > 0;
}

TFieldDefs& TFieldDef::ChildDefs()
{
    if (!m_child_defs)
        m_child_defs = std::make_unique<TFieldDefs>(Owner().DataSet(), this);
    return *m_child_defs;
}

TFieldDef* TFieldDef::ParentDef() const
{
    return Collection() ? Owner().ParentDef() : nullptr;
}

void TFieldDef::Assign(const core::Persistent& source)
{
    auto* def = dynamic_cast<const TFieldDef*>(&source);
    if (!def) {
        core::CollectionItem::Assign(source);
        return;
    }
    m_name = def->m_name;
    m_data_type = def->m_data_type;
    m_size = def->m_size;
    m_precision = def->m_precision;
    m_attributes = def->m_attributes;
    m_field_no = def->m_field_no;
    m_internal_calc = def->m_internal_calc;
    if (def->HasChildDefs())
        ChildDefs().Assign(*def->m_child_defs);
    else if (m_child_defs)
        m_child_defs->Clear();
}

TField* TFieldDef::CreateField(core::Component* owner, TObjectField* parentField, StringView fieldName,
                               bool createChildren)
{
    TDataSet* dataSet = Owner().DataSet();
    FieldFactory factory = dataSet ? dataSet->FieldClassOf(m_data_type) : DefaultFieldClass(m_data_type);
    if (!factory)
        DatabaseErrorFmt(texts::UnknownFieldType, m_name);
    TField* field = factory(owner);
    try {
        field->m_size = m_size;
        field->SetFieldName(fieldName.empty() ? StringView(m_name) : fieldName);
        field->m_required = Required();
        field->m_read_only = ReadOnly();
        field->m_field_no = m_field_no;
        if (m_internal_calc)
            field->m_field_kind = fkInternalCalc;
        if (auto* f = dynamic_cast<TFloatField*>(field); f && m_precision > 0)
            f->SetPrecision(m_precision);
        if (auto* b = dynamic_cast<TBCDField*>(field))
            b->SetPrecision(m_precision);
        if (auto* b = dynamic_cast<TFMTBCDField*>(field))
            b->SetPrecision(m_precision);
        if (parentField)
            field->SetParentField(parentField);
        else
            field->SetDataSet(dataSet);
        if (createChildren && HasChildDefs()) {
            auto* object = static_cast<TObjectField*>(field);
            for (int i = 0; i < m_child_defs->Count(); ++i)
                m_child_defs->Items(i)->CreateField(owner, object, {}, true);
        }
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

TFieldDefs::TFieldDefs(TDataSet* dataSet, TFieldDef* parentDef)
    : core::Collection([](core::Collection* c) { return new TFieldDef(c); }), m_dataset(dataSet),
      m_parent_def(parentDef)
{
}

TFieldDef* TFieldDefs::AddFieldDef()
{
    return static_cast<TFieldDef*>(core::Collection::Add());
}

TFieldDef* TFieldDefs::Add(StringView name, TFieldType type, int size, bool required)
{
    if (FindDef(name))
        DatabaseErrorFmt(texts::DuplicateFieldName, name);
    BeginUpdate();
    TFieldDef* def = AddFieldDef();
    def->SetName(name);
    def->SetDataType(type);
    def->SetSize(size);
    def->SetRequired(required);
    def->SetFieldNo(Count());
    EndUpdate();
    return def;
}

int TFieldDefs::IndexOf(StringView name) const
{
    for (int i = 0; i < Count(); ++i)
        if (core::AnsiSameText(Items(i)->Name(), name))
            return i;
    return -1;
}

TFieldDef* TFieldDefs::FindDef(StringView name) const
{
    int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

TFieldDef* TFieldDefs::Find(StringView name) const
{
    TFieldDef* def = FindDef(name);
    if (!def)
        DatabaseErrorFmt(texts::FieldNotFound, name);
    return def;
}

void TFieldDefs::Update()
{
    if (m_dataset)
        m_dataset->InitFieldDefs();
}

void TFieldDefs::Update(core::CollectionItem*)
{
    if (m_dataset && m_dataset->m_field_def_list)
        m_dataset->m_field_def_list->Invalidate();
}

void TFieldDefList::Build() const
{
    if (m_valid)
        return;
    m_list.clear();
    m_names.clear();
    auto add = [this](auto& self, TFieldDefs& defs, const String& prefix) -> void {
        for (int i = 0; i < defs.Count(); ++i) {
            TFieldDef* def = defs.Items(i);
            String name = prefix.empty() ? def->Name() : prefix + u"." + def->Name();
            m_list.push_back(def);
            m_names.push_back(name);
            if (def->HasChildDefs())
                self(self, def->ChildDefs(), name);
        }
    };
    add(add, m_defs, String());
    m_valid = true;
}

int TFieldDefList::Count() const
{
    Build();
    return int(m_list.size());
}

TFieldDef* TFieldDefList::FieldDefs(int index) const
{
    Build();
    if (index < 0 || index >= int(m_list.size()))
        throw core::EListError(core::S("List index out of bounds (") + core::IntToStr(index) + u")");
    return m_list[size_t(index)];
}

TFieldDef* TFieldDefList::Find(StringView fullName) const
{
    Build();
    for (size_t i = 0; i < m_list.size(); ++i)
        if (core::AnsiSameText(m_names[i], fullName))
            return m_list[i];
    return nullptr;
}

TFieldDef* TFieldDefList::FieldByName(StringView fullName) const
{
    TFieldDef* def = Find(fullName);
    if (!def)
        DatabaseErrorFmt(texts::FieldNotFound, fullName);
    return def;
}

} // namespace data
