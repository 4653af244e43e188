// Title buttons, the title icon, the added title and the caption-button fade.
#include "skin/windows/titlebuttons.h"

#include "skin/engine/alphaimage.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/borderform.h"
#include "skin/windows/skinprovider.h"
#include "ui/application.h"
#include "ui/form.h"

#include <algorithm>

namespace skin {

void OwnedGlyph::Assign(const ui::Bitmap* source)
{
    if (!source || source->Width() == 0 || source->Height() == 0) {
        m_bmp.reset();
        return;
    }
    auto copy = std::make_unique<ui::Bitmap>();
    copy->Assign(*source);
    m_bmp = std::move(copy);
}

// ---- TsTitleButton ----

void TsTitleButton::SetGlyph(const ui::Bitmap* value) { m_glyph.Assign(value); }

void TsTitleButton::SetVisible(bool value)
{
    if (m_visible == value)
        return;
    m_visible = value;
    if (m_owner)
        m_owner->RedrawFrame();
}

void TsTitleButton::AssignTo(TsTitleButton& dest) const
{
    dest.Enabled = Enabled;
    dest.m_glyph = m_glyph;
    dest.Hint = Hint;
    dest.m_name = m_name;
    dest.UseSkinData = UseSkinData;
    dest.OnMouseDown = OnMouseDown;
    dest.OnMouseUp = OnMouseUp;
}

// ---- TacAddedTitle ----

TacAddedTitle::TacAddedTitle(TsSkinProvider* owner) : m_owner(owner)
{
    m_font.SetColor(ui::Color(0x1FFFFFFF)); // clNone: the caption's colours
}

void TacAddedTitle::SetText(core::StringView value)
{
    m_text = core::String(value);
    Changed();
}

void TacAddedTitle::SetFont(const ui::Font& value)
{
    m_font = value;
    Changed();
}

void TacAddedTitle::Changed()
{
    if (m_owner && !m_owner->HasState(core::csLoading))
        m_owner->RedrawFrame();
}

// ---- TacSBAnimation ----

TacSBAnimation::TacSBAnimation(core::Component* owner) : ui::Timer(owner)
{
    SetEnabled(false);
    SetInterval(12);
    SetOnTimer([this](core::Object*) { OnAnimTimer(); });
}

TacSBAnimation::~TacSBAnimation()
{
    SetEnabled(false);
    FreeImage();
    if (PBtnData && PBtnData->Timer == this)
        PBtnData->Timer = nullptr;
}

HWND TacSBAnimation::FormHandleOfImage() const { return AForm ? AForm->HandleIfAllocated() : nullptr; }

void TacSBAnimation::FreeImage()
{
    AForm.reset();
    ABmp.reset();
}

int TacSBAnimation::Step() const { return MaxIterations > 0 ? std::max(255 / MaxIterations, 0) : 0; }

void TacSBAnimation::StartAnimation(int newState, bool toUp)
{
    if (newState == CurrentState)
        return;
    CurrentState = newState;
    if (newState != 0) {
        if (newState == 2)
            FreeImage();
        CurrentLevel = 1;
        Up = toUp;
        UpdateForm(std::min(Step(), 255));
        ++CurrentLevel;
    } else {
        Up = false;
        --CurrentLevel;
        UpdateForm(std::min(Step(), 255));
    }
    if (MaxIterations > 1)
        SetEnabled(true);
}

void TacSBAnimation::ChangeState(int, bool toUp)
{
    Up = toUp;
    SetEnabled(true);
}

void TacSBAnimation::OnAnimTimer()
{
    if (!Enabled())
        return;
    if (Up) {
        if (CurrentLevel >= MaxIterations) {
            CheckMouseLeave();
            if (MaxIterations != -1) {
                MaxIterations = -1;
                UpdateForm(255);
            }
        } else {
            UpdateForm(std::min(Step() * CurrentLevel, 255));
            ++CurrentLevel;
        }
        return;
    }
    if (CurrentLevel <= 0) {
        CurrentState = -1;
        SetEnabled(false);
        UpdateForm(0);
        FreeImage();
        return;
    }
    UpdateForm(std::min(Step() * CurrentLevel, 255));
    --CurrentLevel;
}

void TacSBAnimation::CheckMouseLeave()
{
    if (!PBtnData || !FormHandle)
        return;
    RECT r{};
    HWND base = BorderForm && BorderForm->Handle() ? BorderForm->Handle() : FormHandle;
    GetWindowRect(base, &r);
    POINT p{};
    GetCursorPos(&p);
    p.x -= r.left;
    p.y -= r.top;
    if (!PtInRect(&PBtnData->Rect, p)) {
        SetEnabled(false);
        SendMessageW(FormHandle, WM_MOUSELEAVE, 0, 0);
    }
}

int TacSBAnimation::GlowMaskIndex() const
{
    SkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
    if (!manager || !PBtnData || !manager->IsValidImgIndex(PBtnData->ImageIndex))
        return -1;
    const core::String name = manager->Mask(PBtnData->ImageIndex).PropertyName + u"GLOW0";
    const int global = manager->GetConstData().IndexGLobalInfo;
    const int i = manager->GetMaskIndex(global, u"GLOBALINFO", name);
    return manager->IsValidImgIndex(i) ? i : -1;
}

int TacSBAnimation::Offset() const
{
    SkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
    if (!manager || !PBtnData || !manager->AllowGlowing() || CurrentState != 1)
        return 0;
    const TsSkinData& sd = manager->GetSkinData();
    switch (PBtnData->HitCode) {
    case 8: return sd.BIMinGlowMargin;
    case 9: return sd.BIMaxGlowMargin;
    case 20: return sd.BICloseGlowMargin;
    default: return 0;
    }
}

RECT TacSBAnimation::GetFormBounds() const
{
    RECT r{};
    HWND base = BorderForm && BorderForm->Handle() ? BorderForm->Handle() : FormHandle;
    GetWindowRect(base, &r);
    const RECT& b = PBtnData ? PBtnData->Rect : RECT{};
    OffsetRect(&r, b.left, b.top);
    const int offset = Offset();
    const int glow = offset != 0 ? GlowMaskIndex() : -1;
    if (glow >= 0) {
        SkinManager* manager = SkinData->GetSkinManager();
        const MaskData& m = manager->Mask(glow);
        r.left -= offset;
        r.top -= offset;
        r.right = r.left + std::max(0, MaskImageWidth(m));
        r.bottom = r.top + std::max(0, MaskStateHeight(m));
    } else {
        r.right = r.left + std::max(0, int(b.right - b.left));
        r.bottom = r.top + std::max(0, int(b.bottom - b.top));
    }
    return r;
}

void TacSBAnimation::MakeForm()
{
    if (AForm)
        return;
    AForm = std::make_unique<ui::Form>(nullptr);
    AForm->SetTag(-98);
    AForm->SetBorderStyle(ui::bsNone);
    AForm->SetColor(ui::clRed);
    HWND h = AForm->Handle();
    SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TOOLWINDOW |
                                          WS_EX_TRANSPARENT | WS_EX_NOACTIVATE);
}

