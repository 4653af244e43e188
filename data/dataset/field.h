// Fields: the columns of a dataset as the program sees them. A field reads and writes its value in
// the dataset's record buffer for the current state through the dataset's GetFieldData and
// SetFieldData, in the field-buffer form of its type, and converts that to and from Variant, text,
// numbers and dates. Data fields map to a column of the source; calculated and lookup fields are
// computed by the dataset into its calculated area.
#pragma once

#include "core/component.h"
#include "core/currency.h"
#include "core/datetime.h"
#include "core/variant.h"
#include "data/dataset/dbtypes.h"

#include <functional>
#include <vector>

namespace data {

using core::Variant;

class TDataSet;
class TFieldDef;
class TFields;
class TObjectField;

class TField : public core::Component {
public:
    using FieldNotify = std::function<void(TField& sender)>;
    using GetTextEvent = std::function<void(TField& sender, String& text, bool displayText)>;
    using SetTextEvent = std::function<void(TField& sender, StringView text)>;

    TField(core::Component* owner, TFieldType type);
    ~TField() override;

    // Dataset and naming. SetDataSet joins the dataset's field list; both raise "Cannot perform this
    // operation on an open dataset" while a dataset concerned is open.
    TDataSet* DataSet() const { return m_dataset; }
    void SetDataSet(TDataSet* dataSet);
    const String& FieldName() const { return m_field_name; }
    void SetFieldName(StringView name);
    String FullName() const;
    const String& DisplayLabel() const { return m_display_label.empty() ? m_field_name : m_display_label; }
    void SetDisplayLabel(StringView label) { m_display_label = String(label); }
    // The label, or the name without one; messages name fields by it.
    String DisplayName() const { return DisplayLabel(); }
    TObjectField* ParentField() const { return m_parent_field; }
    void SetParentField(TObjectField* parent);
    int Index() const;

