// The string tree's in-place editor in a real form: Enter, Escape and focus loss end or cancel the
// edit with the right writes, the editor's geometry (minimum width, right-aligned growth, typing),
// multi-line nodes, structure changes that close the editor, and the release of an unused editor.
#include "treeview/edit_link.h"
#include "treeview/test/treeform_win32.h"
#include "ui/edit.h"

#include <vector>

namespace treeview::test {
namespace {

class Editing : public TreeInForm<TVirtualStringTree> {
protected:
    Editing()
    {
        tree->Header().SetOptions(tree->Header().Options() | hoVisible);
        for (int width : {150, 100}) {
            TVirtualTreeColumn& column = tree->Header().Columns().Add();
            column.SetWidth(width);
        }
        auto& options = tree->TreeOptions();
        options.SetMiscOptions(TVTMiscOptions(options.MiscOptions() | toEditable));
        tree->OnGetText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                                 core::String& text) { text = texts.at(node->Index * 2 + (column == 1)); };
        tree->OnNewText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, core::StringView text) {
            writes.push_back(core::String(text));
            texts.at(node->Index * 2 + (column == 1)) = core::String(text);
        };
        tree->OnEditCancelled = [this](TBaseVirtualTree*, TColumnIndex) { ++cancels; };
        tree->OnEdited = [this](TBaseVirtualTree*, PVirtualNode, TColumnIndex) { ++edits; };
        tree->SetRootNodeCount(3);
        other = new ui::Edit(form.get());
        other->SetParent(form.get());
        other->SetBounds(10, 312, 100, 6);
        form->Show();
        Pump();
    }
    ~Editing() override
    {
        tree->OnGetText = nullptr;
        tree->OnNewText = nullptr;
        tree->OnEditCancelled = nullptr;
        tree->OnEdited = nullptr;
        form.reset();
    }

    TVTEdit* Editor()
    {
        auto* link = dynamic_cast<TStringEditLink*>(tree->EditLink().get());
        return link ? link->Edit() : nullptr;
    }
    void Type(HWND window, core::StringView text)
    {
        for (char16_t c : text)
            SendMessageW(window, WM_CHAR, WPARAM(c), 0);
    }
    void Key(HWND window, WPARAM key)
    {
        SendMessageW(window, WM_KEYDOWN, key, 0);
        SendMessageW(window, WM_KEYUP, key, 0xC0000000);
    }
    RECT EditorBounds(TVTEdit* edit) { return edit->BoundsRect(); }

    std::vector<core::String> texts{u"alpha", u"one", u"beta", u"two", u"gamma", u"three"};
    std::vector<core::String> writes;
    int cancels = 0, edits = 0;
    ui::Edit* other = nullptr;
};

TEST_F(Editing, EnterWritesOnceEscapeNeverAndUnchangedTextIsNotWritten)
{
    struct Case {
        const char16_t* typed;
        WPARAM key;
        std::vector<core::String> writes;
        int edits, cancels;
    } cases[] = {
        {u"x", VK_RETURN, {u"alphax"}, 1, 0},
        {u"y", VK_ESCAPE, {}, 0, 1},
        {u"", VK_RETURN, {}, 1, 0},
    };
    for (const Case& c : cases) {
        texts[0] = u"alpha";
        writes.clear();
        edits = cancels = 0;
        ASSERT_TRUE(tree->EditNode(Node(0), 0));
        TVTEdit* edit = Editor();
        ASSERT_NE(edit, nullptr);
        HWND window = edit->Handle();
        EXPECT_EQ(edit->Text(), u"alpha");
        EXPECT_TRUE(IsWindowVisible(window));
        SendMessageW(window, EM_SETSEL, 5, 5);
        Type(window, c.typed);
        Key(window, c.key);
        Pump();
        EXPECT_FALSE(tree->IsEditing());
        EXPECT_EQ(tree->EditLink(), nullptr);
        EXPECT_EQ(writes, c.writes) << int(c.key);
        EXPECT_EQ(edits, c.edits);
        EXPECT_EQ(cancels, c.cancels);
    }
}

TEST_F(Editing, FocusLossAcceptsOrCancelsByTheAutoAcceptOption)
{
    for (bool autoAccept : {true, false}) {
        auto& options = tree->StringTreeOptions();
        options.SetStringOptions(autoAccept ? TVTStringOptions(options.StringOptions() | toAutoAcceptEditChange)
                                            : TVTStringOptions(options.StringOptions() & ~toAutoAcceptEditChange));
        texts[2] = u"beta";
        writes.clear();
        edits = cancels = 0;
        ASSERT_TRUE(tree->EditNode(Node(1), 0));
        HWND window = Editor()->Handle();
        SendMessageW(window, EM_SETSEL, 4, 4);
        Type(window, u"!");
        other->SetFocus();
        Pump();
        EXPECT_FALSE(tree->IsEditing()) << autoAccept;
        EXPECT_EQ(writes, autoAccept ? std::vector<core::String>{u"beta!"} : std::vector<core::String>{});
        EXPECT_EQ(edits, autoAccept ? 1 : 0);
        EXPECT_EQ(cancels, autoAccept ? 0 : 1);
    }
}

