#include "skin/windows/formgeometry.h"

#include <algorithm>
#include <cstdlib>

namespace skin {

int SysBorderWidth(const FormFrame& f, bool useEx)
{
    if (useEx && f.ExBorders && f.Ex.BorderWidth != 0)
        return f.Ex.BorderWidth;
    if (f.ThickFrame)
        return f.Sys.cxFrame;
    if (f.Border)
        return f.Sys.cxDlgFrame;
    return 0;
}

int PlainBorderWidth(const FormFrame& f, bool useEx) { return f.ExBorders ? 0 : SysBorderWidth(f, useEx); }

int ExTitleHeightOf(const FormFrame& f) { return f.ExBorders ? f.Ex.TitleHeight : 0; }

int ExBorderWidthOf(const FormFrame& f) { return f.ExBorders ? f.Ex.BorderWidth : 0; }

int ExTitleExtra(const FormFrame& f)
{
    if (!f.ExBorders)
        return 0;
    return CaptionHeight(f, true) - CaptionHeight(f, false) - SysBorderWidth(f, false);
}

int ExBorderExtra(const FormFrame& f)
{
    if (!f.ExBorders)
        return 0;
    return SysBorderWidth(f, true) - SysBorderWidth(f, false);
}

bool HasSkinnedBorder(const FormFrame& f) { return !(f.BorderStyle == FormBorderKind::None && !f.MDIChild); }

static bool IsToolWindow(const FormFrame& f)
{
    return f.BorderStyle == FormBorderKind::ToolWindow || f.BorderStyle == FormBorderKind::SizeToolWin;
}

int CaptionHeight(const FormFrame& f, bool checkSkin)
{
    if (!f.Iconic && (!HasSkinnedBorder(f) || !f.Caption))
        return 0;
    int e = checkSkin ? ExTitleHeightOf(f) : 0;
    int sys = IsToolWindow(f) ? f.Sys.cySmCaption : f.Sys.cyCaption;
    if (f.SysExHeight)
        return std::max(e, sys + 4);
    return e != 0 ? e : sys;
}

int BorderWidth(const FormFrame& f, bool checkSkin) { return SysBorderWidth(f, checkSkin) + f.FormBorderWidth; }

int BorderHeight(const FormFrame& f, bool checkSkin) { return PlainBorderWidth(f, checkSkin) + f.FormBorderWidth; }

int MenuHeight(const FormFrame& f) { return f.HasMenu ? f.Sys.cyMenu - 1 : 0; }

int HeaderHeight(const FormFrame& f)
{
    int h;
    if (f.ExBorders)
        h = CaptionHeight(f, true);
    else if (CaptionHeight(f, true) != 0)
        h = f.WindowHeight - f.ClientHeight - BorderHeight(f, true);
    else
        h = f.WindowHeight - f.ClientHeight - (f.Border ? BorderHeight(f, true) : 0);
    h = std::max(h, 0);
    if (f.Iconic)
        h += PlainBorderWidth(f, false);
    return h - f.HScrollHeight;
}

Rect ShadowSize(const FormFrame& f) { return f.ExBorders ? f.Shadow : Rect{}; }

int CaptionWidth(const FormFrame& f)
{
    Rect s = ShadowSize(f);
    int w = f.Iconic ? f.WindowWidth : f.WindowWidth + (f.ExBorders ? 2 * ExBorderExtra(f) : 0);
    return w + s.Left + s.Right;
}

int OffsetX(const FormFrame& f)
{
    if (f.ExBorders)
        return BorderWidth(f, true) + ShadowSize(f).Left;
    return (f.WindowWidth - f.ClientWidth - f.VScrollWidth) / 2;
}

int OffsetY(const FormFrame& f)
{
    if (f.ExBorders)
        return CaptionHeight(f, true) + (f.HasMenu ? f.MenuLines : 0) * MenuHeight(f) + f.FormBorderWidth +
               ShadowSize(f).Top;
    return f.WindowHeight - f.ClientHeight - (f.Border ? BorderWidth(f, true) : 0) - f.HScrollHeight;
}

bool IsStandardCaption(const FormFrame& f)
{
    return f.BorderStyle == FormBorderKind::Single || f.BorderStyle == FormBorderKind::Sizeable;
}

int IconSizeFor(int height)
{
    if (height >= -100 && height <= 8)
        return 1;
    if (height >= 9 && height <= 16)
        return 8;
    return 16;
}

Rect TitleIconRect(const FormFrame& f, int iconWidth, int iconHeight, int biLeftMargin)
{
    Rect s = ShadowSize(f);
    Rect r;
    r.Left = SysBorderWidth(f, true) + biLeftMargin + s.Left;
    r.Right = r.Left + iconWidth;
    r.Top = s.Top + SysBorderWidth(f, false) / 2;
    r.Top += (PlainBorderWidth(f, false) + CaptionHeight(f, true) + s.Top - r.Top - iconHeight) / 2;
    if (f.ExBorders) {
        r.Top += f.Ex.CenterOffs;
        if (f.Zoomed && f.Ex.TitleHeight != f.Ex.MaxHeight)
            r.Top += (f.Ex.TitleHeight - f.Ex.MaxHeight) / 2 - 2;
    }
    r.Bottom = r.Top + iconHeight;
    return r;
}

GridPoint GripPosition(const FormFrame& f, int cacheWidth, int cacheHeight, int imageWidth, int imageHeight)
{
    Rect s = ShadowSize(f);
    return {cacheWidth - imageWidth - SysBorderWidth(f, true) - s.Right - 1,
            cacheHeight - imageHeight - SysBorderWidth(f, true) - s.Bottom - 1};
}

int CaptionButtonHeight(const ButtonMaskInfo& m)
{
    if (!m.Valid)
        return 21;
    if (m.OwnBitmap)
        return m.BitmapHeight / 2;
    return m.RHeight / (m.MaskType + 1);
}

int CaptionButtonWidth(const ButtonMaskInfo& m)
{
    if (!m.Valid)
        return 21;
    if (m.OwnBitmap)
        return m.BitmapWidth / std::max(1, m.ImageCount);
    return m.ImageWidth;
}

int ExtraButtonWidth(int glyphWidth, const ButtonMaskInfo& titleButtonMask)
{
    int glyph = glyphWidth > 0 ? glyphWidth + 2 : 0;
    int mask = titleButtonMask.Valid ? titleButtonMask.ImageWidth : 21;
    return std::max(glyph, mask);
}

int CaptionButtonTop(const FormFrame& f, bool haveAlignment, int buttonHeight, const ButtonPlacing& p)
{
    Rect s = ShadowSize(f);
    bool ex = f.ExBorders;
    if (haveAlignment && p.VAlign == 1) {
        int top = s.Top;
        if (f.Zoomed) {
            top += PlainBorderWidth(f, false) - 1;
            if (ex && f.Ex.TitleHeight != f.Ex.MaxHeight)
                top += f.Ex.TitleHeight - f.Ex.MaxHeight;
            if (ex && f.Ex.DrawMode == 1)
                top += f.Ex.CenterOffs;
        }
        return top;
    }
    int top = (PlainBorderWidth(f, true) + CaptionHeight(f, true) - buttonHeight) / 2 + s.Top;
    if (ex && f.Ex.DrawMode == 1)
        top += f.Ex.CenterOffs;
    if (f.Zoomed) {
        if (ex) {
            top -= 2;
            if (f.Ex.TitleHeight != f.Ex.MaxHeight)
                top += (f.Ex.TitleHeight - f.Ex.MaxHeight - f.Ex.CenterOffs) / 2 - 2;
            top += SysBorderWidth(f, false) / 2;
        }
    }
    if (IsStandardCaption(f) && buttonHeight < 16)
        top += 2;
    return top;
}

void LayoutCaptionButtons(const FormFrame& f, const ButtonPlacing& p, int buttonHeight, bool haveAlignment,
                          bool closeVisible, CaptionButtonSlot (&sys)[4], std::vector<CaptionButtonSlot>& user)
{
    int x = CaptionWidth(f) - p.RightMargin - ShadowSize(f).Right - SysBorderWidth(f, true);
    int sp = IsStandardCaption(f) ? p.Spacing : 0;
    int top = CaptionButtonTop(f, haveAlignment, buttonHeight, p);
    auto place = [&](CaptionButtonSlot& b) {
        b.Box = Rect{x - b.Width, top, x, top + buttonHeight};
        x = b.Box.Left - sp;
    };
    for (CaptionButtonSlot& b : sys)
        b.Box = Rect{};
    if (closeVisible) {
        for (CaptionButtonSlot& b : sys)
            if (b.Visible)
                place(b);
    }
    if (!user.empty()) {
        x -= 8;
        for (CaptionButtonSlot& b : user) {
            b.Box = Rect{};
            if (b.Visible)
                place(b);
        }
    }
}

static bool Holds(const Rect& r, GridPoint p)
{
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

// The code a system button answers. Decided by the button itself rather than by its slot count:
// with the max button hidden the help button moves into the min button's slot.
enum class SysButton { Close, Max, Min, Help };
static int SysButtonCode(const FormFrame& f, const FormButtonRules& r, SysButton b)
{
    switch (b) {
    case SysButton::Close:
        return htClose;
    case SysButton::Max:
        return !r.EnabledMax() && (!r.EnabledRestore() || f.Iconic) ? htCaption : htMaxButton;
    case SysButton::Min:
        return f.Iconic || r.EnabledMin() ? htMinButton : htCaption;
    case SysButton::Help:
        return htHelp;
    }
    return htClient;
}

int TitleHitTest(const FormFrame& f, const TitleHitInput& in)
{
    const GridPoint p = in.P;
    if (!f.ExBorders) {
        // Buttons in the order they are laid out from the right; a point on two counts for the first.
        const FormButtonRules& r = in.Rules;
        if (r.VisibleClose()) {
            const std::pair<const Rect*, SysButton> sys[] = {
                {r.VisibleMax() ? &in.Max : nullptr, SysButton::Max},
                {r.VisibleMin() || f.Iconic ? &in.Min : nullptr, SysButton::Min},
                {r.IconHelp ? &in.Help : nullptr, SysButton::Help},
            };
            if (Holds(in.Close, p))
                return htClose;
            for (const auto& [rect, kind] : sys)
                if (rect && Holds(*rect, p))
                    return SysButtonCode(f, r, kind);
        }
        for (size_t i = 0; i < in.UserButtons.size(); ++i) {
            const auto& u = in.UserButtons[i];
            if (u.Visible && Holds(u.Box, p)) {
                if (u.Enabled)
                    return htUserButton + int(i);
                break;
            }
        }
    }
    if (!f.Zoomed && f.ThickFrame && !f.ExBorders) {
        int b = PlainBorderWidth(f, true);
        int code = 0;
        if (p.Y > f.WindowHeight - b)
            code = htBottom;
        else if (p.Y < PlainBorderWidth(f, false))
            code = htTop;
        if (p.X < b)
            code = code == htTop ? htTopLeft : code == htBottom ? htBottomLeft : htLeft;
        else if (p.X > f.WindowWidth - b)
            code = code == htTop ? htTopRight : code == htBottom ? htBottomRight : htRight;
        if (code != 0)
            return code;
    }
    int c0 = CaptionHeight(f, false);
    int plainTrue = PlainBorderWidth(f, true), plainFalse = PlainBorderWidth(f, false);
    if (p.Y >= 0 && p.Y <= c0 + plainTrue) {
        if (f.HasMenu && p.Y >= plainFalse + c0 && p.Y <= plainFalse + c0 + MenuHeight(f))
            return htMenu;
        return Holds(in.IconRect, p) ? htSysMenu : htCaption;
    }
    if (p.Y > c0 + plainTrue + MenuHeight(f)) {
        if ((in.GripShowing || in.ScrollCorner) && in.GripMaskValid) {
            GridPoint g = in.Grip;
            if (f.ExBorders) {
                g.X -= ExBorderExtra(f) + ShadowSize(f).Left;
                g.Y -= ExTitleExtra(f) + ShadowSize(f).Top;
            }
            if (p.X > g.X && p.Y > g.Y)
                return htBottomRight;
        }
        return htClient;
    }
    return htMenu;
}

MaxInfo MaximizedSize(const FormFrame& f, bool, const Rect& w)
{
    int a = SysBorderWidth(f, false);
    int b = 0;
    if (f.Caption) {
        int c1 = CaptionHeight(f, true), c0 = CaptionHeight(f, false);
        b = c1 > c0 + a ? c1 - c0 - a : a;
    }
    int e = f.Ex.TitleHeight == f.Ex.MaxHeight ? 0 : f.Ex.TitleHeight - f.Ex.MaxHeight + f.Ex.CenterOffs;
    if (!f.ExBorders)
        e = 0;
    MaxInfo m;
    m.MaxPositionY = b - a - e;
    m.MaxWidth = RectWidth(w) + 2 * a;
    m.MaxHeight = RectHeight(w) + 2 * a - b + e;
    return m;
}

int SnapCoord(int coord, int size, int edge, int buffer)
{
    if (std::abs(coord + size - edge) < buffer)
        return edge - size;
    return coord;
}

GridPoint SnapPosition(const FormFrame& f, int x, int y, int width, int height, const Rect& w, int buffer)
{
    int extra = ExBorderExtra(f);
    x = SnapCoord(x, extra + width, w.Right, buffer);
    y = SnapCoord(y, extra + height, w.Bottom, buffer);
    x = SnapCoord(x, -extra, w.Left, buffer);
    y = SnapCoord(y, -ExTitleExtra(f), w.Top, buffer);
    return {x, y};
}

void BorderTrackBegin(BorderTrack& t, bool moving, int hitCode, const Rect& form, int minWidth, int minHeight,
                      GridPoint cursor)
{
    t.Moving = moving;
    t.HitCode = hitCode;
    t.FirstMove = true;
    t.Form = form;
    t.Track = form;
    t.MinWidth = minWidth;
    t.MinHeight = minHeight;
    t.Last = cursor;
}

void BorderTrackMove(BorderTrack& t, GridPoint p)
{
    if (t.Moving) {
        t.FirstMove = false;
        int dx = p.X - t.Last.X, dy = p.Y - t.Last.Y;
        t.Track.Left += dx;
        t.Track.Right += dx;
        t.Track.Top += dy;
        t.Track.Bottom += dy;
        t.Last = p;
        return;
    }
    if (t.FirstMove) {
        t.Last = p;
        t.FirstMove = false;
    }
    int ht = t.HitCode;
    const Rect& f = t.Form;
    bool top = ht == htTop || ht == htTopLeft || ht == htTopRight;
    bool left = ht == htLeft || ht == htTopLeft || ht == htBottomLeft;
    bool right = !(ht == htTop || ht == htBottom || ht == htLeft || ht == htTopLeft || ht == htBottomLeft);
    if (top) {
        t.Track.Top = p.Y + f.Top - t.Last.Y;
        if (t.Track.Bottom - t.Track.Top < t.MinHeight)
            t.Track.Top = t.Track.Bottom - t.MinHeight;
    } else if (ht != htLeft && ht != htRight) {
        t.Track.Bottom = p.Y + f.Bottom - t.Last.Y;
        if (t.Track.Bottom - t.Track.Top < t.MinHeight)
            t.Track.Bottom = f.Top + t.MinHeight;
    }
    if (left) {
        t.Track.Left = p.X + f.Left - t.Last.X;
        if (t.Track.Right - t.Track.Left < t.MinWidth)
            t.Track.Left = t.Track.Right - t.MinWidth;
    } else if (right) {
        t.Track.Right = p.X + f.Right - t.Last.X;
        if (t.Track.Right - t.Track.Left < t.MinWidth)
            t.Track.Right = f.Left + t.MinWidth;
    }
}

bool BorderTrackResult(const BorderTrack& t, Rect& result)
{
    if (t.Moving) {
        result = Rect{t.Track.Left, t.Track.Top, t.Track.Left + RectWidth(t.Form), t.Track.Top + RectHeight(t.Form)};
        return result != t.Form;
    }
    if (t.FirstMove)
        return false;
    result = t.Track;
    return true;
}

} // namespace skin
