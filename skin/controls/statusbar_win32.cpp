// Skinned status bar.
#include "skin/controls/statusbar.h"

#include "skin/controls/cachepaint.h"
#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/wrapperkit.h"
#include "skin/engine/utils.h"
#include "ui/canvas.h"

#include <algorithm>

namespace skin {

TsStatusBar::TsStatusBar(core::Component* owner) : ui::StatusBar(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckStatusBar;
    SetControlStyle(ControlStyle() | ui::csAcceptsControls | ui::csOpaque);
    m_common->Loaded();
}

TsStatusBar::~TsStatusBar() = default;

void TsStatusBar::Loaded()
{
    ui::StatusBar::Loaded();
    m_common->Loaded();
}

void TsStatusBar::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
        case scSkinRefresh:
            if (FromOwnManager(message, *m_common)) {
                SendMsgToChildControls(this, message);
                HandleCommonMessage(message, m_common.get());
                if (SubCodeOf(message.WParam) == scSkinRefresh && HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
                return;
            }
            break;
        case scSkinRemoved:
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                if (HandleAllocated())
                    RecreateWnd();
                SendMsgToChildControls(this, message);
                return;
            }
            break;
        case scUpdateDone:
            if (m_common->FUpdating) {
                m_common->FUpdating = false;
                if (HandleAllocated())
                    RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            }
            return;
        default:
            break;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::StatusBar::WndProc(message);
        return;
    }
    if (HandleSkinnedPaint(message))
        return;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::StatusBar::WndProc(message);
    if (message.Msg == WM_USER + 1 || message.Msg == WM_USER + 9 || message.Msg == WM_USER + 10)
        m_common->BGChanged = true;
}

