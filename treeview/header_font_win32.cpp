// The header stream's font fields mapped onto the window's header font. The font has no pitch of
// its own, so the view keeps the pitch that was read.
#include "treeview/custom_tree_control.h"

namespace treeview {

THeaderFontRecord TCustomVirtualTreeControl::HeaderFontRecord() const
{
    THeaderFontRecord font = TTreeViewport::HeaderFontRecord();
    font.Color = TColor(m_header_font.FontColor());
    font.Height = m_header_font.Height();
    font.Name = m_header_font.Name();
    font.Style = uint8_t(m_header_font.Style() & 0x0F);
    return font;
}

void TCustomVirtualTreeControl::SetHeaderFontRecord(const THeaderFontRecord& font)
{
    TTreeViewport::SetHeaderFontRecord(font);
    m_header_font.SetColor(ui::Color(font.Color));
    m_header_font.SetHeight(font.Height);
    m_header_font.SetName(font.Name);
    m_header_font.SetStyle(font.Style & 0x0F);
}

} // namespace treeview
