// The provider's life and its message stages: creation and hooking of the form, preparation from
// the skin, the skin commands it answers with or without a skin, and the form's window messages
// while skinned. Title-bar mouse handling, sizing and snapping are in skinprovider_mouse_win32.cpp.
#include "skin/windows/skinprovider.h"
#include "skin/windows/mdiform.h"

#include "skin/engine/controlhooks.h"
#include "skin/engine/formutils.h"
#include "skin/engine/skintables.h"
#include "skin/engine/msgbox.h"
#include "skin/windows/borderform.h"
#include "skin/windows/ctrladapter.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/sysmenu.h"
#include "ui/application.h"
#include "ui/frame.h"
#include "ui/hintwindow.h"
#include "ui/label.h"
#include "ui/propinfo.h"

namespace skin {

namespace {
int PointX(LPARAM lp) { return short(LOWORD(DWORD(lp))); }
int PointY(LPARAM lp) { return short(HIWORD(DWORD(lp))); }
} // namespace

namespace {

ui::Form* OwnerFormOf(core::Component* owner)
{
    for (core::Component* c = owner; c; c = c->Owner())
        if (auto* form = dynamic_cast<ui::Form*>(c))
            return form;
    return nullptr;
}

} // namespace

ProviderUnitState& ProviderState()
{
    static ProviderUnitState state;
    return state;
}

bool HandleAllocatedOf(ui::Control* control)
{
    auto* w = dynamic_cast<ui::WinControl*>(control);
    return w && w->HandleAllocated();
}

TsSkinProvider::TsSkinProvider(core::Component* owner) : core::Component(owner)
{
    Form = OwnerFormOf(owner);
    if (dynamic_cast<ui::TFrame*>(owner))
        WarningBox(u"TsSkinProvider component must be used with forms only!");
    FCommonData = std::make_unique<TsCommonData>(this, true);
    FCommonData->SetSkinSection(u"FORM");
    FCommonData->COC = 224;
    if (Form && Form->ControlState() != 0)
        FCommonData->FUpdating = true;
    ButtonMin.HitCode = htMinButton;
    ButtonMax.HitCode = htMaxButton;
    ButtonClose.HitCode = htClose;
    ButtonHelp.HitCode = htHelp;
    m_addedTitle = std::make_unique<TacAddedTitle>(this);
    if (!Form)
        return;
    for (int i = 0; i < Form->ComponentCount(); ++i) {
        auto* other = dynamic_cast<TsSkinProvider*>(Form->Components(i));
        if (!other || other == this)
            continue;
        if (IsDesigning(this)) {
            Form = nullptr;
            WarningBox(u"Only one instance of the TsSkinProvider component is allowed!");
            return;
        }
        // The newest provider wins; the older one gives the form back first.
        if (other->Form) {
            delete other;
            break;
        }
    }
    if (IsDesigning(this))
        return;
    ClearButtons = true;
    FLinesCount = -1;
    OldWndProc = Form->WindowProc();
    Form->SetWindowProc([this](ui::Message& message) { NewWndProc(message); });
    RegisterSkinnedForm(Form);
    FormActive = true;
}

TsSkinProvider::~TsSkinProvider()
{
    m_destroying = true;
    ProviderUnitState& state = ProviderState();
    if (state.ResizingProvider == this)
        EndBorderResize(POINT{}, false);
    HideTitleButtonHint();
    FreeButtonTimers();
    m_borderForm.reset();
    FreeCaptionForm();
    // The scroll wrapper and the adapter's wrappers are chained over the provider's own method:
    // they go first, so that the form gets exactly its previous method back.
    MDIForm.reset();
    ListSW.reset();
    Adapter.reset();
    if (Form) {
        UnregisterSkinnedForm(Form);
        if (OldWndProc)
            Form->SetWindowProc(OldWndProc);
    }
    if (state.MainMDIProvider == this)
        state.MainMDIProvider = nullptr;
    if (state.LastMDIChildProvider == this)
        state.LastMDIChildProvider = nullptr;
    SystemMenu.reset();
}

void TsSkinProvider::AfterConstruction()
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (manager && manager->Active() && !IsDesigning(this))
        PrepareForm();
}