TEST_F(Editing, NarrowCellsGetThirtyPixelsAndRightAlignedCellsGrowToTheLeft)
{
    ASSERT_TRUE(tree->EditNode(Node(0), 0));
    auto* link = dynamic_cast<TStringEditLink*>(tree->EditLink().get());
    ASSERT_NE(link, nullptr);
    TVTEdit* edit = link->Edit();
    struct Case {
        TAlignment alignment;
        TRect given;
        RECT expected;
    } cases[] = {
        {taLeftJustify, {50, 5, 60, 25}, {50, 5, 80, 25}},
        {taRightJustify, {100, 5, 110, 25}, {80, 5, 110, 25}},
        {taLeftJustify, {-8, 5, 100, 25}, {0, 5, 100, 25}},
        {taLeftJustify, {350, 5, 500, 25}, {350, 5, tree->ClientWidth(), 25}},
    };
    for (const Case& c : cases) {
        tree->Header().Columns()[0].SetAlignment(c.alignment);
        tree->CancelEditNode();
        ASSERT_TRUE(tree->EditNode(Node(0), 0));
        link = dynamic_cast<TStringEditLink*>(tree->EditLink().get());
        edit = link->Edit();
        EXPECT_EQ(link->Alignment(), c.alignment);
        link->SetBounds(c.given);
        RECT r = EditorBounds(edit);
        EXPECT_EQ(r.left, c.expected.left) << int(c.alignment) << " " << c.given.Left;
        EXPECT_EQ(r.right, c.expected.right) << int(c.alignment) << " " << c.given.Left;
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
    tree->CancelEditNode();
}

TEST_F(Editing, TypingResizesTheEditorUnlessGridExtensionsAreOn)
{
    for (bool grid : {false, true}) {
        auto& options = tree->TreeOptions();
        options.SetMiscOptions(grid ? TVTMiscOptions(options.MiscOptions() | toGridExtensions)
                                    : TVTMiscOptions(options.MiscOptions() & ~toGridExtensions));
        ASSERT_TRUE(tree->EditNode(Node(0), 0));
        TVTEdit* edit = Editor();
        HWND window = edit->Handle();
        const int before = EditorBounds(edit).right - EditorBounds(edit).left;
        SendMessageW(window, EM_SETSEL, 5, 5);
        Type(window, u"wwwwwwwww");
        Pump();
        const int grown = EditorBounds(edit).right - EditorBounds(edit).left;
        SendMessageW(window, EM_SETSEL, 0, -1);
        Type(window, u"\b");
        Pump();
        const int shrunk = EditorBounds(edit).right - EditorBounds(edit).left;
        if (grid) {
            EXPECT_EQ(grown, before);
            EXPECT_EQ(shrunk, before);
        } else {
            EXPECT_GT(grown, before);
            EXPECT_EQ(shrunk, 30); // an empty text leaves the minimum
        }
        tree->CancelEditNode();
    }
}

TEST_F(Editing, EnterInAMultiLineNodeAddsALineAndCtrlEnterEnds)
{
    PVirtualNode node = Node(2);
    node->States |= vsMultiline;
    ASSERT_TRUE(tree->EditNode(node, 0));
    TVTEdit* edit = Editor();
    HWND window = edit->Handle();
    EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & ES_AUTOVSCROLL);
    SendMessageW(window, EM_SETSEL, 5, 5);
    Key(window, VK_RETURN);
    Type(window, u"\rdelta");
    Pump();
    EXPECT_TRUE(tree->IsEditing());
    EXPECT_EQ(edit->Text(), u"gamma\r\ndelta");
    {
        ui::test::KeysDown ctrl{VK_CONTROL};
        Key(window, VK_RETURN);
    }
    Pump();
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(writes, std::vector<core::String>{u"gamma\r\ndelta"});
}

TEST_F(Editing, StructureChangesCloseAnOpenEditor)
{
    struct Case {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"Clear", [this] { tree->Clear(); }},
        {"AddChild", [this] { tree->AddChild(nullptr); }},
        {"focused column", [this] { tree->SetFocusedColumn(1); }},
    };
    for (const Case& c : cases) {
        tree->SetRootNodeCount(3);
        cancels = 0;
        ASSERT_TRUE(tree->EditNode(Node(0), 0)) << c.what;
        TVTEdit* edit = Editor();
        HWND window = edit->Handle();
        c.change();
        Pump();
        EXPECT_FALSE(tree->IsEditing()) << c.what;
        EXPECT_EQ(cancels, 1) << c.what;
        EXPECT_FALSE(IsWindowVisible(window)) << c.what;
    }
    EXPECT_TRUE(writes.empty());
}

// A link whose edit reports its end.
class CountedEdit : public TVTEdit {
public:
    CountedEdit(TStringEditLink* link, int& alive) : TVTEdit(link), m_alive(alive) { ++m_alive; }
    ~CountedEdit() override { --m_alive; }

private:
    int& m_alive;
};

class CountedLink : public TStringEditLink {
public:
    static std::shared_ptr<CountedLink> Make(int& alive)
    {
        std::shared_ptr<CountedLink> link(new CountedLink);
        link->SetEdit(new CountedEdit(link.get(), alive));
        return link;
    }
};

TEST_F(Editing, AnEditorThatNeverGotAWindowIsFreedWithItsLinkAndOneWithAWindowAfterTheQueue)
{
    int alive = 0;
    {
        auto link = CountedLink::Make(alive);
        EXPECT_EQ(alive, 1);
        EXPECT_EQ(link->Edit()->HandleIfAllocated(), nullptr);
    }
    EXPECT_EQ(alive, 0);

    tree->OnCreateEditor = [&](TBaseVirtualTree*, PVirtualNode, TColumnIndex, std::shared_ptr<IVTEditLink>& link) {
        link = CountedLink::Make(alive);
    };
    ASSERT_TRUE(tree->EditNode(Node(0), 0));
    EXPECT_EQ(alive, 1);
    tree->EndEditNode();
    // The release is posted: the edit goes once the loop has run.
    Pump();
    EXPECT_EQ(alive, 0);
    tree->OnCreateEditor = nullptr;
}

} // namespace
} // namespace treeview::test
