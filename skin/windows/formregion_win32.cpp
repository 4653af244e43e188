// The skinned form's window region (the key-coloured corners of its border masks cut away, or the
// form cut down to its inner part when a border window draws the frame), the switching of the
// extended border window and the provider's side of it, the caption-button fades, and the layered
// trick that hides a form while its show animation prepares.
#include "skin/windows/skinprovider.h"

#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/borderform.h"
#include "skin/windows/sysmenu.h"
#include "ui/application.h"

namespace skin {

// The provider as the border window's owner.
class ProviderBorderOwner : public BorderFormOwner {
public:
    explicit ProviderBorderOwner(TsSkinProvider& p) : m_p(p) {}
    HWND OwnerHandle() const override { return m_p.Form ? m_p.Form->HandleIfAllocated() : nullptr; }
    TsCommonData* OwnerSkinData() const override { return m_p.SkinData(); }
    FormFrame OwnerFrame() const override { return m_p.Frame(); }
    int OwnerCaptionHeight(bool checkSkin) const override { return m_p.CaptionHeight(checkSkin); }
    int OwnerMenuHeight() const override { return m_p.Form && m_p.Form->Menu() ? m_p.MenuHeight() : 0; }
    RECT IconRect() const override
    {
        const Rect r = m_p.TitleIconRect();
        return RECT{r.Left, r.Top, r.Right, r.Bottom};
    }
    TitleHitInput TitleButtons() const override { return m_p.HitInput(POINT{}); }
    void SetHotHT(int code, bool) override { m_p.SetHotCode(code, true); }
    void PaintAll() override { m_p.PaintFormCache(); }
    void KillAnimations() override { m_p.FreeButtonTimers(); }
    ShowCheck CheckShow() const override
    {
        ui::Form* form = m_p.Form;
        if (!form || m_p.fAnimating || m_p.FCommonData->FUpdating || !m_p.FDrawNonClientArea)
            return ShowCheck::Skip;
        if (IsDestroying(form) || m_p.m_destroying)
            return ShowCheck::SwitchOff;
        HWND app = ui::Application::Instance().Handle();
        if (!form->Visible() || !IsWindowVisible(form->HandleIfAllocated()) || (app && IsIconic(app)))
            return ShowCheck::Hide;
        return ShowCheck::Show;
    }
    int ExtHitTest(ui::Message& message) override
    {
        if (!m_p.OnExtHitTest)
            return 0;
        message.Result = 0;
        m_p.OnExtHitTest(message);
        return int(message.Result);
    }
    void EndPendingDrag(POINT screen) override
    {
        ProviderUnitState& state = ProviderState();
        if (state.ResizingProvider == &m_p) {
            m_p.EndBorderResize(screen, true);
            ReleaseCapture();
        }
        state.CaptionBtnPressed = false;
    }
    bool TitleDoubleClick() override
    {
        HWND h = OwnerHandle();
        const FormButtonRules r = m_p.ButtonRules();
        if ((r.VisibleClose() && (r.EnabledMax() || r.EnabledRestore())) || (!m_p.HasSkinnedBorder() && IsIconic(h))) {
            SendMessageW(h, WM_SYSCOMMAND, IsZoomed(h) || IsIconic(h) ? SC_RESTORE : SC_MAXIMIZE, 0);
            if (m_p.SystemMenu)
                m_p.SystemMenu->UpdateItems(false);
        }
        return true;
    }
    bool OwnerAlphaBlend(BYTE& value) const override
    {
        if (!m_p.Form || !m_p.Form->AlphaBlend())
            return false;
        value = m_p.Form->AlphaBlendValue();
        return true;
    }
    RECT OwnerClientInImage() const override
    {
        const FormFrame f = m_p.Frame();
        return RECT{m_p.OffsetX(), m_p.OffsetY(), m_p.OffsetX() + f.ClientWidth, m_p.OffsetY() + f.ClientHeight};
    }
    bool OwnerModal() const override { return m_p.Form && m_p.Form->Modal(); }

private:
    TsSkinProvider& m_p;
};

// ---- Regions ----

void TsSkinProvider::PrepareArOR()
{
    ArOR.clear();
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager || !Form)
        return;
    const FormFrame f = Frame();
    const int w = skin::CaptionWidth(f);
    if (manager->IsValidImgIndex(FCommonData->BorderIndex)) {
        const MaskData& m = manager->Mask(FCommonData->BorderIndex);
        if (MaskImageWidth(m) > 0 && MaskStateHeight(m) > 0) {
            AddCornerKeyRects(ArOR, w, m, false, 0);
            AddCornerKeyRects(ArOR, w, m, true, f.WindowHeight - m.WB);
        }
    }
    const int title = TitleSkinIndexOf();
    if (manager->IsValidSkinIndex(title)) {
        const int mask = manager->GetMaskIndex(title, manager->Section(title).ClassName, u"BORDERSMASK");
        if (manager->IsValidImgIndex(mask)) {
            const MaskData& m = manager->Mask(mask);
            if (MaskImageWidth(m) > 0 && MaskStateHeight(m) > 0)
                AddCornerKeyRects(ArOR, w, m, false, 0);
        }
    }
}

