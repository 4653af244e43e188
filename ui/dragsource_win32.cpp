#include "ui/dragsource.h"
#include "ui/control.h"
#include "ui/wincontrol.h"

#include <cstdlib>
#include <memory>

namespace ui {

namespace {

bool g_drag_running = false;

// The control a drag talks to at a screen point: what the windowed control under it names.
Control* FindDragTarget(POINT screen, DragRec& rec)
{
    for (HWND window = WindowFromPoint(screen); window; window = GetParent(window)) {
        if (WinControl* control = WinControl::FindControl(window)) {
            rec.Pos = screen;
            return reinterpret_cast<Control*>(control->Perform(CM_DRAG, dmFindTarget, LPARAM(&rec)));
        }
    }
    return nullptr;
}

bool ButtonsDown()
{
    return ((GetAsyncKeyState(VK_LBUTTON) | GetAsyncKeyState(VK_RBUTTON) | GetAsyncKeyState(VK_MBUTTON)) & 0x8000) != 0;
}

} // namespace

bool Control::DragRunning()
{
    return g_drag_running;
}

void Control::DoStartDrag(DragObject*& object)
{
    if (OnStartDrag)
        OnStartDrag(this, object);
}

void Control::DoEndDrag(Control* target, int x, int y)
{
    if (OnEndDrag)
        OnEndDrag(this, target, x, y);
}

void Control::BeginDrag(bool immediate, int threshold)
{
    WinControl* owner = IsWindowed() ? static_cast<WinControl*>(this) : Parent();
    if (g_drag_running || !owner)
        return;
    HWND window = owner->Handle();
    if (threshold < 0)
        threshold = GetSystemMetrics(SM_CXDRAG);
    // Measured from where the message being handled (normally the press) happened.
    const DWORD messagePos = GetMessagePos();
    POINT start{short(LOWORD(messagePos)), short(HIWORD(messagePos))};
    DragObject own;
    own.Control = this;
    std::unique_ptr<DragObject> supplied;
    DragRec rec;
    bool started = false;
    auto startDrag = [&] {
        DragObject* object = nullptr;
        DoStartDrag(object);
        supplied.reset(object);
        rec.Source = object ? object : &own;
        started = true;
    };
    g_drag_running = true;
    struct Running {
        ~Running() { g_drag_running = false; }
    } running;
    if (immediate)
        startDrag();
    SetCapture(window);

    Control* target = nullptr;
    bool accepted = false;
    POINT last = start;
    auto send = [&](Control* to, DragMessage step) {
        rec.Pos = last;
        return to->Perform(CM_DRAG, step, LPARAM(&rec));
    };
    auto moveTo = [&](POINT p) {
        last = p;
        Control* now = FindDragTarget(p, rec);
        if (now != target) {
            if (target)
                send(target, dmDragLeave);
            target = now;
            accepted = target && send(target, dmDragEnter) != 0;
        }
        if (target)
            accepted = send(target, dmDragMove) != 0;
        ::SetCursor(LoadCursorW(nullptr, accepted ? IDC_ARROW : IDC_NO));
    };
    if (started)
        moveTo(start);

    bool drop = false;
    MSG msg;
    for (;;) {
        if (GetCapture() != window)
            break; // someone took the mouse: the drag is cancelled
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            POINT p{};
            GetCursorPos(&p);
            if (!started) {
                if (std::abs(p.x - start.x) < threshold && std::abs(p.y - start.y) < threshold)
                    continue;
                startDrag();
                GetCursorPos(&p); // the start handler may have moved the pointer on
            }
            moveTo(p);
            // A release may have been taken by someone else: the buttons themselves decide.
            if (!ButtonsDown()) {
                drop = true;
                break;
            }
            continue;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP || msg.message == WM_MBUTTONUP) {
            drop = started;
            GetCursorPos(&last);
            break;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (GetCapture() == window)
        ReleaseCapture();
    if (!started)
        return;
    Control* droppedOn = nullptr;
    if (target) {
        // The target's last answer decides: a drop where it refused is a cancel.
        if (drop && accepted) {
            send(target, dmDragDrop);
            droppedOn = target;
        } else {
            send(target, dmDragLeave);
            send(target, dmDragCancel);
        }
    }
    POINT client = ScreenToClient(last);
    DoEndDrag(droppedOn, client.x, client.y);
}

void Control::HandleDragTargetMessage(Message& message)
{
    auto* rec = reinterpret_cast<DragRec*>(message.LParam);
    message.Result = 0;
    if (!rec)
        return;
    Control* source = rec->Source ? rec->Source->Control : nullptr;
    const POINT p = ScreenToClient(rec->Pos);
    switch (message.WParam) {
    case dmFindTarget:
        message.Result = LRESULT(this);
        break;
    case dmDragEnter:
    case dmDragMove:
        message.Result = OnDragOver && OnDragOver(this, source, p.x, p.y,
                                                  message.WParam == dmDragEnter ? dsDragEnter : dsDragMove);
        break;
    case dmDragLeave:
        if (OnDragOver)
            OnDragOver(this, source, p.x, p.y, dsDragLeave);
        break;
    case dmDragDrop:
        if (OnDragDrop)
            OnDragDrop(this, source, p.x, p.y);
        break;
    default:
        break;
    }
}

} // namespace ui
