// Field definitions: what a dataset's source says its columns are (name, type, size, precision,
// attributes, number, children of structured types), from which default fields are made and against
// which persistent fields are checked.
#pragma once

#include "core/collection.h"
#include "core/component.h"
#include "data/dataset/dbtypes.h"

#include <memory>
#include <vector>

namespace data {

class TDataSet;
class TField;
class TFieldDefs;
class TObjectField;

class TFieldDef : public core::CollectionItem {
public:
    explicit TFieldDef(core::Collection* owner);
    ~TFieldDef() override;

    const String& Name() const { return m_name; }
    void SetName(StringView name);
    // The name with the names of the parent definitions in front, joined by ".".
    String FullName() const;
    String DisplayName() const override { return m_name; }
    TFieldType DataType() const { return m_data_type; }
    void SetDataType(TFieldType type) { m_data_type = type; }
    int Size() const { return m_size; }
    void SetSize(int size) { m_size = size; }
    int Precision() const { return m_precision; }
    void SetPrecision(int precision) { m_precision = precision; }
    TFieldAttributes Attributes() const { return m_attributes; }
    void SetAttributes(TFieldAttributes attributes) { m_attributes = attributes; }
    bool Required() const { return (m_attributes & faRequired) != 0; }
    void SetRequired(bool value);
    bool ReadOnly() const { return (m_attributes & faReadonly) != 0; }
    bool Hidden() const { return (m_attributes & faHiddenCol) != 0; }
    bool Fixed() const { return (m_attributes & faFixed) != 0; }
    // The number of the column in the source record, from 1; 0 until set.
    int FieldNo() const { return m_field_no; }
    void SetFieldNo(int number) { m_field_no = number; }
    bool InternalCalcField() const { return m_internal_calc; }
    void SetInternalCalcField(bool value) { m_internal_calc = value; }

    // Children of structured and array types, made on first use.
    bool HasChildDefs() const;
    TFieldDefs& ChildDefs();
    TFieldDef* ParentDef() const;
    TFieldDefs& Owner() const;

    // Makes the field that stands for this definition, owned by owner, in the dataset of the
    // definitions; with createChildren the children of structured types too.
    TField* CreateField(core::Component* owner, TObjectField* parentField = nullptr,
                        StringView fieldName = {}, bool createChildren = true);

    void Assign(const core::Persistent& source) override;

private:
    String m_name;
    TFieldType m_data_type = ftUnknown;
    int m_size = 0;
    int m_precision = 0;
    TFieldAttributes m_attributes = 0;
    int m_field_no = 0;
    bool m_internal_calc = false;
    std::unique_ptr<TFieldDefs> m_child_defs;
};

class TFieldDefs : public core::Collection {
public:
    // dataSet is where the definitions belong; parentDef is set for the children of a structure.
    TFieldDefs(TDataSet* dataSet, TFieldDef* parentDef = nullptr);

    TDataSet* DataSet() const { return m_dataset; }
    TFieldDef* ParentDef() const { return m_parent_def; }
    TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(core::Collection::Items(index)); }
    TFieldDef* operator[](int index) const { return Items(index); }

    TFieldDef* AddFieldDef();
    // A definition numbered after the last one.
    TFieldDef* Add(StringView name, TFieldType type, int size = 0, bool required = false);
    // Compared without case; -1 or null when absent; Find raises "Field '%s' not found".
    int IndexOf(StringView name) const;
    TFieldDef* FindDef(StringView name) const;
    TFieldDef* Find(StringView name) const;

    // Whether the definitions reflect the source; the dataset rebuilds them through Update when not.
    bool Updated() const { return m_updated; }
    void SetUpdated(bool value) { m_updated = value; }
    // Brings the definitions up to date through the dataset.
    void Update();
    bool HiddenFields() const { return m_hidden_fields; }
    void SetHiddenFields(bool value) { m_hidden_fields = value; }

protected:
    void Update(core::CollectionItem* item) override;

private:
    TDataSet* m_dataset;
    TFieldDef* m_parent_def;
    bool m_updated = false;
    bool m_hidden_fields = false;
};

// Every definition, children included, in order, by full name ("ADDRESS.CITY").
class TFieldDefList {
public:
    explicit TFieldDefList(TFieldDefs& defs) : m_defs(defs) {}

    int Count() const;
    TFieldDef* FieldDefs(int index) const;
    TFieldDef* Find(StringView fullName) const;
    // Raises "Field '%s' not found".
    TFieldDef* FieldByName(StringView fullName) const;
    void Invalidate() { m_valid = false; }

private:
    void Build() const;

    TFieldDefs& m_defs;
    mutable std::vector<TFieldDef*> m_list;
    mutable std::vector<String> m_names;
    mutable bool m_valid = false;
};

} // namespace data
