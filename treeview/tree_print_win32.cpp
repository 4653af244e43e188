// Printing the tree: the whole content (and the header) on white in antialiased text, cut into pages of the printer's
// size at the scale that makes the tree's font as tall on paper as on the screen. Each page's part
// is painted straight into a page bitmap, so any tree prints in memory bounded by one page.
#include "treeview/custom_tree_control.h"

#include <cmath>

namespace treeview {
namespace {

// The height of "Tj" in a font on a device context.
int TextHeightOn(HDC dc, HFONT font)
{
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, L"Tj", 2, &size);
    SelectObject(dc, old);
    return size.cy;
}

} // namespace

void TCustomVirtualTreeControl::Print(ui::Printer* printer, bool printHeader)
{
    if (!printer)
        return;
    BeginUpdate();
    struct EndUpdateGuard {
        TCustomVirtualTreeControl& tree;
        ~EndUpdateGuard() { tree.EndUpdate(); }
    } endUpdate{*this};

    const bool withHeader = printHeader && (Header().Options() & hoVisible);
    const int headerHeight = withHeader ? Header().Height() : 0;
    const int imageWidth = std::max<int>(int(RangeX()), 1);
    const int imageHeight = std::max<int>(int(RangeY()) + headerHeight, 1);

    // Antialiased text on paper; the fonts' own quality comes back however printing ends.
    const BYTE oldQuality = Font().Quality(), oldHeaderQuality = HeaderFont().Quality();
    Font().SetQuality(ANTIALIASED_QUALITY);
    HeaderFont().SetQuality(ANTIALIASED_QUALITY);
    struct QualityGuard {
        TCustomVirtualTreeControl& tree;
        BYTE quality, headerQuality;
        ~QualityGuard()
        {
            tree.Font().SetQuality(quality);
            tree.HeaderFont().SetQuality(headerQuality);
        }
    } restoreQuality{*this, oldQuality, oldHeaderQuality};

    // The rendering is on white; the tree's own colour comes back however printing ends.
    const ui::Color oldColor = GetColor();
    SetColor(ui::clWhite);
    struct ColorGuard {
        TCustomVirtualTreeControl& tree;
        ui::Color color;
        ~ColorGuard() { tree.SetColor(color); }
    } restoreColor{*this, oldColor};

    // The header is one band; it is painted once and copied into the pages it reaches.
    ui::Bitmap headerImage;
    if (withHeader) {
        headerImage.SetPixelFormat(ui::pf32bit);
        headerImage.SetSize(imageWidth, headerHeight);
        PaintHeaderInto(headerImage.Canvas().Handle(), TRect{0, 0, imageWidth, headerHeight}, 0);
    }

    printer->BeginDoc();
    try {
        // Scale: the font as tall on paper as on the screen, measured on both devices.
        HDC printerDC = printer->Canvas().Handle();
        HDC screen = GetDC(nullptr);
        const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
        const int screenHeight = TextHeightOn(screen, Font().Handle());
        ReleaseDC(nullptr, screen);
        ui::Font printerFont(Font());
        printerFont.SetHeight(MulDiv(Font().Height(), GetDeviceCaps(printerDC, LOGPIXELSY), screenDpi));
        const int printerHeight = TextHeightOn(printerDC, printerFont.Handle());
        const double scale = screenHeight > 0 && printerHeight > 0 ? double(printerHeight) / screenHeight : 1.0;

        const int pageWidth = printer->PageWidth(), pageHeight = printer->PageHeight();
        const int pw = std::max(1, int(std::lround(pageWidth / scale)));
        const int ph = std::max(1, int(std::lround(pageHeight / scale)));
        // A tree exactly one page wide (or tall) is one page, not two.
        const int across = (imageWidth + pw - 1) / pw;
        const int down = (imageHeight + ph - 1) / ph;
        ui::Bitmap page(pw, ph, ui::pf32bit);
        ui::Canvas& canvas = page.Canvas();
        for (int row = 0; row < down; ++row) {
            for (int column = 0; column < across; ++column) {
                const int x0 = column * pw, y0 = row * ph;
                canvas.SetBrushColor(ui::clWhite);
                canvas.FillRect(RECT{0, 0, pw, ph});
                if (y0 < headerHeight)
                    BitBlt(canvas.Handle(), 0, 0, std::min(pw, imageWidth - x0), headerHeight - y0,
                           headerImage.Canvas().Handle(), x0, y0, SRCCOPY);
                const int top = std::max(0, y0 - headerHeight);
                const int bottom = std::min<int>(int(RangeY()), y0 + ph - headerHeight);
                if (bottom > top) {
                    const TRect window{x0, top, std::min(x0 + pw, imageWidth), bottom};
                    PaintTree(canvas, window, TPoint{0, std::max(0, headerHeight - y0)}, poGridLines);
                }
                StretchBitmapForPrinter(printer->Canvas().Handle(), RECT{0, 0, pageWidth, pageHeight - 1}, page.Handle());
                if (column < across - 1 || row < down - 1)
                    printer->NewPage();
            }
        }
    } catch (...) {
        printer->Abort();
        throw;
    }
    printer->EndDoc();
}

} // namespace treeview
