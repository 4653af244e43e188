#include "skin/windows/toolbarwnd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/bitmap.h"

#include <vector>

namespace skin {

namespace {

constexpr BYTE kWholeDropDown = 0x80;

std::vector<core::String> WordsOf(const core::String& text)
{
    std::vector<core::String> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == u' ')
            ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != u' ')
            ++i;
        if (i > start)
            words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

core::String JoinWords(const std::vector<core::String>& words, size_t from, size_t to)
{
    core::String s;
    for (size_t i = from; i < to; ++i) {
        if (i > from)
            s += u' ';
        s += words[i];
    }
    return s;
}

} // namespace

void TacToolBarWnd::SplitButtonText(const core::String& text, int width,
                                    const std::function<int(core::StringView)>& measure, core::String& first,
                                    core::String& second)
{
    const std::vector<core::String> words = WordsOf(text);
    first = text;
    second.clear();
    if (words.size() < 2 || measure(text) <= width)
        return;
    size_t fit = 1; // the first word stays on the first line even when it alone is too wide
    while (fit < words.size() && measure(JoinWords(words, 0, fit + 1)) <= width)
        ++fit;
    first = JoinWords(words, 0, fit);
    second = JoinWords(words, fit, words.size());
}

int TacToolBarWnd::Count() const { return int(SendMessageW(CtrlHandle, TB_BUTTONCOUNT, 0, 0)); }

RECT TacToolBarWnd::GetButtonRect(int index) const
{
    RECT r{};
    if (!SendMessageW(CtrlHandle, TB_GETITEMRECT, WPARAM(index), LPARAM(&r)))
        return RECT{};
    return r;
}

bool TacToolBarWnd::Updating()
{
    SkinData->FUpdating = AskAcMessage(GetParent(CtrlHandle), scIsUpdating) || SkinData->GetUpdating();
    return SkinData->FUpdating;
}

void TacToolBarWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacMainWnd::acWndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        SkinData->BGChanged = true;
        TacMainWnd::acWndProc(message);
        if (!Destroyed)
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
    case WM_PAINT:
        if (IsWindowVisible(CtrlHandle)) {
            AC_WMPaint(reinterpret_cast<HDC>(message.WParam));
            return;
        }
        break;
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_NCPAINT:
        AC_WMNCPaint();
        return;
    default:
        if (IsSubCode(message, scUpdateDone)) {
            if (SkinData->FUpdating) {
                SkinData->FUpdating = false;
                RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            }
            return;
        }
        break;
    }
    TacMainWnd::acWndProc(message);
}

void TacToolBarWnd::PrepareCache()
{
    UpdateGeometry();
    if (!SkinData->BGChanged)
        return;
    GetClientRect(CtrlHandle, &ClientRect);
    PrepareWndCache(SkinData, CtrlHandle, DlgMode);
    RestoreWndCorners(SkinData, 0, this);
    BorderWidth = (WndSize.cy - ClientRect.bottom) / 2;
    SkinData->BGChanged = false;
}

void TacToolBarWnd::AC_WMPaint(HDC given)
{
    PaintScope paint(CtrlHandle);
    if (Updating())
        return;
    PrepareCache();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    auto bmp = NewBmp24(cache->Width(), cache->Height());
    DrawButtons(bmp.get());
    MessageDC dc(CtrlHandle, WPARAM(given));
    if (dc.Get())
        BitBlt(dc.Get(), 0, 0, cache->Width() - 2 * BorderWidth, cache->Height() - 2 * BorderWidth,
               bmp->Canvas().Handle(), BorderWidth, BorderWidth, SRCCOPY);
}

void TacToolBarWnd::AC_WMNCPaint()
{
    if (!(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) || Updating())
        return;
    PrepareCache();
    ui::Bitmap* cache = SkinData->CacheBmp();
    HDC dc = GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    if (cache && !cache->Empty())
        CopyDCFrame(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0,
                    (WndSize.cx - ClientRect.right) / 2);
    RestoreDC(dc, saved);
    ReleaseDC(CtrlHandle, dc);
}

void TacToolBarWnd::DrawButtons(ui::Bitmap* bmp)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    BitBlt(bmp->Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        RECT r = GetButtonRect(i);
        OffsetRect(&r, BorderWidth, BorderWidth);
        DrawBtn(i, r, bmp->Canvas().Handle());
    }
}

