// Drags of the class library (not OLE) between controls of this process. The control dragged holds
// the mouse capture; the control under the pointer is found and told about the drag with CM_DRAG:
// the step in WParam, a DragRec in LParam (Pos in screen coordinates). Enter and move answer
// non-zero when the control accepts a drop there, find-target answers the Control* to talk to.
#pragma once
#include "core/object.h"
#include "core/win32.h"
#include "ui/messages.h"

#include <cstdint>

namespace ui {

class Control;

constexpr UINT CM_DRAG = CM_BASE + 0x2F;
enum DragMessage : uint8_t { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

// What a drag carries: the control it started from. An application may supply an object of its own
// in OnStartDrag (made with new); the drag frees it at its end.
class DragObject : public core::Object {
public:
    ui::Control* Control = nullptr;
};

struct DragRec {
    POINT Pos{};
    DragObject* Source = nullptr;
    void* Target = nullptr;
    bool Docking = false;
};

} // namespace ui
