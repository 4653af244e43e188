// The skinned frame of a standard dialog or message box: title bar with icon, caption text and
// title buttons, skinned borders, an optional extended border window with shadow, a window region
// cut from the skin's corner masks and a skinned client background. Its measures and title-button
// rules are read from the window's own styles, saved when the dialog is skinned.
#pragma once

#include "skin/engine/skinpaint.h"
#include "skin/windows/borderform.h"
#include "skin/windows/formgeometry.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/titlebuttons.h"

#include <map>
#include <memory>

namespace skin {

class TacProvider;
class TacSystemMenu;

class TacDialogWnd : public TacScrollWnd, public BorderFormOwner {
public:
    TacDialogWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager);
    ~TacDialogWnd() override;

    void Construct(core::StringView section, bool repaint) override;
    void acWndProc(ui::Message& message) override;
    // Gives the window its system-menu style back and takes the region off.
    void RestoreStdParams() override;
    // Saves the styles, classifies the border, reads the title images and takes WS_SYSMENU out.
    void InitParams();
    void UpdateIconsIndexes();

    // ---- Measures ----
    FormFrame Frame() const;
    int CaptionHeight(bool checkSkin) const;
    int HeaderHeight() const;
    int BorderHeight() const;
    int ButtonHeight(int maskIndex) const;
    int SysButtonWidth(const TsCaptionButton& button) const;
    int TitleBtnsWidth() const;
    int OffsetX() const;
    int OffsetY() const;
    Rect ShadowSize() const;
    bool FormActive() const { return FFormActive; }
    bool Minimized() const { return IsIconic(CtrlHandle) != FALSE; }
    bool Maximized() const { return IsZoomed(CtrlHandle) != FALSE; }

    // ---- Title-button rules (on the saved styles) ----
    bool VisibleClose() const { return (dwStyle & WS_SYSMENU) != 0; }
    bool VisibleMax() const { return (dwStyle & WS_MAXIMIZEBOX) != 0; }
    bool VisibleMin() const { return (dwStyle & WS_MINIMIZEBOX) != 0; }
    bool VisibleHelp() const { return (dwExStyle & WS_EX_CONTEXTHELP) != 0; }
    bool VisibleRestore() const { return StandardBorder() && VisibleClose(); }
    bool EnabledClose() const;
    bool EnabledMax() const;
    bool EnabledMin() const { return VisibleMin() && !Minimized(); }
    bool EnabledRestore() const { return VisibleMax() && (Minimized() || Maximized()); }

    // ---- Mouse and hit testing ----
    int HTProcess(ui::Message& message);
    POINT CursorToPoint(int x, int y);
    void SetHotHT(int code, bool repaint) override;
    void SetPressedHT(int code);
    void DropSysMenu(int x, int y);
    void KillAnimations() override {}

    // ---- Painting (dialogpaint_win32.cpp) ----
    void PaintAll() override;
    void PaintCaption(HDC dc);
    void PaintForm(HDC dc);
    void PaintBorderIcons();
    void RepaintButton(int code);
    void PrepareTitleGlyph();
    void MakeTitleBG();
    void PaintTitleIcon();
    void Ac_WMPaint(HDC given);
    void Ac_WMNCPaint();
    void PrepareArOR();
    void ApplyDialogRgn(bool repaint);
    HRGN CreateDialogRgn(int x, int y) const;
    void UpdateExBorders(bool show);

    // ---- BorderFormOwner ----
    HWND OwnerHandle() const override { return CtrlHandle; }
    TsCommonData* OwnerSkinData() const override { return SkinData; }
    FormFrame OwnerFrame() const override { return Frame(); }
    int OwnerCaptionHeight(bool checkSkin) const override { return CaptionHeight(checkSkin); }
    RECT IconRect() const override;
    TitleHitInput TitleButtons() const override;
    ShowCheck CheckShow() const override;
    bool OwnerIsProvider() const override { return false; }

    // ---- Fields ----
    TAOR ArOR;
    int CurrentHT = 0;
    bool FFormActive = true;
    bool FWMPaintForbidden = false;
    int FCaptionSkinIndex = -1;
    bool Initialized = false;
    std::unique_ptr<TacBorderForm> BorderForm;
    TsCaptionButton ButtonMin, ButtonMax, ButtonClose, ButtonHelp;
    std::unique_ptr<ui::Bitmap> TitleGlyph;
    HICON TitleIcon = nullptr;
    HFONT TitleFont = nullptr;
    DWORD dwStyle = 0, dwExStyle = 0;
    bool RgnChanged = true;
    FormBorderKind BorderStyle = FormBorderKind::Single;
    std::unique_ptr<ui::Bitmap> TitleBG;
    std::unique_ptr<ui::Bitmap> TempBmp;
    std::unique_ptr<TacSystemMenu> SystemMenu;
    TacProvider* Provider = nullptr;

private:
    bool StandardBorder() const
    {
        return BorderStyle == FormBorderKind::Single || BorderStyle == FormBorderKind::Sizeable;
    }
    TsCaptionButton* ButtonOfCode(int code);
    void PaintTitle(const Rect& r, int titleBottom, bool exMode);
    void DrawButton(TsCaptionButton& b, int maskIndex, bool enabled);
    int NormMaskIndex() const;
    void Redraw(UINT flags) { RedrawWindow(CtrlHandle, nullptr, nullptr, flags); }
    void PlaceBorder(bool repaint);
    LRESULT LButtonUp(ui::Message& message);
    bool NcMouse(ui::Message& message);
    void SkinCommand(ui::Message& message);
    void InheritedAfter(ui::Message& message);
    std::map<uint32_t, HBRUSH> m_brushes; // WM_CTLCOLORDLG answers, one per colour
};

// Set while a title button is pressed, cleared whenever the hot button changes; set while a dialog
// gives itself a region, cleared at the end of the next non-client paint (all dialogs share them).
bool& DialogButtonPressed();
bool& DialogRegionChanging();

// Excludes the visible direct children of wnd (but group boxes and "static" windows with style bit
// 0x10000) from the clipping of dc, whose origin is at (x, y) of the client.
void ExcludeChildRects(HDC dc, HWND wnd, int x, int y);

} // namespace skin
