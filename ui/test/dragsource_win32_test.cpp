// Drags of the class library between two panels with the real mouse: the steps a target hears, a
// target's refusal turning the drop into a cancel, Escape and a lost capture cancelling, the
// threshold, and an application's own drag object freed at the end.
#include "ui/dragsource.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

#include <functional>
#include <string>
#include <vector>

namespace ui::test {
namespace {

// Puts the mouse at a screen point, optionally pressing or releasing the left button there.
void MouseInput(POINT p, DWORD buttonFlag)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG((p.x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = LONG((p.y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlag;
    SendInput(1, &input, sizeof(input));
}

class TrackedObject : public DragObject {
public:
    explicit TrackedObject(bool& freed) : m_freed(freed) {}
    ~TrackedObject() override { m_freed = true; }

private:
    bool& m_freed;
};

// Two panels side by side; the left one drags itself when pressed.
class PanelDrag : public UiTest {
protected:
    PanelDrag()
    {
        form->SetBounds(40, 40, 400, 200);
        for (int i = 0; i < 2; ++i) {
            auto* panel = new Panel(form.get());
            panel->SetParent(form.get());
            panel->SetBounds(10 + 190 * i, 10, 170, 150);
            (i == 0 ? source : target) = panel;
        }
        source->SetDragMode(dmAutomatic);
        source->OnEndDrag = [this](Control*, Control* to, int x, int y) {
            ended = true;
            endTarget = to;
            endPoint = POINT{x, y};
        };
        target->OnDragOver = [this](Control*, Control* from, int, int, DragState state) {
            EXPECT_EQ(from, source);
            steps.push_back(state == dsDragEnter ? "enter" : state == dsDragMove ? "move" : "leave");
            return accept;
        };
        target->OnDragDrop = [this](Control*, Control* from, int x, int y) {
            steps.push_back("drop");
            droppedFrom = from;
            dropPoint = POINT{x, y};
        };
        form->Show();
        Pump();
    }
    ~PanelDrag() override
    {
        for (Panel* p : {source, target}) {
            p->OnStartDrag = nullptr;
            p->OnEndDrag = nullptr;
            p->OnDragOver = nullptr;
            p->OnDragDrop = nullptr;
        }
        form.reset();
    }
    static POINT Screen(Panel& panel, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(panel.Handle(), &p);
        return p;
    }
    // Presses on the source, moves by (dx, dy) and, once the drag started, on to the target and
    // releases there; with releaseThere the button goes up after the first move instead. A drag
    // that atStart cancels is released only after it ended.
    void Drag(int dx, int dy, std::function<void()> atStart = nullptr, bool releaseThere = false)
    {
        // A second press at the same place soon after the first would be a double click.
        if (drags++ > 0)
            Sleep(GetDoubleClickTime() + 20);
        const POINT from = Screen(*source, 30, 30), onto = Screen(*target, 40, 50);
        source->OnStartDrag = [&, onto](Control*, DragObject*& object) {
            started = true;
            if (atStart)
                atStart();
            if (supplied)
                object = supplied, supplied = nullptr;
            MouseInput(onto, 0);
            MouseInput(POINT{onto.x + 2, onto.y}, 0);
            if (!atStart)
                MouseInput(POINT{onto.x + 2, onto.y}, MOUSEEVENTF_LEFTUP);
        };
        MouseInput(from, 0);
        Pump();
        MouseInput(from, MOUSEEVENTF_LEFTDOWN);
        MouseInput(POINT{from.x + dx, from.y + dy}, 0);
        if (releaseThere)
            MouseInput(POINT{from.x + dx, from.y + dy}, MOUSEEVENTF_LEFTUP);
        Pump();
        if (atStart) {
            MouseInput(onto, MOUSEEVENTF_LEFTUP);
            Pump();
        }
        source->OnStartDrag = nullptr;
    }

    std::unique_ptr<Form> form{new Form()};
    Panel* source = nullptr;
    Panel* target = nullptr;
    bool accept = true;
    bool started = false;
    bool ended = false;
    Control* endTarget = reinterpret_cast<Control*>(1);
    POINT endPoint{};
    Control* droppedFrom = nullptr;
    POINT dropPoint{};
    DragObject* supplied = nullptr;
    std::vector<std::string> steps;
    int drags = 0;
};

TEST_F(PanelDrag, ADropOnAnAcceptingTargetReachesBothEnds)
{
    Drag(12, 4);
    ASSERT_TRUE(started);
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps.front(), "enter");
    EXPECT_EQ(steps[1], "move");
    EXPECT_EQ(steps.back(), "drop");
    EXPECT_EQ(droppedFrom, source);
    POINT cursor{};
    GetCursorPos(&cursor);
    const POINT expectedCursor = Screen(*target, 42, 50);
    EXPECT_EQ(cursor.x, expectedCursor.x);
    EXPECT_EQ(cursor.y, expectedCursor.y);
    EXPECT_EQ(dropPoint.x, 42);
    EXPECT_EQ(dropPoint.y, 50);
    EXPECT_TRUE(ended);
    EXPECT_EQ(endTarget, target);
    // The end point is in the source's own coordinates.
    const POINT end = Screen(*target, 42, 50);
    EXPECT_EQ(Screen(*source, endPoint.x, endPoint.y).x, end.x);
    EXPECT_FALSE(Control::DragRunning());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PanelDrag, ARefusingTargetTurnsTheDropIntoACancel)
{
    accept = false;
    Drag(12, 4);
    ASSERT_TRUE(started);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), "leave");
    EXPECT_EQ(droppedFrom, nullptr);
    EXPECT_TRUE(ended);
    EXPECT_EQ(endTarget, nullptr);
}

TEST_F(PanelDrag, EscapeOrALostCaptureCancels)
{
    struct Case {
        const char* name;
        std::function<void()> atStart;
    } cases[] = {
        {"escape", [this] { PostMessageW(source->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"capture taken", [] { ReleaseCapture(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        started = ended = false;
        steps.clear();
        endTarget = reinterpret_cast<Control*>(1);
        Drag(12, 4, c.atStart);
        ASSERT_TRUE(started);
        EXPECT_TRUE(ended);
        EXPECT_EQ(endTarget, nullptr);
        EXPECT_EQ(droppedFrom, nullptr);
        EXPECT_FALSE(Control::DragRunning());
    }
}

TEST_F(PanelDrag, AMoveWithinTheThresholdStartsNoDrag)
{
    const int threshold = GetSystemMetrics(SM_CXDRAG);
    ASSERT_GT(threshold, 1);
    Drag(threshold - 1, 0, nullptr, true);
    EXPECT_FALSE(started);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(steps.empty());
    EXPECT_FALSE(Control::DragRunning());
}

TEST_F(PanelDrag, TheApplicationsDragObjectIsFreedAtTheEnd)
{
    bool freed = false;
    supplied = new TrackedObject(freed);
    supplied->Control = target; // the object names whom the drag speaks for
    target->OnDragOver = [this](Control*, Control* from, int, int, DragState) {
        droppedFrom = from;
        return false;
    };
    Drag(12, 4);
    ASSERT_TRUE(started);
    EXPECT_EQ(droppedFrom, target);
    EXPECT_TRUE(freed);
}

} // namespace
} // namespace ui::test
