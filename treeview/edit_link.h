// The string tree's default in-place editor: TStringEditLink binds a cell and drives a TVTEdit, an
// edit control the tree places over the cell's text. The tree talks to it only through IVTEditLink,
// so an application may bring its own editor through OnCreateEditor instead.
#pragma once
#include "treeview/string_tree.h"
#include "ui/edit.h"
#include <memory>

namespace treeview {

class TStringEditLink;

// Posted to the edit on systems where the edit updates its text after EN_UPDATE: the fit then
// sees the new text.
constexpr UINT WM_FITTOTEXT = 0xB7D5;

class TVTEdit : public ui::Edit {
public:
    // The edit holds its link counted only while it edits (from the link's PrepareEdit on), so that a
    // link that never edits goes with its last outside reference.
    explicit TVTEdit(TStringEditLink* link);
    ~TVTEdit() override;

    // Sizes a single-line editor to its text (multi-line editors keep their size).
    virtual void FitToText();
    // Frees the control once the messages already queued are through; a control that never got a
    // window is freed at once.
    virtual void Release();
    // The link lets go of the edit: from now on the edit no longer reports to it.
    void Detach();
    TStringEditLink* Link() const { return m_link; }

protected:
    void CreateParams(ui::CreateParamsRec& params) override;
    void WndProc(ui::Message& message) override;

private:
    friend class TStringEditLink;
    bool Multiline() const;
    // FRefLink keeps the link alive while the edit runs; m_link is the same link without counting.
    std::shared_ptr<TStringEditLink> m_ref_link;
    TStringEditLink* m_link = nullptr;
    // The window is being re-created for a new cell: its end is not the end of the edit.
    bool m_recreating = false;
};

class TStringEditLink : public IVTEditLink, public std::enable_shared_from_this<TStringEditLink> {
public:
    // The link with its (hidden) edit control.
    static std::shared_ptr<TStringEditLink> Create();
    ~TStringEditLink() override;

    bool BeginEdit() override;
    bool CancelEdit() override;
    bool EndEdit() override;
    bool PrepareEdit(TCustomVirtualTreeControl& tree, PVirtualNode node, TColumnIndex column) override;
    TRect GetBounds() override;
    void ProcessMessage(ui::Message& message) override;
    void SetBounds(const TRect& rect) override;

    TVTEdit* Edit() const { return m_edit; }
    TCustomVirtualStringTree* Tree() const { return m_tree; }
    PVirtualNode Node() const { return m_node; }
    TColumnIndex Column() const { return m_column; }
    TAlignment Alignment() const { return m_alignment; }
    bool Stopping() const { return m_stopping; }

protected:
    TStringEditLink() = default;
    // Replaces the edit control, releasing the old one.
    void SetEdit(TVTEdit* edit);

private:
    friend class TVTEdit;
    TVTEdit* m_edit = nullptr;
    TCustomVirtualStringTree* m_tree = nullptr;
    PVirtualNode m_node = nullptr;
    TColumnIndex m_column = NoColumn;
    TAlignment m_alignment = taLeftJustify;
    TRect m_text_bounds;
    bool m_stopping = false;
};

} // namespace treeview
