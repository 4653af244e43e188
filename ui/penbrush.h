// Pen and brush descriptions that make their GDI objects on demand and tell their holder when they
// change (the handle is dropped then and made again at the next use).
#pragma once

#include "core/win32.h"
#include "ui/color.h"

#include <functional>

namespace ui {

enum PenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Raster operations of the pen (the platform's R2_* codes).
enum PenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
               pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };
enum BrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class Pen {
public:
    Pen() = default;
    Pen(const Pen& other) : m_color(other.m_color), m_width(other.m_width), m_style(other.m_style), m_mode(other.m_mode) {}
    Pen& operator=(const Pen& other);
    ~Pen() { FreeHandle(); }

    // ---- Properties ----
    Color GetColor() const { return m_color; }
    void SetColor(Color color);
    int Width() const { return m_width; }
    // Widths below 1 are taken as 1.
    void SetWidth(int width);
    PenStyle Style() const { return m_style; }
    void SetStyle(PenStyle style);
    PenMode Mode() const { return m_mode; }
    void SetMode(PenMode mode);
    // The platform's binary raster code of Mode (R2_*).
    int Rop2() const;
    HPEN Handle() const;

    // ---- Events ----
    std::function<void()> OnChange;

private:
    void Changed();
    void FreeHandle() const;

    Color m_color = clBlack;
    int m_width = 1;
    PenStyle m_style = psSolid;
    PenMode m_mode = pmCopy;
    mutable HPEN m_handle = nullptr;
};

class Brush {
public:
    Brush() = default;
    Brush(const Brush& other) : m_color(other.m_color), m_style(other.m_style) {}
    Brush& operator=(const Brush& other);
    ~Brush() { FreeHandle(); }

    // ---- Properties ----
    Color GetColor() const { return m_color; }
    // Setting a colour makes a clear brush solid again.
    void SetColor(Color color);
    BrushStyle Style() const { return m_style; }
    void SetStyle(BrushStyle style);
    // The stock null brush for bsClear.
    HBRUSH Handle() const;

    // ---- Events ----
    std::function<void()> OnChange;

private:
    void Changed();
    void FreeHandle() const;

    Color m_color = clWhite;
    BrushStyle m_style = bsSolid;
    mutable HBRUSH m_handle = nullptr;
};

} // namespace ui
