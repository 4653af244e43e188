// The string tree's texts, widths, shortening, spans, paths and caption chunks.
#include "treeview/string_tree.h"
#include "tree_fixture.h"
#include "core/stream.h"
#include <map>

namespace treeview::test {

namespace {

// A string tree over a recording port (7 pixels per character) whose texts come from a map.
struct TextTree {
    RecordingWindowPort port;
    TVirtualStringTree tree{&port};
    SimpleColumns columns;
    std::map<std::pair<PVirtualNode, TColumnIndex>, core::String> texts;

    TextTree()
    {
        port.SetTree(&tree);
        tree.OnGetText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType type,
                                core::String& text) {
            if (type != ttNormal)
                return;
            auto it = texts.find({node, column});
            if (it != texts.end())
                text = it->second;
        };
    }
    ~TextTree() { tree.OnGetText = nullptr; }
    PVirtualNode Add(PVirtualNode parent, core::StringView text, TColumnIndex column = NoColumn)
    {
        PVirtualNode node = tree.AddChild(parent);
        texts[{node, column}] = core::String(text);
        return node;
    }
};

} // namespace

TEST_F(TreeTest, CellsShowDefaultTextWithoutHandler)
{
    TVirtualStringTree tree;
    PVirtualNode node = tree.AddChild(nullptr);
    EXPECT_EQ(tree.Text(node, 0), u"Node");
    tree.SetDefaultText(u"x");
    EXPECT_EQ(tree.Text(node, 3), u"x");
    // Writing without OnNewText changes nothing visible.
    tree.SetText(node, 0, u"new");
    EXPECT_EQ(tree.Text(node, 0), u"x");
}

TEST_F(TreeTest, PathHasEveryLevelFollowedByDelimiter)
{
    TextTree t;
    PVirtualNode a = t.Add(nullptr, u"A");
    PVirtualNode b = t.Add(a, u"B");
    EXPECT_EQ(t.tree.Path(b, NoColumn, ttNormal, u'\\'), u"A\\B\\");
    EXPECT_EQ(t.tree.Path(nullptr, NoColumn, ttNormal, u'/'), u"/");
    // A level whose handler leaves the text alone contributes an empty text, not the level below's.
    PVirtualNode c = t.tree.AddChild(b);
    PVirtualNode d = t.Add(c, u"D");
    EXPECT_EQ(t.tree.Path(d, NoColumn, ttNormal, u'\\'), u"A\\B\\\\D\\");
}

TEST_F(TreeTest, MainColumnWidthIsCachedUntilTheNodeIsInvalidated)
{
    TextTree t;
    t.columns.Add(u"name", 100);
    t.columns.Add(u"delay", 80);
    t.tree.SetColumns(&t.columns);
    PVirtualNode node = t.Add(nullptr, u"abcd", 0);
    t.texts[{node, 1}] = u"12";
    int measured = 0;
    t.tree.OnMeasureTextWidth = [&](TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView, int& w) {
        ++measured;
        w += 1;   // a handler may change the width; the changed value is what is cached
    };
    EXPECT_EQ(t.tree.NodeWidth(nullptr, node, 0), 4 * 7 + 1 + 2 * 4);
    EXPECT_EQ(t.tree.CachedWidth(node), uint32_t(4 * 7 + 1 + 8));
    t.texts[{node, 0}] = u"abcdefgh";
    EXPECT_EQ(t.tree.NodeWidth(nullptr, node, 0), 37);   // still cached
    EXPECT_EQ(measured, 1);
    t.tree.InvalidateNode(node);
    EXPECT_EQ(t.tree.CachedWidth(node), 0u);
    EXPECT_EQ(t.tree.NodeWidth(nullptr, node, 0), 8 * 7 + 1 + 8);
    // Other columns are measured every time.
    t.tree.NodeWidth(nullptr, node, 1);
    t.tree.NodeWidth(nullptr, node, 1);
    EXPECT_EQ(measured, 4);
    t.tree.SetFontMetrics(13, 21);
    EXPECT_EQ(t.tree.CachedWidth(node), 0u);
    t.tree.OnMeasureTextWidth = nullptr;
}

