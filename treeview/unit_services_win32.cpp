// Process-wide resources of the tree unit on Windows (see unit_services.h): the built-in image lists
// and cursors made from the pictures drawn in builtin_images.cpp, the multimedia timer resolution,
// the clipboard format registry, and the drawing routines that work on device contexts.
#include "treeview/unit_services.h"
#include "treeview/published_properties.h"
#include "treeview/builtin_images.h"
#include "treeview/string_tree.h"
#include "treeview/tree_viewport.h"
#include <ole2.h>
#include "core/exception.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"
#include <mmsystem.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace treeview {

namespace {

struct UnitState {
    UINT reference_format = 0;
    bool ole_initialized = false;
    std::map<TCheckImageKind, std::unique_ptr<ui::ImageList>> check_images;
    std::unique_ptr<ui::ImageList> utilities;
    std::map<int, HCURSOR> cursors;
    std::map<std::string, HCURSOR, std::less<>> panning_cursors;
};

bool g_initialized = false;
UnitState* g_state = nullptr;
std::mutex g_unit_lock; // strip loading may happen from any thread that makes a list

uint32_t Remap(uint32_t rgb)
{
    auto system = [](int index) {
        COLORREF c = GetSysColor(index);
        return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    };
    switch (rgb) {
    case stripcolor::White: return system(COLOR_WINDOW);
    case stripcolor::Silver: return system(COLOR_BTNFACE);
    case stripcolor::Grey: return system(COLOR_BTNSHADOW);
    case stripcolor::Black: return system(COLOR_BTNTEXT);
    default: return rgb;
    }
}

HCURSOR MakeCursor(std::string_view name)
{
    TCursorShape shape;
    if (!BuiltinCursor(name, shape))
        return nullptr;
    return CreateCursor(GetModuleHandleW(nullptr), shape.HotX, shape.HotY, 32, 32, shape.AndMask.data(),
                        shape.XorMask.data());
}

void BuildLists(UnitState& state)
{
    struct Strip {
        TCheckImageKind kind;
        const char* name;
        bool remap;
    } strips[] = {{ckLightCheck, "VT_CHECK_LIGHT", true}, {ckDarkCheck, "VT_CHECK_DARK", true},
                  {ckLightTick, "VT_TICK_LIGHT", true},   {ckDarkTick, "VT_TICK_DARK", true},
                  {ckFlat, "VT_FLAT", true},              {ckXP, "VT_XP", false}};
    for (const Strip& s : strips) {
        auto list = std::make_unique<ui::ImageList>(nullptr, 16, 16);
        LoadImageStrip(*list, s.name, s.remap);
        state.check_images[s.kind] = std::move(list);
    }
    state.utilities = std::make_unique<ui::ImageList>(nullptr, 16, 16);
    LoadImageStrip(*state.utilities, "VT_UTILITIES", true);
    for (bool flat : {false, true}) {
        auto list = std::make_unique<ui::ImageList>(nullptr, 16, 16);
        BuildSystemCheckImages(*list, flat);
        state.check_images[flat ? ckSystemFlat : ckSystemDefault] = std::move(list);
    }
}

} // namespace

void InitializeTreeUnit()
{
    if (g_initialized)
        return;
    g_initialized = true;
    g_state = new UnitState();
    // S_FALSE (already initialised on this thread) also needs its matching uninitialisation.
    g_state->ole_initialized = SUCCEEDED(OleInitialize(nullptr));
    g_state->reference_format = RegisterClipboardFormatW(L"Virtual Tree Reference");
    RegisterVTClipboardFormat<TTreeViewport>(u"Virtual Tree Data", 50);
    RegisterVTClipboardFormat<TCustomVirtualStringTree>(u"HTML Format", 80);
    RegisterVTClipboardFormat<TCustomVirtualStringTree>(u"Rich Text Format Without Objects", 84);
    RegisterVTClipboardFormat<TCustomVirtualStringTree>(u"Rich Text Format", 85);
    RegisterVTClipboardFormat<TCustomVirtualStringTree>(u"CSV", 90);
    RegisterVTClipboardFormat<TCustomVirtualStringTree>(uint32_t(CF_UNICODETEXT), 95);
    RegisterVTClipboardFormat<TCustomVirtualStringTree>(uint32_t(CF_TEXT), 100);
    BuildLists(*g_state);
    // Animations pace themselves on the multimedia timer.
    timeBeginPeriod(1);
    g_state->cursors[63] = MakeCursor("VT_HEADERSPLIT");
    g_state->cursors[62] = MakeCursor("VT_VERTSPLIT");
    RegisterTreeControlClasses();
}

