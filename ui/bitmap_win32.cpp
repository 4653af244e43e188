// Bitmaps over DIB sections: making and replacing the section, format conversion, the lazy memory
// device context and drawing onto other contexts.
#include "ui/bitmap.h"

#include "ui/bmpformat.h"

#include <algorithm>
#include <cstring>

namespace ui {
namespace {

// The largest side accepted, so that row arithmetic stays far from overflow.
constexpr int kMaxSide = 1 << 16;

struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

std::vector<Color> DefaultPalette(PixelFormat format)
{
    static const Color standard[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray,
                                       clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};
    switch (format) {
    case pf1bit: return {clBlack, clWhite};
    case pf4bit: return std::vector<Color>(std::begin(standard), std::end(standard));
    case pf8bit: {
        std::vector<Color> colors(std::begin(standard), std::end(standard));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    colors.push_back(RGBValue(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
        for (int i = 0; i < 24; ++i) {
            const uint8_t v = uint8_t(8 + i * 10);
            colors.push_back(RGBValue(v, v, v));
        }
        return colors;
    }
    default: return {};
    }
}

uint32_t NearestIndex(const std::vector<Color>& palette, Color color)
{
    uint32_t best = 0;
    long bestDistance = -1;
    const int r = int(color & 0xFF), g = int(color >> 8 & 0xFF), b = int(color >> 16 & 0xFF);
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = r - int(palette[i] & 0xFF), dg = g - int(palette[i] >> 8 & 0xFF), db = b - int(palette[i] >> 16 & 0xFF);
        const long distance = long(dr) * dr + long(dg) * dg + long(db) * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = uint32_t(i);
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return best;
}

PixelFormat Storage(PixelFormat format) { return format == pfDevice ? pf32bit : format; }

// The colour of a pixel value read from a view of the given format.
Color ColorOf(uint32_t value, PixelFormat format, const std::vector<Color>& palette)
{
    if (IsIndexed(format))
        return value < palette.size() ? palette[value] : clBlack;
    return value & 0xFFFFFF;
}

// A temporary memory context with one bitmap selected.
class SelectedDC {
public:
    explicit SelectedDC(HBITMAP bitmap) : m_dc(CreateCompatibleDC(nullptr))
    {
        if (m_dc)
            m_old = SelectObject(m_dc, bitmap);
    }
    ~SelectedDC()
    {
        if (m_dc) {
            SelectObject(m_dc, m_old);
            DeleteDC(m_dc);
        }
    }
    SelectedDC(const SelectedDC&) = delete;
    SelectedDC& operator=(const SelectedDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_old = nullptr;
};

} // namespace

// A DIB section about to become the bitmap's storage; freed unless taken.
struct Bitmap::Section {
    HBITMAP handle = nullptr;
    uint8_t* bits = nullptr;

    Section(int width, int height, PixelFormat format, const std::vector<Color>& palette)
    {
        if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
            throw EOutOfResources(u"Out of system resources");
        DibInfo info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = height; // bottom-up
        info.header.biPlanes = 1;
        info.header.biBitCount = WORD(BitsPerPixel(Storage(format)));
        info.header.biCompression = BI_RGB;
        if (IsIndexed(format)) {
            const size_t count = std::min<size_t>(palette.size(), size_t(1) << info.header.biBitCount);
            info.header.biClrUsed = DWORD(count);
            for (size_t i = 0; i < count; ++i)
                info.colors[i] = RGBQUAD{BYTE(palette[i] >> 16), BYTE(palette[i] >> 8), BYTE(palette[i]), 0};
        }
        void* memory = nullptr;
        handle = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &memory, nullptr, 0);
        if (!handle || !memory) {
            if (handle)
                DeleteObject(handle);
            throw EOutOfResources(u"Out of system resources");
        }
        bits = static_cast<uint8_t*>(memory);
    }
    ~Section()
    {
        if (handle)
            DeleteObject(handle);
    }
    Section(Section&& other) noexcept : handle(other.handle), bits(other.bits) { other.handle = nullptr; }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    PixelView View(int width, int height, PixelFormat format) const
    {
        const ptrdiff_t row = ptrdiff_t(RowBytes(width, Storage(format)));
        return PixelView(bits + row * (height - 1), -row, width, height, Storage(format));
    }
};

// The bitmap's canvas: its memory context is made at the first drawing call, with the section in it.
class Bitmap::BitmapCanvas : public ui::Canvas {
public:
    explicit BitmapCanvas(Bitmap& owner) : m_owner(owner) {}
    ~BitmapCanvas() override { Free(); }

    // Puts another section into the context (when there is one).
    void Select(HBITMAP bitmap)
    {
        if (m_dc)
            SelectObject(m_dc, bitmap ? HGDIOBJ(bitmap) : m_old);
    }
    void Free()
    {
        if (!m_dc)
            return;
        ReleaseHandle();
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        m_dc = nullptr;
        m_old = nullptr;
    }
    bool Allocated() const { return m_dc != nullptr; }

protected:
    void CreateHandle() override
    {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc)
            return;
        m_dc = dc;
        m_old = GetCurrentObject(dc, OBJ_BITMAP);
        if (m_owner.m_handle)
            SelectObject(dc, m_owner.m_handle);
        SetHandle(dc);
    }

private:
    Bitmap& m_owner;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

Bitmap::Bitmap() = default;

Bitmap::Bitmap(int width, int height, PixelFormat format)
{
    SetPixelFormat(format);
    SetSize(width, height);
}

Bitmap::~Bitmap()
{
    m_canvas.reset();
    if (m_handle)
        DeleteObject(m_handle);
}

PixelFormat Bitmap::StorageFormat() const { return Storage(m_format); }

ui::Canvas& Bitmap::Canvas()
{
    if (!m_canvas) {
        m_canvas = std::make_unique<BitmapCanvas>(*this);
        m_canvas->OnChange = [this] { Changed(); };
    }
    return *m_canvas;
}

bool Bitmap::HandleAllocated() const { return m_canvas && m_canvas->Allocated(); }

HDC Bitmap::MemoryDC() { return Canvas().Handle(); }

void Bitmap::Dormant()
{
    if (m_canvas)
        m_canvas->Free();
}

void Bitmap::Replace(Section&& section, int width, int height, PixelFormat format)
{
    Section old(std::move(section)); // on leaving, old holds the previous section and frees it
    std::swap(old.handle, m_handle);
    std::swap(old.bits, m_bits);
    m_width = m_handle ? width : 0;
    m_height = m_handle ? height : 0;
    m_format = format;
    if (m_canvas)
        m_canvas->Select(m_handle);
}

void Bitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    if (IsIndexed(m_format) && m_palette.empty())
        m_palette = DefaultPalette(m_format);
    if (width == 0 || height == 0) {
        // Nothing to hold: the section goes, the size stays as asked for the next one.
        Dormant();
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = nullptr;
        m_bits = nullptr;
        m_width = width;
        m_height = height;
        Changed();
        return;
    }
    Section section(width, height, m_format, m_palette);
    PixelView view = section.View(width, height, m_format);
    const uint32_t white = IsIndexed(m_format) ? NearestIndex(m_palette, clWhite) : 0xFFFFFFFF;
    view.Fill(view.Bounds(), white);
    if (m_handle) {
        GdiFlush();
        const PixelView old = Pixels();
        const int rows = std::min(height, m_height);
        const int columns = std::min(width, m_width);
        if (BitsPerPixel(StorageFormat()) >= 8) {
            const size_t bytes = size_t(columns) * size_t(BitsPerPixel(StorageFormat()) / 8);
            for (int y = 0; y < rows; ++y)
                std::memcpy(view.Row(y), old.Row(y), bytes);
        } else {
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < columns; ++x)
                    view.WritePixel(x, y, old.ReadPixel(x, y));
        }
    }
    Replace(std::move(section), width, height, m_format);
    Changed();
}

void Bitmap::SetPixelFormat(PixelFormat format)
{
    if (format == m_format || BitsPerPixel(Storage(format)) == 0)
        return;
    std::vector<Color> palette = IsIndexed(format) ? DefaultPalette(format) : std::vector<Color>{};
    if (!m_handle) {
        m_format = format;
        m_palette = std::move(palette);
        if (m_width > 0 && m_height > 0) {
            const int w = m_width, h = m_height;
            m_width = m_height = 0;
            SetSize(w, h);
        }
        Changed();
        return;
    }
    Section section(m_width, m_height, format, palette);
    PixelView view = section.View(m_width, m_height, format);
    const PixelView old = Pixels();
    const PixelFormat from = old.Format();
    if (!IsIndexed(from) && !IsIndexed(Storage(format))) {
        view.CopyFrom(old, 0, 0);
    } else {
        // Indexed on either side: through colours, mapping to the nearest palette entry.
        Color lastColor = 0xFFFFFFFF;
        uint32_t lastValue = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                const Color color = ColorOf(old.ReadPixel(x, y), from, m_palette);
                if (color != lastColor) {
                    lastColor = color;
                    lastValue = IsIndexed(Storage(format)) ? NearestIndex(palette, color)
                                                           : (color | (Storage(format) == pf32bit ? 0xFF000000u : 0));
                }
                view.WritePixel(x, y, lastValue);
            }
    }
    m_palette = std::move(palette);
    Replace(std::move(section), m_width, m_height, format);
    Changed();
}

