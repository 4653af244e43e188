#include "skin/windows/sysmenu.h"

#include "skin/engine/tsskinmanager.h"
#include "skin/windows/skinprovider.h"
#include "ui/application.h"

namespace skin {

namespace {

constexpr UINT kCloseId = 58976, kMaximizeId = 58977, kMinimizeId = 58978, kSizeId = 58979, kMoveId = 58980,
               kRestoreId = 58981, kSkinsId = 58964, kInternalId = 58963;

// The text of a window-menu command read by command or by position: caption before the tab,
// shortcut text after it. False when the menu cannot give it.
bool ReadMenuText(HMENU menu, UINT item, UINT flags, core::String& caption, core::String& shortcut)
{
    wchar_t buffer[256] = {};
    if (GetMenuStringW(menu, item, buffer, 255, flags) <= 0)
        return false;
    std::wstring text(buffer);
    size_t tab = text.find(L'\t');
    caption = core::String(text.begin(), text.begin() + std::ptrdiff_t(std::min(tab, text.size())));
    shortcut = tab == std::wstring::npos ? core::String() : core::String(text.begin() + std::ptrdiff_t(tab) + 1, text.end());
    return true;
}

} // namespace

core::String SysMenuText(UINT stringId)
{
    wchar_t buffer[256] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), stringId, buffer, 255) > 0)
        return core::String(buffer, buffer + wcslen(buffer));
    switch (stringId) {
    case kRestoreId: return u"Restore";
    case kMoveId: return u"Move";
    case kSizeId: return u"Size";
    case kMinimizeId: return u"Minimize";
    case kMaximizeId: return u"Maximize";
    case kCloseId: return u"Close";
    case kSkinsId: return u"Available skins";
    case kInternalId: return u"(internal)";
    default: return {};
    }
}

// ---- TsCustomSysMenu ----

void TsCustomSysMenu::Popup(int x, int y)
{
    if (!m_window) {
        ui::PopupMenu::Popup(x, y);
        return;
    }
    if (OnPopup)
        OnPopup(this);
    HMENU menu = Build(true);
    UINT command = UINT(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, m_window, nullptr));
    if (command)
        DispatchCommand(command);
}

ui::MenuItem* TsCustomSysMenu::AddItem(core::StringView caption, core::StringView name, ui::NotifyEvent onClick, int tag)
{
    auto* item = new ui::MenuItem(this);
    item->SetCaption(caption);
    if (!name.empty())
        item->SetName(name);
    item->OnClick = std::move(onClick);
    item->SetTag(tag);
    Items()->Add(item);
    return item;
}

void TsCustomSysMenu::AddLine()
{
    auto* line = new ui::MenuItem(this);
    line->SetCaption(u"-");
    Items()->Add(line);
}

void TsCustomSysMenu::SendCommand(WPARAM command)
{
    if (m_window)
        SendMessageW(m_window, WM_SYSCOMMAND, command, 0);
}

// ---- TsSystemMenu ----

TsSystemMenu::TsSystemMenu(TsSkinProvider* owner) : TsCustomSysMenu(owner), FOwner(owner), FForm(owner->Form)
{
    SetName(u"SysMenu");
    if (FForm && FForm->HandleAllocated())
        SetWindow(FForm->HandleIfAllocated());
    m_skins.GetNames = [this](core::StringList& names, core::String& current) {
        auto* manager = dynamic_cast<TsSkinManager*>(FOwner->SkinData()->GetSkinManager());
        if (!manager)
            return false;
        manager->GetSkinNames(names, stAllSkins);
        current = manager->GetSkinName();
        return true;
    };
    m_skins.SelectSkin = [this](core::StringView name) {
        if (auto* manager = dynamic_cast<TsSkinManager*>(FOwner->SkinData()->GetSkinManager()))
            manager->SetSkinName(name);
    };
    Generate();
}

