// Gradients on bitmaps: the band modes through the pixel painter, the triangles through the
// system's gradient fill, bound by name when the engine starts.
#include "skin/engine/gradient.h"

#include "skin/engine/graphutils.h"

#include <algorithm>

namespace skin {
namespace {

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

struct GradientBinding {
    HMODULE library = nullptr;
    GradientFillProc fill = nullptr;
};

GradientBinding& Binding()
{
    static GradientBinding binding;
    return binding;
}

TRIVERTEX Vertex(int x, int y, uint32_t color)
{
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = COLOR16((color & 0xFF) << 8);
    v.Green = COLOR16((color >> 8 & 0xFF) << 8);
    v.Blue = COLOR16((color >> 16 & 0xFF) << 8);
    v.Alpha = 0;
    return v;
}

} // namespace

void BindGradientFill()
{
    GradientBinding& b = Binding();
    if (b.library)
        return;
    b.library = LoadLibraryW(L"msimg32.dll");
    if (b.library)
        b.fill = reinterpret_cast<GradientFillProc>(reinterpret_cast<void*>(GetProcAddress(b.library, "GradientFill")));
}

void ReleaseGradientFill()
{
    GradientBinding& b = Binding();
    b.fill = nullptr;
    if (b.library)
        FreeLibrary(b.library);
    b.library = nullptr;
}

void PaintGradient(ui::Bitmap* bmp, const Rect& rect, const TsGradArray& data, int offsetX, int offsetY)
{
    if (!bmp || bmp->Empty() || data.empty())
        return;
    if (data[0].Mode1 != 2) {
        PaintGradientPixels(bmp->Pixels(), rect, data, offsetX, offsetY);
        return;
    }
    Rect r = rect;
    r.Right = std::min(r.Right, bmp->Width());
    r.Bottom = std::min(r.Bottom, bmp->Height());
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    GradientFillProc fill = Binding().fill;
    if (!fill || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    // Corners and centre; a missing piece repeats the colour before it.
    uint32_t colors[5];
    for (size_t i = 0; i < 5; ++i)
        colors[i] = i < data.size() ? data[i].Color1 : colors[i - 1];
    TRIVERTEX v[5] = {Vertex(r.Left, r.Top, colors[0]),
                      Vertex(r.Left + RectWidth(r) / 2, r.Top + RectHeight(r) / 2, colors[1]),
                      Vertex(r.Right, r.Top, colors[2]), Vertex(r.Right, r.Bottom, colors[3]),
                      Vertex(r.Left, r.Bottom, colors[4])};
    GRADIENT_TRIANGLE t[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
    fill(bmp->Canvas().Handle(), v, 5, t, 4, GRADIENT_FILL_TRIANGLE);
    GdiFlush();
}

} // namespace skin