TEST_F(TreeTest, ShortenTextKeepsTheLongestPrefixThatFits)
{
    TextTree t;
    PVirtualNode node = t.Add(nullptr, u"x");
    struct Case { core::String s; int width; core::String expected; };
    const Case cases[] = {
        {u"abcdefghij", 70, u"abcdefg..."},   // 7 chars * 7 + 21 = 70
        {u"abcdefghij", 69, u"abcdef..."},
        {u"ab", 100, u"a..."},                 // never the whole text
        {u"abc", 21, u""},                      // not wider than the ellipsis
        {u"", 100, u""},
        {u"abc", 0, u""},
        {u"a\U0001F600b", 7 + 21 + 7, u"a..."},   // a surrogate pair is never split
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.tree.ShortenText(nullptr, node, 0, c.s, c.width, 21), c.expected) << core::ToUtf8(c.s) << " " << c.width;
    t.tree.OnShortenString = [](TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, core::StringView, int,
                                core::String& result, bool& done) {
        result = u"mine";
        done = true;
    };
    EXPECT_EQ(t.tree.ShortenText(nullptr, node, 0, u"abcdefghij", 30, 21), u"mine");
    t.tree.OnShortenString = nullptr;
}

TEST_F(TreeTest, EmptyCellsJoinTheSpanOfTheCellBeforeThem)
{
    TextTree t;
    for (int w : {100, 80, 60, 60})
        t.columns.Add(u"c", w);
    t.tree.SetColumns(&t.columns);
    t.tree.SetDefaultText(u"");
    PVirtualNode node = t.Add(nullptr, u"long text", 0);
    t.texts[{node, 3}] = u"x";
    int right = 100;
    EXPECT_EQ(t.tree.AdjustCellRect(0, right, node), 1);   // no span without the option
    EXPECT_EQ(right, 100);
    t.tree.TreeOptions().SetAutoOptions(t.tree.TreeOptions().AutoOptions() | toAutoSpanColumns);
    EXPECT_EQ(t.tree.AdjustCellRect(0, right, node), 3);
    EXPECT_EQ(right, 240);
    right = 300;
    EXPECT_EQ(t.tree.AdjustCellRect(3, right, node), InvalidColumn);
}

TEST_F(TreeTest, CaptionChunkRoundTrips)
{
    TextTree t;
    PVirtualNode node = t.Add(nullptr, u"线路一");
    PVirtualNode empty = t.Add(nullptr, u"");
    core::MemoryStream stream;
    t.tree.WriteCaptionChunk(stream, node);
    t.tree.WriteCaptionChunk(stream, empty);      // empty captions write nothing
    t.tree.WriteCaptionChunk(stream, t.tree.RootNode());
    EXPECT_EQ(stream.Size(), 8 + 6);
    stream.SetPosition(0);
    core::String received;
    t.tree.OnNewText = [&](TBaseVirtualTree*, PVirtualNode n, TColumnIndex, core::StringView text) {
        EXPECT_EQ(n, empty);
        received = core::String(text);
    };
    int32_t type = stream.ReadInt32(), size = stream.ReadInt32();
    EXPECT_TRUE(t.tree.ReadChunk(stream, empty, type, size));
    EXPECT_EQ(received, u"线路一");
    EXPECT_FALSE(t.tree.ReadChunk(stream, empty, 7, 0));
    // A chunk that claims more than the stream holds is refused.
    core::MemoryStream shortStream;
    shortStream.WriteUInt16(u'a');
    shortStream.SetPosition(0);
    EXPECT_THROW(t.tree.ReadChunk(shortStream, empty, CaptionChunk, 100), EVirtualTreeError);
    t.tree.OnNewText = nullptr;
}

