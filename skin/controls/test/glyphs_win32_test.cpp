// Glyph bitmaps and image lists of the skinned controls, and their published properties read and
// written by name, on real controls of a real form.
#include "skin/controls/checkbox.h"
#include "skin/controls/framebar.h"
#include "skin/controls/properties.h"
#include "skin/controls/speedbutton.h"
#include "skin/controls/splitter.h"
#include "ui/test/uitest.h"

#include <cstring>
#include <memory>

namespace skin {
namespace {

using ui::test::UiTest;

// The painting steps are protected; the tests call them on a bitmap's canvas.
class PaintedSpeedButton : public TsSpeedButton {
public:
    using TsSpeedButton::TsSpeedButton;
    using TsSpeedButton::DrawGlyph;
};

class PaintedSplitter : public TsSplitter {
public:
    using TsSplitter::TsSplitter;
    using TsSplitter::Paint;
};

// A 24-bit bitmap of cells side by side, each filled with its colour, with a one-pixel frame of
// frameColor around every cell.
std::unique_ptr<ui::Bitmap> Cells(int cellWidth, int height, std::initializer_list<ui::Color> colors,
                                  ui::Color frameColor)
{
    auto result = std::make_unique<ui::Bitmap>(cellWidth * int(colors.size()), height, ui::pf24bit);
    ui::Bitmap& bitmap = *result;
    int x = 0;
    for (ui::Color c : colors) {
        bitmap.Canvas().SetBrushColor(frameColor);
        bitmap.Canvas().FillRect(RECT{x, 0, x + cellWidth, height});
        bitmap.Canvas().SetBrushColor(c);
        bitmap.Canvas().FillRect(RECT{x + 1, 1, x + cellWidth - 1, height - 1});
        x += cellWidth;
    }
    return result;
}

class SkinGlyphs : public UiTest {
protected:
    SkinGlyphs()
    {
        InitSkinControls();
        form->SetClientSize(400, 300);
        form->Show();
    }
    ~SkinGlyphs() override { DoneSkinControls(); }

    template <class T> T* Add()
    {
        auto* control = new T(form.get());
        control->SetParent(form.get());
        return control;
    }

