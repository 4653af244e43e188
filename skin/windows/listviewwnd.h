// The wrapper of list views: the edit wrapper's frame and bars, the list's own colours set from the
// skin and put back afterwards, the report view's column header painted from "COLHEADER" (or
// "BUTTON") with hot and pressed columns, and thumb drags that scroll by whole items.
#pragma once

#include "skin/windows/editwnd.h"

namespace skin {

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

class TacListViewWnd : public TacEditWnd {
public:
    using TacEditWnd::TacEditWnd;
    ~TacListViewWnd() override;

    HWND FhWndHeader = nullptr;
    WNDPROC FhDefHeaderProc = nullptr;
    int FPressedColumn = -1;
    int HoverColIndex = -1; // -2: the empty part right of the last column
    uint32_t StdTextBkColor = 0;

    void Construct(core::StringView section, bool repaint) override;
    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void acWndProc(ui::Message& message) override;
    void HeaderWndProc(ui::Message& message);

    TViewStyle ViewStyle() const;
    bool HotTrack() const { return true; }
    void GetHeaderColumnRect(int index, RECT& r) const;
    int ColumnAtPoint(int x, int y) const;
    void PaintHeader(HDC dc);
    void ColumnSkinPaint(const RECT& r, int cIndex, HDC dc);

private:
    void HookHeader(HWND header);
    void UnhookHeader();
    bool ScrollByThumb(ui::Message& message);
    bool m_hook_released = false; // a released hook is never installed again
};

} // namespace skin
