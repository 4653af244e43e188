#include "skin/windows/ctrladapter.h"

#include "core/stringlist.h"
#include "skin/engine/controlhooks.h"
#include "skin/windows/frameadapter.h"
#include "skin/windows/skinprovider.h"
#include "ui/label.h"
#include "ui/propinfo.h"
#include "ui/speedbutton.h"

namespace skin {

namespace {

const char16_t* const kWrapperOfList[kThirdListCount] = {
    u"TacEditWnd", u"TacBtnWnd", u"TacBitBtnWnd", u"TacCheckBoxWnd", u"TacComboBoxWnd", u"TacGridWnd",
    u"TacGroupBoxWnd", u"TacListViewWnd", u"TacPanelWnd", u"TacTreeViewWnd", u"TacWWComboBoxWnd",
    u"TacGridEhWnd", u"TacVirtualTreeWnd", u"TacPageControlWnd", u"TacTabControlWnd", u"TacToolBarVCLWnd",
    u"TacStatusBarWnd", u"",
};

SpeedButtonHandlerFactory g_speed_button_factory = nullptr;

// Re-entry guards of the scan and of the removal of all items.
bool g_scanning = false;
bool g_removing = false;

bool AnswersSkinAware(ui::Control* control)
{
    auto* w = dynamic_cast<ui::WinControl*>(control);
    return w && w->HandleAllocated() && SendAcMessage(w->HandleIfAllocated(), scIsSkinAware, 0) != 0;
}

// The first class list, in index order, that holds the class name exactly (letter case counts).
int ThirdListOf(SkinManager* manager, core::Component* control)
{
    if (!manager || !control)
        return -1;
    const core::String name = ui::ClassNameOf(*control);
    for (int i = 0; i < kThirdListCount; ++i) {
        const core::StringList* list = manager->ThirdList(i);
        if (!list)
            continue;
        for (int k = 0; k < list->Count(); ++k)
            if ((*list)[k] == name)
                return i;
    }
    return -1;
}

} // namespace

core::StringView WrapperClassOfList(int listIndex)
{
    return listIndex >= 0 && listIndex < kThirdListCount ? core::StringView(kWrapperOfList[listIndex]) : core::StringView();
}

void SetSpeedButtonHandlerFactory(SpeedButtonHandlerFactory factory) { g_speed_button_factory = factory; }

// ---- Items ----

TacAdapterItem::TacAdapterItem(TacCtrlAdapter* adapter)
    : SkinData(std::make_unique<TsCommonData>(nullptr, true)), Adapter(adapter)
{
    SkinData->COC = 227;
}

TacAdapterItem::~TacAdapterItem()
{
    // The wrapper goes before the skin state it paints with.
    ScrollWnd.reset();
}

void TacAdapterItem::DoHook(ui::WinControl* control)
{
    if (!control || control->Tag() == -98 || !control->HandleAllocated() || !control->Parent() ||
        AnswersSkinAware(control))
        return;
    WinCtrl = control;
    SkinManager* manager = Adapter->Manager();
    if (!manager)
        return;
    const int list = ThirdListOf(manager, control);
    if (list < 0)
        return;
    if (WrapperFactory factory = FindWrapperClass(WrapperClassOfList(list)))
        ScrollWnd = factory(control->Handle(), SkinData.get(), manager, SkinData->SkinSection(), true);
}

TacGraphItem::TacGraphItem(TacCtrlAdapter* adapter)
    : SkinData(std::make_unique<TsCommonData>(nullptr, true)), Adapter(adapter)
{
    SkinData->COC = 227;
}

TacGraphItem::~TacGraphItem() { Handler.reset(); }

void TacGraphItem::DoHook(ui::Control* control)
{
    if (!control || control->Tag() == -98)
        return;
    Ctrl = control;
    if (g_speed_button_factory)
        Handler = g_speed_button_factory(control, SkinData.get(), Adapter->Manager(), SkinData->SkinSection());
}

// ---- The adapter ----

TacCtrlAdapter::TacCtrlAdapter(TsSkinProvider* provider) : Provider(provider) {}

TacCtrlAdapter::~TacCtrlAdapter()
{
    CleanItems();
    RemoveAllItems();
}

SkinManager* TacCtrlAdapter::Manager() const { return Provider ? Provider->SkinData()->GetSkinManager() : nullptr; }

int TacCtrlAdapter::ListOf(core::Component* control) const { return ThirdListOf(Manager(), control); }

bool TacCtrlAdapter::AskSkinItem(core::Component* item, core::String& section)
{
    bool canBeAdded = true;
    if (Provider && Provider->OnSkinItem)
        Provider->OnSkinItem(item, canBeAdded, section);
    return canBeAdded;
}

bool TacCtrlAdapter::IsControlSupported(core::Component* component)
{
    auto* control = dynamic_cast<ui::Control*>(component);
    if (!control || control->Tag() == -98)
        return false;
    auto* windowed = dynamic_cast<ui::WinControl*>(control);
    if (windowed && (!windowed->HandleAllocated() || AnswersSkinAware(windowed)))
        return false;
    core::String section;
    if (!windowed) {
        if (dynamic_cast<ui::Label*>(control))
            return AskSkinItem(control, section);
        if (dynamic_cast<ui::SpeedButton*>(control))
            return ListOf(control) >= 0 && AskSkinItem(control, section);
        return false;
    }
    if (dynamic_cast<ui::TFrame*>(control))
        return AskSkinItem(control, section);
    return ListOf(control) >= 0;
}

TacAdapterItem* TacCtrlAdapter::GetItem(int index) const
{
    return index >= 0 && index < Count() ? Items[size_t(index)].get() : nullptr;
}

int TacCtrlAdapter::IndexOf(ui::Control* control) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items[size_t(i)]->WinCtrl == control)
            return i;
    return -1;
}