void FinalizeTreeUnit()
{
    if (g_initialized) {
        timeEndPeriod(1);
        for (auto& [index, cursor] : g_state->cursors)
            if (cursor)
                DestroyCursor(cursor);
        for (auto& [name, cursor] : g_state->panning_cursors)
            if (cursor)
                DestroyCursor(cursor);
        if (g_state->ole_initialized)
            OleUninitialize();
        delete g_state;
        g_state = nullptr;
        g_initialized = false;
    }
    ClearClipboardFormatRegistry();
}

bool TreeUnitInitialized() { return g_initialized; }

UINT TreeReferenceFormat() { return g_state ? g_state->reference_format : 0; }

uint32_t PlatformRegisterClipboardFormat(core::StringView name)
{
    return RegisterClipboardFormatW(reinterpret_cast<const wchar_t*>(core::String(name).c_str()));
}

core::String PlatformClipboardFormatName(uint32_t format)
{
    wchar_t name[2049];
    int length = GetClipboardFormatNameW(format, name, int(std::size(name)));
    return length > 0 ? core::String(reinterpret_cast<const char16_t*>(name), size_t(length)) : core::String();
}

ui::ImageList* CheckImagesOfKind(TCheckImageKind kind)
{
    if (!g_state)
        return nullptr;
    auto found = g_state->check_images.find(kind);
    return found == g_state->check_images.end() ? nullptr : found->second.get();
}

ui::ImageList* UtilityImages() { return g_state ? g_state->utilities.get() : nullptr; }

void RebuildTreeImages()
{
    if (g_state)
        BuildLists(*g_state);
}

void LoadImageStrip(ui::ImageList& list, std::string_view name, bool remap)
{
    std::lock_guard<std::mutex> lock(g_unit_lock);
    TPixelStrip strip;
    if (!BuiltinStrip(name, strip) || strip.Height < 1)
        core::AssertFailed(u"Internal image \"" + core::String(name.begin(), name.end()) + u"\" is missing or corrupt.",
                           __FILE__, __LINE__);
    list.Clear();
    list.SetSize(strip.Height, strip.Height);
    uint32_t mask = strip.At(0, 0);
    int count = strip.Width / strip.Height;
    for (int image = 0; image < count; ++image) {
        ui::Bitmap square(strip.Height, strip.Height, ui::pf24bit);
        for (int y = 0; y < strip.Height; ++y) {
            uint8_t* row = square.ScanLine(y);
            for (int x = 0; x < strip.Height; ++x) {
                uint32_t rgb = strip.At(image * strip.Height + x, y);
                if (remap && rgb != mask)
                    rgb = Remap(rgb);
                row[3 * x] = uint8_t(rgb), row[3 * x + 1] = uint8_t(rgb >> 8), row[3 * x + 2] = uint8_t(rgb >> 16);
            }
        }
        list.AddMasked(square, ui::Color(RGB(uint8_t(mask >> 16), uint8_t(mask >> 8), uint8_t(mask))));
    }
}

void BuildSystemCheckImages(ui::ImageList& list, bool flat)
{
    int width = GetSystemMetrics(SM_CXMENUCHECK) + 3;
    int height = GetSystemMetrics(SM_CYMENUCHECK) + 3;
    list.Clear();
    list.SetSize(width, height);
    const ui::Color maskColor = ui::Color(RGB(255, 0, 0));
    auto blank = [&] {
        auto bitmap = std::make_unique<ui::Bitmap>(width, height, ui::pf24bit);
        HDC dc = bitmap->Canvas().Handle();
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT all{0, 0, width, height};
        FillRect(dc, &all, red);
        DeleteObject(red);
        return bitmap;
    };
    {
        auto empty = blank();
        list.AddMasked(*empty, maskColor);
    }
    for (int i = 0; i < 20; ++i) {
        auto bitmap = blank();
        HDC dc = bitmap->Canvas().Handle();
        UINT state = i < 8 ? DFCS_BUTTONRADIO : i < 16 ? DFCS_BUTTONCHECK : DFCS_BUTTON3STATE;
        switch (i % 4) {
        case 1: state |= DFCS_HOT; break;
        case 2: state |= DFCS_PUSHED; break;
        case 3: state |= DFCS_INACTIVE; break;
        default: break;
        }
        if ((i >= 4 && i <= 7) || i >= 12)
            state |= DFCS_CHECKED;
        if (flat)
            state |= DFCS_FLAT;
        RECT r{1, 2, width - 2, height - 1};
        DrawFrameControl(dc, &r, DFC_BUTTON, state);
        GdiFlush();
        list.AddMasked(*bitmap, maskColor);
    }
    // 21..24: the push-button images of the flat or the dark check strip, centred.
    TPixelStrip strip;
    BuiltinStrip(flat ? "VT_FLAT" : "VT_CHECK_DARK", strip);
    for (int image = 21; image <= 24; ++image) {
        auto bitmap = blank();
        int ox = (width - 16) / 2, oy = (height - 16) / 2;
        uint32_t mask = strip.At(0, 0);
        for (int y = 0; y < 16; ++y) {
            if (oy + y < 0 || oy + y >= height)
                continue;
            uint8_t* row = bitmap->ScanLine(oy + y);
            for (int x = 0; x < 16; ++x) {
                if (ox + x < 0 || ox + x >= width)
                    continue;
                uint32_t rgb = strip.At(image * 16 + x, y);
                if (rgb == mask)
                    continue;
                rgb = Remap(rgb);
                uint8_t* p = row + 3 * (ox + x);
                p[0] = uint8_t(rgb), p[1] = uint8_t(rgb >> 8), p[2] = uint8_t(rgb >> 16);
            }
        }
        list.AddMasked(*bitmap, maskColor);
    }
}

