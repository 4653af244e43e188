// Menus: items, the system menus built from them, command and owner-draw dispatch.
#include "ui/menu.h"

#include "core/exception.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/form.h"

#include <algorithm>
#include <unordered_map>

namespace ui {
namespace {

// Command identifier -> item, for every live item. Menus belong to the GUI thread.
std::unordered_map<UINT, MenuItem*>& Commands()
{
    static std::unordered_map<UINT, MenuItem*> commands;
    return commands;
}

UINT AllocateCommand(MenuItem* item)
{
    static UINT next = 0x100;
    auto& commands = Commands();
    // Identifiers are 16 bits wide in WM_COMMAND; skip those in use after a wrap.
    for (int tries = 0; tries < 0xF000; ++tries) {
        UINT id = next;
        next = next >= 0xEFFF ? 0x100 : next + 1;
        if (!commands.count(id)) {
            commands[id] = item;
            return id;
        }
    }
    throw core::EOutOfMemory(u"Too many menu items");
}

std::wstring W(core::StringView text) { return std::wstring(text.begin(), text.end()); }

} // namespace

MenuItem::MenuItem(core::Component* owner) : core::Component(owner) { m_command = AllocateCommand(this); }

MenuItem::~MenuItem()
{
    while (!m_items.empty())
        delete m_items.back();
    if (m_parent)
        m_parent->Remove(this);
    Commands().erase(m_command);
}

void MenuItem::SetCaption(core::StringView caption)
{
    if (caption == m_caption)
        return;
    m_caption = core::String(caption);
    Changed();
}

void MenuItem::SetShortCut(ui::ShortCut shortcut)
{
    if (shortcut == m_shortcut)
        return;
    m_shortcut = shortcut;
    Changed();
}

void MenuItem::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    Changed();
}

void MenuItem::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Changed();
}

void MenuItem::SetChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    Changed();
}

void MenuItem::SetDefault(bool value)
{
    if (value == m_default)
        return;
    m_default = value;
    Changed();
}

void MenuItem::SetBreak(bool value)
{
    if (value == m_break)
        return;
    m_break = value;
    Changed();
}

void MenuItem::SetRadioItem(bool value)
{
    if (value == m_radio)
        return;
    m_radio = value;
    Changed();
}

void MenuItem::SetGroupIndex(int value)
{
    if (value == m_group_index)
        return;
    m_group_index = value;
    Changed();
}

void MenuItem::SetBitmap(const ui::Bitmap* bitmap)
{
    if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) {
        m_bitmap.reset();
    } else {
        m_bitmap = std::make_unique<ui::Bitmap>();
        m_bitmap->Assign(*bitmap);
    }
    Changed();
}

void MenuItem::SetImageIndex(int value)
{
    if (value == m_image_index)
        return;
    m_image_index = value;
    Changed();
}

void MenuItem::SetSubMenuImages(ImageList* images)
{
    if (images == m_submenu_images)
        return;
    m_submenu_images = images;
    Changed();
}

MenuItem* MenuItem::Items(int index) const
{
    if (index < 0 || index >= int(m_items.size()))
        throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return m_items[size_t(index)];
}

void MenuItem::Add(MenuItem* item) { Insert(int(m_items.size()), item); }

void MenuItem::Insert(int index, MenuItem* item)
{
    if (!item)
        return;
    for (MenuItem* p = this; p; p = p->m_parent)
        if (p == item)
            throw core::EInvalidOperation(u"A menu item cannot contain itself");
    if (item->m_parent)
        item->m_parent->Remove(item);
    index = std::clamp(index, 0, int(m_items.size()));
    m_items.insert(m_items.begin() + index, item);
    item->m_parent = this;
    Changed();
}

void MenuItem::Remove(MenuItem* item)
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end())
        return;
    m_items.erase(it);
    item->m_parent = nullptr;
    Changed();
}

void MenuItem::Clear()
{
    while (!m_items.empty())
        delete m_items.back();
}

int MenuItem::IndexOf(const MenuItem* item) const
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : int(it - m_items.begin());
}

MenuItem* MenuItem::Find(core::StringView caption) const
{
    core::String wanted = StripHotkey(caption);
    for (MenuItem* item : m_items)
        if (core::AnsiSameText(StripHotkey(item->m_caption), wanted))
            return item;
    return nullptr;
}

Menu* MenuItem::GetParentMenu() const
{
    const MenuItem* root = this;
    while (root->m_parent)
        root = root->m_parent;
    return root->m_menu;
}

void MenuItem::Click()
{
    if (m_enabled && OnClick)
        OnClick(this);
}

void MenuItem::Changed()
{
    if (Menu* menu = GetParentMenu())
        menu->MenuChanged();
}

Menu::Menu(core::Component* owner) : core::Component(owner), m_items(std::make_unique<MenuItem>())
{
    m_items->m_menu = this;
}

