// Geometry of a skinned form, free of the platform: the caption height, border widths and offsets of
// the client area inside the form image, the caption-button sizes and places, the title hit test,
// the maximised size, screen snapping and the outline that the border resize mode drags. The form
// keeps the system's frame metrics; the skin can raise the title, widen the borders and add a shadow
// (extended borders). The Win32 side fills a FormFrame from the window, the system metrics and the
// skin and asks these functions.
#pragma once

#include "skin/engine/utils.h"

#include <vector>

namespace skin {

// Border styles in the order of the class library's form.
enum class FormBorderKind { None, Single, Sizeable, Dialog, ToolWindow, SizeToolWin };

// Hit codes: the system's, three of the MDI child buttons and 1000 + i for user title button i.
enum HitCode : int {
    htNoWhere = 0, htClient = 1, htCaption = 2, htSysMenu = 3, htMenu = 5, htMinButton = 8,
    htMaxButton = 9, htLeft = 10, htRight = 11, htTop = 12, htTopLeft = 13, htTopRight = 14,
    htBottom = 15, htBottomLeft = 16, htBottomRight = 17, htClose = 20, htHelp = 21,
    htMDIClose = 101, htMDIRestore = 102, htMDIMinimize = 103, htUserButton = 1000,
};
inline bool IsSizingCode(int code) { return code >= htLeft && code <= htBottomRight; }

struct SystemFrameMetrics {
    int cxFrame = 4, cxDlgFrame = 3, cyCaption = 19, cySmCaption = 15, cyMenu = 19;
};

// The skin's extended-border values (the "GLOBALINFO" record).
struct ExBorderValues {
    int BorderWidth = 0, TitleHeight = 0, MaxHeight = 0, ContentOffs = 0, CenterOffs = 0, DrawMode = 0;
};

// What the measures read of a form.
struct FormFrame {
    FormBorderKind BorderStyle = FormBorderKind::Sizeable;
    bool ThickFrame = true;  // WS_THICKFRAME
    bool Border = true;      // WS_BORDER
    bool Caption = true;     // WS_CAPTION
    bool Iconic = false, Zoomed = false, MDIChild = false;
    int FormBorderWidth = 0; // the form's BorderWidth property
    int WindowWidth = 0, WindowHeight = 0, ClientWidth = 0, ClientHeight = 0;
    bool HasMenu = false;
    int MenuLines = 1;
    SystemFrameMetrics Sys;
    bool ExBorders = false;  // an extended border window exists
    ExBorderValues Ex;
    Rect Shadow;             // the manager's form shadow size (applies with extended borders)
    bool SysExHeight = false;
    int VScrollWidth = 0, HScrollHeight = 0; // visible skinned scroll bars of the form's wrapper
};

int SysBorderWidth(const FormFrame& f, bool useEx);
int PlainBorderWidth(const FormFrame& f, bool useEx);
int ExTitleHeightOf(const FormFrame& f);
int ExBorderWidthOf(const FormFrame& f);
int ExTitleExtra(const FormFrame& f);
int ExBorderExtra(const FormFrame& f);
// BorderStyle bsNone (and not an MDI child) has no skinned border.
bool HasSkinnedBorder(const FormFrame& f);
int CaptionHeight(const FormFrame& f, bool checkSkin);
int BorderWidth(const FormFrame& f, bool checkSkin);
int BorderHeight(const FormFrame& f, bool checkSkin);
int MenuHeight(const FormFrame& f);
int HeaderHeight(const FormFrame& f);
Rect ShadowSize(const FormFrame& f);
int CaptionWidth(const FormFrame& f);
int OffsetX(const FormFrame& f);
int OffsetY(const FormFrame& f);
bool IsStandardCaption(const FormFrame& f);
int IconSizeFor(int height);
Rect TitleIconRect(const FormFrame& f, int iconWidth, int iconHeight, int biLeftMargin);
// Top-left of a grip image of the given size at the bottom right of the cache.
struct GridPoint {
    int X = 0, Y = 0;
    bool operator==(const GridPoint&) const = default;
};
GridPoint GripPosition(const FormFrame& f, int cacheWidth, int cacheHeight, int imageWidth, int imageHeight);

// ---- Caption buttons ----
// What the button sizes read of a mask.
struct ButtonMaskInfo {
    bool Valid = false;
    bool OwnBitmap = false; // the mask has a bitmap of its own
    int BitmapWidth = 0, BitmapHeight = 0;
    int ImageWidth = 0;     // width of one state image in the master bitmap
    int RHeight = 0, ImageCount = 1, MaskType = 0;
};
int CaptionButtonHeight(const ButtonMaskInfo& closeMask);
int CaptionButtonWidth(const ButtonMaskInfo& mask);
int ExtraButtonWidth(int glyphWidth, const ButtonMaskInfo& titleButtonMask);

// The skin's title-button placing values.
struct ButtonPlacing {
    int Spacing = 0, VAlign = 0, RightMargin = 0, LeftMargin = 0;
};
// Top of a caption button of height buttonHeight.
int CaptionButtonTop(const FormFrame& f, bool haveAlignment, int buttonHeight, const ButtonPlacing& p);

// One caption button to place, right to left.
struct CaptionButtonSlot {
    bool Visible = false;
    int Width = 0;
    Rect Box;   // out, in form-image coordinates
};
// Places close, max, min and help (in that order, slots[0..3]) and then the user buttons from the
// right edge of the caption; closeVisible false leaves the system buttons out.
void LayoutCaptionButtons(const FormFrame& f, const ButtonPlacing& p, int buttonHeight, bool haveAlignment,
                          bool closeVisible, CaptionButtonSlot (&sys)[4], std::vector<CaptionButtonSlot>& user);

// Visibility and enabling of the title buttons and system-menu items of a form.
struct FormButtonRules {
    bool HaveSysMenu = true; // the provider took the system menu over
    FormBorderKind BorderStyle = FormBorderKind::Sizeable;
    bool MDIChild = false;
    bool Minimized = false, Maximized = false;
    bool IconMinimize = true, IconMaximize = true, IconHelp = false;

