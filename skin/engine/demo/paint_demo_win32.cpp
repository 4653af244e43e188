// The skin painters over the synthetic "TestSkin": section items in states 0, 1, 2 and disabled,
// border masks and frames, textures in each mode, glyph strips and mask glyphs, captions with contours,
// dotted and 3-D frames; and a hot button with its glow window over a textured panel. The picture is
// composed once into a bitmap that the form shows. The demo
// closes itself after the number of seconds given as its argument (default 10), so that a script can
// take a screenshot of it unattended.
#include "core/inifile.h"
#include "core/stringlist.h"
#include "core/win32.h"
#include "skin/engine/alphaimagelist.h"
#include "skin/engine/commondata.h"
#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/engine/testwriters/testskin.h"
#include "skin/engine/testwriters/writers.h"
#include "ui/application.h"
#include "ui/customcontrol.h"
#include "ui/form.h"
#include "ui/graphiccontrol.h"
#include "ui/timer.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>

namespace {

using namespace skin;

constexpr int kWidth = 760, kHeight = 640;
// The textured panel and the hot button on it.
constexpr int kPanelLeft = 10, kPanelTop = 530, kPanelWidth = 340, kPanelHeight = 96;
constexpr int kButtonLeft = 110, kButtonTop = 33, kButtonWidth = 120, kButtonHeight = 30;

// Shows a bitmap composed beforehand.
class Picture : public ui::GraphicControl {
public:
    using ui::GraphicControl::GraphicControl;
    ui::Bitmap* Bmp = nullptr;

protected:
    void Paint(ui::Canvas& canvas) override
    {
        if (Bmp)
            canvas.Draw(0, 0, *Bmp);
    }
};

// A window that shows a bitmap composed beforehand.
class WindowPicture : public ui::CustomControl {
public:
    using ui::CustomControl::CustomControl;
    std::unique_ptr<ui::Bitmap> Bmp;

protected:
    void Paint() override
    {
        if (Bmp)
            Canvas().Draw(0, 0, *Bmp);
    }
};

// The skin's tables as the demo's manager, which lets hot controls glow.
class DemoSkin : public SkinTables {
public:
    bool AllowGlowing() const override { return LayeredWindowsAvailable(); }
};

std::string TempSkinFolder()
{
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, path);
    std::wstring folder = std::wstring(path) + L"skin-paint-demo\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return std::string(folder.begin(), folder.end());
}

// "TestSkin" read into the tables from a folder of its files.
void LoadTestSkin(SkinTables& t)
{
    const std::string folder = TempSkinFolder();
    skin::testing::WriteTestSkinFolder(folder);
    const auto files = skin::testing::TestSkinFiles();
    core::StringList lines;
    lines.SetText(core::FromUtf8(files[0].bytes));
    core::MemIniFile ini(u"");
    ini.SetStrings(lines);
    const SkinImageSource source{nullptr, core::FromUtf8(folder)};
    ReadMasks(t, ini, source, nullptr, &t);
    ReadPatterns(t, ini, source, nullptr, &t);
    LoadAllGeneralData(t, ini, {});
    t.InitConstantIndexes();
    t.SkinData.Active = true;
}

void Label(ui::Bitmap& bmp, int x, int y, core::StringView text, uint32_t color = 0x202020)
{
    ui::Canvas& c = bmp.Canvas();
    c.SetBrushStyle(ui::bsClear);
    c.Font().SetColor(color);
    RECT r{x, y, x + 740, y + 16};
    HDC dc = c.Handle();
    const int mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF old = SetTextColor(dc, color);
    DrawTextStr(dc, text, r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, old);
    SetBkMode(dc, mode);
}

void FillRect(ui::Bitmap& bmp, const RECT& r, uint32_t color)
{
    FillDCSolid(bmp.Canvas().Handle(), r, color);
    GdiFlush();
}

class PaintForm : public ui::Form {
public:
    explicit PaintForm(core::Component* owner) : ui::Form(owner)
    {
        SetCaption(u"Skin painters");
        SetBorderStyle(ui::bsSingle);
        SetBorderIcons(0);
        SetClientSize(kWidth, kHeight);
        SetBounds(10, 10, Width(), Height());
        LoadTestSkin(m_tables);
        SetDefaultManager(&m_tables);
        Compose();
        auto* picture = new Picture(this);
        picture->Bmp = m_page.get();
        picture->SetParent(this);
        picture->SetBounds(0, 0, kWidth, kHeight);
        HotButton();
    }
    ~PaintForm() override
    {
        ClearGlowEffects();
        SetDefaultManager(nullptr);
    }

private:
    int Index(core::StringView name) const { return m_tables.GetSkinIndex(name); }

