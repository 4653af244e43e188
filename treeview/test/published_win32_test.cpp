// The tree control classes in the property registry: "Header" and the header drawing events set and
// read by name, with the shared paint record passed to a handler set that way; and WM_PRINT, which
// paints the header and, asked for the client, the client area at its place in the window.
#include "treeview/published_properties.h"
#include "treeview/test/treeform_win32.h"
#include "ui/bitmap.h"
#include "ui/propinfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace treeview::test {
namespace {

class PublishedTree : public TreeInForm<TVirtualStringTree> {
protected:
    PublishedTree()
    {
        tree->Header().SetHeight(22);
        tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() | hoVisible));
        for (const char16_t* text : {u"Node", u"Ping"}) {
            TVirtualTreeColumn& c = tree->Header().Columns().Add();
            c.SetWidth(100);
            c.SetText(text);
        }
        tree->SetRootNodeCount(20);
        form->Show();
        Pump();
    }
    ~PublishedTree() override
    {
        tree->OnAdvancedHeaderDraw = nullptr;
        tree->OnHeaderDrawQueryElements = nullptr;
    }
    // The whole window printed with the given flags into a white bitmap.
    std::unique_ptr<ui::Bitmap> Print(LPARAM flags)
    {
        RECT r{};
        GetWindowRect(tree->Handle(), &r);
        auto bmp = std::make_unique<ui::Bitmap>(r.right - r.left, r.bottom - r.top, ui::pf24bit);
        RECT all{0, 0, bmp->Width(), bmp->Height()};
        FillRect(bmp->Canvas().Handle(), &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
        SendMessageW(tree->Handle(), WM_PRINT, WPARAM(bmp->Canvas().Handle()), flags);
        return bmp;
    }
};

TEST_F(PublishedTree, ClassesAndHeaderByName)
{
    EXPECT_EQ(ui::ClassNameOf(*tree), u"TVirtualStringTree");
    core::Object* header = ui::GetObjectProperty(tree, u"Header");
    ASSERT_EQ(header, &tree->HeaderObject());
    ui::SetOrdProperty(header, u"Height", 30);
    EXPECT_EQ(tree->Header().Height(), 30);
    // The header font is the tree's header font.
    ui::SetOrdProperty(ui::GetObjectProperty(header, u"Font"), u"Color", 0x0000FF);
    EXPECT_EQ(uint32_t(tree->HeaderFont().FontColor()), 0x0000FFu);
    for (const char16_t* name : {u"OnAdvancedHeaderDraw", u"OnHeaderDrawQueryElements"}) {
        ASSERT_NE(ui::FindProperty(*tree, name), nullptr);
        EXPECT_EQ(ui::FindProperty(*tree, name)->kind, ui::pkMethod);
    }
}

TEST_F(PublishedTree, HandlersSetByNameGetTheSharedRecord)
{
    struct Call {
        core::Object* sender;
        core::Object* column;
        ui::TPaintRect rect;
        ui::THeaderPaintElements elements;
        bool canvas;
    };
    std::vector<Call> calls;
    static const int drawId = 0, queryId = 0;
    auto draw = std::make_shared<ui::TAdvancedHeaderPaintEvent>(
        [&calls](core::Object* sender, ui::THeaderPaintInfo& info, ui::THeaderPaintElements elements) {
            calls.push_back({sender, info.Column, info.PaintRectangle, elements, info.TargetCanvas != nullptr});
        });
    auto query = std::make_shared<ui::THeaderPaintQueryElementsEvent>(
        [](core::Object*, ui::THeaderPaintInfo&, ui::THeaderPaintElements& elements) {
            elements = ui::hpeBackground | ui::hpeText;
        });
    const ui::MethodValue drawMethod{nullptr, &drawId, draw}, queryMethod{nullptr, &queryId, query};
    ui::SetMethodProperty(tree, u"OnAdvancedHeaderDraw", drawMethod);
    ui::SetMethodProperty(tree, u"OnHeaderDrawQueryElements", queryMethod);
    ui::ChangeSetProperty(&tree->HeaderObject(), u"Options", u"hoOwnerDraw", true);
    EXPECT_EQ(ui::GetMethodProperty(tree, u"OnAdvancedHeaderDraw"), drawMethod);
    EXPECT_EQ(ui::GetMethodProperty(tree, u"OnHeaderDrawQueryElements"), queryMethod);
    Print(0);
    ASSERT_FALSE(calls.empty());
    PublishedColumn* first = tree->HeaderObject().ColumnObject(&tree->Header().Columns()[0]);
    bool sawFirst = false, sawRest = false;
    for (const Call& c : calls) {
        EXPECT_EQ(c.sender, &tree->HeaderObject());
        EXPECT_TRUE(c.canvas);
        sawFirst |= c.column == first && c.elements == ui::hpeBackground;
        sawRest |= c.column == nullptr;
    }
    EXPECT_TRUE(sawFirst);
    EXPECT_TRUE(sawRest) << "the part right of the last column";
    // Cleared by name; the application's own handler reads as assigned and is kept when written back.
    ui::SetMethodProperty(tree, u"OnAdvancedHeaderDraw", ui::MethodValue{});
    EXPECT_FALSE(tree->OnAdvancedHeaderDraw);
    int own = 0;
    tree->OnAdvancedHeaderDraw = [&own](TVTHeader*, THeaderPaintInfo&, THeaderPaintElements) { ++own; };
    const ui::MethodValue read = ui::GetMethodProperty(tree, u"OnAdvancedHeaderDraw");
    EXPECT_TRUE(read.Assigned());
    ui::SetMethodProperty(tree, u"OnAdvancedHeaderDraw", read);
    THeaderPaintInfo info;
    tree->OnAdvancedHeaderDraw(&tree->Header(), info, 0);
    EXPECT_EQ(own, 1);
}

TEST_F(PublishedTree, PrintPaintsTheClientBelowTheHeader)
{
    tree->SetColor(ui::Color(0x00C000));
    tree->Header().SetBackground(TColor(0x0000C0));
    tree->Header().SetStyle(hsFlatButtons);
    RECT window{};
    GetWindowRect(tree->Handle(), &window);
    POINT client{0, 0};
    ClientToScreen(tree->Handle(), &client);
    const int cx = client.x - window.left, cy = client.y - window.top;
    const TRect header = tree->HeaderRect();
    ASSERT_EQ(header.Bottom, cy) << "the header lies right above the client area";
    struct Case {
        const char* what;
        LPARAM flags;
        bool client;
    } cases[] = {
        {"no flags: the header only", 0, false},
        {"client and frame", PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND, true},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ui::Bitmap> shot = Print(c.flags);
        // Below the last column, away from rows' text: the tree's colour or untouched.
        const uint32_t below = uint32_t(shot->PixelColor(cx + 300, cy + 300 - 40));
        EXPECT_EQ(below, c.client ? 0x00C000u : 0xFFFFFFu) << c.what;
        EXPECT_NE(uint32_t(shot->PixelColor(header.Left + 300, header.Top + 4)), 0x00C000u)
            << c.what << ": the client is not printed over the header";
    }
}

} // namespace
} // namespace treeview::test
