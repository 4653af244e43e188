// Shared pieces of the simple-window wrappers.
#include "skin/windows/wrapperkit.h"

#include "skin/engine/graphutils.h"
#include "skin/windows/btnwnd.h"
#include "skin/windows/panelwnd.h"
#include "skin/windows/spinwnd.h"
#include "skin/windows/staticwnd.h"
#include "skin/windows/treewnd.h"
#include "ui/font.h"

namespace skin {

bool AssignWindowFont(HWND handle, ui::Font& font)
{
    HFONT f = handle ? reinterpret_cast<HFONT>(SendMessageW(handle, WM_GETFONT, 0, 0)) : nullptr;
    LOGFONTW lf{};
    if (!f || GetObjectW(f, sizeof(lf), &lf) != sizeof(lf))
        return false;
    font.SetName(core::String(lf.lfFaceName, lf.lfFaceName + wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    font.SetHeight(lf.lfHeight);
    font.SetCharset(lf.lfCharSet);
    ui::FontStyles style = 0;
    if (lf.lfWeight >= FW_BOLD)
        style |= ui::fsBold;
    if (lf.lfItalic)
        style |= ui::fsItalic;
    if (lf.lfUnderline)
        style |= ui::fsUnderline;
    if (lf.lfStrikeOut)
        style |= ui::fsStrikeOut;
    font.SetStyle(style);
    return true;
}

void FadeDisabledCache(ui::Bitmap* cache, const TCacheInfo& parentBg, POINT wndPos)
{
    if (!cache || cache->Empty())
        return;
    if (parentBg.Ready && parentBg.Bmp) {
        const int x = parentBg.X + wndPos.x, y = parentBg.Y + wndPos.y;
        BlendRectKeyed(cache, 0, 0, ui::Color(0xFFFFFFFFu), 0.4,
                       Rect{x, y, x + cache->Width() - 1, y + cache->Height() - 1}, parentBg.Bmp);
    } else {
        TintBmp(cache, parentBg.FillColor, MaskKeyColor, 0.4);
    }
}

ui::Bitmap* SizedCache(TsCommonData* data, int w, int h)
{
    data->EnsureCacheBmp();
    ui::Bitmap* cache = data->CacheBmp();
    if (!cache || w <= 0 || h <= 0)
        return nullptr;
    if (cache->Width() != w || cache->Height() != h)
        cache->SetSize(w, h);
    return cache->Empty() ? nullptr : cache;
}

bool RefreshUpdating(TsCommonData* data)
{
    data->FUpdating = data->GetUpdating();
    return data->FUpdating;
}

bool AbsorbEraseAndFrame(ui::Message& message)
{
    if (message.Msg == WM_ERASEBKGND)
        message.Result = 1;
    return message.Msg == WM_ERASEBKGND || message.Msg == WM_NCPAINT;
}

bool CursorInside(HWND handle)
{
    POINT p{};
    RECT r{};
    return GetCursorPos(&p) && GetWindowRect(handle, &r) && PtInRect(&r, p);
}

bool TrackActiveControl(HWND handle)
{
    SkinManager* m = DefaultManager();
    if (!m || m->Designing() || !IsWindowEnabled(handle))
        return false;
    const bool wasActive = m->ActiveControl() == handle;
    if (CursorInside(handle)) {
        if (!wasActive)
            m->SetActiveControl(handle);
        return wasActive;
    }
    if (wasActive)
        m->SetActiveControl(nullptr);
    return false;
}

void MakeActiveControl(HWND handle)
{
    if (SkinManager* m = DefaultManager(); m && m->ActiveControl() != handle)
        m->SetActiveControl(handle);
}

MessageDC::MessageDC(HWND handle, WPARAM given)
    : m_wnd(handle), m_dc(reinterpret_cast<HDC>(given)), m_obtained(given == 0)
{
    if (m_obtained)
        m_dc = GetDC(handle);
}

MessageDC::~MessageDC()
{
    if (m_obtained && m_dc)
        ReleaseDC(m_wnd, m_dc);
}

void RegisterSimpleWrapperClasses()
{
    RegisterWrapperClass(u"TacTreeViewWnd", MakeWrapperOf<TacTreeViewWnd>);
    RegisterWrapperClass(u"TacGridWnd", MakeWrapperOf<TacGridWnd>);
    RegisterWrapperClass(u"TacGridEhWnd", MakeWrapperOf<TacGridEhWnd>);
    RegisterWrapperClass(u"TacBtnWnd", MakeWrapperOf<TacBtnWnd>);
    RegisterWrapperClass(u"TacBitBtnWnd", MakeWrapperOf<TacBitBtnWnd>);
    RegisterWrapperClass(u"TacCheckBoxWnd", MakeWrapperOf<TacCheckBoxWnd>);
    RegisterWrapperClass(u"TacPanelWnd", MakeWrapperOf<TacPanelWnd>);
    RegisterWrapperClass(u"TacDlgPanelWnd", MakeWrapperOf<TacDlgPanelWnd>);
    RegisterWrapperClass(u"TacTransPanelWnd", MakeWrapperOf<TacTransPanelWnd>);
    RegisterWrapperClass(u"TacGroupBoxWnd", MakeWrapperOf<TacGroupBoxWnd>);
    RegisterWrapperClass(u"TacStaticWnd", MakeWrapperOf<TacStaticWnd>);
    RegisterWrapperClass(u"TacLinkWnd", MakeWrapperOf<TacLinkWnd>);
    RegisterWrapperClass(u"TacIconWnd", MakeWrapperOf<TacIconWnd>);
    RegisterWrapperClass(u"TacSizerWnd", MakeWrapperOf<TacSizerWnd>);
    RegisterWrapperClass(u"TacSpinWnd", MakeWrapperOf<TacSpinWnd>);
}

} // namespace skin
