// Shows one of the tree's pop-up features on the node list, chosen by TREE_DEMO_MODE: "tooltip" (a
// clipped node name shown whole over its cell), "editor" (a node name edited in place) or "print"
// (the first printed page of the list, played back in a preview window). The argument is the number
// of seconds the window stays open. treeview/test/feature_screenshots.sh takes the pictures.
#include "treeview/string_tree.h"
#include "treeview/test/nodelist_win32.h"
#include "ui/application.h"
#include "ui/customcontrol.h"
#include "ui/form.h"
#include "ui/printer.h"
#include "ui/timer.h"

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

using namespace treeview;

namespace {

// A printed page on grey, as a preview shows it.
class PagePreview : public ui::CustomControl {
public:
    using ui::CustomControl::CustomControl;
    HENHMETAFILE page = nullptr;
    int pageWidth = 0, pageHeight = 0;

protected:
    void Paint() override
    {
        ui::Canvas& canvas = Canvas();
        RECT client = ClientRect();
        canvas.SetBrushColor(RGB(128, 128, 128));
        canvas.FillRect(client);
        RECT r{20, 20, 20 + pageWidth, 20 + pageHeight};
        canvas.SetBrushColor(ui::clWhite);
        canvas.FillRect(r);
        if (page)
            PlayEnhMetaFile(canvas.Handle(), page, &r);
    }
};

class DemoForm : public ui::Form {
public:
    DemoForm(core::Component* owner, const std::string& mode) : ui::Form(owner), m_mode(mode)
    {
        SetCaption(u"树控件功能演示");
        const char16_t* areas[] = {u"华东电信骨干线路", u"华南电信", u"华北网通备用线路", u"西南电信", u"海外香港"};
        for (int i = 0; i < 30; ++i) {
            core::String number = core::IntToStr(i + 1);
            rows.push_back({core::String(areas[i % 5]) + number, core::IntToStr(8 + (i * 37) % 420),
                            core::IntToStr(90 + i % 10) + u"%", i % 3 ? u"支持" : u"不支持"});
        }
        tree = new TVirtualStringTree(this);
        test::SetUpNodeListStrings(*tree, rows);
        tree->Header().Columns()[0].SetWidth(110);
        tree->SetRootNodeCount(uint32_t(rows.size()));
        if (mode == "print") {
            SetClientSize(440, 560);
            // The tree is there but hidden: it prints, the preview shows the page.
            tree->SetVisible(false);
            tree->SetParent(this);
            preview = new PagePreview(this);
            preview->SetParent(this);
            preview->SetBounds(0, 0, 440, 560);
            tree->SetBounds(0, 0, 400, 300);
        } else {
            SetClientSize(400, 360);
            tree->SetParent(this);
            tree->SetBounds(0, 0, 400, 360);
        }
    }

    // Runs once the window is up.
    void Start()
    {
        test::SetNodeListHeaderHeights(tree->Header());
        if (m_mode == "tooltip") {
            tree->SetShowHint(true);
            tree->SetHintMode(hmTooltip);
            tree->SetHintAnimation(hatNone);
            POINT p{60, 10};
            ::ClientToScreen(tree->Handle(), &p);
            SetCursorPos(p.x, p.y);
            SendMessageW(tree->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(60, 10));
        } else if (m_mode == "editor") {
            auto& options = tree->TreeOptions();
            options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toEditable));
            tree->OnNewText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, core::StringView text) {
                rows.at(node->Index).name = core::String(text);
            };
            tree->SetFocus();
            PVirtualNode node = tree->GetNext(tree->GetFirst());
            tree->EditNode(node, 0);
            if (auto link = tree->EditLink()) {
                (void)link;
                HWND edit = GetFocus();
                SendMessageW(edit, EM_SETSEL, 0, -1);
                for (wchar_t c : std::wstring(L"华南电信新线路"))
                    SendMessageW(edit, WM_CHAR, c, 0);
            }
        } else if (m_mode == "print") {
            auto& options = tree->TreeOptions();
            options.SetPaintOptions(TVTPaintOptions(options.PaintOptions() | toShowVertGridLines));
            printer = std::make_unique<ui::MetafilePrinter>(400, 520);
            tree->Print(printer.get(), true);
            if (!printer->Pages().empty()) {
                preview->page = printer->Pages().front();
                preview->pageWidth = 400;
                preview->pageHeight = 520;
            }
            preview->Invalidate();
        }
    }

    TVirtualStringTree* tree = nullptr;
    PagePreview* preview = nullptr;
    std::unique_ptr<ui::MetafilePrinter> printer;
    std::vector<test::NodeListRow> rows;

private:
    std::string m_mode;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int seconds = argc > 1 ? std::max(1, int(std::wcstol(argv[1], nullptr, 10))) : 10;
    const char* mode = std::getenv("TREE_DEMO_MODE");
    ui::Application& app = ui::App();
    app.SetTitle(u"树控件功能演示");
    app.SetHintPause(0);
    auto* form = app.CreateForm<DemoForm>(std::string(mode ? mode : "tooltip"));
    form->Show();
    ui::Timer start(form);
    start.SetInterval(300);
    start.SetOnTimer([form, &start](core::Object*) {
        start.SetEnabled(false);
        form->Start();
    });
    ui::Timer quit(form);
    quit.SetInterval(unsigned(seconds) * 1000);
    quit.SetOnTimer([form](core::Object*) { form->Close(); });
    app.Run();
    form->tree->OnGetText = nullptr;
    form->tree->OnDrawText = nullptr;
    form->tree->OnNewText = nullptr;
    return 0;
}