void TsSkinProvider::Loaded()
{
    core::Component::Loaded();
    if (!FCommonData->GetSkinManager() || IsDesigning(this) || !FCommonData->Skinned(true))
        return;
    if (Form && Form->HandleAllocated())
        SetDwmTransitions(Form->Handle(), true);
    if (!Adapter)
        CreateCtrlAdapter();
    PrepareForm();
    if (SystemMenu)
        SystemMenu->UpdateItems(false);
    if (MDIForm)
        MDIForm->ConnectToClient();
    SkinManager* manager = FCommonData->GetSkinManager();
    int titleButton = manager ? manager->GetMaskIndex(manager->GetConstData().IndexGLobalInfo, u"GLOBALINFO",
                                                      u"TITLEBUTTON")
                              : -1;
    for (TsTitleButton& b : FTitleButtons)
        b.BtnData.ImageIndex = b.UseSkinData ? titleButton : -1;
}

void TsSkinProvider::Notification(core::Component* component, core::Operation operation)
{
    core::Component::Notification(component, operation);
    if (auto* manager = dynamic_cast<SkinManager*>(component)) {
        if (operation == core::opInsert && !FCommonData->FSkinManager)
            FCommonData->SetSkinManager(manager);
        else if (operation == core::opRemove && FCommonData->FSkinManager == manager)
            FCommonData->SetSkinManager(nullptr);
        return;
    }
    if (auto* w = dynamic_cast<ui::WinControl*>(component); w && operation == core::opInsert && Adapter &&
                                                             Adapter->IsControlSupported(w))
        Adapter->AddNewItem(w);
}

bool TsSkinProvider::Skinned() const { return FCommonData->Skinned(true); }

int TsSkinProvider::TitleSkinIndexOf()
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (FTitleSkinIndex < 0 && manager)
        FTitleSkinIndex = manager->GetSkinIndex(FTitleSkin.empty() ? core::StringView(u"FORMTITLE") : FTitleSkin);
    return FTitleSkinIndex;
}

uint32_t TsSkinProvider::FormColor() const
{
    const SectionData* s = FCommonData->Section();
    if (FCommonData->Skinned() && s && !FCommonData->CustomColor())
        return FormActive ? s->HotColor : s->Color;
    return Form ? ui::ColorToRGB(Form->GetColor()) : ui::ColorToRGB(ui::clBtnFace);
}

void TsSkinProvider::ApplyGlobalColor()
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!Form || !manager || !FUseGlobalColor || FCommonData->CustomColor())
        return;
    if (Form->HasState(core::csLoading) || Form->HasState(core::csReading) || HasState(core::csLoading))
        return;
    Form->SetColor(ui::Color(manager->GlobalColor()));
}

void TsSkinProvider::PrepareForm()
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager || !Form || !Form->HandleAllocated())
        return;
    FCommonData->Loaded();
    UpdateSysMenuStyle(manager->Active());
    if (!SystemMenu) {
        SystemMenu = std::make_unique<TsSystemMenu>(this);
        SystemMenu->UpdateItems(false);
    }
    if (ClearButtons && manager->Active()) {
        ClearButtons = false;
        if (IsMDIFrame() && !IsDesigning(this))
            HookMDI(true);
    }
    FCommonData->UpdateIndexes();
    FTitleSkinIndex = -1;
    TitleSkinIndexOf();
    FCaptionSkinIndex = manager->GetSkinIndex(u"CAPTION");
    UpdateCaptionButtonMasks();
    RegionChanged = CaptChanged = CaptRgnChanged = true;
    ApplyGlobalColor();
    InitMenuItems(manager->Active());
    if (!MenusInitialized)
        UpdateMenu();
    MenusInitialized = true;
    if (!Form->HasState(core::csLoading))
        UpdateExtBorders(manager->ExtendedBorders());
}