void TsSystemMenu::Generate()
{
    Items()->Clear();
    ItemRestore = ItemMove = ItemSize = ItemMinimize = ItemMaximize = ItemClose = nullptr;
    ExtItemsCount = 0;
    HWND wnd = FForm && FForm->HandleAllocated() ? FForm->HandleIfAllocated() : nullptr;
    HMENU menu = wnd ? GetSystemMenu(wnd, FALSE) : nullptr;
    if (!menu)
        return;
    SetWindow(wnd);
    auto text = [&](UINT command, UINT id, core::String& shortcut) {
        core::String caption;
        if (!ReadMenuText(menu, command, MF_BYCOMMAND, caption, shortcut)) {
            caption = SysMenuText(id);
            shortcut.clear();
        }
        return caption;
    };
    core::String sc;
    auto send = [this](WPARAM command) { return [this, command](core::Object*) { SendCommand(command); }; };
    ItemRestore = AddItem(text(SC_RESTORE, kRestoreId, sc), u"acIR", [this](core::Object*) {
        SendCommand(SC_RESTORE);
        UpdateItems(false);
    }, SC_RESTORE);
    ItemMove = AddItem(text(SC_MOVE, kMoveId, sc), u"acIM", send(SC_MOVE), SC_MOVE);
    ItemSize = AddItem(text(SC_SIZE, kSizeId, sc), u"acIS", send(SC_SIZE), SC_SIZE);
    ItemMinimize = AddItem(text(SC_MINIMIZE, kMinimizeId, sc), u"acIN", [this](core::Object*) {
        ui::Application& app = ui::Application::Instance();
        if (app.MainForm() == FForm) {
            app.Minimize();
            UpdateItems(false);
        } else {
            SendCommand(SC_MINIMIZE);
        }
    }, SC_MINIMIZE);
    ItemMaximize = AddItem(text(SC_MAXIMIZE, kMaximizeId, sc), u"acIX", [this](core::Object*) {
        SendCommand(SC_MAXIMIZE);
        UpdateItems(false);
    }, SC_MAXIMIZE);
    AddLine();
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const int id = int(GetMenuItemID(menu, i));
        core::String caption, shortcut;
        if (id >= 0xF000 || !ReadMenuText(menu, UINT(i), MF_BYPOSITION, caption, shortcut))
            continue;
        // Separators have no text and are skipped by the read above.
        ui::MenuItem* item = AddItem(caption, {}, [this](core::Object* sender) { ExtClick(sender); }, id);
        if (!shortcut.empty())
            item->SetShortCut(ui::TextToShortCut(shortcut));
        ++ExtItemsCount;
    }
    if (ExtItemsCount > 0)
        AddLine();
    core::String closeShortcut;
    ItemClose = AddItem(text(SC_CLOSE, kCloseId, closeShortcut), u"acIC", send(SC_CLOSE), SC_CLOSE);
    if (!closeShortcut.empty())
        ItemClose->SetShortCut(ui::TextToShortCut(closeShortcut));
}

void TsSystemMenu::UpdateItems(bool full)
{
    if (full)
        Generate();
    if (!FForm)
        return;
    auto set = [](ui::MenuItem* item, bool visible, bool enabled) {
        if (!item)
            return;
        item->SetVisible(visible);
        item->SetEnabled(enabled);
    };
    set(ItemRestore, VisibleRestore(), EnabledRestore());
    set(ItemMove, true, EnabledMove());
    set(ItemSize, VisibleSize(), EnabledSize());
    set(ItemMinimize, VisibleMin(), EnabledMin());
    set(ItemMaximize, VisibleMax(), EnabledMax());
    set(ItemClose, VisibleClose(), true);
}

bool TsSystemMenu::VisibleClose() { return FOwner->ButtonRules().VisibleClose(); }
bool TsSystemMenu::VisibleMax() { return FOwner->ButtonRules().VisibleMax(); }
bool TsSystemMenu::VisibleMin() { return FOwner->ButtonRules().VisibleMin(); }
bool TsSystemMenu::EnabledMax() { return FOwner->ButtonRules().EnabledMax(); }
bool TsSystemMenu::EnabledMin() { return FOwner->ButtonRules().EnabledMin(); }
bool TsSystemMenu::EnabledRestore() { return FOwner->ButtonRules().EnabledRestore(); }
bool TsSystemMenu::VisibleRestore() { return FOwner->ButtonRules().VisibleRestore(); }
bool TsSystemMenu::VisibleSize() { return FOwner->ButtonRules().VisibleSize(); }
bool TsSystemMenu::EnabledMove() { return FOwner->ButtonRules().EnabledMove(); }
bool TsSystemMenu::EnabledSize() { return FOwner->ButtonRules().EnabledSize(); }