    // Shape.
    TFieldType DataType() const { return m_data_type; }
    int FieldNo() const { return m_field_no; }
    TFieldKind FieldKind() const { return m_field_kind; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return m_field_kind == fkCalculated; }
    bool Lookup() const { return m_field_kind == fkLookup; }
    int Size() const { return m_size; }
    void SetSize(int size);
    // Bytes of the field-buffer form.
    virtual int DataSize() const { return 0; }
    // Place of a calculated or lookup field in the dataset's calculated area (its presence byte).
    int Offset() const { return m_offset; }
    bool Required() const { return m_required; }
    void SetRequired(bool value) { m_required = value; }
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value) { m_read_only = value; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { m_visible = value; }
    const String& DefaultExpression() const { return m_default_expression; }
    void SetDefaultExpression(StringView text) { m_default_expression = String(text); }
    TAutoRefreshFlag AutoGenerateValue() const { return m_auto_generate; }
    void SetAutoGenerateValue(TAutoRefreshFlag value) { m_auto_generate = value; }
    virtual bool IsBlob() const { return false; }
    bool CanModify() const;
    TProviderFlags ProviderFlags() const { return m_provider_flags; }
    void SetProviderFlags(TProviderFlags flags) { m_provider_flags = flags; }
    // Where the value comes from ("TABLE.COLUMN"), for providers.
    const String& Origin() const { return m_origin; }
    void SetOrigin(StringView origin) { m_origin = String(origin); }

    // Lookup settings: KeyFields of this dataset are looked up as LookupKeyFields in LookupDataSet,
    // whose LookupResultField gives the value.
    TDataSet* LookupDataSet() const { return m_lookup_dataset; }
    void SetLookupDataSet(TDataSet* dataSet);
    const String& KeyFields() const { return m_key_fields; }
    void SetKeyFields(StringView names) { m_key_fields = String(names); }
    const String& LookupKeyFields() const { return m_lookup_key_fields; }
    void SetLookupKeyFields(StringView names) { m_lookup_key_fields = String(names); }
    const String& LookupResultField() const { return m_lookup_result_field; }
    void SetLookupResultField(StringView name) { m_lookup_result_field = String(name); }

    // Values. A field that cannot take a kind raises "Cannot access field '%s' as type %s".
    bool IsNull() const;
    Variant Value() const { return AsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    virtual Variant AsVariant() const;
    void SetAsVariant(const Variant& value);
    virtual String AsString() const;
    virtual void SetAsString(StringView value);
    virtual int32_t AsInteger() const;
    virtual void SetAsInteger(int32_t value);
    virtual int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(int64_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual core::Currency AsCurrency() const;
    virtual void SetAsCurrency(core::Currency value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual core::TDateTime AsDateTime() const;
    virtual void SetAsDateTime(core::TDateTime value);
    virtual Variant::Bytes AsBytes() const;
    virtual void SetAsBytes(const Variant::Bytes& value);
    String Text() const { return GetTextOf(false); }
    void SetText(StringView text);
    String DisplayText() const { return GetTextOf(true); }
    // Writes Null.
    virtual void Clear() { SetData(nullptr); }
    // From another field: its value (Null clears). Other sources are asked to assign themselves.
    void Assign(const core::Persistent& source) override;
    // Whether a blob was written since the record was read (blob fields only).
    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }

    // The field-buffer form: GetData answers whether the value is present (buffer may be null);
    // SetData writes it (null writes Null). native false exchanges the value form of dates.
    bool GetData(void* buffer, bool native = true) const;
    void SetData(const void* buffer, bool native = true);
    // Runs OnValidate with buffer as the value being written; reading the field inside sees it.
    virtual void Validate(const void* buffer);
    // The old and new values of the record being changed (cached updates) and its current value.
    Variant OldValue() const;
    Variant NewValue() const;
    Variant CurValue() const;

    // Asks the controls linked to the dataset to focus the control of this field.
    void FocusControl();
    // Raises the field's access error for a kind of value.
    [[noreturn]] void AccessError(StringView typeName) const;
    // Raises "Field '%s' cannot be modified" when the field may not change.
    void CheckReadOnly() const;
    // Checks that the field's dataset is closed.
    void CheckInactive() const;

    // Events.
    FieldNotify OnChange;
    FieldNotify OnValidate;
    GetTextEvent OnGetText;
    SetTextEvent OnSetText;

protected:
    void Notification(core::Component* component, core::Operation operation) override;
    // The text of the value; displayText asks for the display form.
    virtual String GetText(bool displayText) const;
    virtual void SetVarValue(const Variant& value);
    void Change();
    void CheckTypeSize(int size) const;

private:
    friend class TDataSet;
    friend class TFields;
    friend class TFieldDef;
    friend class TObjectField;

    String GetTextOf(bool displayText) const;
    void Bind(bool binding);
    void CalcLookupValue();
    void SetFieldNo(int number) { m_field_no = number; }

    TDataSet* m_dataset = nullptr;
    TObjectField* m_parent_field = nullptr;
    TFieldType m_data_type;
    TFieldKind m_field_kind = fkData;
    String m_field_name;
    String m_display_label;
    String m_default_expression;
    int m_field_no = 0;
    int m_size = 0;
    int m_offset = 0;
    bool m_required = false;
    bool m_read_only = false;
    bool m_visible = true;
    bool m_modified = false;
    bool m_validating = false;
    const void* m_value_buffer = nullptr;
    TAutoRefreshFlag m_auto_generate = arNone;
    TProviderFlags m_provider_flags = pfInUpdate | pfInWhere;
    String m_origin;
    TDataSet* m_lookup_dataset = nullptr;
    String m_key_fields;
    String m_lookup_key_fields;
    String m_lookup_result_field;
    std::vector<TField*> m_lookup_key_list;  // this dataset's key fields while bound
};

// The fields of a dataset or of a structured field, in order. The list owns nothing by itself:
// a field leaves it when freed; Clear frees every field in it.
class TFields {
public:
    TFields(TDataSet* dataSet, TObjectField* parentField = nullptr) : m_dataset(dataSet), m_parent(parentField) {}
    ~TFields();
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    int Count() const { return int(m_list.size()); }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    void Add(TField* field);
    void Remove(TField* field);
    void Clear();
    int IndexOf(const TField* field) const;
    // By name without case; null when absent; FieldByName raises "Field '%s' not found".
    TField* FindField(StringView name) const;
    TField* FieldByName(StringView name) const;
    TField* FieldByNumber(int fieldNo) const;
    // Moves field to index (clipped to the list).
    void SetFieldIndex(TField* field, int index);
    TDataSet* DataSet() const { return m_dataset; }

private:
    void Changed();

    TDataSet* m_dataset;
    TObjectField* m_parent;
    std::vector<TField*> m_list;
};

} // namespace data