void Bitmap::SetPalette(const std::vector<Color>& colors)
{
    if (!IsIndexed(m_format) || colors.empty())
        return;
    const size_t count = std::min<size_t>(colors.size(), size_t(1) << BitsPerPixel(m_format));
    if (m_palette.size() < count)
        m_palette.resize(count);
    std::copy(colors.begin(), colors.begin() + ptrdiff_t(count), m_palette.begin());
    if (m_handle) {
        RGBQUAD quads[256];
        for (size_t i = 0; i < count; ++i)
            quads[i] = RGBQUAD{BYTE(m_palette[i] >> 16), BYTE(m_palette[i] >> 8), BYTE(m_palette[i]), 0};
        SetDIBColorTable(MemoryDC(), 0, UINT(count), quads);
    }
    Changed();
}

void Bitmap::SetTransparent(bool value)
{
    if (value != m_transparent) {
        m_transparent = value;
        Changed();
    }
}

void Bitmap::SetTransparentMode(ui::TransparentMode mode)
{
    if (mode == m_transparent_mode)
        return;
    m_transparent_mode = mode;
    if (mode == tmAuto)
        m_transparent_color = clDefault;
    Changed();
}

Color Bitmap::TransparentColor()
{
    if (m_transparent_mode == tmFixed)
        return m_transparent_color;
    if (Empty())
        return clDefault;
    return PixelColor(0, m_height - 1);
}

