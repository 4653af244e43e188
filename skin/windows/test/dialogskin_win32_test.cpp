// Dialog skinning on real windows: message boxes and template dialogs created while a skin manager
// has its hook installed get a skinned frame and their controls' wrappers, and are given back when
// the skin goes; popup-menu windows are wrapped while skinned popups are on. Every modal loop is
// inspected and ended from a timer callback.
#include "core/path.h"
#include "core/stream.h"
#include "core/test/tempfile.h"
#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinablemenus.h"
#include "skin/engine/tsskinmanager.h"
#include "skin/windows/btnwnd.h"
#include "skin/windows/combownd.h"
#include "skin/windows/dialogskin.h"
#include "skin/windows/dialogwnd.h"
#include "skin/windows/editwnd.h"
#include "skin/windows/listviewwnd.h"
#include "skin/windows/mnuwnd.h"
#include "skin/windows/panelwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/spinwnd.h"
#include "skin/windows/staticwnd.h"
#include "skin/windows/sysmenu.h"
#include "skin/windows/tabwnd.h"
#include "skin/windows/toolbarwnd.h"
#include "skin/windows/treewnd.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "ui/form.h"
#include "ui/menu.h"
#include "ui/test/uitest.h"

#include <commctrl.h>
#include <functional>
#include <typeindex>

namespace skin {
namespace {

using namespace skin::testing;

// ---- An in-memory dialog template ----
struct ItemSpec {
    const wchar_t* cls;
    DWORD style;
    WORD id;
};

class DialogTemplate {
public:
    explicit DialogTemplate(DWORD style, const std::vector<ItemSpec>& items)
    {
        DLGTEMPLATE t{};
        t.style = style | DS_SETFONT;
        t.cdit = WORD(items.size());
        t.cx = 260, t.cy = 160;
        Put(&t, sizeof t);
        Word(0), Word(0), Str(L"Dialog");
        Word(8), Str(L"MS Shell Dlg");
        int y = 2;
        for (const ItemSpec& i : items) {
            Align();
            DLGITEMTEMPLATE it{};
            it.style = i.style | WS_CHILD;
            it.x = 2, it.y = short(y), it.cx = 60, it.cy = 10;
            it.id = i.id;
            y += 9;
            Put(&it, sizeof it);
            Str(i.cls), Str(L""), Word(0);
        }
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }

private:
    void Put(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, 2); }
    void Str(const wchar_t* s) { Put(s, (wcslen(s) + 1) * 2); }
    void Align()
    {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
    }
    std::vector<uint8_t> m_bytes;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// ---- Timer-driven modal loops ----
std::function<void()> g_onTimer;
UINT_PTR g_timer = 0;

void CALLBACK TimerTick(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(nullptr, g_timer);
    g_timer = 0;
    if (auto f = std::move(g_onTimer))
        f();
}

// Runs check from the modal loop that body starts.
void WhileModal(const std::function<void()>& check, const std::function<void()>& body)
{
    g_onTimer = check;
    g_timer = SetTimer(nullptr, 0, 100, TimerTick);
    body();
    if (g_timer)
        KillTimer(nullptr, g_timer);
    g_onTimer = nullptr;
}

HWND ThreadDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) {
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(p) = w;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&found));
    return found;
}

class DialogSkinTest : public ui::test::UiTest {
protected:
    DialogSkinTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        InitSkinCommand();
        core::CreateDir(core::IncludeTrailingPathDelimiter(dir.Path()) + u"DlgSkin");
        for (const SkinFile& f : DialogTestSkinFiles()) {
            core::FileStream out(core::IncludeTrailingPathDelimiter(dir.Path()) + u"DlgSkin\\" + core::FromUtf8(f.name),
                                 core::fmCreate);
            out.WriteBuffer(f.bytes.data(), int64_t(f.bytes.size()));
        }
        manager = std::make_unique<TsSkinManager>();
        manager->AfterConstruction();
        manager->AnimEffectsObject().SkinChanging->Active = false;
        manager->SetSkinDirectory(dir.Path());
        manager->SetSkinName(u"DlgSkin");
    }
    ~DialogSkinTest() override
    {
        manager.reset();
        EXPECT_EQ(LiveDialogSkinningCounts().Providers, 0);
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }
    TacDialogWnd* DialogWrapper(HWND wnd) { return dynamic_cast<TacDialogWnd*>(GetWrapper(wnd)); }
    static LPARAM ScreenPoint(HWND wnd, int x, int y)
    {
        RECT r{};
        GetWindowRect(wnd, &r);
        return MAKELPARAM(r.left + x, r.top + y);
    }
    static POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    HWND Modeless(DWORD style, const std::vector<ItemSpec>& items)
    {
        DialogTemplate t(style, items);
        HWND h = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr, PlainDialogProc, 0);
        Pump();
        return h;
    }

    core::test::TempDir dir;
    std::unique_ptr<TsSkinManager> manager;
};