    void Compose()
    {
        m_page = NewBmp24(kWidth, kHeight);
        ui::Bitmap& page = *m_page;
        // A striped ground, so that transparency and key-colour corners show what lies under them.
        for (int y = 0; y < kHeight; y += 8)
            FillRect(page, RECT{0, y, kWidth, y + 8}, (y / 8) % 2 ? 0xD8E8F0 : 0xC8D8E8);
        page.Canvas().Font().SetName(u"Tahoma");
        page.Canvas().Font().SetHeight(-11);
        Items(page, 10);
        Borders(page, 130);
        Textures(page, 230);
        Glyphs(page, 340);
        Captions(page, 430);
        Label(page, 10, kPanelTop - 20, u"Glow: a hot GLOWBUTTON and alpha image list glyphs over a textured PANEL, the halo in a layered window");
    }

    // A textured panel (a window of its own) with a hot button whose skin state shows its glow once
    // the form is on the screen.
    void HotButton()
    {
        auto* panel = new WindowPicture(this);
        panel->Bmp = NewBmp24(kPanelWidth, kPanelHeight);
        const Rect panelRect{0, 0, kPanelWidth, kPanelHeight};
        PaintSectionItem(Index(u"PANEL"), u"PANEL", MakeCacheInfo(m_page.get(), kPanelLeft, kPanelTop), true, 0,
                         panelRect, POINT{0, 0}, panel->Bmp.get(), nullptr);
        ListGlyphs(*panel->Bmp);
        panel->SetParent(this);
        panel->SetBounds(kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight);

        auto* button = new WindowPicture(this);
        button->Bmp = NewBmp24(kButtonWidth, kButtonHeight);
        const int index = Index(u"GLOWBUTTON");
        PaintSectionItem(index, u"GLOWBUTTON", MakeCacheInfo(panel->Bmp.get(), kButtonLeft, kButtonTop), true, 1,
                         Rect{0, 0, kButtonWidth, kButtonHeight}, POINT{0, 0}, button->Bmp.get(), nullptr);
        ui::Canvas& c = button->Bmp->Canvas();
        c.Font().SetName(u"Tahoma");
        c.Font().SetHeight(-12);
        c.Font().SetStyle(ui::fsBold);
        PaintSectionText(c, u"Hot button", true, RECT{0, 0, kButtonWidth, kButtonHeight},
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE, index, true, nullptr);
        GdiFlush();
        button->SetParent(panel);
        button->SetBounds(kButtonLeft, kButtonTop, kButtonWidth, kButtonHeight);

        m_button_data = std::make_unique<TsCommonData>(button, false);
        m_button_data->SetSkinSection(u"GLOWBUTTON");
        auto* show = new ui::Timer(this);
        show->SetInterval(300);
        show->SetOnTimer([this, show](core::Object*) {
            show->SetEnabled(false);
            m_button_data->FMouseAbove = true;
            m_button_data->UpdateGlow(false, nullptr);
        });
    }

    // Three 16 x 16 discs with soft edges from an alpha image list, composited over the panel's face.
    static void ListGlyphs(ui::Bitmap& face)
    {
        TsAlphaImageList list(nullptr, 16, 16);
        list.BeginLoad();
        list.AfterConstruction();
        for (uint32_t colour : {0xE04020u, 0x30A040u, 0x3050D0u}) {
            const std::string png = skin::testing::EncodeRgbaPng(16, 16, [colour](int x, int y) {
                const double d = std::hypot(x - 7.5, y - 7.5);
                const auto alpha = uint32_t(std::clamp((8.0 - d) * 128.0, 0.0, 255.0));
                return alpha << 24 | colour;
            });
            auto* item = static_cast<TsImgListItem*>(list.Items().Add());
            item->ImageFormat = ifPNG;
            item->ImgData.WriteBuffer(png.data(), int64_t(png.size()));
        }
        list.Loaded();
        SIZE size{};
        for (int i = 0; i < list.Count(); ++i)
            PaintListGlyph(&list, &face, 14 + 26 * i, 40, i, 0, ui::clNone, 0, 1, false, size);
    }

