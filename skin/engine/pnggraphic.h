// TPNGGraphic: a class-library bitmap that reads PNG streams into itself and draws 32-bit images
// with their alpha over what a device context shows, optionally with a fading reflection below.
#pragma once

#include "core/stream.h"
#include "skin/engine/png.h"
#include "ui/bitmap.h"

#include <memory>

namespace skin {

class TPNGGraphic : public ui::Bitmap {
public:
    TPNGGraphic() = default;
    core::String ClassName() const override { return u"TPNGGraphic"; }

    static bool CanLoad(core::Stream& stream) { return TPNGReader::CanLoad(stream); }
    // Opens the file for reading (others may read, not write); false when it cannot be opened.
    static bool CanLoad(const core::String& fileName);

    void Assign(const core::Persistent& source) override;
    void LoadFromStream(core::Stream& stream);
    void LoadFromFile(const core::String& fileName);
    // Into r of dc: 32-bit images with their alpha (and, at the image's own size, the reflection when
    // Reflected); other formats as the bitmap draws itself.
    void Draw(HDC dc, const RECT& r);
    // A new icon from the image; the caller destroys it. With forceMask, or for images other than
    // 32-bit (which are made 32-bit), the pixels of the top-left pixel's value are transparent.
    HICON MakeIcon(bool forceMask);

    const TImageProperties& ImageProperties() const { return m_properties; }
    TColorManager& ColorManager() { return m_reader.ColorManager(); }
    uint32_t BackgroundColor() const { return m_reader.BackgroundColor(); }
    const std::vector<uint8_t>& Transparency() const { return m_reader.Transparency(); }
    TPNGReader& Reader() { return m_reader; }

    bool Reflected = false;

private:
    TPNGReader m_reader;
    TImageProperties m_properties; // of the image loaded or assigned last
};

// Registers "png" with the picture formats (engine start-up) and removes it again.
void RegisterPngFormat();
void UnregisterPngFormat();

} // namespace skin
