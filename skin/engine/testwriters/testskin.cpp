// The synthetic "TestSkin". Geometry of the master bitmap (120 x 60, dark red):
//   (0,0)-(30,10)   BICONCLOSE, three 10 x 10 states, red
//   (30,0)-(60,10)  BICONMAX, dark blue
//   (0,20)-(60,41)  the border rectangle of PANEL and BUTTON, dark red
#include "skin/engine/testwriters/testskin.h"

#include "skin/engine/testwriters/writers.h"
#include "ui/jpegformat.h"
#include "ui/pixelview.h"

#include <algorithm>
#include <fstream>

namespace skin::testing {

namespace {

void Put16(std::string& s, uint32_t v)
{
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string Jpeg(int width, int height, uint32_t color)
{
    ui::PixelBuffer pixels(width, height, ui::pf24bit);
    ui::PixelView v = pixels.View();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = v.Row(y) + x * 3;
            p[0] = uint8_t(color >> 16), p[1] = uint8_t(color >> 8), p[2] = uint8_t(color);
        }
    return ui::EncodeJpeg(v, 95);
}

// 12 x 4, three 4 x 4 states: green, opaque in the middle, key colour in the corners and
// fully transparent white at the edge pixels between them.
std::string GlyphPng()
{
    PngImage png;
    png.width = 12;
    png.height = 4;
    png.colorType = 6;
    for (int y = 0; y < 4; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < 12; ++x) {
            int sx = x % 4;
            bool corner = (sx == 0 || sx == 3) && (y == 0 || y == 3);
            bool edge = !corner && (sx == 0 || sx == 3 || y == 0 || y == 3);
            if (corner)
                samples.insert(samples.end(), {255, 0, 255, 255});
            else if (edge)
                samples.insert(samples.end(), {255, 255, 255, 0});
            else
                samples.insert(samples.end(), {0, 200, 0, 128});
        }
        png.rows.push_back(PackSamples(samples, 8));
    }
    return EncodePng(png);
}

// The glow of GLOWBUTTON: one state of kGlowSize x kGlowSize, an orange halo (premultiplied) that
// fades outward over the borders and is fully transparent over the control.
std::string GlowPng()
{
    PngImage png;
    png.width = png.height = kGlowSize;
    png.colorType = 6;
    for (int y = 0; y < kGlowSize; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < kGlowSize; ++x) {
            const int dx = std::max({kGlowLeft - x, x - (kGlowSize - kGlowRight - 1), 0});
            const int dy = std::max({kGlowTop - y, y - (kGlowSize - kGlowBottom - 1), 0});
            const int d = std::max(dx, dy);
            const int a = d == 0 ? 0 : 255 - 30 * d;
            samples.insert(samples.end(), {a, a * 160 / 255, 0, a});
        }
        png.rows.push_back(PackSamples(samples, 8));
    }
    return EncodePng(png);
}

const char kOptions[] =
    "[GLOBALINFO]\r\n"
    "VERSION=6.48\r\nAUTHOR=Skin engine tests\r\nDESCRIPTION=Flat colours, known geometry\r\n"
    "MASTERBITMAP=MASTER.BMP\r\nTITLEHEIGHT=24\r\nBORDERWIDTH=5\r\nSHADOW1COLOR=$000080\r\nSHADOW1BLUR=3\r\n"
    "BORDERCOLOR=$FF00FF\r\nBIKEEPHUE=2\r\nBICONCLOSEGLOW=2\r\n"
    "COLOR=$C0C0C0\r\nFONTCOLOR=$000000\r\nHOTCOLOR=$FFFFFF\r\n"
    "BICONCLOSE=#(0,0,30,10)(3,0)\r\nBICONCLOSEGLOW0=!GLOW.PNG!3!0!3\r\n"
    "BICONMAX=@0030,0000,0060,0010,3,0\r\n"
    "EXBORDER=^0000,0020,0060,0041,0004,0004,0004,0004,3,1,0,0\r\n"
    "BOXCHECKED=!GLYPH.PNG!3!0!4\r\nBOXUNCHECKED=!BOX.BMP!3!0!2\r\n"
    "[PANEL]\r\nCOLOR=$E0E0E0\r\nFONTCOLOR=$202020\r\nTRANSPARENCY=25\r\nGRADIENTPERCENT=50\r\n"
    "GRADIENTDATA=$FF0000;$00FF00;100;0;0;\r\nBORDERSMASK=#(0,20,60,41)(3,1)\r\nPATTERN=P300.JPG\r\n"
    "HOTPATTERN=P299.JPG\r\n"
    "[BUTTON]\r\nPARENTCLASS=PANEL\r\nCOLOR=$FF8000\r\nTCLEFT=$FFFFFF\r\nHOTTCBOTTOM=255\r\nSHOWFOCUS=TRUE\r\n"
    "BORDERSMASK=!BUTTON.BMP!3!1!0\r\nGLYPHMASK=@0000,0000,0030,0010,3,0\r\n"
    "[MYBUTTON]\r\nPARENTCLASS=BUTTON\r\nHOTCOLOR=$00FF00\r\n"
    "[EDIT]\r\nPARENTCLASS=PANEL\r\nHOTFONTCOLOR=$0000FF\r\nBORDERSMASK=EDIT.BMP\r\n"
    "[MENUITEM]\r\nHOTCOLOR=$800000\r\nHOTFONTCOLOR=$00FFFF\r\n"
    "[TABTOP]\r\nPARENTCLASS=BUTTON\r\n"
    "[SCROLLBTNTOP]\r\nBORDERSMASK=^0000,0020,0060,0041,0000,0000,0000,0000,3,1,0,2\r\n"
    "PATTERN=~0000,0000,0032,0032,01\r\nHOTPATTERN=~0000,0000,0032,0032,01,1\r\nGLYPHMASK=!arrow.BMP!1!0!2\r\n"
    "[COMBOBTN]\r\nPARENTCLASS=SCROLLBTNTOP\r\n"
    "[CYCLEA]\r\nPARENTCLASS=CYCLEB\r\n[CYCLEB]\r\nPARENTCLASS=CYCLEA\r\n"
    "[GLOWBUTTON]\r\nPARENTCLASS=BUTTON\r\nGLOW=1\r\nGLOWMARGIN=2\r\nFADINGENABLED=TRUE\r\nFADINGITERATIONS=5\r\nGLOW0=!BTNGLOW.PNG!1!0!3!6!6!8!8\r\n"
    "[GLOWCHILD]\r\nPARENTCLASS=GLOWBUTTON\r\nGLOW=1\r\n";

} // namespace

