// JPEG pictures as class-library images.
#include "ui/jpegimage.h"

#include "ui/jpegformat.h"

#include <cstring>

namespace ui {

void JpegImage::LoadFromStream(core::Stream& stream)
{
    std::string bytes = stream.ReadToEnd();
    PixelBuffer pixels = DecodeJpeg(bytes);
    auto bitmap = std::make_unique<ui::Bitmap>(pixels.Width(), pixels.Height(), pf24bit);
    PixelView target = bitmap->Pixels(), source = pixels.View();
    for (int y = 0; y < source.Height(); ++y)
        std::memcpy(target.Row(y), source.Row(y), size_t(source.Width()) * 3);
    m_bytes = std::move(bytes);
    m_bitmap = std::move(bitmap);
}

void JpegImage::SaveToStream(core::Stream& stream) const
{
    stream.WriteBuffer(m_bytes.data(), int64_t(m_bytes.size()));
}

void JpegImage::Draw(HDC dc, const RECT& r)
{
    if (m_bitmap)
        m_bitmap->DrawTo(dc, r);
}

void JpegImage::Assign(const core::Persistent& source)
{
    auto* other = dynamic_cast<const JpegImage*>(&source);
    if (!other) {
        core::Persistent::Assign(source);
        return;
    }
    m_bytes = other->m_bytes;
    if (other->m_bitmap) {
        m_bitmap = std::make_unique<ui::Bitmap>();
        m_bitmap->Assign(*other->m_bitmap);
    } else {
        m_bitmap.reset();
    }
}

} // namespace ui
