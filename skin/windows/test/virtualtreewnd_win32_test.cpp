// The virtual tree wrapper on a real string tree of a skinned form: the adapter's virtual-tree list
// gives the tree the wrapper, the header is drawn from the skin through the tree's own events, the
// application's handler is kept, every property goes back when the skin goes, and a thumb drag
// scrolls the tree.
#include "skin/engine/graphutils.h"
#include "skin/windows/ctrladapter.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/virtualtreewnd.h"
#include "skin/windows/testwriters/virtualtreemanager_win32.h"
#include "treeview/published_properties.h"
#include "treeview/string_tree.h"
#include "ui/bitmap.h"
#include "ui/form.h"
#include "ui/test/uitest.h"

#include <functional>

namespace skin {
namespace {

using namespace skin::testing;
using treeview::TVirtualStringTree;

class TreeSkinManager : public VirtualTreeTestSkinManager {
public:
    TreeSkinManager() { lists[kVirtualTreeList].Add(u"TExplorerTree"); }
};

// A colour bag for the explorer tree's "VETColors" and "PaintInfoColumn".
class ColorBag : public core::Object {
public:
    int64_t colors[3] = {0x111111, 0x222222, 0x333333};
    int64_t style = 0;
};

// A tree class with the properties of an explorer-style tree besides the string tree's.
class ExplorerTree : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    ColorBag vet, column;
    int64_t themed = 1;
};

ui::PropInfo BagColor(const char16_t* name, int i)
{
    return ui::OrdProperty(name, ui::Getter<ColorBag>([i](ColorBag& b) { return b.colors[i]; }),
                           ui::Setter<ColorBag>([i](ColorBag& b, int64_t v) { b.colors[i] = v; }), ui::pkColor);
}

void RegisterExplorerTree()
{
    ui::RegisterPropClass<ColorBag>(u"TTestColorBag", {
        BagColor(u"CompressedTextColor", 0), BagColor(u"FileTextColor", 1), BagColor(u"FolderTextColor", 2),
        BagColor(u"Color", 0),
        ui::OrdProperty(u"Style", ui::Getter<ColorBag>([](ColorBag& b) { return b.style; }),
                        ui::Setter<ColorBag>([](ColorBag& b, int64_t v) { b.style = v; })),
    });
    ui::RegisterPropClass<ExplorerTree, TVirtualStringTree>(u"TExplorerTree", {
        ui::ObjectProperty(u"VETColors", ui::Getter<ExplorerTree>([](ExplorerTree& t) -> core::Object* { return &t.vet; })),
        ui::ObjectProperty(u"PaintInfoColumn",
                           ui::Getter<ExplorerTree>([](ExplorerTree& t) -> core::Object* { return &t.column; })),
        ui::OrdProperty(u"Themed", ui::Getter<ExplorerTree>([](ExplorerTree& t) { return t.themed; }),
                        ui::Setter<ExplorerTree>([](ExplorerTree& t, int64_t v) { t.themed = v; })),
    });
}

class VirtualTreeWndTest : public ui::test::UiTest {
protected:
    VirtualTreeWndTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        InitSkinCommand();
        SetDefaultManager(&manager);
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBounds(100, 100, 460, 360);
        provider = new TsSkinProvider(form.get());
        provider->AfterConstruction();
    }
    ~VirtualTreeWndTest() override
    {
        provider = nullptr;
        form.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    // A tree of class T with three 80-pixel columns and rows, shown on the form and given to the
    // provider's adapter; prepare runs before the adapter sees the tree.
    template <class T = TVirtualStringTree> T* AddTree(int columns = 3, const std::function<void(T&)>& prepare = nullptr)
    {
        auto* t = new T(form.get());
        t->SetParent(form.get());
        t->SetBounds(10, 10, 400, 300);
        t->Header().SetHeight(24);
        t->Header().SetOptions(t->Header().Options() | treeview::hoVisible);
        for (int i = 0; i < columns; ++i) {
            treeview::TVirtualTreeColumn& c = t->Header().Columns().Add();
            c.SetWidth(80);
            c.SetText(u"Col");
        }
        t->SetRootNodeCount(1000);
        if (prepare)
            prepare(*t);
        form->Show();
        Pump();
        provider->Adapter = std::make_unique<TacCtrlAdapter>(provider);
        provider->Adapter->AddNewItem(t);
        RedrawWindow(t->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASE);
        Pump();
        return t;
    }
    TacVirtualTreeWnd* Wrapper(ui::WinControl* t) { return dynamic_cast<TacVirtualTreeWnd*>(GetWrapper(t->Handle())); }
    void RemoveSkin(ui::WinControl* t)
    {
        SendMessageW(t->Handle(), SM_SKINCMD, MAKEWPARAM(0, scSkinRemoved), LPARAM(&manager));
    }

    TreeSkinManager manager;
    std::unique_ptr<ui::Form> form;
    TsSkinProvider* provider = nullptr;
};

TEST_F(VirtualTreeWndTest, TheAdaptersVirtualTreeListGivesTheTreeTheWrapper)
{
    TVirtualStringTree* tree = AddTree();
    TacVirtualTreeWnd* w = Wrapper(tree);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(ui::GetMethodProperty(tree, u"OnAdvancedHeaderDraw").Assigned());
    EXPECT_TRUE(ui::GetMethodProperty(tree, u"OnHeaderDrawQueryElements").Assigned());
    EXPECT_TRUE(tree->Header().Options() & treeview::hoOwnerDraw);
    // The query answers everything but the header glyph.
    ui::THeaderPaintInfo info;
    ui::THeaderPaintElements elements = 0;
    w->HeaderDrawQueryElements(nullptr, info, elements);
    EXPECT_EQ(elements, 27);
}

TEST_F(VirtualTreeWndTest, ColumnStatesAndTheRestOfTheHeaderComeFromTheSkin)
{
    TVirtualStringTree* tree = AddTree();
    TacVirtualTreeWnd* w = Wrapper(tree);
    ASSERT_NE(w, nullptr);
    const int edge = w->cxLeftEdge;
    const treeview::TRect header = tree->HeaderRect();
    ASSERT_EQ(header.Bottom - header.Top, 24);
    const uint32_t section = manager.Section(w->SkinData->SkinIndex).Color;
    struct Case {
        const char* what;
        int hover, down;
        uint32_t col1;
    } cases[] = {
        {"normal", -1, -1, kColHeaderColors[0]},
        {"hot", 1, -1, kColHeaderColors[1]},
        {"pressed", -1, 1, kColHeaderColors[2]},
    };
    for (const Case& c : cases) {
        // The header shows the hot column only while it tracks the mouse.
        tree->Header().SetOptions(tree->Header().Options() | treeview::hoHotTrack);
        tree->Header().Columns().SetHoverIndex(c.hover);
        tree->Header().Columns().SetDownIndex(c.down);
        std::unique_ptr<ui::Bitmap> shot = CaptureByPrint(tree->Handle());
        const int y = header.Top + 3;
        // Right edge pixels of each cell, away from the caption.
        EXPECT_EQ(shot->PixelColor(header.Left + 80 - 4, y), kColHeaderColors[0]) << c.what;
        EXPECT_EQ(shot->PixelColor(header.Left + 160 - 4, y), c.col1) << c.what;
        EXPECT_EQ(shot->PixelColor(header.Left + 240 - 4, y), kColHeaderColors[0]) << c.what;
        EXPECT_EQ(shot->PixelColor(header.Left + 300, y), section) << c.what << ": right of the last column";
        // The client part lies below the header, not over it.
        EXPECT_NE(shot->PixelColor(header.Left + 300, header.Bottom + 2), section) << c.what;
        EXPECT_GE(header.Top, edge);
    }
}

TEST_F(VirtualTreeWndTest, SortArrowPointsByDirection)
{
    TVirtualStringTree* tree = AddTree();
    tree->Header().SetSortColumn(0);
    struct Case {
        treeview::TSortDirection direction;
        const uint32_t* shown;
        const uint32_t* hidden;
    } cases[] = {
        {treeview::sdAscending, kSortDownColors, kSortUpColors},
        {treeview::sdDescending, kSortUpColors, kSortDownColors},
    };
    const treeview::TRect header = tree->HeaderRect();
    for (const Case& c : cases) {
        tree->Header().SetSortDirection(c.direction);
        std::unique_ptr<ui::Bitmap> shot = CaptureByPrint(tree->Handle());
        int shown = 0, hidden = 0;
        for (int y = header.Top; y < header.Bottom; ++y)
            for (int x = header.Left; x < header.Left + 80; ++x) {
                shown += shot->PixelColor(x, y) == c.shown[0];
                hidden += shot->PixelColor(x, y) == c.hidden[0];
            }
        EXPECT_EQ(shown, kSortGlyphSize * kSortGlyphSize) << int(c.direction);
        EXPECT_EQ(hidden, 0) << int(c.direction);
    }
}

TEST_F(VirtualTreeWndTest, ApplicationsOwnHeaderHandlerIsKept)
{
    int calls = 0;
    TVirtualStringTree* tree = AddTree<TVirtualStringTree>(3, [&calls](TVirtualStringTree& t) {
        t.OnAdvancedHeaderDraw = [&calls](treeview::TVTHeader*, treeview::THeaderPaintInfo&,
                                          treeview::THeaderPaintElements) { ++calls; };
    });
    ASSERT_NE(Wrapper(tree), nullptr);
    EXPECT_FALSE(tree->Header().Options() & treeview::hoOwnerDraw) << "the options stay the application's";
    EXPECT_FALSE(tree->OnHeaderDrawQueryElements) << "nothing of the hooking step happens";
    RemoveSkin(tree);
    EXPECT_TRUE(tree->OnAdvancedHeaderDraw);
    tree->OnAdvancedHeaderDraw(nullptr, *std::make_unique<treeview::THeaderPaintInfo>(), 0);
    EXPECT_EQ(calls, 1);
}

TEST_F(VirtualTreeWndTest, EveryPropertyGoesBackWhenTheSkinGoes)
{
    RegisterExplorerTree();
    ExplorerTree* tree = AddTree<ExplorerTree>();
    TacVirtualTreeWnd* w = Wrapper(tree);
    ASSERT_NE(w, nullptr);
    core::Object* header = &tree->HeaderObject();
    core::Object* font = ui::GetObjectProperty(header, u"Font");
    const uint32_t hotFont = manager.Section(w->SkinData->SkinIndex).HotFontColor[0];
    struct Case {
        const char* what;
        std::function<int64_t()> read;
        int64_t before, skinned;
    } cases[] = {
        {"compressed text", [&] { return tree->vet.colors[0]; }, 0x111111, hotFont},
        {"file text", [&] { return tree->vet.colors[1]; }, 0x222222, hotFont},
        {"folder text", [&] { return tree->vet.colors[2]; }, 0x333333, hotFont},
        // The paint column's style is not put back: -1.
        {"column style", [&] { return tree->column.style; }, -1, 1},
        {"column colour", [&] { return tree->column.colors[0]; }, 0xFF00000F, manager.GlobalColor()},
        {"themed", [&] { return tree->themed; }, 1, 0},
        {"header colour", [&] { return ui::GetOrdProperty(header, u"Color"); }, 0xFF00000F,
         manager.GetActiveEditColor()},
        {"header font colour", [&] { return ui::GetOrdProperty(font, u"Color") & 0xFFFFFF; }, -1,
         manager.GlobalFontColor() & 0xFFFFFF},
        {"owner draw", [&] { return int64_t(bool(tree->Header().Options() & treeview::hoOwnerDraw)); }, 0, 1},
        {"handler", [&] { return int64_t(ui::GetMethodProperty(tree, u"OnAdvancedHeaderDraw").Assigned()); }, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.read(), c.skinned) << c.what;
    RemoveSkin(tree);
    for (const Case& c : cases) {
        if (c.before >= 0) {
            EXPECT_EQ(c.read(), c.before) << c.what;
        }
    }
    EXPECT_EQ(ui::GetOrdProperty(font, u"Color"), 0xFF000012) << "the button text colour";
    EXPECT_FALSE(tree->OnHeaderDrawQueryElements);
}

TEST_F(VirtualTreeWndTest, TreesWithoutColumnsOrHeaderHeightAndOtherClassesAreSkipped)
{
    struct Case {
        const char* what;
        int columns, height;
    } cases[] = {{"no columns", 0, 24}, {"header height 0", 3, 0}};
    for (const Case& c : cases) {
        TVirtualStringTree* tree = AddTree<TVirtualStringTree>(c.columns, [&c](TVirtualStringTree& t) {
            t.Header().SetHeight(c.height);
        });
        ASSERT_NE(Wrapper(tree), nullptr) << c.what;
        EXPECT_NE(CaptureByPrint(tree->Handle()), nullptr) << c.what;
        RemoveSkin(tree);
        EXPECT_FALSE(tree->OnAdvancedHeaderDraw) << c.what;
        delete tree;
    }
    // A window whose control publishes none of the tree's properties is wrapped all the same.
    auto* panel = new ui::Form(form.get());
    panel->HandleNeeded();
    TsCommonData data(nullptr, true);
    auto w = TacMainWnd::Create<TacVirtualTreeWnd>(panel->Handle(), &data, &manager, u"");
    w->SetSkinParams();
    w->RestoreStdParams();
}

TEST_F(VirtualTreeWndTest, ThumbDragPositionsScrollTheTree)
{
    TVirtualStringTree* tree = AddTree();
    ASSERT_NE(Wrapper(tree), nullptr);
    for (int pos : {100, 2500, 40, 0}) {
        SendScrollMessage(tree->Handle(), WM_VSCROLL, SB_THUMBTRACK, pos);
        EXPECT_EQ(-tree->OffsetY(), pos);
        EXPECT_EQ(GetScrollPos(tree->Handle(), SB_VERT), pos);
    }
}

} // namespace
} // namespace skin