TEST_F(TreeTest, IncrementalSearchByTextMatchesPrefixes)
{
    TextTree t;
    t.tree.SetIncrementalSearch(isAll);
    PVirtualNode ba = t.Add(nullptr, u"ba");
    PVirtualNode bb = t.Add(nullptr, u"bb");
    PVirtualNode bc = t.Add(nullptr, u"bc");
    t.Add(nullptr, u"𠀀x");   // a character outside the basic plane
    PVirtualNode surrogate = t.tree.GetLast();
    t.tree.SetFocusedNode(ba);
    t.tree.KeyDown('B', {});
    t.tree.KeyChar(u'b');
    EXPECT_EQ(t.tree.FocusedNode(), bb);
    EXPECT_EQ(t.tree.SearchBuffer(), u"b");
    t.tree.KeyDown('B', {});
    t.tree.KeyChar(u'b');   // "bb" matches the start node: stays
    EXPECT_EQ(t.tree.FocusedNode(), bb);
    EXPECT_EQ(t.tree.SearchBuffer(), u"bb");
    EXPECT_TRUE(t.tree.Selected(bb));
    EXPECT_EQ(t.tree.SelectedCount(), 1);
    EXPECT_TRUE(t.port.TimerRunning(SearchTimer));
    EXPECT_EQ(t.port.TimerInterval(SearchTimer), 1000u);
    // Time-out: the next letter starts a new search.
    t.port.FireTimer(SearchTimer);
    EXPECT_EQ(t.tree.SearchBuffer(), u"");
    t.tree.KeyDown('B', {});
    t.tree.KeyChar(u'b');
    EXPECT_EQ(t.tree.FocusedNode(), bc);
    t.port.FireTimer(SearchTimer);
    // A surrogate pair is one character.
    t.tree.KeyDown(0, {});
    t.tree.KeyChar(u"𠀀"[0]);
    EXPECT_EQ(t.tree.FocusedNode(), bc);   // nothing searched yet: half a character
    t.tree.KeyChar(u"𠀀"[1]);
    EXPECT_EQ(t.tree.FocusedNode(), surrogate);
    EXPECT_EQ(t.tree.SearchBuffer(), u"𠀀");
    t.tree.KeyDown(VKBack, {});
    t.tree.KeyChar(u'\b');
    EXPECT_EQ(t.tree.SearchBuffer(), u"");
}

TEST_F(TreeTest, RepeatedLetterCyclesThroughNodesStartingWithIt)
{
    TextTree t;
    t.tree.SetIncrementalSearch(isAll);
    PVirtualNode ba = t.Add(nullptr, u"ba");
    PVirtualNode bc = t.Add(nullptr, u"bc");
    PVirtualNode bd = t.Add(nullptr, u"bd");
    t.tree.SetFocusedNode(ba);
    int beeps = 0;
    t.tree.Beep = [&] { ++beeps; };
    for (PVirtualNode expected : {bc, bd, ba, bc}) {
        t.tree.KeyDown('B', {});
        t.tree.KeyChar(u'b');
        EXPECT_EQ(t.tree.FocusedNode(), expected);
    }
    t.tree.KeyDown('Z', {});
    t.tree.KeyChar(u'z');
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(t.tree.FocusedNode(), bc);
    // isNone: nothing is searched and no timer runs.
    t.tree.SetIncrementalSearch(isNone);
    EXPECT_EQ(t.tree.SearchBuffer(), u"");
    t.tree.KeyDown('B', {});
    t.tree.KeyChar(u'b');
    EXPECT_FALSE(t.port.TimerRunning(SearchTimer));
    EXPECT_EQ(t.tree.FocusedNode(), bc);
    t.tree.Beep = nullptr;
}

TEST_F(TreeTest, BackspaceWithEmptyBufferChangesNothing)
{
    TextTree t;
    t.tree.SetIncrementalSearch(isAll);
    t.Add(nullptr, u"a");
    PVirtualNode b = t.Add(nullptr, u"b");
    t.tree.SetFocusedNode(b);
    t.tree.KeyDown('Z', {});
    t.tree.KeyChar(u'z');   // no match: searching, buffer still empty
    EXPECT_TRUE(t.tree.TreeStates() & tsIncrementalSearching);
    t.tree.KeyDown(VKBack, {});
    t.tree.KeyChar(u'\b');
    EXPECT_EQ(t.tree.FocusedNode(), b);
    EXPECT_EQ(t.tree.SearchBuffer(), u"");
}

} // namespace treeview::test