bool TsStatusBar::HandleSkinnedPaint(ui::Message& message)
{
    switch (message.Msg) {
    case WM_MOVE:
        if (m_common->IsTransparent())
            m_common->BGChanged = true;
        return false;
    case WM_PAINT: {
        if (Engine().FormAnimationActive)
            return false;
        const MessagePaintDC dc(HandleIfAllocated(), message.WParam);
        PaintSkinned(dc.Get());
        message.Result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        if (!m_common->FUpdating && !m_common->BGChanged)
            CopyCache(*m_common, reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return true;
    case WM_PRINT:
        if (Visible() && message.WParam) {
            PrepareCache();
            CopyCache(*m_common, reinterpret_cast<HDC>(message.WParam));
        }
        return true;
    default:
        return false;
    }
}

void TsStatusBar::PaintSkinned(HDC dc)
{
    m_common->FUpdating = m_common->GetUpdating();
    if (!dc || m_common->FUpdating)
        return;
    PrepareCache();
    const RECT all{0, 0, Width(), Height()};
    BltCacheExceptChildren(this, m_common.get(), all, 0, 0, true, dc, all);
    PaintGraphicChildren(dc, this, POINT{0, 0});
    NotifyChildControls(this);
    m_common->BGChanged = false;
}

void TsStatusBar::PrepareCache()
{
    const bool needed = CacheNeedsRebuild(*m_common) || !m_common->CacheBmp() || m_common->CacheBmp()->Empty();
    if (!needed || m_common->UrgentPainting)
        return;
    const TCacheInfo ci = ParentBackground(*m_common);
    m_common->EnsureCacheBmp();
    CacheBitmap* cache = m_common->CacheBmp();
    if (!cache || cache->Empty())
        return;
    PaintControlItem(m_common.get(), ci, true, 0, Rect{0, 0, Width(), Height()}, OffsetOf(this), cache, true);
    cache->Canvas().Font().Assign(Font());
    if (SimplePanel() || PanelCount() == 0) {
        DrawPanel(nullptr, SimpleText(), ui::taLeftJustify, RECT{0, 1, Width() - 1, Height() - 1}, true);
    } else {
        int left = 0;
        for (int i = 0; i < PanelCount(); ++i) {
            ui::StatusPanel* panel = Panels(i);
            const bool last = i == PanelCount() - 1;
            const int right = last ? Width() : left + panel->Width();
            DrawPanel(panel, panel->Text(), panel->Alignment(), RECT{left + 1, 1, right - 1, Height() - 1}, last);
            left += panel->Width();
        }
    }
    if (SizeGrip())
        DrawGrip();
    m_common->BGChanged = false;
}

void TsStatusBar::DrawPanel(ui::StatusPanel* panel, const core::String& text, ui::Alignment alignment, const RECT& r,
                            bool last)
{
    CacheBitmap* cache = m_common->CacheBmp();
    SkinManager* manager = m_common->GetSkinManager();
    const SectionData* section = m_common->Section();
    if (section && manager) {
        const int mask = manager->GetMaskIndex(m_common->SkinIndex, m_common->SkinSection(), u"STATUSPANELMASK");
        if (manager->IsValidImgIndex(mask)) {
            const Rect area = panel ? Rect{r.left, r.top, r.right, r.bottom} : Rect{0, 0, Width(), Height()};
            PaintMaskRect(cache, area, true, MakeCacheInfo(cache, 0, 0), manager->Mask(mask), 0, false, manager);
        } else if (!last) {
            DrawDivider(r.right);
        }
    }
    if (panel && panel->Style() == ui::psOwnerDraw && OnDrawPanel) {
        OnDrawPanel(this, panel, cache->Canvas(), r);
        return;
    }
    RECT t{r.left + 1 + 2, r.top + 1, r.right - 1 - 4, r.bottom - 1 - 1};
    if (t.right <= t.left || text.empty())
        return;
    ui::Canvas& canvas = cache->Canvas();
    const core::String shown =
        CutTextToWidth(text, t.right - t.left, [&](core::StringView s) { return TextWidthOf(canvas, s); });
    WriteControlText(canvas, shown.c_str(), true, t, DrawTextFlagsOf(this, alignment) | DT_SINGLELINE, m_common.get(),
                     m_common->IsHotOrFocused());
}

void TsStatusBar::DrawDivider(int x)
{
    SkinManager* manager = m_common->GetSkinManager();
    const int divider = manager->GetSkinIndex(u"DIVIDER");
    const int mask = manager->GetMaskIndex(divider, u"DIVIDER", u"BORDERSMASK");
    if (divider < 0 || !manager->IsValidImgIndex(mask) || Height() <= 2)
        return;
    const int w = std::max(2, manager->MaskWidthLeft(mask) + manager->MaskWidthRight(mask));
    auto line = NewBmp24(w, Height() - 2);
    CacheBitmap* cache = m_common->CacheBmp();
    const int left = x - w / 2 - 1;
    // The line lies over what the bar shows there.
    BitBlt(line->Canvas().Handle(), 0, 0, w, Height() - 2, cache->Canvas().Handle(), left, 1, SRCCOPY);
    PaintSectionItem(divider, u"DIVIDER", MakeCacheInfo(cache, left, 1), true, 0, Rect{0, 0, w, Height() - 2},
                     POINT{0, 0}, line.get(), manager);
    BitBlt(cache->Canvas().Handle(), left, 1, w, Height() - 2, line->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsStatusBar::DrawGrip()
{
    SkinManager* manager = m_common->GetSkinManager();
    int mask = GlobalMaskIndex(manager, u"GRIPIMAGE");
    if (mask < 0 && manager)
        mask = manager->GetMaskIndex(m_common->SkinIndex, u"FORM", u"GRIPIMAGE");
    if (!manager || mask < 0 || !manager->IsValidImgIndex(mask))
        return;
    const MaskData& m = manager->Mask(mask);
    const SIZE cell = MaskCellSize(m);
    CacheBitmap* cache = m_common->CacheBmp();
    PaintMaskGlyph(cache, POINT{Width() - cell.cx, Height() - cell.cy}, 0, 0, m, MakeCacheInfo(cache, 0, 0));
}

} // namespace skin