void TsSkinProvider::UpdateSysMenuStyle(bool skinned)
{
    if (!Form || !Form->HandleAllocated())
        return;
    HWND h = Form->Handle();
    LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    if (skinned) {
        if ((style & WS_SYSMENU) || HaveSysMenu) {
            LONG_PTR next = FDrawNonClientArea ? style & ~LONG_PTR(WS_SYSMENU) : style | WS_SYSMENU;
            if (next != style)
                SetWindowLongPtrW(h, GWL_STYLE, next);
            HaveSysMenu = true;
        } else {
            HaveSysMenu = false;
        }
    } else {
        if (HaveSysMenu && !(style & WS_SYSMENU))
            SetWindowLongPtrW(h, GWL_STYLE, style | WS_SYSMENU);
        HaveSysMenu = false;
    }
}

void TsSkinProvider::UpdateFormScrollWrapper(std::unique_ptr<TacScrollWnd>& wrapper)
{
    // Only forms that scroll their client area (a published "AutoScroll" that is on) get skinned bars.
    if (!Form || !Form->HandleAllocated() || m_destroying || ui::GetOrdProperty(Form, u"AutoScroll") <= 0)
        return;
    SyncScrollWndOf(Form->HandleIfAllocated(), FCommonData.get(), wrapper);
}

void TsSkinProvider::LockFormPaint(bool)
{
    FCommonData->BeginUpdate();
    if (Form && Form->HandleAllocated())
        Form->Perform(WM_SETREDRAW, 0, 0);
}

void TsSkinProvider::UnlockFormPaint(bool)
{
    FCommonData->EndUpdate();
    if (Form && Form->HandleAllocated())
        Form->Perform(WM_SETREDRAW, 1, 0);
}

