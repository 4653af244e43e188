// Skinned combo box with a read-only mode and a bound label. Unskinned (the client) it is the class
// library's combo box with a drop-down count of 16, the read-only filters (keys, typing, editing
// and dropping down are refused while ReadOnly is set) and its answers to the skin command.
#pragma once

#include "skin/controls/edit.h"
#include "skin/windows/scrollwnd.h"
#include "ui/combobox.h"

#include <memory>

namespace skin {

class TsCustomComboBox : public ui::ComboBox {
public:
    explicit TsCustomComboBox(core::Component* owner = nullptr);
    ~TsCustomComboBox() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    TsBoundLabel& BoundLabel() { return *m_bound_label; }
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value) { m_read_only = value; }
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment value);
    bool ShowButton() const { return m_show_button; }
    void SetShowButton(bool value);
    TsDisabledKind DisabledKind() const { return m_disabled_kind; }
    void SetDisabledKind(TsDisabledKind value) { m_disabled_kind = value; }
    // The list is dropped down (from the drop-down and close-up notifications).
    bool ListDropped() const { return m_drop_down; }

    // ---- Operations ----
    // Index of the first item equal to text (case-sensitive), -1 when none.
    int IndexOf(core::StringView text) const;
    RECT ButtonRect() const;
    int ButtonHeight() const;
    bool Focused();
    // Skinned: the drop-down button ("COMBOBTN" and the combo glyph) into the cache; pressed while
    // the list is down.
    void PaintButton();

    void Loaded() override;

protected:
    void CreateHandle() override;
    void DestroyingHandle() override;
    void WndProc(ui::Message& message) override;
    // The procedure of the edit and list windows inside the combo box: the read-only filter.
    virtual bool ComboWndProc(HWND child, UINT msg, WPARAM wparam, LPARAM lparam);

    // Skinned: the section item, the button and the text (or only the item for a simple combo).
    virtual void PrepareCache();

private:
    bool SkinnedMessage(ui::Message& message);
    // The cache onto dc (the window's DC when null), by style.
    void PaintFace(HDC dc);
    void WrapList(HWND list);
    void WriteText(RECT r, bool focusedLook);
    int ItemHeightOf() const;
    static LRESULT CALLBACK ChildProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    void HookChildren();
    void UnhookChildren();

    std::unique_ptr<TsCommonData> m_common;
    std::unique_ptr<TsBoundLabel> m_bound_label;
    std::unique_ptr<TacScrollWnd> m_list_sw;
    HWND m_list_handle = nullptr;
    HWND m_hooked[2] = {nullptr, nullptr};
    ui::Alignment m_alignment = ui::taLeftJustify;
    bool m_read_only = false;
    TsDisabledKind m_disabled_kind = dkBlended;
    bool m_show_button = true;
    bool m_drop_down = false;
};

class TsComboBox : public TsCustomComboBox {
public:
    using TsCustomComboBox::TsCustomComboBox;
};

} // namespace skin
