// A small program showing the client's node list: a string tree with four columns, 40 rows sorted by
// latency, colour bands drawn by a draw-text handler and the sort glyph in the header. The
// screenshot script (treeview/test/screenshot.sh) runs it.
#include "treeview/string_tree.h"
#include "treeview/test/nodelist_win32.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/timer.h"

#include <algorithm>
#include <cwchar>
#include <vector>

using namespace treeview;

namespace {

int DelayValue(const core::String& delay)
{
    int d = 0;
    for (char16_t c : delay) {
        if (c < u'0' || c > u'9')
            return -1;
        d = d * 10 + (c - u'0');
    }
    return d;
}

class NodeListForm : public ui::Form {
public:
    explicit NodeListForm(core::Component* owner) : ui::Form(owner)
    {
        SetCaption(u"节点列表演示");
        SetClientSize(400, 852);
        const char16_t* areas[] = {u"华东电信", u"华南电信", u"华北网通", u"西南电信", u"海外香港"};
        for (int i = 0; i < 40; ++i) {
            core::String number = core::IntToStr(i + 1);
            if (number.size() < 2)
                number = u"0" + number;
            core::String delay = i % 9 == 8 ? core::String(u"禁ping") : i % 7 == 6 ? core::String(u"NA")
                                                                                 : core::IntToStr(8 + (i * 37) % 420);
            rows.push_back({core::String(areas[i % 5]) + number, delay, core::IntToStr(90 + i % 10) + u"%",
                            i % 3 ? u"支持" : u"不支持"});
        }
        // Ascending latency, rows without a number last (the client's order).
        std::stable_sort(rows.begin(), rows.end(), [](const test::NodeListRow& a, const test::NodeListRow& b) {
            int x = DelayValue(a.delay), y = DelayValue(b.delay);
            return (x < 0 ? 37000000 : x) < (y < 0 ? 37000000 : y);
        });

        tree = new TVirtualStringTree(this);
        tree->SetParent(this);
        tree->SetBounds(0, 0, 400, 852);
        test::SetUpNodeListStrings(*tree, rows);
        test::SetNodeListHeaderHeights(tree->Header());
        tree->SetRootNodeCount(uint32_t(rows.size()));
    }

    TVirtualStringTree* tree = nullptr;
    std::vector<test::NodeListRow> rows;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int seconds = argc > 1 ? std::max(1, int(std::wcstol(argv[1], nullptr, 10))) : 10;
    ui::Application& app = ui::App();
    app.SetTitle(u"节点列表演示");
    auto* form = app.CreateForm<NodeListForm>();
    form->Show();
    // A row of the NA group selected, as after a click.
    PVirtualNode node = form->tree->GetFirst();
    for (int i = 0; i < 3 && node; ++i)
        node = form->tree->GetNextSibling(node);
    form->tree->SetFocus();
    form->tree->FocusCell(node, 0);
    form->tree->SetSelected(node, true);
    ui::Timer quit(form);
    quit.SetInterval(unsigned(seconds) * 1000);
    quit.SetOnTimer([form](core::Object*) { form->Close(); });
    app.Run();
    form->tree->OnGetText = nullptr;
    form->tree->OnDrawText = nullptr;
    return 0;
}