Menu::~Menu()
{
    m_items.reset();
    FreeHandle();
}

void Menu::MenuChanged() { FreeHandle(); }

void Menu::SetOwnerDraw(bool value)
{
    if (value == m_owner_draw)
        return;
    m_owner_draw = value;
    MenuChanged();
}

void Menu::SetImages(ImageList* images)
{
    if (images == m_images)
        return;
    m_images = images;
    MenuChanged();
}

void Menu::FreeHandle()
{
    if (m_handle) {
        DestroyMenu(m_handle);
        m_handle = nullptr;
    }
}

HMENU Menu::Build(bool popup, const std::vector<MenuItem*>* items)
{
    FreeHandle();
    m_handle = popup ? CreatePopupMenu() : CreateMenu();
    BuildItems(m_handle, items ? *items : m_items->m_items);
    return m_handle;
}

void Menu::BuildItems(HMENU target, const std::vector<MenuItem*>& items)
{
    UINT position = 0;
    for (MenuItem* item : items) {
        item->m_submenu = nullptr;
        if (!item->m_visible)
            continue;
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
        info.wID = item->m_command;
        info.dwItemData = item->m_command;
        std::wstring text;
        const bool ownerDrawn = m_owner_draw || item->HasOwnerDrawHandlers();
        if (item->IsLine()) {
            // An owner-drawn line is still a separator: never selectable, measured by its owner.
            info.fType = MFT_SEPARATOR | (ownerDrawn ? MFT_OWNERDRAW : 0);
        } else {
            text = W(item->m_caption);
            if (item->m_shortcut != scNone)
                text += L"\t" + W(ShortCutToText(item->m_shortcut));
            info.fMask |= MIIM_STRING;
            info.dwTypeData = text.data();
            if (ownerDrawn)
                info.fType |= MFT_OWNERDRAW;
            if (item->m_radio)
                info.fType |= MFT_RADIOCHECK;
        }
        if (item->m_break)
            info.fType |= MFT_MENUBARBREAK;
        info.fState = (item->m_enabled ? MFS_ENABLED : MFS_DISABLED) | (item->m_checked ? MFS_CHECKED : 0) |
                      (item->m_default ? MFS_DEFAULT : 0);
        if (!item->m_items.empty()) {
            item->m_submenu = CreatePopupMenu();
            BuildItems(item->m_submenu, item->m_items);
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = item->m_submenu;
        }
        InsertMenuItemW(target, position++, TRUE, &info);
    }
}

bool Menu::IsShortCut(ShortCut shortcut)
{
    if (shortcut == scNone)
        return false;
    std::vector<MenuItem*> stack(m_items->m_items.rbegin(), m_items->m_items.rend());
    while (!stack.empty()) {
        MenuItem* item = stack.back();
        stack.pop_back();
        if (item->m_shortcut == shortcut && item->m_enabled) {
            item->Click();
            return true;
        }
        stack.insert(stack.end(), item->m_items.rbegin(), item->m_items.rend());
    }
    return false;
}

MenuItem* Menu::FindCommand(UINT command)
{
    auto it = Commands().find(command);
    return it == Commands().end() ? nullptr : it->second;
}

bool Menu::DispatchCommand(UINT command)
{
    MenuItem* item = FindCommand(command);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool Menu::DispatchOwnerDraw(UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
        if (measure->CtlType != ODT_MENU)
            return false;
        MenuItem* item = FindCommand(UINT(measure->itemData));
        if (!item)
            return false;
        HDC dc = GetDC(nullptr);
        {
            Canvas canvas(dc);
            int width = canvas.TextWidth(StripHotkey(item->Caption())) + 24;
            int height = std::max(canvas.TextHeight(u"W") + 4, GetSystemMetrics(SM_CYMENU));
            if (item->OnMeasureItem)
                item->OnMeasureItem(item, canvas, width, height);
            measure->itemWidth = UINT(std::max(width, 0));
            measure->itemHeight = UINT(std::max(height, 0));
        }
        ReleaseDC(nullptr, dc);
        return true;
    }
    if (msg == WM_DRAWITEM) {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
        if (draw->CtlType != ODT_MENU)
            return false;
        MenuItem* item = FindCommand(UINT(draw->itemData));
        if (!item)
            return false;
        Canvas canvas(draw->hDC);
        bool selected = (draw->itemState & ODS_SELECTED) != 0;
        if (item->OnAdvancedDrawItem) {
            item->OnAdvancedDrawItem(item, canvas, draw->rcItem, OwnerDrawState(draw->itemState));
        } else if (item->OnDrawItem) {
            item->OnDrawItem(item, canvas, draw->rcItem, selected);
        } else {
            canvas.SetBrushColor(selected ? clHighlight : clWindow);
            canvas.FillRect(draw->rcItem);
            canvas.Font().SetColor(selected ? clHighlightText : clWindowText);
            RECT r = draw->rcItem;
            r.left += 20;
            canvas.TextRect(r, item->Caption(), DT_SINGLELINE | DT_VCENTER);
        }
        return true;
    }
    (void)wparam;
    return false;
}

