// MDI forms driven by the system's client window: the children list, the active child, tiling and
// cascading, maximising and the merging of the active child's menu into the frame's bar.
#include "ui/test/uitest.h"
#include "ui/menu.h"

namespace ui::test {
namespace {

MenuItem* AddItem(Menu& menu, const char16_t* caption, int group)
{
    auto* item = new MenuItem(&menu);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    item->Add(new MenuItem(item)); // a submenu, as a bar item has
    item->Items(0)->SetCaption(u"x");
    menu.Items()->Add(item);
    return item;
}

// The captions of the frame's bar, left to right (the system's own bitmap items skipped).
std::vector<std::u16string> BarCaptions(HWND frame)
{
    std::vector<std::u16string> captions;
    HMENU bar = GetMenu(frame);
    for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
        wchar_t text[64]{};
        if (GetMenuStringW(bar, UINT(i), text, 64, MF_BYPOSITION) > 0)
            captions.emplace_back(text, text + wcslen(text));
    }
    return captions;
}

class MDIForms : public UiTest {
protected:
    MDIForms()
    {
        frame->SetFormStyle(fsMDIForm);
        frame->SetBounds(20, 20, 640, 480);
        AddItem(frameMenu, u"File", 0);
        AddItem(frameMenu, u"Window", 5);
        AddItem(frameMenu, u"Help", 9);
        frame->SetMenu(&frameMenu);
        frame->Show();
    }

    Form* AddChild(const char16_t* caption)
    {
        auto* child = new Form(frame.get());
        child->SetFormStyle(fsMDIChild);
        child->SetCaption(caption);
        child->SetBounds(0, 0, 200, 150);
        child->Show();
        Pump();
        return child;
    }

