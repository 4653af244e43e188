// The control adapter of a form skin provider: finds the ordinary controls of the form and gives
// each the skin look without replacing it. A windowed control gets the window wrapper that the skin
// manager's class lists name for its class; a speed button gets a speed-button handler; a frame gets
// a frame adapter; a plain label becomes transparent in the skin's font colour. The provider's
// OnSkinItem may veto a control or give it another section. Nothing is adapted unless the manager's
// skinning rules include srThirdParty.
#pragma once

#include "core/component.h"
#include "skin/engine/commondata.h"
#include "skin/windows/mainwnd.h"

#include <memory>
#include <vector>

namespace ui {
class SpeedButton;
class WinControl;
}

namespace skin {

class TsSkinProvider;
class TacCtrlAdapter;

// The wrapper class made for each class list of the manager, by list index; empty where no wrapper
// is made (speed buttons are adapted as graphic items).
core::StringView WrapperClassOfList(int listIndex);
constexpr int kThirdListCount = 18;

struct TacAdapterItem {
    explicit TacAdapterItem(TacCtrlAdapter* adapter);
    ~TacAdapterItem();
    void DoHook(ui::WinControl* control);

    ui::WinControl* WinCtrl = nullptr;
    std::unique_ptr<TsCommonData> SkinData;
    int OldFontColor = -1;
    TacCtrlAdapter* Adapter = nullptr;
    std::unique_ptr<TacMainWnd> ScrollWnd;
};

// What the speed-button handler is to the adapter: something it owns and that can be marked
// destroyed when its button goes.
class SpeedButtonHandler {
public:
    virtual ~SpeedButtonHandler() = default;
    bool Destroyed = false;
};
using SpeedButtonHandlerFactory = std::unique_ptr<SpeedButtonHandler> (*)(ui::Control* button, TsCommonData* skinData,
                                                                          SkinManager* manager, core::StringView section);
// Installed by the speed-button handler's module; without one speed buttons are left alone.
void SetSpeedButtonHandlerFactory(SpeedButtonHandlerFactory factory);

struct TacGraphItem {
    explicit TacGraphItem(TacCtrlAdapter* adapter);
    ~TacGraphItem();
    void DoHook(ui::Control* control);

    ui::Control* Ctrl = nullptr;
    std::unique_ptr<TsCommonData> SkinData;
    TacCtrlAdapter* Adapter = nullptr;
    std::unique_ptr<SpeedButtonHandler> Handler;
};

class TacCtrlAdapter {
public:
    explicit TacCtrlAdapter(TsSkinProvider* provider);
    virtual ~TacCtrlAdapter();
    TacCtrlAdapter(const TacCtrlAdapter&) = delete;
    TacCtrlAdapter& operator=(const TacCtrlAdapter&) = delete;

    virtual bool IsControlSupported(core::Component* control);
    virtual TacAdapterItem* GetItem(int index) const;
    virtual TsCommonData* GetCommonData(int) const { return nullptr; }
    virtual void AddNewItem(ui::SpeedButton* button);
    virtual void AddNewItem(ui::WinControl* control) { AddNewItem(control, DefaultSection); }
    virtual void AddNewItem(ui::WinControl* control, core::StringView skinSection);
    virtual void RemoveItem(int index);
    virtual void WndProc(ui::Message& message);

    void AddAllItems(ui::WinControl* ownerCtrl);
    void RemoveAllItems();
    void CleanItems();
    int Count() const { return int(Items.size()); }
    int IndexOf(ui::Control* control) const;
    SkinManager* Manager() const;

    core::String DefaultSection;
    std::vector<std::unique_ptr<TacAdapterItem>> Items;
    std::vector<std::unique_ptr<TacGraphItem>> GraphItems;
    TsSkinProvider* Provider = nullptr;

private:
    bool AskSkinItem(core::Component* item, core::String& section);
    // The index of the first class list holding the control's class name, -1 when none.
    int ListOf(core::Component* control) const;
    void MakeLabelTransparent(ui::Control* label);
};

} // namespace skin