void TsSystemMenu::ExtClick(core::Object* sender)
{
    auto* item = dynamic_cast<ui::MenuItem*>(sender);
    if (item && Window())
        PostMessageW(Window(), WM_SYSCOMMAND, WPARAM(UINT(item->Tag())), 0);
}

void TsSystemMenu::MakeSkinItems()
{
    core::StringList names;
    core::String current;
    if (!m_skins.GetNames || !m_skins.GetNames(names, current) || names.Count() == 0)
        return;
    // A list made for an earlier drop goes first.
    if (Items()->Count() > 0 && Items()->Items(0)->Name() == u"SkinSelectItem") {
        delete Items()->Items(0);
        if (Items()->Count() > 0 && Items()->Items(0)->IsLine())
            delete Items()->Items(0);
    }
    auto* list = new ui::MenuItem(this);
    list->SetCaption(SysMenuText(kSkinsId));
    list->SetName(u"SkinSelectItem");
    Items()->Insert(0, list);
    auto* line = new ui::MenuItem(this);
    line->SetCaption(u"-");
    Items()->Insert(1, line);
    for (int i = 0; i < names.Count(); ++i) {
        auto* item = new ui::MenuItem(this);
        item->SetCaption(names[i]);
        item->SetName(u"SkinSelectItem" + core::IntToStr(i));
        item->SetRadioItem(true);
        item->SetChecked(names[i] == current);
        item->SetBreak(i > 0 && i % 20 == 0);
        item->OnClick = [this](core::Object* sender) { SkinSelect(sender); };
        list->Add(item);
    }
}

void TsSystemMenu::SkinSelect(core::Object* sender)
{
    auto* item = dynamic_cast<ui::MenuItem*>(sender);
    if (!item || !m_skins.SelectSkin)
        return;
    core::String name;
    for (char16_t c : item->Caption())
        if (c != u'&')
            name += c;
    const core::String marker = SysMenuText(kInternalId);
    if (size_t at = name.find(marker); at != core::String::npos)
        name.resize(at + marker.size());
    m_skins.SelectSkin(name);
}

// ---- TacSystemMenu ----

TacSystemMenu::TacSystemMenu(core::Component* owner) : TsCustomSysMenu(owner)
{
    auto send = [this](WPARAM command, bool update) {
        return [this, command, update](core::Object*) {
            SendCommand(command);
            if (update)
                UpdateItems();
        };
    };
    ItemRestore = AddItem(SysMenuText(kRestoreId), u"miRestore", send(SC_RESTORE, true), 0);
    ItemMove = AddItem(SysMenuText(kMoveId), u"miMove", send(SC_MOVE, false), 0);
    ItemSize = AddItem(SysMenuText(kSizeId), u"miSize", send(SC_SIZE, false), 0);
    ItemMinimize = AddItem(SysMenuText(kMinimizeId), u"miMinimize", send(SC_MINIMIZE, false), 0);
    ItemMaximize = AddItem(SysMenuText(kMaximizeId), u"miMaximize", send(SC_MAXIMIZE, true), 0);
    AddLine();
    ItemClose = AddItem(SysMenuText(kCloseId), u"miClose", send(SC_CLOSE, false), 0);
    ItemClose->SetShortCut(0x8073); // Alt+F4
}

void TacSystemMenu::UpdateItems()
{
    const DialogMenuRules r = Rules ? Rules() : DialogMenuRules{};
    auto set = [](ui::MenuItem* item, bool visible, bool enabled) {
        item->SetVisible(visible);
        item->SetEnabled(enabled);
    };
    set(ItemRestore, r.VisibleRestore, r.EnabledRestore);
    set(ItemMove, true, r.EnabledMove);
    set(ItemSize, r.VisibleSize, r.EnabledSize);
    set(ItemMinimize, r.VisibleMin, r.EnabledMin);
    set(ItemMaximize, r.VisibleMax, r.EnabledMax);
    set(ItemClose, r.HasSysMenu, true);
}

} // namespace skin
