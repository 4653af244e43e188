// The window test skin: one three-state BMP per scroll-bar section (states side by side, each a
// solid colour, one-pixel borders) and a solid grip glyph.
#include "skin/windows/testwriters/windowtestskin.h"

#include <string>

namespace skin::testing {

namespace {

constexpr int kStateSize = 8;

const char* const kSections[wtPartCount] = {
    "SCROLLBAR1H", "SCROLLBAR2H", "SCROLLBAR1V", "SCROLLBAR2V", "SCROLLBTNLEFT",
    "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM", "SCROLLSLIDERH", "SCROLLSLIDERV",
};

const char* const kBoxSections[wbBoxCount] = {"EDIT", "BUTTON", "CHECKBOX", "GROUPBOX", "PANEL_LOW"};
const char* const kGlyphNames[wgGlyphCount] = {"BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED", "RADIOCHECKED",
                                               "RADIOUNCHECKED"};

// Takes a section (header and keys) out of an options text.
void EraseSection(std::string& options, const std::string& name)
{
    const size_t at = options.find("[" + name + "]\r\n");
    if (at == std::string::npos)
        return;
    const size_t next = options.find("\r\n[", at + 1);
    options.erase(at, next == std::string::npos ? std::string::npos : next + 2 - at);
}

void EraseLine(std::string& options, const std::string& prefix)
{
    const size_t at = options.find("\r\n" + prefix);
    if (at != std::string::npos)
        options.erase(at + 2, options.find("\r\n", at + 2) + 2 - (at + 2));
}

// The boxes and check glyphs of the simple-window wrappers, in place of TestSkin's own.
void AddBoxes(std::string& options, std::vector<SkinFile>& files)
{
    std::string glyphs;
    for (int g = 0; g < wgGlyphCount; ++g) {
        const auto glyph = WindowTestGlyph(g);
        EraseLine(options, std::string(kGlyphNames[g]) + "=");
        const std::string file = "W" + std::string(kGlyphNames[g]) + ".BMP";
        glyphs += std::string(kGlyphNames[g]) + "=!" + file + "!3!1!0\r\n";
        files.push_back({file, EncodeBmp24(3 * kCheckGlyphSize, 2 * kCheckGlyphSize, [glyph](int x, int y) {
                             return y < kCheckGlyphSize ? WindowTestGlyphColor(glyph, x / kCheckGlyphSize) : 0u;
                         })});
    }
    options.insert(options.find("[PANEL]"), glyphs);
    for (int b = 0; b < wbBoxCount; ++b) {
        const auto box = WindowTestBox(b);
        EraseSection(options, kBoxSections[b]);
        const std::string file = "W" + std::string(kBoxSections[b]) + ".BMP";
        options += "[" + std::string(kBoxSections[b]) + "]\r\n";
        options += "COLOR=" + std::to_string(WindowTestBoxColor(box, 0)) + "\r\n";
        options += "HOTCOLOR=" + std::to_string(WindowTestBoxColor(box, 1)) + "\r\n";
        options += "BORDERSMASK=!" + file + "!3!0!0!2!2!2!2\r\n";
        files.push_back({file, EncodeBmp24(3 * kBoxStateSize, kBoxStateSize, [box](int x, int y) {
                             const int sx = x % kBoxStateSize;
                             const bool cornerX = sx < 2 || sx >= kBoxStateSize - 2;
                             const bool cornerY = y < 2 || y >= kBoxStateSize - 2;
                             return cornerX && cornerY ? 0xFF00FFu : WindowTestBoxColor(box, x / kBoxStateSize);
                         })});
    }
}

} // namespace

const char* WindowTestBoxSection(WindowTestBox box) { return kBoxSections[box]; }
const char* WindowTestGlyphName(WindowTestGlyph glyph) { return kGlyphNames[glyph]; }

const char* WindowTestSection(WindowTestPart part) { return kSections[part]; }

std::vector<SkinFile> WindowTestSkinFiles()
{
    std::vector<SkinFile> files = TestSkinFiles();
    std::string options = files[0].bytes;
    // The grip belongs to the global section that TestSkin opens with.
    const std::string firstSection = "[PANEL]";
    options.insert(options.find(firstSection), "GRIPIMAGE=!GRIP.BMP!1!0!2\r\n");
    for (int p = 0; p < wtPartCount; ++p) {
        const auto part = WindowTestPart(p);
        const std::string file = std::string(kSections[p]) + ".BMP";
        options += "[" + std::string(kSections[p]) + "]\r\n";
        options += "COLOR=" + std::to_string(WindowTestColor(part, 0)) + "\r\n";
        options += "BORDERSMASK=!" + file + "!3!0!0!1!1!1!1\r\n";
        files.push_back({file, EncodeBmp24(3 * kStateSize, kStateSize, [part](int x, int) {
                             return WindowTestColor(part, x / kStateSize);
                         })});
    }
    // A section that shows its parent through.
    options += "[CLEARPANEL]\r\nTRANSPARENCY=100\r\n";
    files.push_back({"GRIP.BMP", EncodeBmp24(kGripSize, kGripSize, [](int, int) { return kGripColor; })});
    AddBoxes(options, files);
    files[0].bytes = options;
    return files;
}

} // namespace skin::testing