    bool VisibleClose() const { return HaveSysMenu; }
    bool StandardBorder() const
    {
        return BorderStyle == FormBorderKind::Single || BorderStyle == FormBorderKind::Sizeable;
    }
    bool VisibleMax() const { return VisibleClose() && (Minimized || MDIChild || (StandardBorder() && IconMaximize)); }
    bool VisibleMin() const { return VisibleClose() && (Minimized || MDIChild || (StandardBorder() && IconMinimize)); }
    bool VisibleRestore() const { return VisibleClose() && (MDIChild || StandardBorder()); }
    bool VisibleSize() const
    {
        return MDIChild || !(BorderStyle == FormBorderKind::None || BorderStyle == FormBorderKind::Dialog ||
                             BorderStyle == FormBorderKind::ToolWindow);
    }
    bool EnabledMax() const { return IconMaximize && (MDIChild || (!Maximized && StandardBorder())); }
    bool EnabledMin() const { return IconMinimize && !Minimized; }
    bool EnabledRestore() const { return (IconMaximize && (Minimized || Maximized)) || Minimized; }
    bool EnabledMove() const { return !Maximized; }
    bool EnabledSize() const { return BorderStyle != FormBorderKind::Single && !Minimized; }
};

// ---- Hit test ----
struct TitleHitInput {
    GridPoint P;                      // in form coordinates
    FormButtonRules Rules;
    Rect Close, Max, Min, Help;       // system buttons (close, max, min, help order)
    struct User {
        Rect Box;
        bool Visible = true, Enabled = true;
    };
    std::vector<User> UserButtons;
    Rect IconRect;
    bool GripShowing = false;         // gmRightBottom, not maximised, thick frame
    bool ScrollCorner = false;        // P lies in the square between both skinned scroll bars
    bool GripMaskValid = false;
    GridPoint Grip;                   // GripPosition of the grip image
};
int TitleHitTest(const FormFrame& f, const TitleHitInput& in);

// ---- Maximised size ----
struct MaxInfo {
    int MaxPositionY = 0, MaxWidth = 0, MaxHeight = 0;
};
MaxInfo MaximizedSize(const FormFrame& f, bool checkSkinCaption, const Rect& workArea);

// ---- Snapping ----
int SnapCoord(int coord, int size, int edge, int buffer);
// Snaps a new window position against the work area (x and y of 0 are left alone by the caller).
GridPoint SnapPosition(const FormFrame& f, int x, int y, int width, int height, const Rect& workArea, int buffer);

// ---- Border resize mode ----
// The outline dragged in rmBorder mode: moving keeps the size, sizing moves the edges that the hit
// code names and keeps the minimum size.
struct BorderTrack {
    bool Moving = true;
    bool FirstMove = true;
    int HitCode = 0;
    int MinWidth = 0, MinHeight = 0;
    Rect Track;           // the outline in screen coordinates
    Rect Form;            // the form's rectangle when the drag started
    GridPoint Last;       // last cursor position
};
void BorderTrackBegin(BorderTrack& t, bool moving, int hitCode, const Rect& form, int minWidth, int minHeight,
                      GridPoint cursor);
void BorderTrackMove(BorderTrack& t, GridPoint cursor);
// The rectangle the form ends in; false when nothing changes (sizing without any move).
bool BorderTrackResult(const BorderTrack& t, Rect& result);

} // namespace skin
