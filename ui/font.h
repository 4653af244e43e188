// A font description (name, pixel height, style, colour, character set) that makes its GDI font on
// demand and tells its holder when it changes.
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "ui/color.h"

#include <functional>

namespace ui {

enum FontStyleFlag : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using FontStyles = unsigned;
// Character pitch asked of the font mapper; fpDefault leaves it to the face.
enum FontPitch : BYTE { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

class Font {
public:
    Font();
    Font(const Font& other);
    Font& operator=(const Font& other);
    ~Font();

    // ---- Properties ----
    const core::String& Name() const { return m_name; }
    void SetName(core::StringView name);
    // Character height in pixels (as the platform stores it: negative = character height,
    // positive = cell height).
    int Height() const { return m_height; }
    void SetHeight(int height);
    // Size in points at the screen's resolution.
    int Size() const;
    void SetSize(int points);
    FontStyles Style() const { return m_style; }
    void SetStyle(FontStyles style);
    Color FontColor() const { return m_color; }
    void SetColor(Color color);
    FontPitch Pitch() const { return m_pitch; }
    void SetPitch(FontPitch pitch);
    BYTE Charset() const { return m_charset; }
    void SetCharset(BYTE charset);
    // Output quality of the GDI font (DEFAULT_QUALITY, ANTIALIASED_QUALITY, ...).
    BYTE Quality() const { return m_quality; }
    void SetQuality(BYTE quality);

    // The GDI font; made on first use and kept until the description changes.
    HFONT Handle() const;
    // Copies every property and raises one change.
    void Assign(const Font& other);
    bool SameAs(const Font& other) const;

    // ---- Events ----
    std::function<void()> OnChange;

private:
    void Changed();
    void FreeHandle() const;

    core::String m_name;
    int m_height = -12;
    FontStyles m_style = 0;
    FontPitch m_pitch = fpDefault;
    Color m_color = clWindowText;
    BYTE m_charset = DEFAULT_CHARSET;
    BYTE m_quality = DEFAULT_QUALITY;
    mutable HFONT m_handle = nullptr;
};

} // namespace ui