void TacCtrlAdapter::MakeLabelTransparent(ui::Control* control)
{
    auto* label = dynamic_cast<ui::Label*>(control);
    if (!label || IsSkinnedLabel(label))
        return;
    label->SetTransparent(true);
    if (SkinManager* manager = DefaultManager())
        label->Font().SetColor(ui::Color(manager->GlobalFontColor()));
}

void TacCtrlAdapter::AddAllItems(ui::WinControl* ownerCtrl)
{
    SkinManager* manager = Manager();
    if (g_scanning || !manager || !(manager->SkinningRules() & SkinningRuleBit(srThirdParty)))
        return;
    if (!ownerCtrl)
        ownerCtrl = Provider ? Provider->Form : nullptr;
    if (!ownerCtrl)
        return;
    g_scanning = true;
    struct Clear {
        ~Clear() { g_scanning = false; }
    } clear;
    CleanItems();
    auto descend = [&](core::Component* c) {
        auto* w = dynamic_cast<ui::WinControl*>(c);
        if (w && w->HandleAllocated() && w->Parent()) {
            g_scanning = false;
            AddAllItems(w);
            g_scanning = true;
        }
    };
    for (int i = 0; i < ownerCtrl->ComponentCount(); ++i) {
        core::Component* c = ownerCtrl->Components(i);
        if (IsControlSupported(c)) {
            if (auto* w = dynamic_cast<ui::WinControl*>(c))
                AddNewItem(w, u"");
            else if (auto* label = dynamic_cast<ui::Label*>(c); label && label->Tag() != 98)
                MakeLabelTransparent(label);
        }
        descend(c);
    }
    for (int i = 0; i < ownerCtrl->ControlCount(); ++i) {
        ui::Control* c = ownerCtrl->Controls(i);
        if (IsControlSupported(c)) {
            if (auto* w = dynamic_cast<ui::WinControl*>(c))
                AddNewItem(w, u"");
            else if (auto* button = dynamic_cast<ui::SpeedButton*>(c))
                AddNewItem(button);
            else
                MakeLabelTransparent(c);
        }
        descend(c);
    }
}

void TacCtrlAdapter::AddNewItem(ui::WinControl* control, core::StringView skinSection)
{
    if (!control || control->Tag() == -98 || !control->Parent() || AnswersSkinAware(control))
        return;
    core::String section(skinSection);
    if (!AskSkinItem(control, section))
        return;
    if (auto* frame = dynamic_cast<ui::TFrame*>(control)) {
        AdaptFrame(frame, u"GROUPBOX");
        return;
    }
    TacAdapterItem* item = GetItem(IndexOf(control));
    const bool added = item == nullptr;
    if (added) {
        Items.push_back(std::make_unique<TacAdapterItem>(this));
        item = Items.back().get();
        item->WinCtrl = control;
    }
    item->SkinData->SetSkinSection(section);
    if (!added) {
        if (item->ScrollWnd && item->ScrollWnd->Destroyed) {
            item->ScrollWnd.reset();
            if (control->Parent())
                item->DoHook(control);
        }
        return;
    }
    if (control->Parent())
        item->DoHook(control);
    if (!item->ScrollWnd)
        Items.pop_back();
}

void TacCtrlAdapter::AddNewItem(ui::SpeedButton* button)
{
    if (!button || button->Tag() == -98 || !button->Parent())
        return;
    core::String section = u"SPEEDBUTTON";
    if (!AskSkinItem(button, section))
        return;
    TacGraphItem* item = nullptr;
    for (auto& g : GraphItems)
        if (g->Ctrl == button)
            item = g.get();
    const bool added = item == nullptr;
    if (added) {
        GraphItems.push_back(std::make_unique<TacGraphItem>(this));
        item = GraphItems.back().get();
    }
    // The section the event returned is not used for speed buttons.
    item->SkinData->SetSkinSection(button->Flat() ? u"SPEEDBUTTON_SMALL" : u"SPEEDBUTTON");
    if (!added) {
        if (item->Handler && item->Handler->Destroyed) {
            item->Handler.reset();
            item->DoHook(button);
        }
        return;
    }
    item->DoHook(button);
    if (!item->Handler)
        GraphItems.pop_back();
}

void TacCtrlAdapter::RemoveItem(int index)
{
    // Indexes outside the list are ignored.
    if (index < 0 || index >= Count())
        return;
    Items[size_t(index)] = std::move(Items.back());
    Items.pop_back();
}

void TacCtrlAdapter::RemoveAllItems()
{
    if (g_removing)
        return;
    g_removing = true;
    SetAdapterRemovingAll(true);
    while (!Items.empty())
        Items.pop_back();
    while (!GraphItems.empty())
        GraphItems.pop_back();
    SetAdapterRemovingAll(false);
    g_removing = false;
}

void TacCtrlAdapter::CleanItems()
{
    std::erase_if(Items, [](const std::unique_ptr<TacAdapterItem>& i) {
        return !i || !i->ScrollWnd || i->ScrollWnd->Destroyed;
    });
    std::erase_if(GraphItems, [](const std::unique_ptr<TacGraphItem>& g) {
        return !g || !g->Handler || g->Handler->Destroyed;
    });
}

void TacCtrlAdapter::WndProc(ui::Message& message)
{
    for (auto& item : Items)
        if (item->ScrollWnd && !item->ScrollWnd->Destroyed && item->WinCtrl && item->WinCtrl->Parent() &&
            item->ScrollWnd->CtrlHandle)
            SendMessageW(item->ScrollWnd->CtrlHandle, message.Msg, message.WParam, message.LParam);
}

} // namespace skin