std::string EncodeBmp24(int width, int height, const std::function<uint32_t(int x, int y)>& color)
{
    int stride = (width * 3 + 3) & ~3;
    std::string s = "BM";
    Put32(s, uint32_t(54 + stride * height));
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, uint32_t(width));
    Put32(s, uint32_t(height));
    Put16(s, 1);
    Put16(s, 24);
    for (int i = 0; i < 6; ++i)
        Put32(s, 0);
    for (int y = height - 1; y >= 0; --y) {
        size_t start = s.size();
        for (int x = 0; x < width; ++x) {
            uint32_t c = color(x, y);
            s.push_back(char((c >> 16) & 0xFF));
            s.push_back(char((c >> 8) & 0xFF));
            s.push_back(char(c & 0xFF));
        }
        s.append(size_t(stride) - (s.size() - start), '\0');
    }
    return s;
}

std::vector<SkinFile> TestSkinFiles()
{
    auto master = [](int x, int y) -> uint32_t {
        if (y < 10 && x < 30)
            return kCloseIconColor;
        if (y < 10 && x < 60)
            return kTitleIconColor;
        return kMasterColor;
    };
    // Three 30 x 20 states over two rows, key-colour corners.
    auto button = [](int x, int y) -> uint32_t {
        int sx = x % 30;
        if ((sx == 0 || sx == 29) && (y == 0 || y == 39))
            return 0xFF00FF;
        return y < 20 ? 0x008000 : 0x000000;
    };
    return {
        {"Options.dat", kOptions},
        {"MASTER.BMP", EncodeBmp24(kMasterWidth, kMasterHeight, master)},
        {"BUTTON.BMP", EncodeBmp24(90, 40, button)},
        {"BOX.BMP", EncodeBmp24(36, 12, [](int, int) { return 0x00C0C0u; })},
        {"EDIT.BMP", EncodeBmp24(30, 20, [](int, int) { return 0x404040u; })},
        {"arrow.BMP", EncodeBmp24(8, 8, [](int, int) { return 0x000000u; })},
        {"GLYPH.PNG", GlyphPng()},
        {"GLOW.PNG", GlyphPng()},
        {"BTNGLOW.PNG", GlowPng()},
        {"P300.JPG", Jpeg(300, 300, 0x808000)},
        {"P299.JPG", Jpeg(299, 300, 0x008080)},
    };
}

std::string TestSkinArchive()
{
    std::vector<PackEntry> entries;
    for (const SkinFile& f : TestSkinFiles())
        entries.emplace_back(f.name, f.bytes);
    return PackArchive(entries);
}

bool WriteTestSkinFolder(const std::string& folder)
{
    for (const SkinFile& f : TestSkinFiles()) {
        std::ofstream out(folder + "/" + f.name, std::ios::binary);
        out.write(f.bytes.data(), std::streamsize(f.bytes.size()));
        if (!out)
            return false;
    }
    return true;
}

} // namespace skin::testing