void TacSBAnimation::MakeImg()
{
    if (CurrentState == 0 && ABmp)
        return;
    const RECT r = GetFormBounds();
    const int w = std::max(1, int(r.right - r.left)), h = std::max(1, int(r.bottom - r.top));
    if (!ABmp)
        ABmp = NewBmp32(w, h);
    SkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
    if (!manager || !PBtnData)
        return;
    const int glow = GlowMaskIndex();
    const int code = PBtnData->HitCode;
    if (manager->AllowGlowing() && CurrentState == 1 && (code == 8 || code == 9 || code == 20) && glow >= 0) {
        const MaskData& m = manager->Mask(glow);
        if (m.Bmp)
            ABmp->Assign(*m.Bmp);
        return;
    }
    // The part of the owner's picture under the button, then the button's image in its state.
    ui::Bitmap* from = Provider && Provider->TempBmp() ? Provider->TempBmp() : SkinData->CacheBmp();
    int sx = PBtnData->Rect.left, sy = PBtnData->Rect.top;
    if (Provider && Provider->TempBmp() && from == Provider->TempBmp())
        sx -= Provider->CaptionWidth() - from->Width() - 1;
    if (ABmp->Width() != w || ABmp->Height() != h)
        ABmp->SetSize(w, h);
    if (from && !from->Empty())
        BitBlt(ABmp->Canvas().Handle(), 0, 0, w, h, from->Canvas().Handle(), sx, sy, SRCCOPY);
    if (manager->IsValidImgIndex(PBtnData->ImageIndex))
        PaintMaskGlyph(ABmp.get(), POINT{0, 0}, std::max(0, CurrentState), 1, manager->Mask(PBtnData->ImageIndex),
                       MakeCacheInfo(ABmp.get(), 0, 0));
    if (!BorderForm) {
        ui::PixelView v = ABmp->Pixels();
        for (int y = 0; y < v.Height(); ++y)
            for (int x = 0; x < v.Width(); ++x)
                v.Row(y)[x * 4 + 3] = 255;
    }
    if (Provider && code >= htUserButton && size_t(code - htUserButton) < Provider->TitleButtons().size()) {
        TsTitleButton& b = Provider->TitleButtons()[size_t(code - htUserButton)];
        if (b.HasGlyph()) {
            ui::Bitmap* g = b.Glyph();
            const int pressed = CurrentState == 2 ? 1 : 0;
            const int x = (w - g->Width()) / 2 + pressed, y = (h - g->Height()) / 2 + pressed;
            auto copy = NewBmp24(g->Width(), g->Height());
            BitBlt(copy->Canvas().Handle(), 0, 0, g->Width(), g->Height(), g->Canvas().Handle(), 0, 0, SRCCOPY);
            CopyKeyedPiece(ABmp.get(), copy.get(), x, y, false, EmptyCacheInfo,
                           uint32_t(copy->PixelColor(0, copy->Height() - 1)),
                           Rect{0, 0, copy->Width(), copy->Height()});
        }
    }
}

void TacSBAnimation::UpdateForm(int blend)
{
    m_lastBlend = blend;
    if (!FormHandle || !PBtnData)
        return;
    MakeImg();
    MakeForm();
    if (!ABmp || !AForm)
        return;
    RECT r = GetFormBounds();
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    r.left = cx - ABmp->Width() / 2;
    r.top = cy - ABmp->Height() / 2;
    HWND h = AForm->Handle();
    MoveWindow(h, r.left, r.top, ABmp->Width(), ABmp->Height(), FALSE);
    HWND before = GetWindow(FormHandle, GW_HWNDPREV);
    SetWindowPos(h, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    SetWindowLongPtrW(h, GWL_EXSTYLE,
                      GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE);
    HDC screen = GetDC(nullptr);
    SIZE size{ABmp->Width(), ABmp->Height()};
    POINT src{0, 0};
    BLENDFUNCTION bf{AC_SRC_OVER, 0, BYTE(std::clamp(blend, 0, 255)), AC_SRC_ALPHA};
    UpdateLayeredWnd(h, screen, nullptr, &size, ABmp->Canvas().Handle(), &src, 0, &bf, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
    ShowWindow(h, SW_SHOWNOACTIVATE);
}

} // namespace skin
