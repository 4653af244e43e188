// The tree's header, its columns and the header font as objects of the property registry
// (ui/propinfo.h), so that code which does not know the tree's classes can read and change them by
// name. They are views: each reads and writes the tree's own state and keeps none of its own.
#pragma once

#include "core/object.h"
#include "treeview/header.h"

#include <memory>
#include <vector>

namespace treeview {

class TTreeViewport;

// The header's font through the tree's header font record ("Color", "Height", "Name", "Style").
class PublishedFont : public core::Object {
public:
    explicit PublishedFont(TTreeViewport& tree) : m_tree(tree) {}
    THeaderFontRecord Record() const;
    void Change(const std::function<void(THeaderFontRecord&)>& change);

private:
    TTreeViewport& m_tree;
};

// One column ("Text"). The column may go while its view lives on: the view then reads as empty.
class PublishedColumn : public core::Object {
public:
    PublishedColumn(TVTHeader& header, TVirtualTreeColumn* column) : m_header(header), m_column(column) {}
    // The column, null when the header no longer holds it.
    TVirtualTreeColumn* Column() const;

private:
    TVTHeader& m_header;
    TVirtualTreeColumn* m_column;
};

// The header ("Options", "Height", "Color", "Font", "SortDirection") and the views of its columns.
class PublishedHeader : public core::Object {
public:
    explicit PublishedHeader(TTreeViewport& tree);
    ~PublishedHeader() override;

    TTreeViewport& Tree() const { return m_tree; }
    TVTHeader& Header() const;
    PublishedFont& Font() { return m_font; }
    // The view of a column of this header, made on first use; null for null or a foreign column.
    PublishedColumn* ColumnObject(TVirtualTreeColumn* column);

private:
    TTreeViewport& m_tree;
    PublishedFont m_font;
    std::vector<std::unique_ptr<PublishedColumn>> m_columns;
};

// Element names of the header's "Options", bit i for element i, in the tree's order.
const std::vector<core::String>& HeaderOptionNames();
// Registers the views' classes (idempotent).
void RegisterPublishedHeaderClasses();
// The window half: the views and the tree control classes with "Header" and the header drawing
// events (idempotent).
void RegisterTreeControlClasses();

} // namespace treeview
