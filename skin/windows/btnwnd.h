// Wrappers of the button family: TacBtnWnd paints a push button, TacBitBtnWnd a push button with a
// glyph (its control's "Glyph", "NumGlyphs", "Layout", "Margin" and "Spacing" read by name), and
// TacCheckBoxWnd check boxes and radio buttons with the check glyphs of the skin's global section.
// Each paints the whole window into the cache of its skin state and copies the cache to the window;
// the window's own painting never runs while the skin is active.
#pragma once

#include "skin/windows/mainwnd.h"

namespace skin {

class TacBtnWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacBtnWnd() override { Unhook(); }

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;

    // 0 normal, 1 hot (focused, active or default), 2 pressed.
    int CurrentState();
    bool Down() const;
    DWORD CtrlStyle() const { return DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE)); }

    // ---- Painting steps, in dispatch order ----
    virtual void DrawCaption();
    virtual void DrawGlyph() {}
    virtual SIZE GlyphSize() { return {0, 0}; }
    virtual void DoDrawText(RECT rect, UINT flags);
    virtual RECT CaptionRect();
    virtual int MaxCaptionWidth();
    virtual SIZE TextRectSize();
    virtual void PrepareCache();

protected:
    void AC_WMPaint(WPARAM dc);
    // Passes the message on with the window's redraw off, then repaints the face.
    void PassQuietlyAndRepaint(ui::Message& message);
    // The caption is drawn word-broken unless the button is multi-line.
    UINT WordBreakFlag() const { return (CtrlStyle() & BS_MULTILINE) ? 0 : DT_WORDBREAK; }
    TCacheInfo m_parent_bg;
};

class TacBitBtnWnd : public TacBtnWnd {
public:
    using TacBtnWnd::TacBtnWnd;
    ~TacBitBtnWnd() override { Unhook(); }

    HBITMAP hBmp = nullptr; // kept for callers that look at it
    HICON hIco = nullptr;

    void DrawGlyph() override;
    SIZE GlyphSize() override;
    RECT CaptionRect() override;
    int MaxCaptionWidth() override;
    RECT GlyphRect();

private:
    ui::Bitmap* Glyph() const;
    int NumGlyphs() const;
};

class TacCheckBoxWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacCheckBoxWnd() override { Unhook(); }

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;

    enum CheckState { cbUnchecked, cbChecked, cbGrayed };
    CheckState State() const;
    // The glyph's state: 2 pushed, 1 focused or active, else 0.
    int CtlState() const;
    // The mask of "GLOBALINFO" for the state and the window's button type; -1 when missing.
    int GlyphMaskIndex(CheckState state) const;
    int SkinGlyphWidth(int i) const;
    int SkinGlyphHeight(int i) const;
    RECT SkinCheckRect(int i) const;
    RECT CheckRect() const;

private:
    void AC_WMPaint(WPARAM dc);
    void PrepareCache();
    void DrawCheckText();
    void DrawSkinGlyph(int i);
    void PassQuietlyAndRepaint(ui::Message& message);
    DWORD m_painted_style = 0; // the style of the box being painted
};

} // namespace skin
