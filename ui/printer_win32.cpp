// Print jobs on a printer's device context and as enhanced metafiles.
#include "ui/printer.h"

#include "core/exception.h"

#include <winspool.h>

namespace ui {

// ---- DCPrinter ----

DCPrinter::DCPrinter(HDC dc) : m_dc(dc) {}

std::unique_ptr<DCPrinter> DCPrinter::Open(core::StringView printerName)
{
    std::wstring name(printerName.begin(), printerName.end());
    if (name.empty()) {
        DWORD size = 0;
        GetDefaultPrinterW(nullptr, &size);
        if (size == 0)
            throw core::EOSError(u"There is no default printer", GetLastError());
        name.resize(size);
        if (!GetDefaultPrinterW(name.data(), &size))
            throw core::EOSError(u"There is no default printer", GetLastError());
        name.resize(wcsnlen(name.c_str(), name.size()));
    }
    HDC dc = CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr);
    if (!dc)
        throw core::EOSError(u"Cannot open the printer", GetLastError());
    return std::make_unique<DCPrinter>(dc);
}

DCPrinter::~DCPrinter()
{
    if (m_printing)
        Abort();
    m_canvas.SetHandle(nullptr);
    if (m_dc)
        DeleteDC(m_dc);
}

void DCPrinter::BeginDoc()
{
    std::wstring title(m_title.begin(), m_title.end());
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title.c_str();
    if (StartDocW(m_dc, &info) <= 0)
        throw core::EOSError(u"Cannot start the print job", GetLastError());
    m_printing = true;
    m_page_number = 1;
    StartPage(m_dc);
    m_canvas.SetHandle(m_dc);
}

void DCPrinter::NewPage()
{
    m_canvas.SetHandle(nullptr);
    EndPage(m_dc);
    StartPage(m_dc);
    ++m_page_number;
    m_canvas.SetHandle(m_dc);
}

void DCPrinter::EndDoc()
{
    m_canvas.SetHandle(nullptr);
    EndPage(m_dc);
    ::EndDoc(m_dc);
    m_printing = false;
}

void DCPrinter::Abort()
{
    m_canvas.SetHandle(nullptr);
    AbortDoc(m_dc);
    m_printing = false;
}

int DCPrinter::PageWidth() const { return GetDeviceCaps(m_dc, HORZRES); }
int DCPrinter::PageHeight() const { return GetDeviceCaps(m_dc, VERTRES); }

// ---- MetafilePrinter ----

MetafilePrinter::MetafilePrinter(int pageWidth, int pageHeight, HDC reference)
    : m_page_width(pageWidth), m_page_height(pageHeight), m_reference(reference)
{
}

MetafilePrinter::~MetafilePrinter()
{
    if (m_printing)
        Abort();
    ClearPages();
}

void MetafilePrinter::ClearPages()
{
    for (HENHMETAFILE page : m_pages)
        DeleteEnhMetaFile(page);
    m_pages.clear();
}

void MetafilePrinter::StartPage()
{
    HDC reference = m_reference ? m_reference : GetDC(nullptr);
    // The frame is in 0.01 mm of the reference device: the page's pixels on that device.
    const int mmX = GetDeviceCaps(reference, HORZSIZE), mmY = GetDeviceCaps(reference, VERTSIZE);
    const int pxX = GetDeviceCaps(reference, HORZRES), pxY = GetDeviceCaps(reference, VERTRES);
    RECT frame{0, 0, MulDiv(m_page_width, mmX * 100, pxX), MulDiv(m_page_height, mmY * 100, pxY)};
    m_record = CreateEnhMetaFileW(reference, nullptr, &frame, nullptr);
    if (!m_reference)
        ReleaseDC(nullptr, reference);
    if (!m_record)
        throw core::EOSError(u"Cannot record a page", GetLastError());
    m_canvas.SetHandle(m_record);
}

void MetafilePrinter::FinishPage()
{
    m_canvas.SetHandle(nullptr);
    if (m_record) {
        if (HENHMETAFILE page = CloseEnhMetaFile(m_record)) {
            ++m_page_count;
            if (m_keep_pages)
                m_pages.push_back(page);
            else
                DeleteEnhMetaFile(page);
        }
        m_record = nullptr;
    }
}

void MetafilePrinter::BeginDoc()
{
    m_page_count = 0;
    m_printing = true;
    m_page_number = 1;
    StartPage();
}

void MetafilePrinter::NewPage()
{
    FinishPage();
    ++m_page_number;
    StartPage();
}

void MetafilePrinter::EndDoc()
{
    FinishPage();
    m_printing = false;
}

void MetafilePrinter::Abort()
{
    m_canvas.SetHandle(nullptr);
    if (m_record)
        DeleteEnhMetaFile(CloseEnhMetaFile(m_record));
    m_record = nullptr;
    m_printing = false;
}

std::vector<uint32_t> MetafilePrinter::RenderPage(size_t index) const
{
    std::vector<uint32_t> pixels;
    if (index >= m_pages.size())
        return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_page_width;
    info.bmiHeader.biHeight = -m_page_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return pixels;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r{0, 0, m_page_width, m_page_height};
    FillRect(dc, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, m_pages[index], &r);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + size_t(m_page_width) * m_page_height);
    for (uint32_t& px : pixels)
        px &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

} // namespace ui