    // Items of three sections in states 0, 1, 2 and disabled, over the page.
    void Items(ui::Bitmap& page, int top)
    {
        Label(page, 10, top, u"Section items: states 0, 1, 2, disabled (PANEL, BUTTON, EDIT)");
        const core::StringView names[] = {u"PANEL", u"BUTTON", u"EDIT"};
        int x = 10;
        for (core::StringView name : names) {
            for (int state = 0; state < 4; ++state) {
                const Rect r{x, top + 20, x + 56, top + 100};
                if (state < 3) {
                    PaintSectionItem(Index(name), name, MakeCacheInfo(&page, 0, 0), true, state, r, POINT{0, 0}, &page,
                                     nullptr);
                } else {
                    auto item = NewBmp24(56, 80);
                    PaintSectionItem(Index(name), name, MakeCacheInfo(&page, x, top + 20), true, 0, Rect{0, 0, 56, 80},
                                     POINT{0, 0}, item.get(), nullptr);
                    ApplyDisabledKind(item.get(), dkGrayed | dkBlended, nullptr, MakeCacheInfo(&page, x, top + 20),
                                      POINT{0, 0});
                    BitBlt(page.Canvas().Handle(), x, top + 20, 56, 80, item->Canvas().Handle(), 0, 0, SRCCOPY);
                    GdiFlush();
                }
                x += 60;
            }
            x += 10;
        }
    }

    // Border masks nine-sliced over several sizes, and frames that cut a region.
    void Borders(ui::Bitmap& page, int top)
    {
        Label(page, 10, top, u"Border masks: PaintMaskRect (sizes, states 0, 1, 2), PaintMaskFrame through the region it cuts");
        const core::StringView names[] = {u"PANEL", u"BUTTON", u"SCROLLBTNTOP"};
        int x = 10;
        for (core::StringView name : names) {
            const int mask = m_tables.GetMaskIndex(name, u"BORDERSMASK");
            if (mask < 0)
                continue;
            const Rect sizes[] = {{x, top + 20, x + 90, top + 80}, {x + 95, top + 20, x + 125, top + 50},
                                  {x + 95, top + 55, x + 102, top + 62}};
            int state = 0;
            for (const Rect& r : sizes)
                PaintMaskRect(&page, r, true, MakeCacheInfo(&page, 0, 0), m_tables.ma[size_t(mask)], state++, true);
            x += 140;
        }
        // A frame over a bitmap of its own, with the region it cuts shown in black outside.
        const int button = m_tables.GetMaskIndex(u"BUTTON", u"BORDERSMASK");
        if (button >= 0) {
            auto frame = NewBmp24(90, 60);
            FillRect(*frame, RECT{0, 0, 90, 60}, 0xFFFFFF);
            HRGN region = CreateRectRgn(0, 0, 90, 60);
            PaintMaskFrame(frame.get(), region, true, 1, m_tables.ma[size_t(button)]);
            FillRect(page, RECT{x, top + 20, x + 90, top + 80}, 0x000000);
            HDC dc = page.Canvas().Handle();
            const int saved = SaveDC(dc);
            OffsetRgn(region, x, top + 20);
            ExtSelectClipRgn(dc, region, RGN_AND);
            BitBlt(dc, x, top + 20, 90, 60, frame->Canvas().Handle(), 0, 0, SRCCOPY);
            RestoreDC(dc, saved);
            DeleteObject(region);
            GdiFlush();
        }
    }

    // A texture entry in every mode (0-7, 10) over the section colour.
    void Textures(ui::Bitmap& page, int top)
    {
        Label(page, 10, top, u"Textures: PaintTexture modes 0-7 and 10 (left uncovered: section colour)");
        const int mask = m_tables.GetMaskIndex(u"SCROLLBTNTOP", u"PATTERN");
        if (mask < 0)
            return;
        // The texture's area of the master bitmap, drawn with a visible pattern for the demo.
        const MaskData& m = m_tables.ma[size_t(mask)];
        ui::Bitmap* master = m_tables.MasterBitmap.get();
        for (int y = m.R.Top; y < m.R.Bottom; ++y)
            for (int x = m.R.Left; x < m.R.Right; ++x)
                master->Pixels().WritePixel(x, y, ((x / 4 + y / 4) % 2) ? 0x3060C0 : 0x80C0F0);
        const int modes[] = {0, 1, 2, 3, 4, 5, 6, 7, 10};
        int x = 10;
        for (int mode : modes) {
            const Rect area{x, top + 20, x + 76, top + 96};
            FillRect(page, RECT{area.Left, area.Top, area.Right, area.Bottom}, 0xE0E0E0);
            Rect r = area;
            PaintTexture(page.Canvas(), r, nullptr, mode, m);
            Label(page, x, top + 98, core::String(u"mode ") + core::IntToStr(mode));
            x += 82;
        }
        GdiFlush();
    }

