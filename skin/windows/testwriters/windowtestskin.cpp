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

} // namespace

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
    files[0].bytes = options;
    return files;
}

} // namespace skin::testing