TEST_F(DialogSkinTest, MessageBoxIsSkinnedClosesThroughItsButtonAndIsGivenBack)
{
    ASSERT_TRUE(manager->HookInstalled());
    ASSERT_NE(DialogHookHandle(), nullptr);
    HWND box = nullptr;
    bool wrapped = false, aware = false, sysMenuOut = false;
    int closeOnly = -1, hitClose = 0, hitIcon = 0, hitTitle = 0;
    std::vector<int> pressed;
    const auto check = [&] {
        box = ThreadDialog();
        TacDialogWnd* w = DialogWrapper(box);
        wrapped = w != nullptr;
        if (!w) {
            EndDialog(box, IDCANCEL);
            return;
        }
        aware = AskAcMessage(box, scIsSkinAware);
        sysMenuOut = !(GetWindowLongW(box, GWL_STYLE) & WS_SYSMENU);
        SendMessageW(box, WM_NCPAINT, 1, 0);
        closeOnly = w->VisibleClose() && !w->VisibleMax() && !w->VisibleMin() && !w->VisibleHelp();
        const POINT c = Centre(w->ButtonClose.Rect);
        hitClose = int(SendMessageW(box, WM_NCHITTEST, 0, ScreenPoint(box, c.x, c.y)));
        const RECT icon = w->IconRect();
        hitIcon = int(SendMessageW(box, WM_NCHITTEST, 0, ScreenPoint(box, icon.left + 1, c.y)));
        hitTitle = int(SendMessageW(box, WM_NCHITTEST, 0, ScreenPoint(box, w->WndSize.cx / 2, c.y)));
        SendMessageW(box, WM_NCLBUTTONDOWN, HTCLOSE, ScreenPoint(box, c.x, c.y));
        pressed.push_back(w->ButtonClose.State);
        SendMessageW(box, WM_NCLBUTTONUP, HTCLOSE, ScreenPoint(box, c.x, c.y));
    };
    int answer = 0;
    WhileModal(check, [&] { answer = MessageBoxW(nullptr, L"\u8fde\u63a5\u5df2\u65ad\u5f00", L"VPN", MB_OKCANCEL); });
    EXPECT_TRUE(wrapped);
    EXPECT_TRUE(aware);
    EXPECT_TRUE(sysMenuOut);
    EXPECT_EQ(closeOnly, 1);
    EXPECT_EQ(hitClose, HTCLOSE);
    EXPECT_EQ(hitIcon, HTSYSMENU);
    EXPECT_EQ(hitTitle, HTCAPTION);
    EXPECT_EQ(pressed, std::vector<int>{2});
    EXPECT_EQ(answer, IDCANCEL) << "closed by the skinned close button";
    EXPECT_FALSE(IsWindow(box));
}

TEST_F(DialogSkinTest, SystemMenuCloseEndsTheBoxAndTheSkinGoingGivesTheDialogBack)
{
    // A modeless dialog keeps its window while the skin goes.
    HWND dlg = Modeless(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE,
                        {{L"BUTTON", BS_PUSHBUTTON | WS_VISIBLE, 1}});
    ASSERT_TRUE(dlg);
    TacDialogWnd* w = DialogWrapper(dlg);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->SystemMenu);
    w->SystemMenu->UpdateItems();
    ASSERT_TRUE(w->SystemMenu->ItemClose);
    EXPECT_TRUE(w->SystemMenu->ItemClose->Enabled());
    const WNDPROC skinnedProc = WNDPROC(GetWindowLongPtrW(dlg, GWLP_WNDPROC));
    manager.reset();
    EXPECT_EQ(GetWrapper(dlg), nullptr);
    EXPECT_NE(WNDPROC(GetWindowLongPtrW(dlg, GWLP_WNDPROC)), skinnedProc);
    EXPECT_TRUE(GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU) << "the system menu style comes back";
    EXPECT_FALSE(AskAcMessage(dlg, scIsSkinAware));
    DestroyWindow(dlg);
}

