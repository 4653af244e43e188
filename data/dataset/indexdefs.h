// An index definition: the fields an order runs by, which of them descend or ignore case, and the
// index's options. It is a collection item but needs no collection: a default order is handed out
// on its own.
#pragma once

#include "core/collection.h"
#include "data/dataset/dbtypes.h"

namespace data {

enum TIndexOption : unsigned { ixPrimary = 1u << 0, ixUnique = 1u << 1, ixDescending = 1u << 2, ixCaseInsensitive = 1u << 3 };
using TIndexOptions = unsigned;

class TIndexDef : public core::CollectionItem {
public:
    explicit TIndexDef(core::Collection* collection = nullptr) : core::CollectionItem(collection) {}
    TIndexDef(core::Collection* collection, StringView name, StringView fields, TIndexOptions options)
        : core::CollectionItem(collection), m_name(name), m_fields(fields), m_options(options)
    {
    }

    const String& Name() const { return m_name; }
    void SetName(StringView value) { m_name = String(value); }
    // Field names separated by ";".
    const String& Fields() const { return m_fields; }
    void SetFields(StringView value) { m_fields = String(value); }
    const String& DescFields() const { return m_desc_fields; }
    void SetDescFields(StringView value) { m_desc_fields = String(value); }
    const String& CaseInsFields() const { return m_case_ins_fields; }
    void SetCaseInsFields(StringView value) { m_case_ins_fields = String(value); }
    TIndexOptions Options() const { return m_options; }
    void SetOptions(TIndexOptions value) { m_options = value; }
    String DisplayName() const override { return m_name.empty() ? core::CollectionItem::DisplayName() : m_name; }

    void Assign(const core::Persistent& source) override
    {
        auto* def = dynamic_cast<const TIndexDef*>(&source);
        if (!def) {
            core::CollectionItem::Assign(source);
            return;
        }
        m_name = def->m_name;
        m_fields = def->m_fields;
        m_desc_fields = def->m_desc_fields;
        m_case_ins_fields = def->m_case_ins_fields;
        m_options = def->m_options;
    }

private:
    String m_name;
    String m_fields;
    String m_desc_fields;
    String m_case_ins_fields;
    TIndexOptions m_options = 0;
};

} // namespace data
