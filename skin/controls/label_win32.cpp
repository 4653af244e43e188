// Skinned labels.
#include "skin/controls/label.h"

#include "ui/wincontrol.h"

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

void TsCustomLabel::Paint(ui::Canvas& canvas)
{
    if (!IsDestroying(this) && !g_painting_font) {
        g_painting_font = true;
        GetCurrentFont();
        g_painting_font = false;
    }
    // FIXME: a section painted under the text needs the engine's section painter; it is reached
    // only with an active skin.
    ui::Label::Paint(canvas);
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
