// The client's node list (a string tree of 40 rows, sorted by latency) on a form skinned with the
// virtual tree wrapper's test skin: the form's skin provider gives the tree its wrapper through the
// control adapter. skin/windows/test/tree_screenshot.sh runs it.
#include "skin/engine/graphutils.h"
#include "skin/windows/ctrladapter.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/virtualtreemanager_win32.h"
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

class SkinnedNodeListForm : public ui::Form {
public:
    explicit SkinnedNodeListForm(core::Component* owner) : ui::Form(owner)
    {
        SetCaption(u"皮肤节点列表");
        SetClientSize(420, 460);
        const char16_t* areas[] = {u"华东电信", u"华南电信", u"华北网通", u"西南电信", u"海外香港"};
        for (int i = 0; i < 40; ++i) {
            core::String number = core::IntToStr(i + 1);
            if (number.size() < 2)
                number = u"0" + number;
            rows.push_back({core::String(areas[i % 5]) + number, core::IntToStr(8 + (i * 37) % 420),
                            core::IntToStr(90 + i % 10) + u"%", i % 3 ? u"支持" : u"不支持"});
        }
        tree = new TVirtualStringTree(this);
        tree->SetParent(this);
        tree->SetBounds(10, 10, 400, 440);
        test::SetUpNodeListStrings(*tree, rows);
        test::SetNodeListHeaderHeights(tree->Header());
        tree->SetRootNodeCount(uint32_t(rows.size()));
        tree->Header().SetSortColumn(1);
        tree->Header().SetSortDirection(sdDescending);
        provider = new skin::TsSkinProvider(this);
        provider->AfterConstruction();
    }

    TVirtualStringTree* tree = nullptr;
    skin::TsSkinProvider* provider = nullptr;
    std::vector<test::NodeListRow> rows;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    skin::InitSkinEngine();
    skin::InitWindowSkinning();
    skin::InitSkinCommand();
    auto manager = std::make_unique<skin::testing::VirtualTreeTestSkinManager>();
    skin::SetDefaultManager(manager.get());
    const int seconds = argc > 1 ? std::max(1, int(std::wcstol(argv[1], nullptr, 10))) : 10;
    ui::Application& app = ui::App();
    app.SetTitle(u"皮肤节点列表");
    auto* form = app.CreateForm<SkinnedNodeListForm>();
    form->Show();
    form->provider->Adapter = std::make_unique<skin::TacCtrlAdapter>(form->provider);
    form->provider->Adapter->AddNewItem(form->tree);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE);
    ui::Timer quit(form);
    quit.SetInterval(unsigned(seconds) * 1000);
    quit.SetOnTimer([form](core::Object*) { form->Close(); });
    app.Run();
    form->tree->OnGetText = nullptr;
    form->tree->OnDrawText = nullptr;
    skin::SetDefaultManager(nullptr);
    skin::DoneWindowSkinning();
    skin::DoneSkinEngine();
    return 0;
}
