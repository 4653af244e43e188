#include "skin/windows/frameadapter.h"

#include "skin/engine/controlhooks.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/msgbox.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/skinmenus.h"
#include "ui/color.h"

namespace skin {

namespace {

constexpr uint32_t kClBtnFace = 0xFF00000F;

bool ParentIsDesignerForm(ui::TFrame* frame)
{
    ui::WinControl* parent = frame->Parent();
    if (!parent || !parent->HandleAllocated())
        return false;
    wchar_t name[64] = {};
    GetClassNameW(parent->HandleIfAllocated(), name, 64);
    return std::wstring_view(name) == L"TWinControlForm";
}

} // namespace

TsFrameAdapter::TsFrameAdapter(core::Component* owner) : core::Component(owner)
{
    m_frame = dynamic_cast<ui::TFrame*>(owner);
    FCommonData = std::make_unique<TsCommonData>(m_frame ? static_cast<core::Object*>(m_frame) : this, true);
    if (FCommonData->SkinSection().empty() || FCommonData->SkinSection() == u"TSFRAMEADAPTER")
        FCommonData->SetSkinSection(u"GROUPBOX");
    FCommonData->COC = ckFrameAdapter;
    if (!m_frame) {
        ErrorBox(u"TsFrameAdapter adapter must be placed on the handled frame");
        return;
    }
    m_old_wnd_proc = m_frame->WindowProc();
    m_frame->SetWindowProc([this](ui::Message& m) { NewWndProc(m); });
    // What AfterConstruction does: a frame without a window yet, or one answering as skin-aware
    // (it does now, through this adapter), takes its indexes.
    FCommonData->UpdateIndexes();
}

TsFrameAdapter::~TsFrameAdapter()
{
    m_list_sw.reset();
    // The frame may go first (it owns the adapter): then its window method is gone with it.
    if (m_frame && !IsDestroying(m_frame) && m_old_wnd_proc)
        m_frame->SetWindowProc(m_old_wnd_proc);
    m_frame = nullptr;
}

void TsFrameAdapter::Loaded()
{
    core::Component::Loaded();
    if (!m_frame)
        return;
    SkinManager* manager = Manager();
    if (manager)
        FCommonData->UpdateIndexes();
    if (!manager || !manager->Active() || IsDesigning(this))
        return;
    ColorDesignParent(true);
    HookPopupMenus();
    if (FCommonData->Skinned() && ThirdPartyRule())
        NotifyFormOfControl(m_frame);
}

bool TsFrameAdapter::ThirdPartyRule() const
{
    SkinManager* manager = Manager();
    return manager && (manager->SkinningRules() & SkinningRuleBit(srThirdParty)) != 0;
}

void TsFrameAdapter::CallOld(ui::Message& message)
{
    if (m_old_wnd_proc)
        m_old_wnd_proc(message);
}

void TsFrameAdapter::ColorDesignParent(bool skinned)
{
    if (!IsDesigning(m_frame) || !ParentIsDesignerForm(m_frame))
        return;
    SkinManager* manager = Manager();
    if (!skinned) {
        m_frame->Parent()->SetColor(ui::Color(kClBtnFace));
        return;
    }
    if (!manager)
        return;
    const int global = manager->GetSkinIndex(u"GLOBALINFO");
    if (manager->IsValidSkinIndex(global))
        m_frame->Parent()->SetColor(ui::Color(manager->Section(global).Color));
}

// The popup menus the frame owns are drawn by the manager's menu painter, as the form's are.
void TsFrameAdapter::HookPopupMenus()
{
    SkinManager* manager = Manager();
    auto* painter = manager ? dynamic_cast<TsMenuPainter*>(manager->SkinableMenus()) : nullptr;
    if (!painter || !manager->SkinnedPopups())
        return;
    for (int i = 0; i < m_frame->ComponentCount(); ++i)
        if (auto* popup = dynamic_cast<ui::PopupMenu*>(m_frame->Components(i)))
            painter->HookPopupMenu(popup, true);
}

void TsFrameAdapter::RefreshChildren()
{
    if (!m_frame->HandleAllocated())
        return;
    FCommonData->UpdateIndexes();
    ui::Message loaded{SM_SKINCMD, SkinWParam(scSkinLoaded, 1), LPARAM(Manager()), 0};
    SendMsgToChildControls(m_frame, loaded);
}

void TsFrameAdapter::RedrawAll(UINT extra)
{
    if (m_frame->HandleAllocated())
        RedrawWindow(m_frame->HandleIfAllocated(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | extra);
}

void TsFrameAdapter::NewWndProc(ui::Message& message)
{
    if (IsDesigning(this)) {
        CallOld(message);
        return;
    }
    if (IsSkinCommand(message) && SkinCommandFirst(message))
        return;
    SkinManager* manager = Manager();
    if (IsDestroying(this) || IsDestroying(m_frame) || !FCommonData->Skinned() || !manager || !manager->Active()) {
        if (message.Msg == ui::CM_VISIBLECHANGED || message.Msg == ui::CM_SHOWINGCHANGED)
            RefreshChildren();
        CallOld(message);
        return;
    }
    if (IsSkinCommand(message)) {
        SkinnedCommand(message);
        return;
    }
    if (!SkinnedMessage(message))
        CallOld(message);
}

// The sub-codes answered whatever the skin state; true when the message is finished.
bool TsFrameAdapter::SkinCommandFirst(ui::Message& message)
{
    const bool own = LPARAM(Manager()) == message.LParam;
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
        if (!own)
            return false;
        SendMsgToChildControls(m_frame, message);
        HandleCommonMessage(message, FCommonData.get());
        if (Manager()) {
            HookPopupMenus();
            ColorDesignParent(true);
        }
        return true;
    case scSkinRemoved:
        if (!own)
            return false;
        ReleaseScrollWnd(m_frame->HandleIfAllocated(), true, false, m_list_sw);
        HandleCommonMessage(message, FCommonData.get());
        ColorDesignParent(false);
        SendMsgToChildControls(m_frame, message);
        if (m_frame->HandleAllocated())
            SetWindowPos(m_frame->HandleIfAllocated(), nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RedrawAll(RDW_ERASE);
        return true;
    case scSkinRefresh:
        if (!own)
            return false;
        HandleCommonMessage(message, FCommonData.get());
        FCommonData->UpdateIndexes();
        if (Manager()) {
            ColorDesignParent(true);
            SendMsgToChildControls(m_frame, message);
            RedrawAll(RDW_ERASE);
            SyncScrollWnd(FCommonData.get(), m_list_sw);
        }
        return true;
    case scIsSkinAware:
        message.Result = 1;
        return true;
    case scGetSkinIndex:
        message.Result = FCommonData->SkinIndex + 1;
        return true;
    case scGetBackground:
        if (auto* query = reinterpret_cast<TacBGQuery*>(message.LParam))
            FCommonData->GetBgInfo(*query, 0, nullptr);
        return true;
    case scGetApplication:
        message.Result = ApplicationAnswer();
        return true;
    case scStopFading:
        SendMsgToChildControls(m_frame, message);
        return false;
    case scBeforeScroll:
    case scAfterScroll:
        if (m_frame->HandleAllocated() &&
            (SendAcMessage(m_frame->HandleIfAllocated(), scIsTextured, 0) != 0 || FCommonData->RepaintIfMoved())) {
            HWND wnd = m_frame->HandleIfAllocated();
            const bool after = SubCodeOf(message.WParam) == scAfterScroll;
            SendMessageW(wnd, WM_SETREDRAW, after ? TRUE : FALSE, 0);
            if (after)
                RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        return false;
    default:
        return false;
    }
}

void TsFrameAdapter::SkinnedCommand(ui::Message& message)
{
    switch (SubCodeOf(message.WParam)) {
    case scUpdateDone:
        if (FCommonData->FUpdating && !(m_frame->ControlState() & ui::csAligning)) {
            FCommonData->FUpdating = false;
            if (m_frame->HandleAllocated())
                RedrawWindow(m_frame->HandleIfAllocated(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        return;
    case scSetUpdating:
        FCommonData->FUpdating = FlagOf(message.WParam) == 1;
        for (int i = 0; i < m_frame->ControlCount(); ++i)
            m_frame->Controls(i)->Perform(message.Msg, message.WParam, message.LParam);
        return;
    case scIsUpdating:
        message.Result = (FCommonData->CtrlSkinState & 1) == 0 && FCommonData->FUpdating ? 1 : 0;
        return;
    case scParentBgChanged:
        if (FCommonData->IsTransparent())
            FCommonData->BGChanged = true;
        return;
    case scIsTextured: {
        const SectionData* s = FCommonData->Section();
        message.Result = s && (s->GradientPercent + s->ImagePercent > 0 || FCommonData->RepaintIfMoved()) ? 1 : 0;
        return;
    }
    case scGetBgColor:
        if (FCommonData->NeedsCachePaint()) {
            message.Result = MaskKeyColor;
            return;
        }
        HandleCommonMessage(message, FCommonData.get());
        return;
    default:
        HandleCommonMessage(message, FCommonData.get());
        return;
    }
}

bool TsFrameAdapter::SkinnedMessage(ui::Message& message)
{
    HWND wnd = m_frame->HandleIfAllocated();
    switch (message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
        FCommonData->BGChanged = FCommonData->BGChanged || message.Msg == WM_SIZE || FCommonData->RepaintIfMoved();
        if (FCommonData->BGChanged) {
            ui::Message changed{SM_SKINCMD, SkinWParam(scBgChanged, 1), 0, 0};
            m_frame->Broadcast(changed);
        }
        if (message.Msg == WM_SIZE && wnd)
            InvalidateRect(wnd, nullptr, FALSE);
        CallOld(message);
        return true;
    case WM_PAINT: {
        if (IsDesigning(m_frame) || !m_frame->Parent() || IsDestroying(this))
            return false;
        if (!FCommonData->NeedsCachePaint())
            InvalidateRect(wnd, nullptr, FALSE);
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(wnd, &ps);
        PaintFrame(message.WParam ? reinterpret_cast<HDC>(message.WParam) : dc);
        EndPaint(wnd, &ps);
        message.Result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        if (IsDesigning(m_frame) || !m_frame->Showing())
            return false;
        if (!Engine().FormAnimationActive) {
            FCommonData->FUpdating = FCommonData->GetUpdating();
            if (!FCommonData->FUpdating && (!FCommonData->NeedsCachePaint() || !FCommonData->BGChanged))
                PaintFrame(reinterpret_cast<HDC>(message.WParam));
        }
        message.Result = 1;
        return true;
    case WM_NCPAINT:
        if (IsDesigning(m_frame))
            return false;
        FCommonData->FUpdating = FCommonData->GetUpdating();
        message.Result = 0;
        return true;
    case WM_PARENTNOTIFY: {
        const WORD event = LOWORD(message.WParam);
        if ((event != WM_CREATE && event != WM_DESTROY) || IsLoading(this) ||
            (m_frame->ControlState() & ui::csCreating))
            return false;
        if (event == WM_CREATE) {
            RefreshChildren();
            if (ThirdPartyRule())
                NotifyFormOfControl(m_frame);
        }
        CallOld(message);
        UpdateScrollInfo(m_list_sw.get(), true);
        return true;
    }
    case WM_PRINT:
        FCommonData->FUpdating = false;
        if (ControlIsReady(m_frame)) {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            PaintFrame(dc);
            if (m_list_sw && dc)
                m_list_sw->PaintScrolls(wnd, -1, dc);
        }
        return true;
    case ui::CM_VISIBLECHANGED:
        FCommonData->BGChanged = true;
        CallOld(message);
        if (Manager())
            m_frame->Perform(SM_SKINCMD, SkinWParam(scSkinRefresh), LPARAM(Manager()));
        return true;
    case ui::CM_MOUSEENTER:
        CallOld(message);
        for (int i = 0; i < m_frame->ControlCount(); ++i) {
            ui::Control* c = m_frame->Controls(i);
            if (LPARAM(c) != message.LParam && SpeedButtonMouseAbove(c))
                c->Perform(ui::CM_MOUSELEAVE, 0, 0);
        }
        if (SkinManager* def = DefaultManager(); def && wnd)
            def->SetActiveControl(wnd);
        return true;
    case ui::CM_SHOWINGCHANGED:
        CallOld(message);
        SyncScrollWnd(FCommonData.get(), m_list_sw);
        if (ThirdPartyRule())
            NotifyFormOfControl(m_frame);
        return true;
    default:
        return false;
    }
}

void TsFrameAdapter::PrepareCache()
{
    if (FCommonData->NeedsCachePaint()) {
        FCommonData->EnsureCacheBmp();
        CacheBitmap* cache = FCommonData->CacheBmp();
        if (cache) {
            cache->SetSize(m_frame->Width(), m_frame->Height());
            cache->Canvas().Font().Assign(m_frame->Font());
            if (!cache->Empty())
                PaintControlItemOnParent(FCommonData.get(), m_frame->Parent(), true, 0,
                                         Rect{0, 0, m_frame->Width(), m_frame->Height()},
                                         POINT{m_frame->Left(), m_frame->Top()}, cache, true);
        }
    }
    FCommonData->BGChanged = false;
}

void TsFrameAdapter::PaintFrame(HDC dc)
{
    if (!dc || (Engine().FormAnimationActive && dc != Engine().AnimationDC))
        return;
    const RECT all{0, 0, m_frame->Width(), m_frame->Height()};
    if (FCommonData->NeedsCachePaint()) {
        const int saved = SaveDC(dc);
        FCommonData->FUpdating = FCommonData->GetUpdating();
        if (!FCommonData->FUpdating) {
            FCommonData->BGChanged = FCommonData->BGChanged || FCommonData->HalfVisible;
            FCommonData->HalfVisible = false;
            if (FCommonData->RepaintIfMoved() && m_frame->Parent() && m_frame->Parent()->HandleAllocated()) {
                RECT pc{};
                GetClientRect(m_frame->Parent()->HandleIfAllocated(), &pc);
                const POINT tl{m_frame->Left() + 1, m_frame->Top() + 1};
                const POINT br{m_frame->Left() + m_frame->Width() - 2, m_frame->Top() + m_frame->Height() - 2};
                FCommonData->HalfVisible = !PtInRect(&pc, tl) || !PtInRect(&pc, br);
            }
            if (FCommonData->BGChanged && !FCommonData->UrgentPainting)
                PrepareCache();
            BltCacheExceptChildren(m_frame, FCommonData.get(), all, 0, 0, true, dc, all);
            PaintGraphicChildren(dc, m_frame, POINT{0, 0});
            NotifyChildControls(m_frame);
        }
        RestoreDC(dc, saved);
        return;
    }
    FCommonData->FUpdating = false;
    const int b = FCommonData->MaxBorderWidth();
    const int saved = SaveDC(dc);
    ExcludeGraphicChildren(dc, m_frame, 0, 0);
    const ui::Color color(FCommonData->GetBgColor(0, nullptr));
    if (b > 0) {
        RECT inner = all;
        PaintControlBorder(dc, all, b, FCommonData.get(), 0, inner);
        FillDCSolid(dc, inner, color);
    } else {
        FillDCSolid(dc, all, color);
    }
    RestoreDC(dc, saved);
    PaintGraphicChildren(dc, m_frame, POINT{0, 0});
    FCommonData->EmptyCacheBmp();
}

TsFrameAdapter* AdaptFrame(ui::TFrame* frame, core::StringView section)
{
    if (!frame || (frame->HandleAllocated() && SendAcMessage(frame->HandleIfAllocated(), scIsSkinAware, 0) != 0))
        return nullptr;
    auto* adapter = new TsFrameAdapter(frame);
    adapter->SkinData()->SetSkinSection(section);
    return adapter;
}

} // namespace skin