    // Glyph strips by state and mask glyphs.
    void Glyphs(ui::Bitmap& page, int top)
    {
        Label(page, 10, top, u"PaintGlyphBmp: 4-cell strip normal, hot, pressed, down, disabled; single glyph blended 0/50 %, "
                             u"grayed; PaintMaskGlyph");
        auto strip = NewBmp24(96, 24);
        const uint32_t cells[4] = {0x2080FF, 0x20C020, 0xC04020, 0x8020A0};
        for (int i = 0; i < 4; ++i) {
            FillRect(*strip, RECT{i * 24, 0, i * 24 + 24, 24}, 0xFF00FF);
            FillRect(*strip, RECT{i * 24 + 4, 4, i * 24 + 20, 20}, cells[i]);
            FillRect(*strip, RECT{i * 24 + 10, 2, i * 24 + 14, 22}, cells[i]);
        }
        struct Shot {
            bool enabled;
            int state;
            bool down;
        };
        const Shot shots[] = {{true, 0, false}, {true, 1, false}, {true, 2, false}, {true, 2, true}, {false, 0, false}};
        int x = 10;
        for (const Shot& s : shots) {
            PaintGlyphBmp(strip.get(), &page, RECT{x, top + 20, x + 24, top + 44}, 4, s.enabled, 0, s.state, 0, s.down,
                          false);
            x += 34;
        }
        auto single = NewBmp24(24, 24);
        FillRect(*single, RECT{0, 0, 24, 24}, 0xFF00FF);
        FillRect(*single, RECT{3, 3, 21, 21}, 0x2080FF);
        PaintGlyphBmp(single.get(), &page, RECT{x, top + 20, x + 24, top + 44}, 1, true, 0, 0, 0, false, false);
        PaintGlyphBmp(single.get(), &page, RECT{x + 34, top + 20, x + 58, top + 44}, 1, true, 0, 0, 50, false, false);
        PaintGlyphBmp(single.get(), &page, RECT{x + 68, top + 20, x + 92, top + 44}, 1, false, dgGrayed, 0, 0, false,
                      false);
        x += 120;
        const int glyph = m_tables.GetMaskIndex(u"BUTTON", u"GLYPHMASK");
        for (int state = 0; glyph >= 0 && state < 3; ++state) {
            PaintMaskGlyph(&page, POINT{x, top + 24}, state, 1, m_tables.ma[size_t(glyph)], MakeCacheInfo(&page, 0, 0));
            x += 40;
        }
        PaintDotFrame(page.Canvas(), RECT{x + 10, top + 20, x + 70, top + 50});
        RECT frame{x + 90, top + 18, x + 150, top + 54};
        int width = 3;
        FrameDC3D(page.Canvas().Handle(), frame, 0xFFFFFF, 0x404040, width);
        GdiFlush();
    }

    // Captions in the sections' font colours: contours, hot, disabled.
    void Captions(ui::Bitmap& page, int top)
    {
        Label(page, 10, top, u"Captions: PaintSectionText normal / hot / disabled; a section with four contours");
        // A section of the demo's own with a contour in each direction.
        SectionData contour = m_tables.gd[size_t(Index(u"BUTTON"))];
        contour.ClassName = u"DEMOCAPTION";
        const uint32_t colours[5] = {0xFFFFFF, 0x0000C0, 0x00A000, 0xC00000, 0x008080};
        std::copy(colours, colours + 5, contour.FontColor);
        m_tables.gd.push_back(contour);
        ui::Canvas& c = page.Canvas();
        c.Font().SetName(u"Arial");
        c.Font().SetHeight(-22);
        c.Font().SetStyle(ui::fsBold);
        const UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE;
        struct Line {
            core::StringView section;
            bool enabled, hot;
            const char16_t* text;
        };
        const Line lines[] = {{u"BUTTON", true, false, u"Button"},  {u"BUTTON", true, true, u"Hot"},
                              {u"BUTTON", false, false, u"Disabled"}, {u"DEMOCAPTION", true, false, u"Contours"},
                              {u"EDIT", true, true, u"Edit hot"}};
        int x = 10;
        for (const Line& l : lines) {
            PaintSectionText(c, l.text, l.enabled, RECT{x, top + 24, x + 160, top + 60}, format, Index(l.section), l.hot,
                             nullptr);
            x += l.section == u"DEMOCAPTION" ? 150 : 120;
        }
        GdiFlush();
    }

    DemoSkin m_tables;
    std::unique_ptr<ui::Bitmap> m_page;
    std::unique_ptr<TsCommonData> m_button_data;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    InitSkinEngine();
    int seconds = argc > 1 ? int(std::wcstol(argv[1], nullptr, 10)) : 10;
    ui::App().SetTitle(u"Skin painters");
    auto* form = ui::App().CreateForm<PaintForm>();
    auto* timer = new ui::Timer(form);
    timer->SetInterval(unsigned(seconds > 0 ? seconds : 10) * 1000);
    timer->SetOnTimer([form](core::Object*) { form->Close(); });
    ui::App().Run();
    DoneSkinEngine();
    return 0;
}
