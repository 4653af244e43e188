// Combo box over the system COMBOBOX class: items, ItemIndex (-1 when nothing is chosen), the
// drop-down list style, and OnChange raised only when the user picks an item or types (setting
// ItemIndex or Text from the program raises nothing). OnKeyPress may drop a key by zeroing it.
#pragma once

#include "ui/itemstrings.h"
#include "ui/wincontrol.h"

#include <memory>

namespace ui {

enum ComboBoxStyle { csDropDown, csSimple, csDropDownList };

class ComboBox : public WinControl, private ItemStrings::Sink {
public:
    explicit ComboBox(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TComboBox"; }
    ~ComboBox() override;

    // ---- Properties ----
    ItemStrings& Items() { return *m_items; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    ComboBoxStyle Style() const { return m_style; }
    void SetStyle(ComboBoxStyle style);
    int DropDownCount() const { return m_drop_down_count; }
    void SetDropDownCount(int count) { m_drop_down_count = std::max(count, 1); }
    bool DroppedDown() const;
    void SetDroppedDown(bool value);

    // ---- Operations ----
    // Empties the items and the text.
    void Clear();

    // ---- Events ----
    NotifyEvent OnChange;
    NotifyEvent OnSelect;
    NotifyEvent OnDropDown;
    NotifyEvent OnCloseUp;

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void DestroyingHandle() override;
    void BoundsChanged() override;
    void WndProc(Message& message) override;
    bool WantsKey(WORD key) override;
    virtual void Change();
    virtual void Select();

private:
    void ItemInserted(int index, const core::String& text) override;
    void ItemDeleted(int index) override;
    void ItemsCleared() override;
    void ItemsUpdating(bool updating) override;
    int WindowHeight() const;

    std::unique_ptr<ItemStrings> m_items;
    int m_item_index = -1;
    ComboBoxStyle m_style = csDropDown;
    int m_drop_down_count = 8;
};

} // namespace ui
