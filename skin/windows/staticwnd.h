// Wrappers of the passive windows of skinned dialogs: TacStaticWnd paints static text over the skin,
// TacLinkWnd a link window's text without its "<A>" tags in the underlined message font,
// TacIconWnd a static that shows an icon or a bitmap, and TacSizerWnd the size grip with the skin's
// grip image.
#pragma once

#include "skin/windows/mainwnd.h"

namespace skin {

class TacStaticWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacStaticWnd() override { Unhook(); }

    void acWndProc(ui::Message& message) override;
    // Writes the window's content into the cache over the painted skin item.
    virtual void PaintText();

protected:
    // WM_MOVE, WM_ENABLE, WM_SETTEXT, WM_PAINT, WM_ERASEBKGND and WM_NCPAINT; false for the rest.
    bool HandlePaintMessage(ui::Message& message);
    void AC_WMPaint(HDC dc);
};

class TacLinkWnd : public TacStaticWnd {
public:
    using TacStaticWnd::TacStaticWnd;
    ~TacLinkWnd() override;

    void acWndProc(ui::Message& message) override;
    void PaintText() override;
    // The text with every "<A>" and "</A>" taken out.
    static core::String PlainText(core::StringView text);
    HFONT LinkFont() const { return m_font; }

private:
    HFONT m_font = nullptr; // the underlined message font, made at the first paint
};

class TacIconWnd : public TacStaticWnd {
public:
    using TacStaticWnd::TacStaticWnd;
    ~TacIconWnd() override;

    bool IsBmp = false;
    std::unique_ptr<ui::Bitmap> FBmp; // the window's image, made at the first paint

    void Construct(core::StringView section, bool repaint) override;
    void PaintText() override;
};

class TacSizerWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacSizerWnd() override { Unhook(); }

    void acWndProc(ui::Message& message) override;

private:
    void AC_WMPaint();
};

} // namespace skin