void TsSkinProvider::RedrawFrame()
{
    if (FInAnimation || !Form || !Form->HandleAllocated() || !IsWindowVisible(Form->Handle()) || !FDrawNonClientArea)
        return;
    FCommonData->BGChanged = true;
    // The skinned frame image is painted by the non-client painting; ask for it at once.
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

void TsSkinProvider::SetDrawNonClientArea(bool value)
{
    if (FDrawNonClientArea == value)
        return;
    FDrawNonClientArea = value;
    if (IsDesigning(this) || !Form || !Form->HandleAllocated())
        return;
    if (value) {
        UpdateSysMenuStyle(true);
        if (Form->Showing() && FCommonData->Skinned()) {
            FCommonData->BGChanged = true;
            RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
        }
    } else {
        if (SetWindowThemeAvailable())
            SetWindowThemeOf(Form->Handle(), L"", L"");
        ListSW.reset();
        if (HaveSysMenu)
            SetWindowLongPtrW(Form->Handle(), GWL_STYLE, GetWindowLongPtrW(Form->Handle(), GWL_STYLE) | WS_SYSMENU);
        if (Form->Showing())
            SetWindowRgn(Form->Handle(), nullptr, TRUE);
    }
}

void TsSkinProvider::SetCaptionAlignment(ui::Alignment value)
{
    FCaptionAlignment = value;
    FCommonData->BGChanged = true;
    if (Form && Form->Showing())
        SendMessageW(Form->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::SetShowAppIcon(bool value)
{
    FShowAppIcon = value;
    FCommonData->BGChanged = true;
    if (Form && Form->Showing())
        SendMessageW(Form->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::SetTitleSkin(core::StringView value)
{
    if (FTitleSkin == value)
        return;
    FTitleSkin = core::String(value);
    FTitleSkinIndex = -1;
    FCommonData->BGChanged = true;
    if (Form && Form->Showing())
        SendMessageW(Form->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::SetUseGlobalColor(bool value)
{
    FUseGlobalColor = value;
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!Form)
        return;
    if (FCommonData->Skinned() && value && !FCommonData->CustomColor() && manager)
        Form->SetColor(ui::Color(manager->GlobalColor()));
    else
        Form->SetColor(ui::clBtnFace);
}

void TsSkinProvider::CreateCtrlAdapter()
{
    if (IsDesigning(this) || !FCommonData->Skinned())
        return;
    Adapter = std::make_unique<TacCtrlAdapter>(this);
    Adapter->AddAllItems(nullptr);
}

void TsSkinProvider::ReleaseCtrlAdapter()
{
    if (IsDesigning(this) || !Adapter)
        return;
    ui::Message m{SM_SKINCMD, SkinWParam(scSkinRemoved), LPARAM(FCommonData->GetSkinManager()), 0};
    PassToAdapter(m);
    Adapter.reset();
}

void TsSkinProvider::PassToAdapter(ui::Message& message)
{
    if (!IsDesigning(this) && Adapter) {
        ui::Message copy = message;
        Adapter->WndProc(copy);
    }
}

void TsSkinProvider::CallOld(ui::Message& message)
{
    if (OldWndProc)
        OldWndProc(message);
}

void TsSkinProvider::ForwardMouseWheel(ui::Message& message)
{
    ProviderUnitState& state = ProviderState();
    if (state.WheelForwarding || message.Result != 0 || !Form || !ControlHooks().ScrollBoxMouseWheel)
        return;
    state.WheelForwarding = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{state.WheelForwarding};
    POINT screen{PointX(message.LParam), PointY(message.LParam)};
    ui::WinControl* at = Form;
    ui::Control* box = nullptr;
    while (at && !box) {
        ui::Control* hit = at->ControlAtPos(at->ScreenToClient(screen), false);
        auto* w = dynamic_cast<ui::WinControl*>(hit);
        if (!w || !w->Enabled())
            return;
        if (IsSkinnedScrollBox(w))
            box = w;
        at = w;
    }
    if (box && ControlHooks().ScrollBoxAutoMouseWheel && ControlHooks().ScrollBoxAutoMouseWheel(box))
        message.Result = ControlHooks().ScrollBoxMouseWheel(box, LOWORD(message.WParam),
                                                            short(HIWORD(message.WParam)), screen)
                             ? 1
                             : 0;
}

void TsSkinProvider::NewWndProc(ui::Message& message)
{
    ForgetFrameMetricsOn(message.Msg);
    if (IsSkinCommand(message)) {
        bool done = false;
        HandleSkinCommandStage1(message, done);
        if (done)
            return;
    }
    if (!Form || IsDestroying(Form) || !Skinned()) {
        PassThroughStage(message);
        return;
    }
    if (IsSkinCommand(message))
        SkinnedCommand(message);
    else
        SkinnedMessage(message);
}

void TsSkinProvider::HandleSkinCommandStage1(ui::Message& message, bool& done)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    const bool own = manager && LPARAM(manager) == message.LParam;
    done = true;
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
        if (Form && !IsDestroying(Form) && own && !SystemMenu)
            PrepareForm();
        done = false;
        return;
    case scSkinRemoved:
        if (!own) {
            if (Form)
                SendMsgToChildControls(Form, message);
            return;
        }
        ListSW.reset();
        // No wrapper stays on the MDI client once the skin is gone.
        HookMDI(false);
        if (Form && Form->HandleAllocated())
            SetDwmTransitions(Form->Handle(), false);
        ReleaseCtrlAdapter();
        HandleSkinCommand(message, FCommonData.get());
        FLinesCount = FTitleSkinIndex = FCaptionSkinIndex = -1;
        if (Form)
            SendMsgToChildControls(Form, message);
        if (!Form || IsDestroying(Form))
            return;
        if (FCommonData->GetSkinManager()) {
            TsMenuPainter::ClearMenuInfos();
            InitMenuItems(false);
            UpdateSysMenuStyle(false);
            if (Form->HandleAllocated() && HasSkinnedBorder() && !InMenu)
                SetWindowRgn(Form->Handle(), nullptr, TRUE);
            UpdateExtBorders(false);
        }
        m_titleBG.reset();
        m_tempBmp.reset();
        for (int i = 0; i < Form->ControlCount(); ++i)
            if (auto* label = dynamic_cast<ui::Label*>(Form->Controls(i)))
                label->Font().SetColor(ui::clWindowText);
        if (FUseGlobalColor && !FCommonData->CustomColor())
            Form->SetColor(ui::clBtnFace);
        FCommonData->EmptyCacheBmp();
        return;
    case scIsSkinAware:
        message.Result = 1;
        return;
    case scGetBackground: {
        auto* query = reinterpret_cast<TacBGQuery*>(message.LParam);
        if (!query)
            return;
        if (query->PleaseDraw) {
            query->Offset.x += OffsetX();
            query->Offset.y += OffsetY();
        }
        FCommonData->GetBgInfo(*query, FormActive ? 1 : 0, nullptr);
        if (query->BgType == 2 && !query->PleaseDraw) {
            if (!query->Bmp)
                query->Bmp = FCommonData->CacheBmp();
            query->Offset = POINT{OffsetX(), OffsetY()};
        }
        return;
    }
    case scCtrlSkinState:
        message.Result = FCommonData->CtrlSkinState;
        return;
    case scGetApplication:
        message.Result = ApplicationAnswer();
        return;
    case scGetClientOffset:
        message.Result = LRESULT(DWORD(MAKELONG(WORD(OffsetX()), WORD(OffsetY()))));
        return;
    default:
        done = false;
        return;
    }
}

void TsSkinProvider::PassThroughStage(ui::Message& message)
{
    if (IsSkinCommand(message)) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded: {
            SkinManager* manager = FCommonData->GetSkinManager();
            if (!manager || LPARAM(manager) != message.LParam || !Form || IsDestroying(Form))
                return;
            FCommonData->UpdateIndexes();
            FTitleSkinIndex = -1;
            TitleSkinIndexOf();
            FCaptionSkinIndex = manager->GetSkinIndex(u"CAPTION");
            UpdateCaptionButtonMasks();
            UpdateSysMenuStyle(true);
            FCommonData->BGChanged = true;
            FLinesCount = -1;
            ApplyGlobalColor();
            if (Form->HandleAllocated())
                SetDwmTransitions(Form->Handle(), true);
            if (Adapter)
                Adapter->AddAllItems(nullptr);
            else
                CreateCtrlAdapter();
            if (IsMDIFrame() && !MDIForm)
                HookMDI(true);
            return;
        }
        case scGetProvider:
            message.Result = reinterpret_cast<LRESULT>(static_cast<FormSkinProvider*>(this));
            return;
        default:
            break;
        }
    }
    CallOld(message);
    if (message.Msg == ui::CM_MOUSEWHEEL)
        ForwardMouseWheel(message);
}

void TsSkinProvider::SkinnedCommand(ui::Message& message)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    const bool own = manager && LPARAM(manager) == message.LParam;
    HWND h = Form->HandleAllocated() ? Form->Handle() : nullptr;
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
        if (!own)
            return;
        FCommonData->UpdateIndexes();
        FTitleSkinIndex = -1;
        TitleSkinIndexOf();
        FCaptionSkinIndex = manager->GetSkinIndex(u"CAPTION");
        UpdateCaptionButtonMasks();
        UpdateSysMenuStyle(FDrawNonClientArea);
        FCommonData->BGChanged = true;
        FLinesCount = -1;
        m_titleBG.reset();
        m_tempBmp.reset();
        UpdateExtBorders(manager->ExtendedBorders());
        if (h)
            SendMessageW(h, WM_NCPAINT, 0, 0);
        if (IsMDIFrame() && !MDIForm)
            HookMDI(true);
        return;
    case scSkinRefresh:
        if (!own)
            return;
        if (Adapter)
            Adapter->AddAllItems(nullptr);
        else
            CreateCtrlAdapter();
        if (FDrawNonClientArea)
            UpdateFormScrollWrapper(ListSW);
        FLinesCount = -1;
        m_titleBG.reset();
        m_tempBmp.reset();
        UpdateExtBorders(manager->ExtendedBorders());
        if (HasSkinnedBorder())
            RgnChanged = true;
        if (h && IsWindowVisible(h)) {
            FCommonData->BGChanged = true;
            RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN | RDW_ERASE | RDW_INVALIDATE);
        }
        ApplyGlobalColor();
        FCommonData->FUpdating = false;
        PassToAdapter(message);
        return;
    case scGetProvider:
        message.Result = reinterpret_cast<LRESULT>(static_cast<FormSkinProvider*>(this));
        return;
    case scSetUpdating:
        FCommonData->FUpdating = FlagOf(message.WParam) == 1;
        if (FCommonData->FUpdating)
            FCommonData->BGChanged = true;
        return;
    case scSetUrgentPainting:
        HandleCommonMessage(message, FCommonData.get());
        return;
    case scIsUpdating:
        message.Result = FCommonData->NeedsCachePaint() && FCommonData->FUpdating ? 1 : 0;
        return;
    case scIsTextured: {
        const SectionData* s = FCommonData->Section();
        message.Result = s && s->GradientPercent + s->ImagePercent > 0 ? 1 : 0;
        message.LParam = message.Result;
        return;
    }
    case scGetBgColor:
        message.Result = LRESULT(FormColor());
        return;
    case scControlCreated:
        if (Adapter && !Form->HasState(core::csLoading)) {
            auto* control = reinterpret_cast<ui::WinControl*>(message.LParam);
            Adapter->AddAllItems(control ? control : Form);
        }
        return;
    case scBeforeScroll:
        if (FCommonData->RepaintIfMoved() && h)
            SendMessageW(h, WM_SETREDRAW, 0, 0);
        return;
    case scAfterScroll:
        if (FCommonData->RepaintIfMoved() && h) {
            SendMessageW(h, WM_SETREDRAW, 1, 0);
            RedrawWindow(h, nullptr, nullptr,
                         RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
        }
        return;
    case scUpdateExBorders:
        UpdateExtBorders(manager && manager->ExtendedBorders());
        UpdateExBordersPos(true, 255);
        return;
    default:
        return;
    }
}