    std::unique_ptr<ui::Form> form{new ui::Form()};
};

TEST_F(SkinGlyphs, SpeedButtonDrawsTheCellOfItsStateTransparent)
{
    auto* speed = Add<PaintedSpeedButton>();
    speed->SetBounds(0, 0, 60, 30);
    EXPECT_EQ(speed->GlyphWidth(), 0);
    EXPECT_EQ(speed->GlyphHeight(), 0);

    // Two cells of 20 x 16 (up: red, disabled: blue) framed in the transparent green of the
    // bottom-left pixel.
    speed->SetGlyph(*Cells(20, 16, {0x0000FF, 0xFF0000}, 0x00FF00));
    speed->SetNumGlyphs(2);
    EXPECT_EQ(speed->GlyphWidth(), 20);
    EXPECT_EQ(speed->GlyphHeight(), 16);
    RECT img = speed->ImgRect();
    EXPECT_EQ(img.right - img.left, 20);
    EXPECT_EQ(img.bottom - img.top, 16);
    EXPECT_EQ(img.left, (60 - 20) / 2 + 0); // centred, no caption, margin -1 counts as 0
    EXPECT_EQ(img.top, (30 - 16) / 2);

    struct Case {
        bool enabled;
        ui::Color inside;
    } cases[] = {{true, 0x0000FF}, {false, 0xFF0000}};
    for (const Case& c : cases) {
        speed->SetEnabled(c.enabled);
        ui::Bitmap target(60, 30, ui::pf24bit);
        target.Canvas().SetBrushColor(0xFFFFFF);
        target.Canvas().FillRect(RECT{0, 0, 60, 30});
        speed->DrawGlyph(target.Canvas());
        img = speed->ImgRect();
        EXPECT_EQ(target.PixelColor(img.left + 10, img.top + 8), c.inside) << c.enabled;
        // The frame is the transparent colour: what was under it stays.
        EXPECT_EQ(target.PixelColor(img.left, img.top), ui::Color(0xFFFFFF)) << c.enabled;
    }
}

TEST_F(SkinGlyphs, SpeedButtonImageListItemReplacesTheGlyph)
{
    auto* speed = Add<PaintedSpeedButton>();
    speed->SetBounds(0, 0, 60, 30);
    auto* list = new ui::ImageList(form.get(), 24, 18);
    for (ui::Color c : {ui::Color(0x0000FF), ui::Color(0x00FF00), ui::Color(0xFF0000)}) {
        auto image = Cells(24, 18, {c}, c);
        ASSERT_GE(list->Add(*image), 0);
    }
    ASSERT_EQ(list->Count(), 3);
    speed->SetGlyph(*Cells(10, 10, {0x0000FF}, 0x0000FF));
    speed->SetImages(list);
    speed->SetImageIndex(2);
    EXPECT_TRUE(speed->HasListGlyph());
    EXPECT_EQ(speed->GlyphWidth(), 24);
    EXPECT_EQ(speed->GlyphHeight(), 18);

    ui::Bitmap target(60, 30, ui::pf24bit);
    speed->DrawGlyph(target.Canvas()); // the glyph bitmap is not empty: it wins
    speed->Loaded();                   // a valid list item clears the glyph bitmap
    EXPECT_TRUE(speed->Glyph().Empty());
    target.Canvas().SetBrushColor(0xFFFFFF);
    target.Canvas().FillRect(RECT{0, 0, 60, 30});
    speed->DrawGlyph(target.Canvas());
    RECT img = speed->ImgRect();
    EXPECT_EQ(target.PixelColor(img.left + 12, img.top + 9), ui::Color(0xFF0000));

    // An index outside the list: no glyph at all.
    speed->SetImageIndex(3);
    EXPECT_FALSE(speed->HasListGlyph());
    EXPECT_EQ(speed->GlyphWidth(), 0);

    // The freed list leaves the button.
    delete list;
    EXPECT_EQ(speed->Images(), nullptr);
    EXPECT_EQ(speed->GlyphWidth(), 0);
}

TEST_F(SkinGlyphs, CheckAndRadioBoxGlyphCells)
{
    auto* check = Add<TsCheckBox>();
    auto* radio = Add<TsRadioButton>();
    EXPECT_EQ(check->GlyphSize().cx, 16);
    EXPECT_EQ(check->GlyphSize().cy, 16);

    // Three cells in the upper half of the checked bitmap.
    ui::Bitmap glyph(60, 40, ui::pf24bit);
    check->SetGlyphChecked(glyph);
    radio->SetGlyphChecked(glyph);
    EXPECT_FALSE(check->GlyphChecked().Empty());
    EXPECT_EQ(check->GlyphSize().cx, 20);
    EXPECT_EQ(check->GlyphSize().cy, 20);
    EXPECT_EQ(radio->GlyphSize().cx, 20);
    EXPECT_EQ(radio->GlyphSize().cy, 20);

    // An image list with both indexes set comes first; one index missing falls back to the bitmap.
    ui::ImageList list(nullptr, 48, 32);
    check->SetImages(&list);
    check->SetImgChecked(0);
    EXPECT_EQ(check->GlyphSize().cx, 20);
    check->SetImgUnchecked(1);
    EXPECT_EQ(check->GlyphSize().cx, 16);
    EXPECT_EQ(check->GlyphSize().cy, 16);
    check->SetImages(nullptr);
}

TEST_F(SkinGlyphs, SplitterGlyphIsCentredAndLaidByItsAlpha)
{
    // The blend alone: half-transparent red over white, opaque blue, fully transparent.
    ui::Bitmap under(3, 1, ui::pf24bit);
    under.Canvas().SetBrushColor(0xFFFFFF);
    under.Canvas().FillRect(RECT{0, 0, 3, 1});
    ui::Bitmap glyph(3, 1, ui::pf32bit);
    const uint8_t pixels[3][4] = {{0, 0, 255, 128}, {255, 0, 0, 255}, {0, 255, 0, 0}};
    std::memcpy(glyph.ScanLine(0), pixels, sizeof pixels);
    BlendGlyphOver(under, 0, 0, glyph);
    EXPECT_EQ(under.PixelColor(0, 0), ui::Color(0x7F7FFF));
    EXPECT_EQ(under.PixelColor(1, 0), ui::Color(0xFF0000));
    EXPECT_EQ(under.PixelColor(2, 0), ui::Color(0xFFFFFF));
    // Out of the target: left out, no fault.
    BlendGlyphOver(under, 2, 0, glyph);
    BlendGlyphOver(under, -5, -5, glyph);

    auto* splitter = Add<PaintedSplitter>();
    splitter->SetAlign(ui::alNone);
    splitter->SetBounds(0, 0, 30, 40);
    ASSERT_EQ(splitter->Height(), 40);
    ui::Bitmap opaque(4, 6, ui::pf32bit);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = opaque.ScanLine(y) + x * 4;
            p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 255;
        }
    splitter->SetGlyph(opaque);
    ui::Bitmap target(30, 40, ui::pf24bit);
    splitter->Paint(target.Canvas());
    EXPECT_EQ(target.PixelColor(13, 17), ui::Color(0xFF0000)); // (30 - 4) / 2, (40 - 6) / 2
    EXPECT_EQ(target.PixelColor(16, 22), ui::Color(0xFF0000));
    EXPECT_NE(target.PixelColor(12, 17), ui::Color(0xFF0000));
    EXPECT_NE(target.PixelColor(13, 23), ui::Color(0xFF0000));
}

TEST_F(SkinGlyphs, FrameBarGivesItsImageListToItsTitleButtons)
{
    auto* bar = Add<TsFrameBar>();
    TsTitleItem* first = bar->Items().Add();
    TsTitleItem* second = bar->Items().Add();
    auto* list = new ui::ImageList(form.get(), 16, 16);
    bar->SetImages(list);
    EXPECT_EQ(first->TitleButton->Images(), list);
    EXPECT_EQ(second->TitleButton->Images(), list);
    second->SetImageIndex(0);
    EXPECT_EQ(second->TitleButton->ImageIndex(), 0);
    delete list;
    EXPECT_EQ(bar->Images(), nullptr);
    EXPECT_EQ(first->TitleButton->Images(), nullptr);
}

TEST_F(SkinGlyphs, PropertiesByNameOnRealControls)
{
    auto* check = Add<TsCheckBox>();
    EXPECT_EQ(ui::ClassNameOf(*check), u"TsCheckBox");
    // Own properties, case-insensitive names, through the registry.
    EXPECT_TRUE(ui::HasProperty(check, u"Margin"));
    EXPECT_EQ(ui::GetOrdProperty(check, u"Margin"), 2);
    ui::SetOrdProperty(check, u"margin", 5);
    EXPECT_EQ(check->Margin(), 5);
    // The base class's colour along the chain; a property nobody has is absent.
    check->SetColor(0x123456);
    EXPECT_TRUE(ui::HasProperty(check, u"Color"));
    EXPECT_EQ(ui::GetOrdProperty(check, u"Color"), 0x123456);
    EXPECT_FALSE(ui::HasProperty(check, u"FocusColor"));
    EXPECT_EQ(ui::GetOrdProperty(check, u"FocusColor"), -1);
    ui::SetOrdProperty(check, u"FocusColor", 1); // nothing happens

    // Sets by element name.
    EXPECT_TRUE(ui::SetPropHasElement(check, u"DisabledKind", u"dkBlended"));
    EXPECT_FALSE(ui::ChangeSetProperty(check, u"DisabledKind", u"dkGrayed", true));
    EXPECT_EQ(check->DisabledKind(), unsigned(dkBlended | dkGrayed));
    ui::ChangeSetProperty(check, u"DisabledKind", u"dkBlended", false);
    EXPECT_EQ(check->DisabledKind(), unsigned(dkGrayed));
    EXPECT_EQ(ui::GetSetProperty(check, u"AnimatEvents"), u"aeGlobalDef");

    // The skin state as an object property, with its own properties.
    core::Object* data = ui::GetObjectProperty(check, u"SkinData");
    ASSERT_EQ(data, check->SkinData());
    ui::SetOrdProperty(data, u"CustomColor", 1);
    EXPECT_TRUE(check->SkinData()->CustomColor());

    // Object properties: glyph bitmaps and image lists.
    EXPECT_EQ(ui::GetObjectProperty(check, u"GlyphChecked"), &check->GlyphChecked());
    auto* speed = Add<TsSpeedButton>();
    ui::ImageList list(nullptr, 16, 16);
    ui::SetObjectProperty(speed, u"Images", &list);
    EXPECT_EQ(speed->Images(), &list);
    ui::SetOrdProperty(speed, u"ImageIndex", 4);
    EXPECT_EQ(speed->ImageIndex(), 4);
    ui::SetObjectProperty(speed, u"Images", nullptr);
    EXPECT_EQ(speed->Images(), nullptr);

    // A title button has what a speed button has.
    auto* bar = Add<TsFrameBar>();
    TsTitleItem* item = bar->Items().Add();
    EXPECT_EQ(ui::ClassNameOf(*item->TitleButton), u"TsTitleButton");
    EXPECT_EQ(ui::GetOrdProperty(item->TitleButton, u"Blend"), 0);
    EXPECT_EQ(ui::GetOrdProperty(bar, u"TitleHeight"), bar->TitleHeight());
    EXPECT_TRUE(ui::HasProperty(bar, u"AutoMouseWheel"));
}

} // namespace
} // namespace skin