HCURSOR TreeCursor(int index)
{
    if (!g_state)
        return nullptr;
    auto found = g_state->cursors.find(index);
    return found == g_state->cursors.end() ? nullptr : found->second;
}

HCURSOR PanningCursor(std::string_view name)
{
    if (!g_state)
        return nullptr;
    auto found = g_state->panning_cursors.find(name);
    if (found != g_state->panning_cursors.end())
        return found->second;
    HCURSOR cursor = MakeCursor(name);
    g_state->panning_cursors.emplace(std::string(name), cursor);
    return cursor;
}

namespace {

// The bits of the 32-bit DIB section selected into a device context.
struct DibBits {
    uint8_t* bits = nullptr;
    int width = 0, height = 0;
    uint8_t* Row(int y) const
    {
        int row = height >= 1 ? height - y - 1 : y;
        return bits + size_t(row) * size_t(width) * 4;
    }
};

DibBits BitsOf(HDC dc)
{
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    DIBSECTION dib{};
    if (!bitmap || GetObjectW(bitmap, sizeof(dib), &dib) != int(sizeof(dib)) || !dib.dsBm.bmBits)
        core::AssertFailed(u"Alpha blending DC error: no bitmap available.", __FILE__, __LINE__);
    if (dib.dsBm.bmBitsPixel != 32)
        core::AssertFailed(u"Alpha blending error: bitmap must use 32 bpp.", __FILE__, __LINE__);
    DibBits result;
    result.bits = static_cast<uint8_t*>(dib.dsBm.bmBits);
    result.width = dib.dsBm.bmWidth;
    result.height = dib.dsBmih.biHeight;
    return result;
}

} // namespace

void BlendBitmapArea(HDC source, HDC destination, const RECT& r, POINT target, TBlendMode mode, int constantAlpha,
                     int bias)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    GdiFlush();
    DibBits dst = BitsOf(destination);
    int count = r.right - r.left;
    if (mode == bmConstantAlphaAndColor) {
        for (int y = 0; y < r.bottom - r.top; ++y)
            BlendRow(nullptr, dst.Row(r.top + y) + 4 * r.left, count, mode, constantAlpha, bias);
        return;
    }
    DibBits src = BitsOf(source);
    for (int y = 0; y < r.bottom - r.top; ++y)
        BlendRow(src.Row(r.top + y) + 4 * r.left, dst.Row(target.y + y) + 4 * target.x, count, mode, constantAlpha,
                 bias);
}

COLORREF ColorToImageListColor(int32_t color)
{
    constexpr int32_t clNone = 0x1FFFFFFF, clDefault = 0x20000000;
    if (color == clNone)
        return CLR_NONE;
    if (color == clDefault)
        return CLR_DEFAULT;
    return ui::ColorToRGB(ui::Color(color));
}

void MeasureStringRect(HDC dc, core::StringView s, RECT& r, UINT drawFormat)
{
    r.right = r.left + 1;
    r.bottom = r.top + 1;
    std::wstring text(s.begin(), s.end());
    DrawTextW(dc, text.c_str(), int(text.size()), &r, drawFormat | DT_CALCRECT);
}

void StretchBitmapForPrinter(HDC dc, const RECT& dest, HBITMAP bitmap)
{
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info))
        return;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<uint8_t> bits(size_t(((info.bmWidth * 3 + 3) & ~3)) * size_t(std::abs(info.bmHeight)));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(std::abs(info.bmHeight)), bits.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, 0, 0, info.bmWidth,
                  std::abs(info.bmHeight), bits.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                  SRCCOPY);
}

} // namespace treeview
