// A JPEG picture: the file's bytes as read, and the picture decoded into a 24-bit bitmap that draws
// on a device context.
#pragma once

#include "core/persistent.h"
#include "core/stream.h"
#include "ui/bitmap.h"

#include <memory>
#include <string>

namespace ui {

class JpegImage : public core::Persistent {
public:
    core::String ClassName() const override { return u"TJPEGImage"; }

    // The rest of the stream; EInvalidGraphic "JPEG error #N" when libjpeg refuses it (the image
    // keeps its previous picture then).
    void LoadFromStream(core::Stream& stream);
    void SaveToStream(core::Stream& stream) const;
    int Width() const { return m_bitmap ? m_bitmap->Width() : 0; }
    int Height() const { return m_bitmap ? m_bitmap->Height() : 0; }
    bool Empty() const { return !m_bitmap; }
    const std::string& Bytes() const { return m_bytes; }
    // The decoded picture (null while empty).
    ui::Bitmap* Bitmap() const { return m_bitmap.get(); }
    void Draw(HDC dc, const RECT& r);
    void Assign(const core::Persistent& source) override;

private:
    std::string m_bytes;
    std::unique_ptr<ui::Bitmap> m_bitmap;
};

} // namespace ui
