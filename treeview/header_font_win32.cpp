// The header stream's font fields mapped onto the window's header font.
#include "treeview/custom_tree_control.h"

namespace treeview {

THeaderFontRecord TCustomVirtualTreeControl::HeaderFontRecord() const
{
    THeaderFontRecord font = TTreeViewport::HeaderFontRecord();
    font.Color = TColor(m_header_font.FontColor());
    font.Height = m_header_font.Height();
    font.Name = m_header_font.Name();
    font.Pitch = uint8_t(m_header_font.Pitch());
    font.Style = uint8_t(m_header_font.Style() & 0x0F);
    return font;
}

void TCustomVirtualTreeControl::SetHeaderFontRecord(const THeaderFontRecord& font)
{
    TTreeViewport::SetHeaderFontRecord(font);
    m_header_font.SetColor(ui::Color(font.Color));
    m_header_font.SetHeight(font.Height);
    m_header_font.SetName(font.Name);
    // The stream reader has already turned an unknown pitch into the default.
    m_header_font.SetPitch(font.Pitch <= ui::fpFixed ? ui::FontPitch(font.Pitch) : ui::fpDefault);
    m_header_font.SetStyle(font.Style & 0x0F);
}

} // namespace treeview
