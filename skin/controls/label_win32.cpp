// Skinned labels.
#include "skin/controls/label.h"

#include "skin/engine/skinpaint.h"
#include "ui/canvas.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

namespace {

// Set while a label fixes its font colour in Paint: the font-change notification that causes is
// ignored.
bool g_painting_font = false;

} // namespace

TsCustomLabel::TsCustomLabel(core::Component* owner) : ui::Label(owner)
{
    SetTransparent(true);
}

void TsCustomLabel::SetSkinSection(core::StringView value)
{
    if (value == m_skin_section)
        return;
    m_skin_section = value;
    Invalidate();
}

ui::Font& TsCustomLabel::GetCurrentFont()
{
    SkinManager* manager = DefaultManager();
    if (!manager || !manager->Active())
        return Font();
    int index = ParentFontIndex(this, -1, manager);
    uint32_t color = index >= 0 ? manager->Section(index).FontColor[0] : manager->GlobalFontColor();
    if (color != MaskKeyColor && color != Font().FontColor())
        Font().SetColor(color);
    return Font();
}

int TsCustomLabel::SectionIndex() const
{
    SkinManager* manager = DefaultManager();
    if (m_skin_section.empty() || !manager || !manager->Active())
        return -1;
    return manager->GetSkinIndex(m_skin_section);
}

void TsCustomLabel::Paint(ui::Canvas& canvas)
{
    SkinManager* manager = DefaultManager();
    const int index = SectionIndex();
    if (!IsDestroying(this) && !g_painting_font) {
        g_painting_font = true;
        GetCurrentFont();
        if (index >= 0) {
            const SectionData& s = manager->Section(index);
            Font().SetColor(m_hot ? s.HotFontColor[0] : s.FontColor[0]);
        }
        g_painting_font = false;
    }
    if (!manager || !manager->Active() || (index <= 0 && Enabled())) {
        ui::Label::Paint(canvas);
        return;
    }
    TacBGQuery query;
    TCacheInfo ci;
    if (Parent()) {
        QueryBgOfControl(query, Parent(), false);
        BgQueryToCacheInfo(query, ci);
    }
    const RECT full{0, 0, Width(), Height()};
    if (index > 0)
        PaintSectionItemDC(index, m_skin_section, ci, true, m_hot ? 1 : 0, Rect{0, 0, Width(), Height()},
                           POINT{Left(), Top()}, canvas.Handle(), manager);
    const core::String text = Caption();
    const UINT flags = DrawFlags();
    RECT r = full;
    canvas.Font().Assign(Font());
    canvas.SetBrushStyle(ui::bsClear);
    if (Layout() != ui::tlTop) {
        RECT calc = r;
        canvas.TextRect(calc, text, flags | DT_CALCRECT);
        r.top += (r.bottom - calc.bottom) / (Layout() == ui::tlCenter ? 2 : 1);
    }
    if (!Enabled()) {
        // Blended into what lies under the label instead of the embossed look.
        const uint32_t under = ci.Ready ? ci.Bmp->PixelColor(std::clamp<int>(ci.X + Left(), 0, ci.Bmp->Width() - 1),
                                                             std::clamp<int>(ci.Y + Top(), 0, ci.Bmp->Height() - 1))
                                        : ci.FillColor;
        canvas.Font().SetColor(BlendColors(ui::ColorToRGB(Font().FontColor()), under, 0.4));
        canvas.TextRect(r, text, flags);
        return;
    }
    // The section's colours with their contours, hot while the mouse is over the label.
    WriteSectionText(canvas, text.c_str(), true, r, flags, index, m_hot, manager);
}

void TsCustomLabel::WndProc(ui::Message& message)
{
    if (message.Msg == ui::CM_FONTCHANGED && !IsDestroying(this)) {
        if (g_painting_font)
            return;
        if (AutoSize())
            AdjustBounds();
        Invalidate();
        return;
    }
    ui::Label::WndProc(message);
    switch (message.Msg) {
    case ui::CM_MOUSEENTER:
    case ui::CM_MOUSELEAVE:
        m_hot = message.Msg == ui::CM_MOUSEENTER;
        if (SectionIndex() >= 0)
            Invalidate();
        break;
    default:
        break;
    }
    if (message.Msg == SM_SKINCMD && SubCodeOf(message.WParam) == scSkinRemoved && !IsDestroying(this) &&
        message.LParam == LPARAM(DefaultManager()))
        Font().SetColor(ui::clWindowText);
}

TsLabel::TsLabel(core::Component* owner) : TsCustomLabel(owner) {}

ui::Font& TsLabel::GetCurrentFont()
{
    if (IsDestroying(this) || !m_use_skin_color)
        return Font();
    return TsCustomLabel::GetCurrentFont();
}

void TsLabel::WndProc(ui::Message& message)
{
    if (message.Msg == SM_SKINCMD && SubCodeOf(message.WParam) == scSkinRemoved) {
        if (!IsDestroying(this) && message.LParam == LPARAM(DefaultManager()) && m_use_skin_color)
            Font().SetColor(ui::clWindowText);
        return;
    }
    TsCustomLabel::WndProc(message);
}

TsEditLabel::TsEditLabel(core::Component* owner, TsBoundLabel* boundStruct) : TsLabel(owner), BoundLabel(boundStruct) {}

TsEditLabel::~TsEditLabel()
{
    if (BoundLabel)
        BoundLabel->LabelDestroyed();
}

ui::Label* MakeEditLabel(ui::Control* owner, TsBoundLabel* bound) { return new TsEditLabel(owner, bound); }

} // namespace skin