HRGN TsSkinProvider::CreateFormRgn(int x, int y)
{
    if (!Form)
        return nullptr;
    const FormFrame f = Frame();
    HRGN rgn = CreateRectRgn(x, y, x + skin::CaptionWidth(f), y + f.WindowHeight);
    for (const Rect& r : ArOR) {
        HRGN cut = CreateRectRgn(x + r.Left, y + r.Top, x + r.Right, y + r.Bottom);
        CombineRgn(rgn, rgn, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    return rgn;
}

namespace {

// The region is applied again at every non-client paint; handing the system an equal one would
// only make it work out the window's visible area again, which costs more than the paint.
bool SameAsWindowRgn(HWND wnd, HRGN rgn)
{
    if (!rgn)
        return false;
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    const bool same = current && GetWindowRgn(wnd, current) != ERROR && EqualRgn(current, rgn);
    if (current)
        DeleteObject(current);
    return same;
}

} // namespace

bool TsSkinProvider::ApplyFormRgn(bool repaint, bool keepSame)
{
    if (!FDrawNonClientArea || InMenu || !Form || !Form->HandleAllocated())
        return false;
    const FormFrame f = Frame();
    if (!HasSkinnedBorder() && !f.Iconic)
        return false;
    if (f.WindowWidth <= 0 || f.WindowHeight <= 0)
        return false;
    HWND h = Form->Handle();
    // Another window procedure in the chain may keep the region for itself until the first paint.
    if (!FirstInitialized && SendMessageW(h, WM_REGION_PROBE, 0x41A2, 0) == 0x41A2)
        return false;
    RgnChanging = true;
    HRGN rgn = nullptr;
    const ui::SizeConstraints& c = Form->Constraints();
    if (f.ExBorders) {
        const int a = SysBorderWidth(f, false);
        const int b = FSysExHeight ? a + skin::CaptionHeight(f, false) - 4 : skin::CaptionHeight(f, false) + a;
        rgn = CreateRectRgn(a, b, f.WindowWidth - a, f.WindowHeight - a);
    } else if (!f.Zoomed || c.MaxWidth > 0 || c.MaxHeight > 0 || f.MDIChild) {
        rgn = CreateFormRgn(0, 0);
    } else {
        const int dx = SysBorderWidth(f, false), dy = PlainBorderWidth(f, false);
        rgn = CreateRectRgn(dx, dy, f.WindowWidth - dx, f.WindowHeight - dy);
    }
    RgnChanged = true;
    bool applied = true;
    if ((!repaint || keepSame) && SameAsWindowRgn(h, rgn)) {
        DeleteObject(rgn);
        applied = false;
    } else {
        SetWindowRgn(h, rgn, repaint ? TRUE : FALSE);
    }
    RgnChanging = false;
    return applied;
}

void TsSkinProvider::ApplyFormRegion()
{
    PrepareArOR();
    ApplyFormRgn(true);
}

// ---- Extended borders ----

void TsSkinProvider::UpdateExtBorders(bool allowed)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    HWND h = Form ? Form->HandleIfAllocated() : nullptr;
    const FormFrame f = Frame();
    const bool can = allowed && h && manager && HasSkinnedBorder() && FDrawNonClientArea && !GetParent(h) &&
                     !f.MDIChild && FAllowExtBorders && !m_destroying && LayeredWindowsAvailable() &&
                     manager->ShadowTemplate(true) && manager->GetConstData().ExBorder >= 0;
    ui::Bitmap* cache = FCommonData->CacheBmp();
    if (can) {
        if (m_borderForm)
            return;
        m_borderOwner = std::make_unique<ProviderBorderOwner>(*this);
        m_borderForm = std::make_unique<TacBorderForm>(m_borderOwner.get());
        FCommonData->BGChanged = true;
        if (cache && !cache->Empty())
            cache->SetPixelFormat(ui::pf32bit);
        RgnChanged = true;
        m_borderForm->UpdateExBordersPos(true, 255);
        return;
    }
    if (!m_borderForm)
        return;
    FreeButtonTimers();
    m_borderForm.reset();
    m_borderOwner.reset();
    FCommonData->BGChanged = true;
    RgnChanged = true;
    if (cache && !cache->Empty())
        cache->SetPixelFormat(ui::pf24bit);
}

HWND TsSkinProvider::BorderWindow() const { return m_borderForm ? m_borderForm->Handle() : nullptr; }

void TsSkinProvider::UpdateExBordersPos(bool repaint, BYTE alpha)
{
    if (m_borderForm)
        m_borderForm->UpdateExBordersPos(repaint, alpha);
}

void TsSkinProvider::MakeBorderRegion()
{
    if (m_borderForm && m_borderForm->Handle())
        SetWindowRgn(m_borderForm->Handle(), m_borderForm->MakeRgn(), FALSE);
}

// ---- Caption-button fades ----

void TsSkinProvider::FreeButtonTimers()
{
    for (TsCaptionButton* b : {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp})
        b->Timer = nullptr;
    for (TsTitleButton& t : FTitleButtons)
        t.BtnData.Timer = nullptr;
    m_buttonTimers.clear();
}

void TsSkinProvider::StartBtnAnimation(TsCaptionButton& button, int state, int steps, bool up)
{
    if (!Form || !Form->HandleAllocated())
        return;
    if (!button.Timer) {
        m_buttonTimers.push_back(std::make_unique<TacSBAnimation>(nullptr));
        button.Timer = m_buttonTimers.back().get();
        button.Timer->CurrentState = 0;
    }
    TacSBAnimation* a = button.Timer;
    a->BorderForm = m_borderForm.get();
    a->FormHandle = Form->Handle();
    a->SkinData = FCommonData.get();
    a->Provider = this;
    a->PBtnData = &button;
    a->SetEnabled(false);
    a->SetInterval(12);
    a->MaxIterations = steps;
    a->StartAnimation(state, up);
}

// ---- The show animation's layered trick ----

bool SetLayeredForAnimation(HWND wnd, bool enable)
{
    if (!wnd)
        return false;
    const LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (!enable) {
        SetWindowLongPtrW(wnd, GWL_STYLE, GetWindowLongPtrW(wnd, GWL_STYLE) & ~LONG_PTR(WS_VISIBLE));
        SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
        return false;
    }
    if (ex & WS_EX_LAYERED)
        return false;
    SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    HDC screen = GetDC(nullptr);
    auto bmp = NewBmp32(1, 1);
    SIZE size{0, 0};
    POINT src{0, 0};
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 10, AC_SRC_ALPHA};
    UpdateLayeredWnd(wnd, screen, nullptr, &size, bmp->Canvas().Handle(), &src, 0x1FFFFFFF, &bf, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
    return true;
}

} // namespace skin