void Bitmap::SetTransparentColor(Color color)
{
    m_transparent_color = color;
    m_transparent_mode = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void Bitmap::AssignHandle(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight == 0)
        throw EInvalidGraphic(u"Bitmap image is not valid");
    const int width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    PixelFormat format = pf32bit;
    switch (info.bmBitsPixel) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    default: break;
    }
    std::vector<Color> palette = DefaultPalette(format);
    SelectedDC source(bitmap);
    if (!source.Get())
        throw EOutOfResources(u"Out of system resources");
    if (IsIndexed(format)) {
        RGBQUAD quads[256];
        const UINT count = GetDIBColorTable(source.Get(), 0, 256, quads);
        if (count > 0) {
            palette.clear();
            for (UINT i = 0; i < count; ++i)
                palette.push_back(RGBValue(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
        }
    }
    Section section(width, height, format, palette);
    {
        SelectedDC target(section.handle);
        BitBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    m_palette = std::move(palette);
    Replace(std::move(section), width, height, format);
    Changed();
}

uint8_t* Bitmap::ScanLine(int y)
{
    if (!m_handle || y < 0 || y >= m_height)
        throw EInvalidGraphicOperation(u"Scan line index out of range");
    GdiFlush();
    return Pixels().Row(y);
}

PixelView Bitmap::Pixels()
{
    if (!m_handle)
        return PixelView();
    GdiFlush();
    const ptrdiff_t row = ptrdiff_t(RowBytes(m_width, StorageFormat()));
    return PixelView(m_bits + row * (m_height - 1), -row, m_width, m_height, StorageFormat());
}

Color Bitmap::PixelColor(int x, int y)
{
    const PixelView view = Pixels();
    return ColorOf(view.ReadPixel(x, y), view.Format(), m_palette);
}

void Bitmap::Assign(const core::Persistent& source)
{
    if (auto* bitmap = dynamic_cast<const Bitmap*>(&source))
        Assign(*bitmap);
    else
        core::Persistent::Assign(source);
}

void Bitmap::Assign(const Bitmap& source)
{
    if (&source == this)
        return;
    if (!source.m_handle) {
        Dormant();
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = nullptr;
        m_bits = nullptr;
        m_width = source.m_width;
        m_height = source.m_height;
        m_format = source.m_format;
        m_palette = source.m_palette;
    } else {
        Section section(source.m_width, source.m_height, source.m_format, source.m_palette);
        GdiFlush();
        std::memcpy(section.bits, source.m_bits, RowBytes(source.m_width, source.StorageFormat()) * size_t(source.m_height));
        m_palette = source.m_palette;
        Replace(std::move(section), source.m_width, source.m_height, source.m_format);
    }
    m_transparent = source.m_transparent;
    m_transparent_mode = source.m_transparent_mode;
    m_transparent_color = source.m_transparent_color;
    Changed();
}

void Bitmap::DrawTo(HDC dc, const RECT& dest, CopyMode mode)
{
    if (!m_handle || !dc)
        return;
    HDC source = MemoryDC();
    if (!source)
        return;
    GdiFlush();
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (m_transparent) {
        TransparentBlt(dc, dest.left, dest.top, w, h, source, 0, 0, m_width, m_height, ColorToRGB(TransparentColor()));
    } else if (w == m_width && h == m_height) {
        BitBlt(dc, dest.left, dest.top, w, h, source, 0, 0, mode);
    } else {
        // Colour on colour keeps solid areas exact: no blending of neighbours.
        const int old = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dest.left, dest.top, w, h, source, 0, 0, m_width, m_height, mode);
        SetStretchBltMode(dc, old);
    }
}

void Bitmap::LoadFromStream(core::Stream& stream)
{
    BmpImage image = ReadBmp(stream);
    PixelView source = image.Pixels.View();
    SetSize(0, 0);
    SetPixelFormat(source.Format());
    if (!image.Palette.empty())
        SetPalette(image.Palette);
    SetSize(source.Width(), source.Height());
    PixelView target = Pixels();
    const size_t bytes = RowBytes(source.Width(), source.Format());
    for (int y = 0; y < source.Height(); ++y)
        std::memcpy(target.Row(y), source.Row(y), bytes);
    Changed();
}

void Bitmap::SaveToStream(core::Stream& stream) { WriteBmp(stream, Pixels(), m_palette); }

void Bitmap::Changed()
{
    if (OnChange)
        OnChange();
}

} // namespace ui
