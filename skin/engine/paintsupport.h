// Small helpers shared by the Windows painters: a bitmap's pixels and memory context, and a device
// context's state saved for a scope.
#pragma once

#include "core/win32.h"
#include "ui/bitmap.h"

namespace skin::paint {

// The pixels of a bitmap (pending drawing flushed); invalid for null or empty bitmaps.
inline ui::PixelView ViewOf(ui::Bitmap* bmp) { return bmp && !bmp->Empty() ? bmp->Pixels() : ui::PixelView(); }
inline HDC DcOf(ui::Bitmap* bmp) { return bmp->Canvas().Handle(); }

// Saves a device context's state and puts it back on every path.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : m_dc(dc), m_id(dc ? SaveDC(dc) : 0) {}
    ~SavedDC()
    {
        if (m_id)
            RestoreDC(m_dc, m_id);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC m_dc;
    int m_id;
};

} // namespace skin::paint