void TsSkinProvider::SkinnedMessage(ui::Message& message)
{
    if (MDIMessage(message))
        return;
    HWND h = Form->HandleAllocated() ? Form->HandleIfAllocated() : nullptr;
    switch (message.Msg) {
    case WM_CREATE:
        CallOld(message);
        PrepareForm();
        return;
    case WM_NCCREATE:
        CallOld(message);
        PrepareForm();
        return;
    case WM_SIZE: {
        FormFrame f = Frame();
        const bool shrank = f.ClientWidth < LastClientRect.right || f.ClientHeight < LastClientRect.bottom;
        if ((shrank || LastClientRect.right == 0) && h) {
            const SectionData* s = FCommonData->Section();
            if (s && s->GradientPercent > 0)
                InvalidateRect(h, nullptr, TRUE);
        }
        LastClientRect = RECT{0, 0, f.ClientWidth, f.ClientHeight};
        CallOld(message);
        if (h && IsWindowVisible(h)) {
            RgnChanged = true;
            FCommonData->BGChanged = true;
            FLinesCount = -1;
            if (FDrawNonClientArea)
                SendMessageW(h, WM_NCPAINT, 0, 0);
        } else {
            FCommonData->BGChanged = true;
        }
        // The strips are stored again by the next image; their memory is kept for it, since a
        // live resize sizes the form many times a second.
        m_titleBGStale = true;
        UpdateExBordersPos(true, 255);
        return;
    }
    case WM_MOVE:
        FreeButtonTimers();
        CallOld(message);
        UpdateExBordersPos(false, 255);
        return;
    case WM_NCPAINT:
        if (!FDrawNonClientArea) {
            CallOld(message);
            return;
        }
        if (h && IsIconic(h))
            FCommonData->BGChanged = true;
        if (fAnimating || !Form->Showing() || HasState(core::csLoading) || !SystemMenu)
            return;
        if (!Adapter)
            CreateCtrlAdapter();
        if (SkinManager* manager = FCommonData->GetSkinManager();
            manager && (!FCommonData->CacheBmp() || FCommonData->CacheBmp()->Empty()))
            UpdateExtBorders(manager->ExtendedBorders());
        HandleNCPaint();
        message.Result = 0;
        return;
    case WM_PAINT:
        if (Form->ControlState() & ui::csPaintCopy) {
            CallOld(message);
            return;
        }
        if (m_borderForm && !fAnimating && !IsWindowVisible(BorderWindow()))
            UpdateExBordersPos(false, 255);
        if (!Form->Showing()) {
            CallOld(message);
        } else if (FCommonData->NeedsCachePaint()) {
            HandlePaint(message);
            message.Result = 0;
        } else {
            if (FCommonData->BGChanged && !m_destroying)
                InvalidateRect(h, nullptr, TRUE);
            PAINTSTRUCT ps{};
            BeginPaint(h, &ps);
            EndPaint(h, &ps);
            message.Result = 0;
        }
        return;
    case WM_ERASEBKGND:
        EraseBackground(message);
        return;
    case WM_PRINT:
        PrintForm(message);
        return;
        CallOld(message);
        if (Form->HasState(core::csLoading))
            return;
        FLinesCount = -1;
        if (!IsDesigning(this))
            InitMenuItems(FCommonData->Skinned());
        if (SystemMenu)
            SystemMenu->UpdateItems(false);
        if (Form->BorderStyle() == ui::bsNone)
            NotifyChildControls(Form);
        return;
    case WM_SETREDRAW:
        LockCount = message.WParam == 1 ? std::max(0, LockCount - 1) : LockCount + 1;
        CallOld(message);
        return;
    case WM_SETTEXT:
        if (!h || !Form->Showing() || !FDrawNonClientArea) {
            CallOld(message);
            return;
        }
        if (DwmCompositionActive()) {
            CallOld(message);
            RedrawFrame();
        } else {
            FCommonData->BGChanged = true;
            PlaceCaptionForm(false);
            CallOld(message);
            FreeCaptionForm();
            if (Form->AlphaBlend())
                SendMessageW(h, WM_NCPAINT, 0, 0);
        }
        UpdateExBordersPos(true, 255);
        return;
    case WM_SYSCOLORCHANGE:
        CallOld(message);
        return;
    case WM_SHOWWINDOW:
        if (message.LParam == 1 && h)
            ShowAction = IsIconic(h) ? saMinimize : IsZoomed(h) ? saMaximize : saRestore;
        CallOld(message);
        return;
    case WM_SETTINGCHANGE:
        FCommonData->BGChanged = true;
        CallOld(message);
        return;
    case WM_GETMINMAXINFO:
        MinMaxInfo(message);
        return;
    case WM_MEASUREITEM:
        MenuMessage(message);
        CallOld(message);
        return;
    case WM_WINDOWPOSCHANGING:
        if (RgnChanging)
            return;
        SnapWindowPos(message);
        CallOld(message);
        return;
    case WM_WINDOWPOSCHANGED: {
        CallOld(message);
        FormFrame f = Frame();
        FSysExHeight = f.Zoomed && f.ExBorders && skin::CaptionHeight(f, true) < skin::CaptionHeight(f, false) + 4;
        UpdateExBordersPos(false, 255);
        return;
    }
    case WM_NOTIFY:
        CallOld(message);
        if (reinterpret_cast<NMHDR*>(message.LParam) && reinterpret_cast<NMHDR*>(message.LParam)->code == UINT(-551) &&
            Adapter)
            Adapter->AddAllItems(nullptr);
        return;
    case WM_CONTEXTMENU:
        CallOld(message);
        return;
    case WM_SETICON:
        CallOld(message);
        RedrawFrame();
        return;
    case WM_NCHITTEST:
        HitTestMessage(message);
        return;
    case WM_NCACTIVATE:
        FormActive = message.WParam != 0;
        if (message.WParam != 0 || ShowAction != saMaximize) {
            FCommonData->FUpdating = ShowAction == saMaximize;
            if (ShowAction != saMaximize)
                FCommonData->BGChanged = true;
        } else {
            ShowAction = saIgnore;
        }
        if (h && Form->Showing()) {
            const bool composition = DwmCompositionActive();
            const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
            bool covered = false;
            if (composition) {
                // Hidden for the default handling, so that the system caption never shows.
                SetWindowLongPtrW(h, GWL_STYLE, style & ~LONG_PTR(WS_VISIBLE));
            } else if (!fAnimating && (!m_borderForm || Form->Menu())) {
                PlaceCaptionForm(false);
                covered = true;
            }
            if (m_borderForm && !composition)
                ApplyFormRgn(false);
            CallOld(message);
            if (composition)
                SetWindowLongPtrW(h, GWL_STYLE, style);
            if (covered)
                FreeCaptionForm();
        } else {
            CallOld(message);
        }
        if (Form->HasState(core::csLoading))
            return;
        if (h && GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_LAYERED)
            SendMessageW(h, WM_NCPAINT, 0, 0);
        if (HasSkinnedBorder() && (message.WParam != 0) != FormActive) {
            FormActive = message.WParam != 0;
            FLinesCount = -1;
        }
        if (h && Form->Showing()) {
            SendMessageW(h, WM_NCPAINT, 0, 0);
            UpdateExBordersPos(true, 255);
        }
        if (!Adapter && FCommonData->Skinned())
            CreateCtrlAdapter();
        return;
    case 0x0093:
    case ui::CM_INVALIDATE:
    case ui::CM_CONTROLLISTCHANGING:
    case WM_REGION_PROBE:
        message.Result = 0;
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_CAPTURECHANGED:
    case WM_SYSMENU_REQUEST:
        if (!FrameMouse(message))
            CallOld(message);
        return;
    case WM_SYSCOMMAND:
        if (!MenuMessage(message))
            SysCommand(message);
        return;
    case WM_INITMENUPOPUP:
        if (HIWORD(message.LParam))
            EnableMenuItem(reinterpret_cast<HMENU>(message.WParam), SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
        CallOld(message);
        return;
    case WM_ENTERIDLE:
        message.Result = 0;
        return;
    case WM_PARENTNOTIFY:
        CallOld(message);
        if (HasState(core::csLoading) || Form->HasState(core::csLoading))
            return;
        if (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY) {
            if (LOWORD(message.WParam) == WM_CREATE && Adapter)
                Adapter->AddAllItems(nullptr);
            ui::Message state{SM_SKINCMD, SkinWParam(scCtrlSkinState), 1, 0};
            SendMsgToChildControls(Form, state);
        }
        return;
    case WM_ENTERMENULOOP:
        InMenu = true;
        CallOld(message);
        return;
    case WM_EXITMENULOOP:
        InMenu = false;
        CallOld(message);
        return;
    case WM_MOUSELEAVE:
    case ui::CM_MOUSELEAVE:
        SetHotCode(0, true);
        CallOld(message);
        return;
    case WM_PRINTCLIENT:
    case ui::CM_RECREATEWND:
        return;
    case ui::CM_VISIBLECHANGED:
        CallOld(message);
        UpdateExBordersPos(message.WParam == 1, 255);
        if (message.WParam == 0 && !IsDestroying(Form)) {
            FCommonData->EmptyCacheBmp();
            FreeButtonTimers();
        }
        else if (message.WParam && Form->Parent())
            NotifyChildControls(Form);
        return;
    case ui::CM_ENABLEDCHANGED:
        CallOld(message);
        if (FDrawNonClientArea && h) {
            FCommonData->BGChanged = true;
            SendMessageW(h, WM_NCPAINT, 0, 0);
        }
        return;
    case ui::CM_COLORCHANGED:
        if (!FCommonData->CustomColor())
            return;
        if (!Form->HasState(core::csLoading))
            FCommonData->BGChanged = true;
        CallOld(message);
        return;
    case ui::CM_MOUSEENTER:
        CallOld(message);
        for (int i = 0; i < Form->ControlCount(); ++i) {
            ui::Control* c = Form->Controls(i);
            if (LPARAM(c) != message.LParam && SpeedButtonMouseAbove(c))
                c->Perform(ui::CM_MOUSELEAVE, 0, 0);
        }
        return;
    case ui::CM_MENUCHANGED:
        if (h && IsWindowVisible(h))
            MenuChanged = true;
        CallOld(message);
        return;
    case ui::CM_SHOWINGCHANGED:
        CallOld(message);
        if (Adapter)
            Adapter->AddAllItems(Form);
        UpdateFormScrollWrapper(ListSW);
        return;
    case ui::CM_CONTROLLISTCHANGE: {
        CallOld(message);
        auto* control = reinterpret_cast<ui::Control*>(message.WParam);
        if (!control)
            return;
        if (auto* w = dynamic_cast<ui::WinControl*>(control)) {
            if (Adapter)
                Adapter->AddNewItem(w);
            ui::Message state{SM_SKINCMD, SkinWParam(scCtrlSkinState), 1, 0};
            SendMsgToChildControls(w, state);
        }
        control->Perform(SM_SKINCMD, SkinWParam(scCtrlSkinState), 1);
        return;
    }
    case ui::CM_MOUSEWHEEL:
        CallOld(message);
        ForwardMouseWheel(message);
        return;
    default:
        CallOld(message);
        return;
    }
}

} // namespace skin
