// A drag held over a tree: two string trees side by side, the left one's selected rows following the
// pointer as its drag image over the right one, which shows the drop mark below its target row.
// The screenshot script (treeview/test/drag_screenshot.sh) runs it.
#include "treeview/string_tree.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/timer.h"

#include <algorithm>
#include <cwchar>

using namespace treeview;

namespace {

class DragForm : public ui::Form {
public:
    explicit DragForm(core::Component* owner) : ui::Form(owner)
    {
        SetCaption(u"拖放演示");
        SetClientSize(520, 300);
        for (int side = 0; side < 2; ++side) {
            TVirtualStringTree* t = new TVirtualStringTree(this);
            t->SetParent(this);
            t->SetBounds(10 + side * 255, 10, 245, 280);
            t->SetDefaultNodeHeight(20);
            t->ClipboardFormats().Add(u"Virtual Tree Data");
            t->TreeOptions().SetPaintOptions(t->TreeOptions().PaintOptions() | toShowDropmark);
            t->TreeOptions().SetMiscOptions(t->TreeOptions().MiscOptions() | toAcceptOLEDrop);
            t->OnGetText = [side](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType,
                                  core::String& text) {
                text = core::String(side == 0 ? u"线路 " : u"收藏 ") + core::IntToStr(node->Index + 1);
            };
            t->OnDragOver = [](TBaseVirtualTree*, core::Object*, ui::ShiftState, TDragState, TPoint, TDropMode,
                               DWORD&) { return true; };
            t->SetRootNodeCount(8);
            (side == 0 ? left : right) = t;
        }
    }
    ~DragForm() override
    {
        for (TVirtualStringTree* t : {left, right}) {
            t->OnGetText = nullptr;
            t->OnDragOver = nullptr;
        }
    }

    // Starts the drag image of the left tree's second row and holds it over the right tree's fourth
    // row, in its lower half, through the right tree's drop target.
    void HoldDrag()
    {
        PVirtualNode node = left->GetNext(left->GetFirst());
        left->FocusCell(node, NoColumn);
        left->SetSelected(node, true);
        ::UpdateWindow(left->Handle());
        const TRect label = left->GetDisplayRect(node, NoColumn, true);
        data = left->CreateDataObject(false);
        left->PrepareDragImage(TPoint{label.Left + 20, (label.Top + label.Bottom) / 2}, data);
        right->DragManager()->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&target));
        const TRect row = right->GetDisplayRect(right->GetFirst(), NoColumn, false);
        POINT p{row.Right - 40, 3 * 20 + 15};
        ::ClientToScreen(right->Handle(), &p);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragEnter(data, 0, POINTL{p.x - 30, p.y - 20}, &effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragOver(0, POINTL{p.x, p.y}, &effect);
    }
    void EndDrag()
    {
        if (target) {
            target->DragLeave();
            target->Release();
        }
        if (data)
            data->Release();
        left->DragImage().EndDrag();
    }

    TVirtualStringTree* left = nullptr;
    TVirtualStringTree* right = nullptr;
    IDataObject* data = nullptr;
    IDropTarget* target = nullptr;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int seconds = argc > 1 ? std::max(1, int(std::wcstol(argv[1], nullptr, 10))) : 10;
    ui::Application& app = ui::App();
    app.SetTitle(u"拖放演示");
    auto* form = app.CreateForm<DragForm>();
    form->Show();
    // Once the windows are painted the drag is held over the right tree.
    ui::Timer hold(form);
    hold.SetInterval(1000);
    hold.SetOnTimer([form, &hold](core::Object*) {
        hold.SetEnabled(false);
        form->HoldDrag();
    });
    ui::Timer quit(form);
    quit.SetInterval(unsigned(seconds) * 1000);
    quit.SetOnTimer([form](core::Object*) {
        form->EndDrag();
        form->Close();
    });
    app.Run();
    return 0;
}