bool Menu::DispatchInitPopup(HMENU submenu)
{
    for (auto& [id, item] : Commands()) {
        if (item->m_submenu == submenu) {
            item->Click();
            return true;
        }
    }
    return false;
}

MainMenu::~MainMenu()
{
    if (m_window)
        m_window->SetMenu(nullptr);
}

std::vector<MenuItem*> MainMenu::MergedItems(const MainMenu* child) const
{
    auto topItems = [](const MenuItem* root) {
        std::vector<MenuItem*> list;
        for (int i = 0; i < root->Count(); ++i)
            list.push_back(root->Items(i));
        return list;
    };
    std::vector<MenuItem*> items = topItems(Items());
    if (!child)
        return items;
    const std::vector<MenuItem*> added = topItems(child->Items());
    auto replaced = [&](const MenuItem* item) {
        return std::any_of(added.begin(), added.end(), [&](const MenuItem* c) { return c->GroupIndex() == item->GroupIndex(); });
    };
    items.erase(std::remove_if(items.begin(), items.end(), replaced), items.end());
    // Each child item goes before the first own item of a higher group, after the child items before it.
    size_t from = 0;
    for (MenuItem* c : added) {
        size_t at = from;
        while (at < items.size() && !(items[at]->GetParentMenu() == this && items[at]->GroupIndex() > c->GroupIndex()))
            ++at;
        items.insert(items.begin() + std::ptrdiff_t(at), c);
        from = at + 1;
    }
    return items;
}

void MainMenu::SetWindow(Form* form)
{
    Form* old = m_window;
    if (old && old != form && old->HandleAllocated() && old->FormStyle() != fsMDIChild) {
        if (old->FormStyle() == fsMDIForm && old->ClientHandle())
            SendMessageW(old->ClientHandle(), WM_MDISETMENU, 0, 0);
        ::SetMenu(old->HandleIfAllocated(), nullptr);
    }
    m_window = form;
    // A child's menu shows merged into its frame's bar, never on the child itself.
    if (old && old != form && old->FormStyle() == fsMDIChild)
        if (Form* frame = old->MDIParent())
            frame->MergeMDIMenus();
    if (!form) {
        FreeHandle();
        return;
    }
    if (form->FormStyle() == fsMDIChild) {
        FreeHandle();
        if (Form* frame = form->MDIParent())
            frame->MergeMDIMenus();
        return;
    }
    if (HWND window = form->HandleIfAllocated()) {
        HMENU previous = m_handle;
        m_handle = nullptr; // the window still shows the old menu until the new one is set
        if (form->FormStyle() == fsMDIForm && form->ClientHandle()) {
            Form* child = form->ActiveMDIChild();
            const std::vector<MenuItem*> items = MergedItems(child ? child->Menu() : nullptr);
            // Through the client, which keeps a maximised child's icon and buttons on the new bar.
            SendMessageW(form->ClientHandle(), WM_MDISETMENU, WPARAM(Build(false, &items)), 0);
            SendMessageW(form->ClientHandle(), WM_MDIREFRESHMENU, 0, 0);
        } else {
            ::SetMenu(window, Build(false));
        }
        DrawMenuBar(window);
        if (previous)
            DestroyMenu(previous);
    }
}

void MainMenu::MenuChanged()
{
    if (m_window && m_window->HandleAllocated())
        SetWindow(m_window);
    else
        FreeHandle();
}

void PopupMenu::Popup(int x, int y)
{
    if (OnPopup)
        OnPopup(this);
    HMENU menu = Build(true);
    Application& app = Application::Instance();
    HWND owner = WindowHandle();
    // While the menu is up, its owner-draw and submenu messages come to the application window.
    app.SetPopupHandler([](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (msg == WM_INITMENUPOPUP) {
            Menu::DispatchInitPopup(reinterpret_cast<HMENU>(wparam));
            return 0;
        }
        return Menu::DispatchOwnerDraw(msg, wparam, lparam) ? TRUE : 0;
    });
    struct Reset {
        Application& app;
        ~Reset() { app.SetPopupHandler(nullptr); }
    } reset{app};
    UINT flags = TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY;
    if (m_animation & (1u << maNone))
        flags |= TPM_NOANIMATION;
    UINT command = UINT(TrackPopupMenuEx(menu, flags, x, y, owner, nullptr));
    // The menu may have changed while it was up: the command is looked up, never assumed.
    if (command)
        DispatchCommand(command);
}

HWND PopupMenu::WindowHandle() const
{
    return m_window_handle ? m_window_handle : Application::Instance().Handle();
}

} // namespace ui
