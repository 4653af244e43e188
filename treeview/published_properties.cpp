// The registry classes of the header views: "TVTHeader", "TVirtualTreeColumn" and "TFont".
#include "treeview/published_properties.h"

#include "treeview/tree_viewport.h"
#include "ui/propinfo.h"

#include <algorithm>

namespace treeview {

// ---- Views ----

THeaderFontRecord PublishedFont::Record() const { return m_tree.HeaderFontRecord(); }

void PublishedFont::Change(const std::function<void(THeaderFontRecord&)>& change)
{
    THeaderFontRecord font = m_tree.HeaderFontRecord();
    change(font);
    m_tree.SetHeaderFontRecord(font);
}

TVirtualTreeColumn* PublishedColumn::Column() const
{
    const TVirtualTreeColumns& columns = m_header.Columns();
    for (int i = 0; i < columns.Count(); ++i)
        if (columns.Items(i) == m_column)
            return m_column;
    return nullptr;
}

PublishedHeader::PublishedHeader(TTreeViewport& tree) : m_tree(tree), m_font(tree) {}

PublishedHeader::~PublishedHeader() = default;

TVTHeader& PublishedHeader::Header() const { return m_tree.Header(); }

PublishedColumn* PublishedHeader::ColumnObject(TVirtualTreeColumn* column)
{
    if (!column)
        return nullptr;
    // Views of columns that went are dropped here, so the list stays as long as the header.
    std::erase_if(m_columns, [](const std::unique_ptr<PublishedColumn>& c) { return !c->Column(); });
    for (const auto& c : m_columns)
        if (c->Column() == column)
            return c.get();
    auto view = std::make_unique<PublishedColumn>(Header(), column);
    if (!view->Column())
        return nullptr;
    m_columns.push_back(std::move(view));
    return m_columns.back().get();
}

// ---- Registration ----

const std::vector<core::String>& HeaderOptionNames()
{
    static const std::vector<core::String> names = {
        u"hoAutoResize", u"hoColumnResize", u"hoDblClickResize", u"hoDrag", u"hoHotTrack", u"hoOwnerDraw",
        u"hoRestrictDrag", u"hoShowHint", u"hoShowImages", u"hoShowSortGlyphs", u"hoVisible", u"hoAutoSpring",
        u"hoFullRepaintOnResize", u"hoDisableAnimatedResize", u"hoHeightResize", u"hoHeightDblClickResize",
    };
    return names;
}

void RegisterPublishedHeaderClasses()
{
    using ui::Getter;
    using ui::Setter;
    ui::RegisterPropClass<PublishedFont>(u"TFont", {
        ui::OrdProperty(u"Color", Getter<PublishedFont>([](PublishedFont& f) { return int64_t(uint32_t(f.Record().Color)); }),
                        Setter<PublishedFont>([](PublishedFont& f, int64_t v) {
                            f.Change([v](THeaderFontRecord& r) { r.Color = TColor(uint32_t(v)); });
                        }),
                        ui::pkColor),
        ui::OrdProperty(u"Height", Getter<PublishedFont>([](PublishedFont& f) { return int64_t(f.Record().Height); }),
                        Setter<PublishedFont>([](PublishedFont& f, int64_t v) {
                            f.Change([v](THeaderFontRecord& r) { r.Height = int32_t(v); });
                        })),
        ui::StrProperty(u"Name", Getter<PublishedFont>([](PublishedFont& f) { return f.Record().Name; }),
                        Setter<PublishedFont>([](PublishedFont& f, core::StringView v) {
                            f.Change([v](THeaderFontRecord& r) { r.Name = core::String(v); });
                        })),
        ui::SetProperty(u"Style", {u"fsBold", u"fsItalic", u"fsUnderline", u"fsStrikeOut"},
                        Getter<PublishedFont>([](PublishedFont& f) { return int64_t(f.Record().Style); }),
                        Setter<PublishedFont>([](PublishedFont& f, int64_t v) {
                            f.Change([v](THeaderFontRecord& r) { r.Style = uint8_t(v & 15); });
                        })),
    });
    ui::RegisterPropClass<PublishedColumn>(u"TVirtualTreeColumn", {
        ui::StrProperty(u"Text", Getter<PublishedColumn>([](PublishedColumn& c) {
                            TVirtualTreeColumn* column = c.Column();
                            return column ? column->Text() : core::String();
                        }),
                        Setter<PublishedColumn>([](PublishedColumn& c, core::StringView v) {
                            if (TVirtualTreeColumn* column = c.Column())
                                column->SetText(v);
                        })),
    });
    ui::RegisterPropClass<PublishedHeader>(u"TVTHeader", {
        ui::SetProperty(u"Options", HeaderOptionNames(),
                        Getter<PublishedHeader>([](PublishedHeader& h) { return int64_t(h.Header().Options()); }),
                        Setter<PublishedHeader>([](PublishedHeader& h, int64_t v) {
                            h.Header().SetOptions(TVTHeaderOptions(v));
                        })),
        ui::OrdProperty(u"Height", Getter<PublishedHeader>([](PublishedHeader& h) { return int64_t(h.Header().Height()); }),
                        Setter<PublishedHeader>([](PublishedHeader& h, int64_t v) { h.Header().SetHeight(int(v)); })),
        ui::OrdProperty(u"Color",
                        Getter<PublishedHeader>([](PublishedHeader& h) { return int64_t(uint32_t(h.Header().Background())); }),
                        Setter<PublishedHeader>([](PublishedHeader& h, int64_t v) {
                            h.Header().SetBackground(TColor(uint32_t(v)));
                        }),
                        ui::pkColor),
        ui::ObjectProperty(u"Font", Getter<PublishedHeader>([](PublishedHeader& h) -> core::Object* { return &h.Font(); })),
        ui::OrdProperty(u"SortDirection",
                        Getter<PublishedHeader>([](PublishedHeader& h) { return int64_t(h.Header().SortDirection()); }),
                        Setter<PublishedHeader>([](PublishedHeader& h, int64_t v) {
                            h.Header().SetSortDirection(v == 0 ? sdAscending : sdDescending);
                        })),
    });
}

} // namespace treeview
