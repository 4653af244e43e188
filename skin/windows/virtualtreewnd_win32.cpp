// The virtual tree wrapper: saved, skinned and restored properties by name, the header drawing
// handlers, and the tree's frame and header printed through WM_PRINT.
#include "skin/windows/virtualtreewnd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/sbutils.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/control.h"
#include "ui/wincontrol.h"

#include <memory>

namespace skin {

namespace {

constexpr uint32_t kClBtnFace = 0xFF00000F, kClBtnText = 0xFF000012;
constexpr const char16_t* kAdvancedEvent = u"OnAdvancedHeaderDraw";
constexpr const char16_t* kQueryEvent = u"OnHeaderDrawQueryElements";
constexpr const char16_t* kVetNames[] = {u"CompressedTextColor", u"FileTextColor", u"FolderTextColor"};

core::Object* ObjectOf(core::Object* obj, core::StringView name)
{
    return obj && ui::HasProperty(obj, name) ? ui::GetObjectProperty(obj, name) : nullptr;
}

bool IsMethodProperty(const ui::PropInfo* p) { return p && p->kind == ui::pkMethod; }

// The header font of the owner given to a canvas, field by field as far as it has them.
void TakeFont(ui::Canvas& canvas, core::Object* font)
{
    if (!font)
        return;
    ui::Font& f = canvas.Font();
    if (ui::HasProperty(font, u"Name") && !ui::GetStrProperty(font, u"Name").empty())
        f.SetName(ui::GetStrProperty(font, u"Name"));
    if (ui::HasProperty(font, u"Height"))
        f.SetHeight(int(ui::GetOrdProperty(font, u"Height")));
    if (ui::HasProperty(font, u"Style"))
        f.SetStyle(ui::FontStyles(ui::GetOrdProperty(font, u"Style")));
    if (ui::HasProperty(font, u"Color"))
        f.SetColor(ui::Color(ui::GetOrdProperty(font, u"Color")));
}

} // namespace

TacVirtualTreeWnd::~TacVirtualTreeWnd()
{
    Unhook();
    if (m_handlers)
        m_handlers->wnd = nullptr;
}

ui::Control* TacVirtualTreeWnd::Owner() const
{
    // The control adapter's skin states have no owner control: the window's control is found by
    // its handle then.
    if (ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr)
        return owner;
    return CtrlHandle ? ui::WinControl::FindControl(CtrlHandle) : nullptr;
}

ui::MethodValue TacVirtualTreeWnd::AdvancedMethod()
{
    auto owner = Handlers();
    auto call = std::make_shared<ui::TAdvancedHeaderPaintEvent>(
        [owner](core::Object* sender, ui::THeaderPaintInfo& info, ui::THeaderPaintElements elements) {
            if (owner->wnd)
                owner->wnd->AdvancedHeaderDraw(sender, info, elements);
        });
    return {nullptr, &m_advanced_id, call};
}

ui::MethodValue TacVirtualTreeWnd::QueryMethod()
{
    auto owner = Handlers();
    auto call = std::make_shared<ui::THeaderPaintQueryElementsEvent>(
        [owner](core::Object* sender, ui::THeaderPaintInfo& info, ui::THeaderPaintElements& elements) {
            if (owner->wnd)
                owner->wnd->HeaderDrawQueryElements(sender, info, elements);
        });
    return {nullptr, &m_query_id, call};
}

std::shared_ptr<TacVirtualTreeWnd::HandlerOwner> TacVirtualTreeWnd::Handlers()
{
    if (!m_handlers)
        m_handlers = std::make_shared<HandlerOwner>(HandlerOwner{this});
    return m_handlers;
}

void TacVirtualTreeWnd::SaveStdParams()
{
    TacEditWnd::SaveStdParams();
    ui::Control* owner = Owner();
    if (core::Object* vet = ObjectOf(owner, u"VETColors")) {
        uint32_t* saved[] = {&CompressedTextColor, &FileTextColor, &FolderTextColor};
        for (int i = 0; i < 3; ++i)
            *saved[i] = uint32_t(ui::GetOrdProperty(vet, kVetNames[i]));
    }
    if (core::Object* header = ObjectOf(owner, u"Header"))
        OwnerDraw = ui::SetPropHasElement(header, u"Options", u"hoOwnerDraw");
}

void TacVirtualTreeWnd::SetSkinParams()
{
    TacEditWnd::SetSkinParams();
    ui::Control* owner = Owner();
    if (!owner)
        return;
    const SectionData* s = SkinData->Section();
    if (core::Object* vet = ObjectOf(owner, u"VETColors"); vet && s)
        for (const char16_t* name : kVetNames)
            ui::SetOrdProperty(vet, name, s->HotFontColor[0]);
    core::Object* header = ObjectOf(owner, u"Header");
    // Only events the application left unassigned are taken; its own handler keeps the header as it is.
    PropInfo = ui::FindProperty(*owner, kAdvancedEvent);
    if (IsMethodProperty(PropInfo) && !ui::GetMethodProperty(owner, kAdvancedEvent).Assigned()) {
        ui::SetMethodProperty(owner, kAdvancedEvent, AdvancedMethod());
        PropInfo = ui::FindProperty(*owner, kQueryEvent);
        if (IsMethodProperty(PropInfo) && !ui::GetMethodProperty(owner, kQueryEvent).Assigned())
            ui::SetMethodProperty(owner, kQueryEvent, QueryMethod());
        if (PropInfo && header)
            ui::ChangeSetProperty(header, u"Options", u"hoOwnerDraw", true);
    }
    core::Object* column = ObjectOf(owner, u"PaintInfoColumn");
    skin::SkinManager* m = SkinData->GetSkinManager();
    if (!column || !m)
        return;
    SetColorProp(column, u"Color", m->GlobalColor());
    ui::SetOrdProperty(column, u"Style", 1);
    if (header) {
        SetColorProp(header, u"Color", m->GetActiveEditColor());
        SetColorProp(ObjectOf(header, u"Font"), u"Color", m->GlobalFontColor());
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    }
    ui::SetOrdProperty(owner, u"Themed", 0);
}

void TacVirtualTreeWnd::ClearOwnHandlers()
{
    ui::Control* owner = Owner();
    if (!owner)
        return;
    const std::pair<const char16_t*, const void*> events[] = {{kAdvancedEvent, &m_advanced_id}, {kQueryEvent, &m_query_id}};
    for (const auto& [name, identity] : events)
        if (IsMethodProperty(ui::FindProperty(*owner, name)) && ui::GetMethodProperty(owner, name).identity == identity)
            ui::SetMethodProperty(owner, name, ui::MethodValue{});
}

void TacVirtualTreeWnd::RestoreStdParams()
{
    TacEditWnd::RestoreStdParams();
    ui::Control* owner = Owner();
    if (!owner || IsDestroying(owner))
        return;
    if (core::Object* vet = ObjectOf(owner, u"VETColors")) {
        const uint32_t saved[] = {CompressedTextColor, FileTextColor, FolderTextColor};
        for (int i = 0; i < 3; ++i)
            ui::SetOrdProperty(vet, kVetNames[i], saved[i]);
    }
    ClearOwnHandlers();
    core::Object* header = ObjectOf(owner, u"Header");
    if (header)
        ui::ChangeSetProperty(header, u"Options", u"hoOwnerDraw", OwnerDraw);
    core::Object* column = ObjectOf(owner, u"PaintInfoColumn");
    if (!column)
        return;
    ui::SetOrdProperty(owner, u"Themed", 1);
    ui::SetOrdProperty(column, u"Color", kClBtnFace);
    if (header) {
        ui::SetOrdProperty(header, u"Color", kClBtnFace);
        if (core::Object* font = ObjectOf(header, u"Font"))
            ui::SetOrdProperty(font, u"Color", kClBtnText);
    }
}

void TacVirtualTreeWnd::HeaderDrawQueryElements(core::Object*, ui::THeaderPaintInfo&, ui::THeaderPaintElements& elements)
{
    // Everything but the header glyph.
    elements = ui::hpeBackground | ui::hpeDropMark | ui::hpeSortGlyph | ui::hpeText;
}

void TacVirtualTreeWnd::AdvancedHeaderDraw(core::Object*, ui::THeaderPaintInfo& paintInfo,
                                           ui::THeaderPaintElements elements)
{
    if (Destroyed || DontRepaint || !SkinData || !SkinData->Skinned())
        return;
    skin::SkinManager* m = DefaultManager();
    ui::Canvas* target = paintInfo.TargetCanvas;
    if (!m || !target)
        return;
    HDC dc = target->Handle();
    const ui::TPaintRect& pr = paintInfo.PaintRectangle;
    const int w = pr.Right - pr.Left, h = pr.Bottom - pr.Top;
    if (!dc || w <= 0 || h <= 0)
        return;
    if (!paintInfo.Column) {
        if (SkinData->SkinIndex != -1 && m->IsValidSkinIndex(SkinData->SkinIndex))
            FillDCSolid(dc, RECT{pr.Left, pr.Top, pr.Right, pr.Bottom}, ui::Color(m->Section(SkinData->SkinIndex).Color));
        return;
    }
    core::StringView section = u"COLHEADER";
    int si = m->GetSkinIndex(section);
    if (!m->IsValidSkinIndex(si)) {
        section = u"BUTTON";
        si = m->GetSkinIndex(section);
    }
    const int state = paintInfo.IsDownIndex ? 2 : paintInfo.IsHoverIndex ? 1 : 0;
    ui::Bitmap b(w, h, ui::pf24bit);
    HDC bdc = b.Canvas().Handle();
    if (elements & ui::hpeBackground) {
        PaintSectionItem(si, section, MakeCacheInfo(SkinData->CacheBmp(), 0, 0), true, state, Rect{0, 0, w, h},
                         POINT{pr.Left, pr.Top}, &b, m);
        BitBlt(dc, pr.Left, pr.Top, w, h, bdc, 0, 0, SRCCOPY);
        return;
    }
    BitBlt(bdc, 0, 0, w, h, dc, pr.Left, pr.Top, SRCCOPY);
    ui::Control* owner = Owner();
    core::Object* header = ObjectOf(owner, u"Header");
    auto writeText = [&](UINT format) {
        const core::String text = ui::GetStrProperty(paintInfo.Column, u"Text");
        if (text.empty())
            return;
        const ui::TPaintRect& tr = paintInfo.TextRectangle;
        RECT t{tr.Left - pr.Left, tr.Top - pr.Top, tr.Right - pr.Left, tr.Bottom - pr.Top};
        TakeFont(b.Canvas(), ObjectOf(header, u"Font"));
        WriteSectionText(b.Canvas(), text.c_str(), true, t, format, si, state != 0, m);
    };
    if ((elements & ui::hpeText) && !(elements & ui::hpeDropMark))
        writeText(0);
    if ((elements & ui::hpeSortGlyph) && paintInfo.ShowSortGlyph && header) {
        const TConstantSkinData& cd = m->GetConstData();
        const int mask = ui::GetOrdProperty(header, u"SortDirection") != 0
                             ? m->GetMaskIndex(cd.IndexScrollTop, u"SCROLLBTNTOP", u"GLYPHMASK")
                             : m->GetMaskIndex(cd.IndexScrollBottom, u"SCROLLBTNBOTTOM", u"GLYPHMASK");
        if (m->IsValidImgIndex(mask)) {
            const MaskData& md = m->Mask(mask);
            PaintMaskGlyph(&b, POINT{paintInfo.SortGlyphPos.X - pr.Left, (h - MaskStateHeight(md)) / 2}, state, 1, md,
                           MakeCacheInfo(&b, 0, 0));
        }
    }
    if (elements & ui::hpeDropMark)
        writeText(DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    BitBlt(dc, pr.Left, pr.Top, w, h, bdc, 0, 0, SRCCOPY);
}

void TacVirtualTreeWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacEditWnd::acWndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_NCPAINT:
        if (!IsWindowVisible(CtrlHandle))
            break;
        try {
            UpdateGeometry();
            SkinData->FUpdating = SkinData->GetUpdating();
            if (SkinData->FUpdating)
                return;
            if (SkinData->BGChanged) {
                if (!ParamsChanged)
                    SetSkinParams();
                PrepareWndCache(SkinData, CtrlHandle, DlgMode);
            }
            RestoreWndCorners(SkinData, 0, this);
            if (HDC dc = GetWindowDC(CtrlHandle)) {
                const int saved = SaveDC(dc);
                PaintFrameInto(dc);
                // The tree prints its own header into the frame.
                LPARAM none = 0;
                CallPrevWndProc(CtrlHandle, WM_PRINT, WPARAM(dc), none);
                message.Result = PaintScrolls(CtrlHandle, -1, dc);
                RestoreDC(dc, saved);
                ReleaseDC(CtrlHandle, dc);
            }
        } catch (...) {
            // The frame is simply not repainted.
        }
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (LOWORD(message.WParam) == SB_THUMBTRACK) {
            // The tree scrolls to the position while the thumb is still held.
            const int bar = message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ;
            SCROLLINFO si{};
            si.cbSize = sizeof(si);
            si.fMask = SIF_ALL;
            if (GetScrollInfo(CtrlHandle, bar, &si) && si.nPos != si.nTrackPos) {
                si.nPos = si.nTrackPos;
                // Only the position: a range written back would make the system lay the bars out again.
                si.fMask = SIF_POS;
                SetScrollInfo(CtrlHandle, bar, &si, FALSE);
            }
        }
        break;
    case WM_PRINT:
        if (message.WParam) {
            PrintClientAndHeader(message);
            return;
        }
        break;
    }
    TacEditWnd::acWndProc(message);
}

void TacVirtualTreeWnd::PrintClientAndHeader(ui::Message& message)
{
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    UpdateGeometry();
    SkinData->FUpdating = false;
    if (SkinData->BGChanged) {
        if (!ParamsChanged)
            SetSkinParams();
        PrepareWndCache(SkinData, CtrlHandle, false);
    }
    int headerHeight = 0;
    if (core::Object* header = ObjectOf(Owner(), u"Header"); header && ui::SetPropHasElement(header, u"Options", u"hoVisible"))
        headerHeight = int(ui::GetOrdProperty(header, u"Height"));
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, cxLeftEdge, cxLeftEdge + headerHeight, nullptr);
    LPARAM none = 0;
    CallPrevWndProc(CtrlHandle, WM_PRINTCLIENT, WPARAM(dc), none);
    RestoreDC(dc, saved);
    CallPrevWndProc(message);
    RestoreWndCorners(SkinData, 0, this);
    PaintFrameInto(dc);
    message.Result = PaintScrolls(CtrlHandle, -1, dc);
}

void RegisterVirtualTreeWrapperClass() { RegisterWrapperClass(u"TacVirtualTreeWnd", MakeWrapperOf<TacVirtualTreeWnd>); }

} // namespace skin