void TacToolBarWnd::DrawBtn(int index, const RECT& r, HDC dc)
{
    TBBUTTON button{};
    skin::SkinManager* manager = SkinData->GetSkinManager();
    ui::Bitmap* cache = SkinData->CacheBmp();
    const int bw = r.right - r.left, bh = r.bottom - r.top;
    if (!manager || !cache || bw <= 0 || bh <= 0 || !SendMessageW(CtrlHandle, TB_GETBUTTON, WPARAM(index), LPARAM(&button)))
        return;
    auto b = NewBmp24(bw, bh);
    HDC bdc = b->Canvas().Handle();
    if (button.fsStyle & TBSTYLE_SEP) {
        const int divider = manager->GetSkinIndex(u"DIVIDER");
        if (!manager->IsValidImgIndex(manager->GetMaskIndex(divider, u"DIVIDER", u"BORDERSMASK")))
            return;
        BitBlt(bdc, 0, 0, bw, bh, cache->Canvas().Handle(), r.left, r.top, SRCCOPY);
        const Rect d{bw / 2 - 1, 2, bw / 2 + 3, bh - 2};
        PaintSectionItem(divider, u"DIVIDER", MakeCacheInfo(cache, r.left, r.top), true, 0, d, POINT{0, 0}, b.get(),
                         manager);
        BitBlt(dc, r.left, r.top, bw, bh, bdc, 0, 0, SRCCOPY);
        return;
    }
    const bool enabled = (button.fsState & TBSTATE_ENABLED) != 0;
    int state = 0, p = 0;
    if (enabled && (button.fsState & TBSTATE_PRESSED)) {
        state = 2;
        p = 1;
    } else if (enabled) {
        RECT screen = r;
        OffsetRect(&screen, WndRect.left, WndRect.top);
        POINT cursor{};
        GetCursorPos(&cursor);
        state = PtInRect(&screen, cursor) ? 1 : 0;
    }
    const int buttonIndex = manager->GetSkinIndex(u"TOOLBUTTON");
    PaintSectionItem(buttonIndex, u"TOOLBUTTON", MakeCacheInfo(cache, r.left, r.top), true, state, Rect{0, 0, bw, bh},
                     POINT{0, 0}, b.get(), manager);
    int iw = 0, ih = 0;
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(CtrlHandle, TB_GETIMAGELIST, 0, 0));
    if (images)
        ImageList_GetIconSize(images, &iw, &ih);
    if (button.iBitmap >= 0 && images) {
        ImageList_SetBkColor(images, CLR_NONE);
        const int y = p + 4;
        int x = p + (bw - iw) / 2;
        if (button.fsStyle & kWholeDropDown) {
            const TConstantSkinData& cd = manager->GetConstData();
            const int arrow = manager->GetMaskIndex(cd.IndexScrollBottom, u"SCROLLBTNBOTTOM", u"GLYPHMASK");
            if (manager->IsValidImgIndex(arrow)) {
                const MaskData& m = manager->Mask(arrow);
                const int aw = MaskImageWidth(m), ah = MaskStateHeight(m);
                PaintMaskGlyph(b.get(), POINT{bw + p - aw - 2, p + (bh - ah) / 2}, state, 1, m,
                               MakeCacheInfo(b.get(), 0, 0));
                x = p + (bw - (iw + aw)) / 2;
            }
        }
        // An index past the list draws nothing.
        if (button.iBitmap < ImageList_GetImageCount(images))
            ImageList_Draw(images, int(button.iBitmap), bdc, x, y, ILD_NORMAL);
    }
    const LRESULT length = SendMessageW(CtrlHandle, TB_GETBUTTONTEXTW, WPARAM(button.idCommand), 0);
    if (length > 0) {
        std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
        SendMessageW(CtrlHandle, TB_GETBUTTONTEXTW, WPARAM(button.idCommand), LPARAM(buffer.data()));
        const core::String text(buffer.data(), buffer.data() + wcsnlen(buffer.data(), size_t(length)));
        ui::Canvas& canvas = b->Canvas();
        AssignWindowFont(CtrlHandle, canvas.Font());
        canvas.SetBrushStyle(ui::bsClear);
        TEXTMETRICW tm{};
        GetTextMetricsW(canvas.Handle(), &tm);
        const RECT t{p + 2, p + 2 + (ih ? ih + 2 : 0), bw + p - 2, bh + p - 2};
        const SectionData* own = SkinData->Section();
        const bool sectionColours = state != 0 && !(own && own->GiveOwnFont);
        auto write = [&](const core::String& s, RECT where, UINT flags) {
            if (sectionColours)
                WriteSectionText(canvas, s.c_str(), true, where, flags, buttonIndex, true, manager);
            else
                WriteControlText(canvas, s.c_str(), true, where, flags, SkinData, state != 0);
        };
        core::String first, second;
        SplitButtonText(text, t.right - t.left, [&canvas](core::StringView s) { return TextWidthOf(canvas, s); },
                        first, second);
        if (second.empty()) {
            write(first, t, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
        } else {
            write(first, RECT{t.left, t.top, t.right, t.top + tm.tmHeight}, DT_CENTER);
            write(second, RECT{t.left, t.top + tm.tmHeight, t.right, t.bottom}, DT_CENTER | DT_END_ELLIPSIS);
        }
    }
    if (!enabled)
        BlendRectKeyed(b.get(), 0, 0, ui::Color(0xFFFFFFFF), 0.4, Rect{r.left, r.top, r.right - 1, r.bottom - 1}, cache);
    BitBlt(dc, r.left, r.top, bw, bh, bdc, 0, 0, SRCCOPY);
}

} // namespace skin
