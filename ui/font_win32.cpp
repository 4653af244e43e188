// Fonts: the default is the system's dialog font, so that Chinese text shows in the installed face.
#include "ui/font.h"

#include <cwchar>

namespace ui {
namespace {

int ScreenDpi()
{
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

} // namespace

Font::Font()
{
    LOGFONTW lf{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == sizeof lf) {
        m_name.assign(reinterpret_cast<const core::Char*>(lf.lfFaceName), wcsnlen(lf.lfFaceName, LF_FACESIZE));
        if (lf.lfHeight != 0)
            m_height = lf.lfHeight;
        m_charset = lf.lfCharSet;
    } else {
        m_name = u"Tahoma";
    }
}

Font::Font(const Font& other)
    : m_name(other.m_name), m_height(other.m_height), m_style(other.m_style), m_pitch(other.m_pitch),
      m_color(other.m_color), m_charset(other.m_charset), m_quality(other.m_quality)
{
}

Font& Font::operator=(const Font& other)
{
    Assign(other);
    return *this;
}

Font::~Font() { FreeHandle(); }

void Font::SetName(core::StringView name)
{
    if (name == m_name)
        return;
    m_name = core::String(name);
    Changed();
}

void Font::SetHeight(int height)
{
    if (height == m_height)
        return;
    m_height = height;
    Changed();
}

int Font::Size() const { return -MulDiv(m_height, 72, ScreenDpi()); }

void Font::SetSize(int points) { SetHeight(-MulDiv(points, ScreenDpi(), 72)); }

void Font::SetStyle(FontStyles style)
{
    if (style == m_style)
        return;
    m_style = style;
    Changed();
}

void Font::SetPitch(FontPitch pitch)
{
    if (pitch == m_pitch)
        return;
    m_pitch = pitch;
    Changed();
}

void Font::SetColor(Color color)
{
    if (color == m_color)
        return;
    m_color = color;
    // The colour is not part of the GDI font: only holders need to hear of it.
    if (OnChange)
        OnChange();
}

void Font::SetCharset(BYTE charset)
{
    if (charset == m_charset)
        return;
    m_charset = charset;
    Changed();
}

void Font::SetQuality(BYTE quality)
{
    if (quality == m_quality)
        return;
    m_quality = quality;
    Changed();
}

HFONT Font::Handle() const
{
    if (!m_handle) {
        LOGFONTW lf{};
        lf.lfHeight = m_height;
        lf.lfWeight = (m_style & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (m_style & fsItalic) ? 1 : 0;
        lf.lfUnderline = (m_style & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (m_style & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = m_charset;
        lf.lfQuality = m_quality;
        lf.lfPitchAndFamily = m_pitch == fpVariable ? VARIABLE_PITCH : m_pitch == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
        size_t n = std::min<size_t>(m_name.size(), LF_FACESIZE - 1);
        std::wmemcpy(lf.lfFaceName, reinterpret_cast<const wchar_t*>(m_name.data()), n);
        lf.lfFaceName[n] = 0;
        m_handle = CreateFontIndirectW(&lf);
    }
    return m_handle;
}

void Font::Assign(const Font& other)
{
    if (this == &other || SameAs(other))
        return;
    m_name = other.m_name;
    m_height = other.m_height;
    m_style = other.m_style;
    m_pitch = other.m_pitch;
    m_color = other.m_color;
    m_charset = other.m_charset;
    m_quality = other.m_quality;
    Changed();
}

bool Font::SameAs(const Font& other) const
{
    return m_name == other.m_name && m_height == other.m_height && m_style == other.m_style &&
           m_pitch == other.m_pitch && m_color == other.m_color && m_charset == other.m_charset &&
           m_quality == other.m_quality;
}

void Font::Changed()
{
    FreeHandle();
    if (OnChange)
        OnChange();
}

void Font::FreeHandle() const
{
    if (m_handle) {
        DeleteObject(m_handle);
        m_handle = nullptr;
    }
}

} // namespace ui
