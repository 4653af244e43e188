// Printing: a print job of pages on a device context. Printer is the job (begin, new page, end, the
// page's canvas and size); DCPrinter prints on a printer's device context, MetafilePrinter records
// every page as an enhanced metafile (for previews, and where no printer exists).
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "ui/canvas.h"

#include <memory>
#include <vector>

namespace ui {

class Printer {
public:
    Printer() = default;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    virtual ~Printer() = default;

    // Starts the job with its first page; NewPage ends the page and starts the next; EndDoc ends the
    // last page and the job.
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    // Ends the job at once; the pages printed so far stay.
    virtual void Abort() = 0;
    bool Printing() const { return m_printing; }
    // The canvas of the current page (valid while printing).
    virtual ui::Canvas& Canvas() = 0;
    // The printable page in device pixels.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    int PageNumber() const { return m_page_number; }
    const core::String& Title() const { return m_title; }
    void SetTitle(core::StringView title) { m_title = core::String(title); }

protected:
    bool m_printing = false;
    int m_page_number = 0;
    core::String m_title;
};

// A printer's device context (as CreateDC with the printer's driver and name makes it).
class DCPrinter : public Printer {
public:
    // Takes dc and deletes it with the printer.
    explicit DCPrinter(HDC dc);
    // The printer of a name (the default printer for an empty name); core::EOSError when there is
    // none.
    static std::unique_ptr<DCPrinter> Open(core::StringView printerName = {});
    ~DCPrinter() override;

    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    ui::Canvas& Canvas() override { return m_canvas; }
    int PageWidth() const override;
    int PageHeight() const override;

private:
    HDC m_dc = nullptr;
    ui::Canvas m_canvas;
};

// Records each page as an enhanced metafile of the page size (pixels of a reference context, the
// screen unless one is given).
class MetafilePrinter : public Printer {
public:
    MetafilePrinter(int pageWidth, int pageHeight, HDC reference = nullptr);
    ~MetafilePrinter() override;

    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    ui::Canvas& Canvas() override { return m_canvas; }
    int PageWidth() const override { return m_page_width; }
    int PageHeight() const override { return m_page_height; }

    // The finished pages, in order; owned by the printer.
    const std::vector<HENHMETAFILE>& Pages() const { return m_pages; }
    // Whether finished pages are kept (the default); without, they are only counted.
    void SetKeepPages(bool value) { m_keep_pages = value; }
    int PageCount() const { return m_page_count; }
    void ClearPages();
    // Plays page index into a 32-bit bitmap of the page size on a white ground (tests, previews).
    std::vector<uint32_t> RenderPage(size_t index) const;

private:
    void StartPage();
    void FinishPage();
    int m_page_width;
    int m_page_height;
    HDC m_reference;
    HDC m_record = nullptr;
    ui::Canvas m_canvas;
    std::vector<HENHMETAFILE> m_pages;
    bool m_keep_pages = true;
    int m_page_count = 0;
};

} // namespace ui