TEST_F(DialogSkinTest, TemplateChildrenGetTheWrapperOfTheirClass)
{
    const std::vector<ItemSpec> items = {
        {L"BUTTON", BS_PUSHBUTTON | WS_VISIBLE, 10},        {L"BUTTON", BS_AUTOCHECKBOX | WS_VISIBLE, 11},
        {L"BUTTON", BS_AUTORADIOBUTTON | WS_VISIBLE, 12},   {L"BUTTON", BS_GROUPBOX | WS_VISIBLE, 13},
        {L"EDIT", WS_VISIBLE | WS_BORDER, 14},              {L"EDIT", 0, 15},
        {L"STATIC", SS_LEFT | WS_VISIBLE, 16},              {L"STATIC", SS_ICON | WS_VISIBLE, 17},
        {L"STATIC", SS_OWNERDRAW | WS_VISIBLE, 18},        {L"LISTBOX", WS_VISIBLE, 19},
        {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VISIBLE, 20},   {L"SCROLLBAR", SBS_SIZEGRIP | WS_VISIBLE, 21},
        {L"msctls_updown32", WS_VISIBLE, 22},               {L"SysTabControl32", WS_VISIBLE, 23},
        {L"SysTabControl32", TCS_OWNERDRAWFIXED | WS_VISIBLE, 24}, {L"SysListView32", WS_VISIBLE, 25},
        {L"SysTreeView32", WS_VISIBLE, 26},                 {L"ToolbarWindow32", WS_VISIBLE, 27},
    };
    HWND dlg = Modeless(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, items);
    ASSERT_TRUE(DialogWrapper(dlg));
    struct Case {
        WORD id;
        std::type_index expected;
    };
    const std::type_index none = typeid(void);
    const Case cases[] = {
        {10, typeid(TacBtnWnd)},       {11, typeid(TacCheckBoxWnd)},   {12, typeid(TacCheckBoxWnd)},
        {13, typeid(TacGroupBoxWnd)},  {14, typeid(TacEditWnd)},       {15, none},
        {16, typeid(TacStaticWnd)},    {17, typeid(TacIconWnd)},       {18, none},
        {19, typeid(TacEditWnd)},      {20, typeid(TacComboBoxWnd)},   {21, typeid(TacSizerWnd)},
        {22, typeid(TacSpinWnd)},      {23, typeid(TacTabControlWnd)}, {24, none},
        {25, typeid(TacListViewWnd)},  {26, typeid(TacTreeViewWnd)},   {27, typeid(TacToolBarWnd)},
    };
    for (const Case& c : cases) {
        TacMainWnd* w = GetWrapper(GetDlgItem(dlg, c.id));
        EXPECT_EQ(w ? std::type_index(typeid(*w)) : none, c.expected) << "control " << c.id;
        if (w) {
            EXPECT_TRUE(w->DlgMode) << "control " << c.id;
        }
    }
    auto* spin = dynamic_cast<TacSpinWnd*>(GetWrapper(GetDlgItem(dlg, 22)));
    ASSERT_TRUE(spin);
    EXPECT_EQ(spin->lOffset, 2);
    EXPECT_FALSE(DialogWrapper(dlg)->FWMPaintForbidden) << "an edit (even hidden) lets the dialog paint";
    DestroyWindow(dlg);
}

TEST_F(DialogSkinTest, SecondDialogIsSkinnedOnlyWithAToolBar)
{
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    HWND first = Modeless(style, {});
    HWND plain = Modeless(style, {{L"BUTTON", BS_PUSHBUTTON | WS_VISIBLE, 1}});
    HWND withBar = Modeless(style, {{L"ToolbarWindow32", WS_VISIBLE, 1}});
    EXPECT_TRUE(DialogWrapper(first));
    EXPECT_FALSE(DialogWrapper(plain));
    EXPECT_TRUE(DialogWrapper(withBar));
    for (HWND h : {withBar, plain, first})
        DestroyWindow(h);
}

TEST_F(DialogSkinTest, SkinningRulesChooseFormsOrDialogs)
{
    struct Case {
        TacSkinningRules rules;
        bool form, dialog;
    };
    const Case cases[] = {
        {SkinningRuleBit(srStdForms), true, false},
        {SkinningRuleBit(srStdDialogs), false, true},
    };
    for (const Case& c : cases) {
        manager->SetSkinningRules(c.rules);
        ui::Form form(nullptr);
        form.SetBounds(50, 50, 200, 150);
        form.Show();
        Pump();
        const bool formSkinned = FindFormOfHandle(form.Handle()) == &form &&
                                 AskAcMessage(form.Handle(), scIsSkinAware);
        HWND dlg = Modeless(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, {});
        EXPECT_EQ(formSkinned, c.form) << c.rules;
        EXPECT_EQ(DialogWrapper(dlg) != nullptr, c.dialog) << c.rules;
        DestroyWindow(dlg);
        form.Hide();
    }
}

