// PNG pictures as class-library bitmaps: loading through the reader, alpha drawing, icons.
#include "skin/engine/pnggraphic.h"

#include "skin/engine/graphutils.h"
#include "ui/pictureformats.h"

namespace skin {
namespace {

// Rows go straight into the bitmap's storage.
class BitmapTarget : public PngTarget {
public:
    explicit BitmapTarget(ui::Bitmap& bmp) : m_bmp(bmp) {}
    void Prepare(int width, int height, ui::PixelFormat format, const std::vector<uint32_t>& palette) override
    {
        m_bmp.SetSize(0, 0);
        m_bmp.SetPixelFormat(format);
        if (ui::IsIndexed(format) && !palette.empty())
            m_bmp.SetPalette(palette);
        m_bmp.SetSize(width, height);
    }
    ui::PixelView Pixels() override { return m_bmp.Pixels(); }
    void SetTransparentColor(uint32_t color) override
    {
        m_bmp.SetTransparentColor(color);
        m_bmp.SetTransparent(true);
    }

private:
    ui::Bitmap& m_bmp;
};

} // namespace

bool TPNGGraphic::CanLoad(const core::String& fileName)
{
    try {
        core::FileStream stream(fileName, core::fmOpenRead | core::fmShareDenyWrite);
        return CanLoad(stream);
    } catch (const core::EFOpenError&) {
        return false;
    }
}

void TPNGGraphic::Assign(const core::Persistent& source)
{
    if (auto* png = dynamic_cast<const TPNGGraphic*>(&source))
        m_properties = png->ImageProperties();
    ui::Bitmap::Assign(source);
}

void TPNGGraphic::LoadFromStream(core::Stream& stream)
{
    SetSize(0, 0);
    BitmapTarget target(*this);
    m_properties = TImageProperties{};
    m_reader.Load(stream, target);
    m_properties = m_reader.ImageProperties();
}

void TPNGGraphic::LoadFromFile(const core::String& fileName)
{
    core::FileStream stream(fileName, core::fmOpenRead | core::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TPNGGraphic::Draw(HDC dc, const RECT& r)
{
    if (Empty() || !dc)
        return;
    if (GetPixelFormat() != ui::pf32bit) {
        DrawTo(dc, r);
        return;
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return;
    const bool sameSize = w == Width() && h == Height();
    const bool reflect = Reflected && sameSize;
    auto work = NewBmp24(w, h + (reflect ? h / 2 : 0));
    BitBlt(work->Canvas().Handle(), 0, 0, work->Width(), work->Height(), dc, r.left, r.top, SRCCOPY);
    const Rect all{0, 0, w, h};
    if (sameSize) {
        DrawAlphaBmp(all, all, work.get(), this, EmptyCacheInfo, false, NoColorize, 0, reflect);
    } else {
        // Colours and alpha are stretched the same way, then put together again.
        auto colours = NewBmp24(w, h);
        HDC cdc = colours->Canvas().Handle();
        SetStretchBltMode(cdc, HALFTONE);
        SetBrushOrgEx(cdc, 0, 0, nullptr);
        StretchBlt(cdc, 0, 0, w, h, Canvas().Handle(), 0, 0, Width(), Height(), SRCCOPY);
        ui::Bitmap alpha(Width(), Height(), ui::pf8bit);
        std::vector<ui::Color> greys(256);
        for (int i = 0; i < 256; ++i)
            greys[size_t(i)] = uint32_t(i) * 0x010101u;
        alpha.SetPalette(greys);
        CopyChannel(this, &alpha, 3, true);
        auto alphaStretched = NewBmp24(w, h);
        HDC adc = alphaStretched->Canvas().Handle();
        SetStretchBltMode(adc, HALFTONE);
        SetBrushOrgEx(adc, 0, 0, nullptr);
        StretchBlt(adc, 0, 0, w, h, alpha.Canvas().Handle(), 0, 0, Width(), Height(), SRCCOPY);
        GdiFlush();
        colours->SetPixelFormat(ui::pf32bit);
        ui::PixelView cv = colours->Pixels(), av = alphaStretched->Pixels();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                cv.PixelAddress(x, y)[3] = av.PixelAddress(x, y)[0];
        DrawAlphaBmp(all, all, work.get(), colours.get(), EmptyCacheInfo, false, NoColorize, 0, false);
    }
    BitBlt(dc, r.left, r.top, work->Width(), work->Height(), work->Canvas().Handle(), 0, 0, SRCCOPY);
}

HICON TPNGGraphic::MakeIcon(bool forceMask)
{
    if (Empty())
        return nullptr;
    ui::Bitmap mask(Width(), Height(), ui::pf1bit);
    mask.SetPalette({0x000000, 0xFFFFFF});
    ui::PixelView m = mask.Pixels();
    m.Fill(m.Bounds(), 0); // opaque
    if (forceMask || GetPixelFormat() != ui::pf32bit) {
        SetPixelFormat(ui::pf32bit);
        const ui::PixelView v = Pixels();
        if (Width() >= 2 && Height() >= 2) {
            const uint32_t key = v.ReadPixel(0, 0);
            for (int y = 0; y < v.Height(); ++y)
                for (int x = 0; x < v.Width(); ++x)
                    if (v.ReadPixel(x, y) == key)
                        m.WritePixel(x, y, 1);
        }
    }
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = Handle();
    info.hbmMask = mask.Handle();
    return CreateIconIndirect(&info);
}

void RegisterPngFormat()
{
    ui::RegisterPictureFormat(u"png", u"Portable network graphics (QuorraControls)",
                              [] { return std::unique_ptr<core::Persistent>(new TPNGGraphic()); });
}

void UnregisterPngFormat() { ui::UnregisterPictureFormat(u"png"); }

} // namespace skin