    RECT ChildRect(Form* child) const
    {
        RECT r{};
        GetWindowRect(child->Handle(), &r);
        MapWindowPoints(nullptr, frame->ClientHandle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    std::unique_ptr<Form> frame{new Form()};
    MainMenu frameMenu;
};

TEST_F(MDIForms, TheFrameHoldsASystemClientWindowAndItsChildren)
{
    ASSERT_NE(frame->ClientHandle(), nullptr);
    wchar_t cls[32]{};
    GetClassNameW(frame->ClientHandle(), cls, 32);
    EXPECT_STREQ(cls, L"MDIClient");
    EXPECT_EQ(frame->MDIChildCount(), 0);
    EXPECT_EQ(frame->ActiveMDIChild(), nullptr);

    Form* a = AddChild(u"A");
    Form* b = AddChild(u"B");
    Form* c = AddChild(u"C");
    EXPECT_EQ(GetParent(a->Handle()), frame->ClientHandle());
    EXPECT_TRUE(GetWindowLongPtrW(a->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD);
    ASSERT_EQ(frame->MDIChildCount(), 3);
    EXPECT_EQ(frame->ActiveMDIChild(), c);
    EXPECT_EQ(frame->MDIChildren(0), c);
    EXPECT_EQ(frame->MDIChildren(3), nullptr);

    frame->Next();
    EXPECT_NE(frame->ActiveMDIChild(), c);
    frame->Previous();
    EXPECT_EQ(frame->ActiveMDIChild(), c);
    SendMessageW(frame->ClientHandle(), WM_MDIACTIVATE, WPARAM(a->Handle()), 0);
    EXPECT_EQ(frame->ActiveMDIChild(), a);

    delete a;
    Pump();
    EXPECT_EQ(frame->MDIChildCount(), 2);
    EXPECT_NE(frame->ActiveMDIChild(), a);
    delete b;
    delete c;
    EXPECT_EQ(frame->MDIChildCount(), 0);
    EXPECT_EQ(frame->ActiveMDIChild(), nullptr);
}

TEST_F(MDIForms, AChildWithoutAnMDIFrameCannotBeMade)
{
    Form child;
    child.SetFormStyle(fsMDIChild);
    EXPECT_THROW(child.HandleNeeded(), core::EInvalidOperation);
    EXPECT_FALSE(child.HandleAllocated());
}

TEST_F(MDIForms, TileAndCascadeArrangeTheChildrenInTheClient)
{
    Form* a = AddChild(u"A");
    Form* b = AddChild(u"B");
    RECT client{};
    GetClientRect(frame->ClientHandle(), &client);

    frame->SetTileMode(tbVertical);
    frame->Tile();
    RECT ra = ChildRect(a), rb = ChildRect(b);
    // Side by side, each half of the client, together covering it.
    EXPECT_EQ(ra.top, 0);
    EXPECT_EQ(rb.top, 0);
    EXPECT_EQ(std::min(ra.left, rb.left), 0);
    EXPECT_EQ(std::max(ra.right, rb.right), client.right);
    EXPECT_NEAR(ra.right - ra.left, client.right / 2, 1);
    EXPECT_EQ(ra.bottom - ra.top, client.bottom);

    frame->SetTileMode(tbHorizontal);
    frame->Tile();
    ra = ChildRect(a), rb = ChildRect(b);
    EXPECT_EQ(ra.left, 0);
    EXPECT_EQ(ra.right - ra.left, client.right);
    EXPECT_NEAR(ra.bottom - ra.top, client.bottom / 2, 1);
    EXPECT_NE(ra.top, rb.top);

    frame->Cascade();
    ra = ChildRect(a), rb = ChildRect(b);
    // One below and right of the other by the same step, the active one on top.
    EXPECT_GT(std::abs(rb.left - ra.left), 0);
    EXPECT_EQ(std::abs(rb.left - ra.left), std::abs(rb.top - ra.top));
    EXPECT_EQ(frame->MDIChildren(0), frame->ActiveMDIChild());
}

TEST_F(MDIForms, MaximiseAndRestoreGoThroughTheClient)
{
    Form* a = AddChild(u"A");
    SendMessageW(frame->ClientHandle(), WM_MDIMAXIMIZE, WPARAM(a->Handle()), 0);
    EXPECT_EQ(a->WindowState(), wsMaximized);
    BOOL maximised = FALSE;
    SendMessageW(frame->ClientHandle(), WM_MDIGETACTIVE, 0, LPARAM(&maximised));
    EXPECT_TRUE(maximised);
    SendMessageW(frame->ClientHandle(), WM_MDIRESTORE, WPARAM(a->Handle()), 0);
    EXPECT_EQ(a->WindowState(), wsNormal);
    // A frame freed with a maximised child takes the child's window with it; the object stays usable.
    SendMessageW(frame->ClientHandle(), WM_MDIMAXIMIZE, WPARAM(a->Handle()), 0);
    frame->DestroyHandle();
    EXPECT_FALSE(a->HandleAllocated());
    EXPECT_EQ(frame->ClientHandle(), nullptr);
}

TEST_F(MDIForms, TheActiveChildsMenuMergesIntoTheFrameBarByGroup)
{
    struct Case {
        std::vector<std::pair<const char16_t*, int>> childItems; // empty: a child without a menu
        std::vector<std::u16string> bar;
    };
    const Case cases[] = {
        {{}, {u"File", u"Window", u"Help"}},
        {{{u"Edit", 3}}, {u"File", u"Edit", u"Window", u"Help"}},
        {{{u"Tools", 5}, {u"More", 5}}, {u"File", u"Tools", u"More", u"Help"}},
        {{{u"Doc", 0}, {u"Last", 12}}, {u"Doc", u"Window", u"Help", u"Last"}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<MainMenu> childMenu;
        Form* child = AddChild(u"child");
        if (!c.childItems.empty()) {
            childMenu = std::make_unique<MainMenu>();
            for (auto& [caption, group] : c.childItems)
                AddItem(*childMenu, caption, group);
            child->SetMenu(childMenu.get());
        }
        EXPECT_EQ(BarCaptions(frame->Handle()), c.bar);
        // The frame's own bar comes back when no child is active any more.
        delete child;
        Pump();
        EXPECT_EQ(BarCaptions(frame->Handle()), (std::vector<std::u16string>{u"File", u"Window", u"Help"}));
    }

    // Activation switches the merged items with the active child.
    MainMenu menuA, menuB;
    AddItem(menuA, u"AEdit", 3);
    AddItem(menuB, u"BEdit", 3);
    Form* a = AddChild(u"A");
    a->SetMenu(&menuA);
    Form* b = AddChild(u"B");
    b->SetMenu(&menuB);
    EXPECT_EQ(BarCaptions(frame->Handle())[1], u"BEdit");
    SendMessageW(frame->ClientHandle(), WM_MDIACTIVATE, WPARAM(a->Handle()), 0);
    EXPECT_EQ(BarCaptions(frame->Handle())[1], u"AEdit");
    delete a;
    delete b;
}

} // namespace
} // namespace ui::test
