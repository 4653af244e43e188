// List box over the system LISTBOX class: items, ItemIndex (-1 when nothing is chosen), OnClick when
// the user changes the selection.
#pragma once

#include "ui/itemstrings.h"
#include "ui/wincontrol.h"

#include <memory>

namespace ui {

class ListBox : public WinControl, private ItemStrings::Sink {
public:
    explicit ListBox(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TListBox"; }
    ~ListBox() override;

    // ---- Properties ----
    ItemStrings& Items() { return *m_items; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    int TopIndex() const;

    // ---- Operations ----
    void Clear() { m_items->Clear(); }

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void DestroyingHandle() override;
    void WndProc(Message& message) override;

private:
    void ItemInserted(int index, const core::String& text) override;
    void ItemDeleted(int index) override;
    void ItemsCleared() override;
    void ItemsUpdating(bool updating) override;

    std::unique_ptr<ItemStrings> m_items;
    int m_item_index = -1;
};

} // namespace ui
