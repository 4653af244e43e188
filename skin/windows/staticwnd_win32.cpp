// Static, link, icon and size-grip wrappers.
#include "skin/windows/staticwnd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/canvas.h"

#include <algorithm>

namespace skin {

namespace {

constexpr UINT kStaticTextFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP;

DWORD StyleOf(HWND handle) { return DWORD(GetWindowLongW(handle, GWL_STYLE)); }
DWORD ExStyleOf(HWND handle) { return DWORD(GetWindowLongW(handle, GWL_EXSTYLE)); }

} // namespace

// ---- TacStaticWnd ----

bool TacStaticWnd::HandlePaintMessage(ui::Message& message)
{
    switch (message.Msg) {
    case WM_MOVE:
    case WM_ENABLE:
        SkinData->BGChanged = true;
        message.Result = CallPrevWndProc(message);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return true;
    case WM_SETTEXT:
        message.Result = CallPrevWndProc(message);
        Caption = WindowTextOf(CtrlHandle);
        SkinData->BGChanged = true;
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return true;
    case WM_PAINT: {
        // The picture comes with WM_ERASEBKGND.
        PaintScope paint(CtrlHandle);
        return true;
    }
    case WM_ERASEBKGND:
        if (!IsWindowVisible(CtrlHandle))
            return false;
        AC_WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return true;
    case WM_NCPAINT:
        return true;
    }
    return false;
}

void TacStaticWnd::acWndProc(ui::Message& message)
{
    if (!Destroyed && SkinData && SkinData->Skinned() && !(StyleOf(CtrlHandle) & WS_TABSTOP) &&
        !(ExStyleOf(CtrlHandle) & WS_EX_STATICEDGE) && HandlePaintMessage(message))
        return;
    TacMainWnd::acWndProc(message);
}

void TacStaticWnd::AC_WMPaint(HDC given)
{
    UpdateGeometry();
    HDC dc = given ? given : GetDC(CtrlHandle);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    SkinData->BGChanged = true;
    if (ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy)) {
        PrepareWndCache(SkinData, CtrlHandle, DlgMode);
        PaintText();
        BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    RestoreDC(dc, saved);
    if (!given)
        ReleaseDC(CtrlHandle, dc);
}

void TacStaticWnd::PaintText()
{
    ui::Canvas& canvas = SkinData->CacheBmp()->Canvas();
    canvas.SetBrushStyle(ui::bsClear);
    AssignWindowFont(CtrlHandle, canvas.Font());
    const UINT flags = kStaticTextFlags | ((ExStyleOf(CtrlHandle) & WS_EX_RIGHT) ? DT_RIGHT : 0);
    WriteControlText(canvas, Caption.c_str(), true, RECT{0, 0, WndSize.cx, WndSize.cy}, flags, SkinData, false);
}

// ---- TacLinkWnd ----

TacLinkWnd::~TacLinkWnd()
{
    Unhook();
    if (m_font)
        DeleteObject(m_font);
}

core::String TacLinkWnd::PlainText(core::StringView text)
{
    core::String s(text);
    for (const core::StringView tag : {core::StringView(u"</A>"), core::StringView(u"<A>")})
        for (size_t at = s.find(tag); at != core::String::npos; at = s.find(tag, at))
            s.erase(at, tag.size());
    return s;
}

void TacLinkWnd::acWndProc(ui::Message& message)
{
    if (!Destroyed && SkinData && SkinData->Skinned() && !(ExStyleOf(CtrlHandle) & WS_EX_STATICEDGE)) {
        // A link also paints itself when it takes the focus by tab.
        switch (message.Msg) {
        case WM_MOVE:
        case WM_SETTEXT:
        case WM_PAINT:
        case WM_ERASEBKGND:
        case WM_NCPAINT:
            if (HandlePaintMessage(message))
                return;
            break;
        }
    }
    TacStaticWnd::acWndProc(message);
}

void TacLinkWnd::PaintText()
{
    if (!m_font) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            return;
        metrics.lfMessageFont.lfUnderline = TRUE;
        m_font = CreateFontIndirectW(&metrics.lfMessageFont);
        if (!m_font)
            return;
    }
    ui::Canvas& canvas = SkinData->CacheBmp()->Canvas();
    canvas.SetBrushStyle(ui::bsClear);
    LOGFONTW lf{};
    GetObjectW(m_font, sizeof(lf), &lf);
    ui::Font& font = canvas.Font();
    font.SetName(core::String(lf.lfFaceName, lf.lfFaceName + wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    font.SetHeight(lf.lfHeight);
    font.SetCharset(lf.lfCharSet);
    font.SetStyle(ui::FontStyles(ui::fsUnderline) | (lf.lfWeight >= FW_BOLD ? ui::FontStyles(ui::fsBold) : 0u));
    const core::String text = PlainText(Caption);
    WriteControlText(canvas, text.c_str(), true, RECT{0, 0, WndSize.cx + 4, WndSize.cy}, kStaticTextFlags, SkinData,
                     false);
}

// ---- TacIconWnd ----

TacIconWnd::~TacIconWnd() { Unhook(); }

void TacIconWnd::Construct(core::StringView section, bool repaint)
{
    IsBmp = (StyleOf(CtrlHandle) & 3) != SS_ICON;
    FBmp.reset();
    TacStaticWnd::Construct(section, repaint);
}

void TacIconWnd::PaintText()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    HDC dc = cache->Canvas().Handle();
    if (!IsBmp) {
        if (HICON icon = reinterpret_cast<HICON>(SendMessageW(CtrlHandle, STM_GETICON, 0, 0)))
            DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        return;
    }
    if (!FBmp) {
        FBmp = std::make_unique<ui::Bitmap>();
        // The image stays the window's: copied, never adopted.
        if (HBITMAP image = reinterpret_cast<HBITMAP>(SendMessageW(CtrlHandle, STM_GETIMAGE, IMAGE_BITMAP, 0))) {
            BITMAP info{};
            if (GetObjectW(image, sizeof(info), &info) && info.bmWidth > 0 && info.bmHeight > 0) {
                FBmp->SetSize(info.bmWidth, info.bmHeight);
                HDC src = CreateCompatibleDC(nullptr);
                HGDIOBJ old = SelectObject(src, image);
                BitBlt(FBmp->Canvas().Handle(), 0, 0, info.bmWidth, info.bmHeight, src, 0, 0, SRCCOPY);
                SelectObject(src, old);
                DeleteDC(src);
            }
        }
    }
    if (!FBmp->Empty() && FBmp->Width() > 0)
        BitBlt(dc, 0, 0, FBmp->Width(), FBmp->Height(), FBmp->Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---- TacSizerWnd ----

void TacSizerWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (message.Msg == WM_PAINT) {
        AC_WMPaint();
        return;
    }
    if (AbsorbEraseAndFrame(message))
        return;
    TacMainWnd::acWndProc(message);
    if (message.Msg == WM_NCHITTEST) {
        message.Result = HTBOTTOMRIGHT;
        if (skin::SkinManager* m = DefaultManager(); m && IsWindowEnabled(CtrlHandle))
            m->SetActiveControl(nullptr);
    }
}

void TacSizerWnd::AC_WMPaint()
{
    UpdateGeometry();
    PaintScope paint(CtrlHandle);
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (!manager || WndSize.cx <= 0 || WndSize.cy <= 0)
        return;
    const int global = manager->GetConstData().IndexGLobalInfo;
    const int mask = manager->GetMaskIndex(global, u"GLOBALINFO", u"GRIPIMAGE");
    if (!manager->IsValidImgIndex(mask))
        return;
    HDC dc = GetDC(CtrlHandle);
    if (!dc)
        return;
    std::unique_ptr<ui::Bitmap> bmp = NewBmp24(WndSize.cx, WndSize.cy);
    TacBGQuery query;
    query.R = RECT{0, 0, WndSize.cx, WndSize.cy};
    query.Offset = WndPos;
    query.DrawDC = bmp->Canvas().Handle();
    QueryBgOfWnd(query, ParentWnd, true);
    if (query.BgType == 2 && query.Bmp)
        BitBlt(bmp->Canvas().Handle(), 0, 0, WndSize.cx, WndSize.cy, query.Bmp->Canvas().Handle(),
               WndPos.x + query.Offset.x, WndPos.y + query.Offset.y, SRCCOPY);
    else if (query.BgType == 1)
        FillDCSolid(bmp->Canvas().Handle(), RECT{0, 0, WndSize.cx, WndSize.cy}, ui::Color(query.Color));
    const MaskData& m = manager->Mask(mask);
    const int w = MaskImageWidth(m), h = MaskStateHeight(m);
    PaintMaskGlyph(bmp.get(), POINT{std::max<LONG>(WndSize.cx - w, 0), std::max<LONG>(WndSize.cy - h, 0)}, 0, 1, m,
                   MakeCacheInfo(bmp.get(), 0, 0));
    BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, bmp->Canvas().Handle(), 0, 0, SRCCOPY);
    ReleaseDC(CtrlHandle, dc);
}

} // namespace skin