TEST_F(DialogSkinTest, MDIChildrenAreSkinnedWithTheirFrame)
{
    manager->SetSkinningRules(SkinningRuleBit(srStdForms));
    ui::Form frame(nullptr);
    frame.SetFormStyle(ui::fsMDIForm);
    frame.SetBounds(50, 50, 480, 360);
    frame.HandleNeeded();
    ui::Form* children[2] = {};
    for (ui::Form*& child : children) {
        child = new ui::Form(&frame); // owned by the frame
        child->SetFormStyle(ui::fsMDIChild);
        child->SetBounds(0, 0, 200, 150);
        child->Show();
    }
    Pump();
    for (ui::Form* child : children)
        EXPECT_FALSE(AskAcMessage(child->Handle(), scIsSkinAware)); // the frame was never activated

    frame.Show();
    Pump();
    EXPECT_TRUE(AskAcMessage(frame.Handle(), scIsSkinAware));
    for (ui::Form* child : children)
        EXPECT_TRUE(AskAcMessage(child->Handle(), scIsSkinAware));
    frame.Hide();
}

TEST_F(DialogSkinTest, FormTaggedOutIsNeverSkinned)
{
    ui::Form form(nullptr);
    form.SetTag(-98);
    form.SetBounds(50, 50, 200, 150);
    form.Show();
    Pump();
    EXPECT_FALSE(AskAcMessage(form.Handle(), scIsSkinAware));
    EXPECT_FALSE(SkinActivatedWnd(form.Handle()));
}

TEST_F(DialogSkinTest, TitleButtonsFollowTheStyles)
{
    HWND noMenu = Modeless(WS_POPUP | WS_CAPTION | WS_VISIBLE, {});
    TacDialogWnd* w = DialogWrapper(noMenu);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->TitleBtnsWidth(), 0);
    SendMessageW(noMenu, WM_NCPAINT, 1, 0);
    for (int x = w->WndSize.cx / 2; x < w->WndSize.cx - 4; x += 6)
        EXPECT_NE(SendMessageW(noMenu, WM_NCHITTEST, 0, ScreenPoint(noMenu, x, 10)), HTCLOSE);
    DestroyWindow(noMenu);

    // CS_NOCLOSE disables the close button; the menu's Close stays enabled.
    HWND dlg = Modeless(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, {});
    w = DialogWrapper(dlg);
    ASSERT_TRUE(w);
    const DWORD classStyle = GetClassLongW(dlg, GCL_STYLE);
    SetClassLongW(dlg, GCL_STYLE, LONG(classStyle | CS_NOCLOSE));
    EXPECT_TRUE(w->VisibleClose());
    EXPECT_FALSE(w->EnabledClose());
    w->SystemMenu->UpdateItems();
    EXPECT_TRUE(w->SystemMenu->ItemClose->Enabled());
    SetClassLongW(dlg, GCL_STYLE, LONG(classStyle));
    EXPECT_TRUE(w->EnabledClose());
    DestroyWindow(dlg);
}

TEST_F(DialogSkinTest, RegionCutsTheSkinCorners)
{
    HWND dlg = Modeless(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE, {});
    TacDialogWnd* w = DialogWrapper(dlg);
    ASSERT_TRUE(w);
    w->RgnChanged = true;
    DialogRegionChanging() = false;
    SendMessageW(dlg, WM_NCPAINT, 1, 0);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(dlg, rgn), ERROR);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0)) << "key-colour corner";
    EXPECT_FALSE(PtInRegion(rgn, w->WndSize.cx - 1, w->WndSize.cy - 1));
    EXPECT_TRUE(PtInRegion(rgn, kFormCorner, kFormCorner));
    EXPECT_TRUE(PtInRegion(rgn, w->WndSize.cx / 2, w->WndSize.cy / 2));
    DeleteObject(rgn);
    DestroyWindow(dlg);
}

TEST_F(DialogSkinTest, PopupMenuWindowsAreWrappedOnlyWithSkinnedPopups)
{
    for (bool popups : {true, false}) {
        manager->SetSkinnedPopups(popups);
        ui::Form owner(nullptr);
        owner.SetBounds(50, 50, 200, 150);
        owner.Show();
        Pump();
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 1, L"One");
        size_t wrapped = 0;
        LRESULT before = -1, after = -1;
        WhileModal(
            [&] {
                for (TacMnuWnd* m : TacMnuArray())
                    if (m) {
                        ++wrapped;
                        before = SendAcMessage(m->CtrlHandle, scSetUpdating, 0);
                        SendAcMessage(m->CtrlHandle, scMenuRgnChanged, 0);
                        after = SendAcMessage(m->CtrlHandle, scSetUpdating, 0);
                    }
                EndMenu();
            },
            [&] { TrackPopupMenu(menu, TPM_RETURNCMD, 60, 60, 0, owner.Handle(), nullptr); });
        DestroyMenu(menu);
        if (popups) {
            EXPECT_EQ(wrapped, 1u);
            EXPECT_EQ(before, 0);
            EXPECT_EQ(after, 1);
        } else {
            EXPECT_EQ(wrapped, 0u);
        }
        EXPECT_TRUE(TacMnuArray().empty()) << "emptied when the last menu closes";
    }
}

} // namespace
} // namespace skin
