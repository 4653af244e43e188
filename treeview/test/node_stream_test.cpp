// The node stream: bytes written, bytes read, and what a damaged stream does to the tree.
#include "tree_fixture.h"
#include "core/exception.h"
#include <cstring>
#include <string>

namespace treeview::test {
namespace {

// Stream bytes put together by hand.
struct Bytes {
    std::string data;
    Bytes& I32(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data += char(uint32_t(v) >> (8 * i));
        return *this;
    }
    Bytes& U16(uint16_t v)
    {
        data += char(v), data += char(v >> 8);
        return *this;
    }
    Bytes& U8(uint8_t v)
    {
        data += char(v);
        return *this;
    }
    Bytes& Magic(uint16_t version)
    {
        return U16(0x2045).U16('V').U16('T').U16(version).U16(' ').U16(0x2046);
    }
    Bytes& Add(const Bytes& other)
    {
        data += other.data;
        return *this;
    }
};

// A version 2 node chunk: base fields, the children's chunks, then extra chunks.
Bytes NodeChunk(uint16_t states, uint32_t height, const std::vector<Bytes>& children = {}, const Bytes& extra = {},
                uint8_t checkState = 0, uint8_t checkType = 0, uint8_t align = 50)
{
    Bytes base;
    base.I32(int32_t(children.size())).I32(int32_t(height)).U16(states).U8(align).U8(checkState).U8(checkType).I32(0);
    for (const Bytes& child : children)
        base.Add(child);
    Bytes node;
    node.I32(2).I32(int32_t(base.data.size())).Add(base).Add(extra);
    Bytes chunk;
    chunk.I32(1).I32(int32_t(node.data.size())).Add(node);
    return chunk;
}

core::StringStream StreamOf(const Bytes& bytes)
{
    return core::StringStream(bytes.data);
}

class NodeStreamTest : public TreeTest {
public:
    TestTree tree;
    void SetUp() override
    {
        TreeTest::SetUp();
        tree.SetNodeDataSize(8);
    }
    void TearDown() override
    {
        DropHandlers(tree);
        tree.OnSaveNode = nullptr;
        tree.OnLoadNode = nullptr;
        tree.OnNodeCopied = nullptr;
    }
    // Names travel as one UTF-16 unit of user data.
    void NamesTravel(TBaseVirtualTree& t)
    {
        t.OnSaveNode = [](TBaseVirtualTree* s, PVirtualNode node, core::Stream& stream) {
            stream.WriteUInt16(*s->GetNodeData<char16_t>(node));
        };
        t.OnLoadNode = [](TBaseVirtualTree* s, PVirtualNode node, core::Stream& stream) {
            *s->GetNodeData<char16_t>(node) = stream.ReadUInt16();
        };
    }
    std::string Save(PVirtualNode node = nullptr)
    {
        core::StringStream stream;
        tree.SaveToStream(stream, node);
        return stream.DataString();
    }
    int LoadError(const Bytes& bytes)
    {
        core::StringStream stream = StreamOf(bytes);
        try {
            tree.LoadFromStream(stream);
        } catch (const EVirtualTreeError& e) {
            return e.HelpContext();
        }
        return 0;
    }
};

TEST_F(NodeStreamTest, AnEmptyTreeIsTheMagicAndACountOfZero)
{
    std::string bytes = Save();
    EXPECT_EQ(bytes, Bytes().Magic(2).I32(0).data);
    EXPECT_EQ(bytes.size(), 16u);
    EXPECT_EQ(std::string("\x45\x20\x56\x00\x54\x00\x02\x00\x20\x00\x46\x20", 12), bytes.substr(0, 12));

    tree.AddChild(nullptr);
    int copied = 0;
    tree.OnNodeCopied = [&](TBaseVirtualTree*, PVirtualNode node) { copied += node == nullptr ? 1 : 100; };
    core::StringStream stream(bytes);
    tree.LoadFromStream(stream);
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    EXPECT_EQ(copied, 1);
}

TEST_F(NodeStreamTest, AChildlessNodeWithoutDataIsThirtyThreeBytes)
{
    PVirtualNode node = tree.AddChild(nullptr);
    tree.ValidateNode(node, false);
    tree.SetCheckType(node, ctCheckBox);
    tree.SetCheckState(node, csCheckedNormal);
    // Transient states are not written.
    IncludeStates(node, vsCutOrCopy | vsHeightMeasured);
    std::string bytes = Save();
    ASSERT_EQ(bytes.size(), 16u + 33u);
    TVirtualNodeStates written = TVirtualNodeStates(LoadStates(node) & 0xDDE9);
    EXPECT_EQ(bytes.substr(12), Bytes().I32(1).Add(NodeChunk(written, 18, {}, {}, csCheckedNormal, ctCheckBox)).data);
    EXPECT_EQ(written & (vsCutOrCopy | vsHeightMeasured), 0);
}

TEST_F(NodeStreamTest, SavingOneNodeWritesACountOfOneAndItsSubtree)
{
    NamesTravel(tree);
    PVirtualNode a = Add(tree, nullptr, 'a');
    Add(tree, a, '1');
    Add(tree, nullptr, 'b');
    std::string bytes = Save(a);
    EXPECT_EQ(bytes.substr(12, 4), Bytes().I32(1).data);

    TestTree other;
    other.SetNodeDataSize(8);
    NamesTravel(other);
    core::StringStream stream(bytes);
    other.LoadFromStream(stream);
    EXPECT_EQ(other.RootNodeCount(), 1u);
    EXPECT_EQ(other.TotalCount(), 2u);
    EXPECT_EQ(*other.GetNodeData<char16_t>(other.GetFirst()->FirstChild), u'1');
    other.OnSaveNode = nullptr;
    other.OnLoadNode = nullptr;
}

TEST_F(NodeStreamTest, AThreeLevelTreeRoundTrips)
{
    NamesTravel(tree);
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() | toMultiSelect);
    PVirtualNode a = Add(tree, nullptr, 'a');
    PVirtualNode a1 = Add(tree, a, '1');
    PVirtualNode a11 = Add(tree, a1, 'x');
    PVirtualNode b = Add(tree, nullptr, 'b');
    tree.ValidateNode(nullptr, true);
    tree.SetExpanded(a, true);
    tree.SetNodeHeight(a1, 30);
    tree.SetCheckType(a11, ctTriStateCheckBox);
    tree.SetCheckState(a11, csMixedNormal);
    tree.SetIsDisabled(a1, true);
    tree.SetSelected(a11, true);
    tree.SetSelected(b, true);
    std::string bytes = Save();

    TestTree other;
    other.SetNodeDataSize(8);
    other.TreeOptions().SetSelectionOptions(other.TreeOptions().SelectionOptions() | toMultiSelect);
    NamesTravel(other);
    core::StringStream stream(bytes);
    other.LoadFromStream(stream);
    ExpectConsistent(other);
    ASSERT_EQ(other.TotalCount(), 4u);
    std::string names;
    for (PVirtualNode run = other.GetFirstNoInit(); run; run = other.GetNextNoInit(run))
        names += char(*other.GetNodeData<char16_t>(run));
    EXPECT_EQ(names, "a1xb");
    PVirtualNode oa = other.GetFirstNoInit(), oa1 = oa->FirstChild, oa11 = oa1->FirstChild, ob = oa->NextSibling;
    EXPECT_TRUE(other.Expanded(oa));
    EXPECT_EQ(other.NodeHeight(oa1), 30u);
    EXPECT_EQ(oa11->CheckType, ctTriStateCheckBox);
    EXPECT_EQ(oa11->CheckState, csMixedNormal);
    EXPECT_TRUE(other.IsDisabled(oa1));
    EXPECT_EQ(other.SelectedCount(), 2);
    EXPECT_TRUE(other.Selected(oa11) && other.Selected(ob));
    EXPECT_EQ(other.VisibleCount(), tree.VisibleCount());
    // Saved again, the same bytes come out.
    core::StringStream again;
    other.SaveToStream(again);
    EXPECT_EQ(again.DataString(), bytes);
    other.OnSaveNode = nullptr;
    other.OnLoadNode = nullptr;
}

// A memory stream has its chunk sizes put in place directly, any other stream is patched through
// seeks: both must hold the same bytes, with nodes that have children, data or neither.
TEST_F(NodeStreamTest, MemoryAndOtherStreamsGetTheSameBytes)
{
    tree.OnSaveNode = [](TBaseVirtualTree* s, PVirtualNode node, core::Stream& stream) {
        const char16_t name = *s->GetNodeData<char16_t>(node);
        if (name != u'-') // nodes named '-' write no data, so their user chunk is cut off
            stream.WriteUInt16(name);
    };
    PVirtualNode a = Add(tree, nullptr, 'a');
    PVirtualNode empty = Add(tree, a, '-');
    Add(tree, empty, 'x');
    Add(tree, a, '-');
    Add(tree, nullptr, 'b');
    tree.ValidateNode(nullptr, true);
    for (PVirtualNode node : {static_cast<PVirtualNode>(nullptr), a}) {
        core::StringStream text;
        core::MemoryStream memory;
        tree.SaveToStream(text, node);
        tree.SaveToStream(memory, node);
        ASSERT_EQ(memory.Size(), int64_t(text.DataString().size()));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.Memory()), size_t(memory.Size())),
                  text.DataString());
        EXPECT_EQ(memory.Position(), memory.Size());
    }
    // The node 'x' below the empty one: its chunk, then the empty node's closing without user data.
    const std::string bytes = Save(empty);
    EXPECT_EQ(bytes.substr(12), Bytes()
                                    .I32(1)
                                    .Add(NodeChunk(TVirtualNodeStates(LoadStates(empty) & 0xDDE9), 18,
                                                   {NodeChunk(TVirtualNodeStates(LoadStates(empty->FirstChild) & 0xDDE9), 18,
                                                              {}, Bytes().I32(4).I32(2).U16(u'x'))}))
                                    .data);
}

TEST_F(NodeStreamTest, WithoutMultiSelectLoadedNodesAreNotSelected)
{
    Bytes bytes;
    bytes.Magic(2).I32(1).Add(NodeChunk(vsInitialized | vsVisible | vsSelected, 18));
    EXPECT_EQ(LoadError(bytes), 0);
    EXPECT_FALSE(tree.Selected(tree.GetFirstNoInit()));
    EXPECT_EQ(tree.SelectedCount(), 0);
}

TEST_F(NodeStreamTest, VersionOneReadsAShortBaseChunkUntilTheEnd)
{
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() | toMultiSelect);
    auto oldNode = [](uint8_t stateByte) {
        Bytes base;
        base.I32(0).I32(20).U8(stateByte).U8(50).U8(0).U8(0);
        Bytes node;
        node.I32(2).I32(12).Add(base);
        return Bytes().I32(1).I32(int32_t(node.data.size())).Add(node);
    };
    Bytes bytes;
    bytes.Magic(1).Add(oldNode(0x81)).Add(oldNode(0x01)).Add(oldNode(0x01));
    EXPECT_EQ(LoadError(bytes), 0);
    ASSERT_EQ(tree.RootNodeCount(), 3u);
    PVirtualNode first = tree.GetFirstNoInit();
    EXPECT_EQ(LoadStates(first), vsInitialized | vsVisible | vsSelected);
    EXPECT_EQ(LoadStates(first->NextSibling), vsInitialized | vsVisible);
    EXPECT_EQ(tree.NodeHeight(first), 20u);
    ExpectConsistent(tree);
}

TEST_F(NodeStreamTest, DamagedStreamsFailWithTheirCodes)
{
    auto bad = [](Bytes b) { return b; };
    Bytes trailing;   // a node chunk whose last chunk runs past the node's end
    {
        Bytes base;
        base.I32(0).I32(18).U16(vsVisible).U8(50).U8(0).U8(0).I32(0);
        Bytes node;
        node.I32(2).I32(17).Add(base).I32(9).I32(4).I32(0);
        trailing.I32(1).I32(int32_t(node.data.size()) - 2).Add(node);
    }
    const struct {
        const char* what;
        Bytes bytes;
        int code;
    } cases[] = {
        {"eleven bytes", bad(Bytes().U16(0x2045).U16('V').U16('T').U16(2).U16(' ').U8(0x46)), hcTFStreamTooSmall},
        {"wrong magic", bad(Bytes().U16(0x2045).U16('X').U16('T').U16(2).U16(' ').U16(0x2046).I32(0)), hcTFWrongStreamFormat},
        {"version 3", bad(Bytes().Magic(3).I32(0)), hcTFWrongStreamVersion},
        {"count missing", bad(Bytes().Magic(2).U16(1)), hcTFStreamTooSmall},
        {"not a node chunk", bad(Bytes().Magic(2).I32(1).I32(7).I32(0)), hcTFCorruptStream1},
        {"data after the node's end", bad(Bytes().Magic(2).I32(1).Add(trailing)), hcTFCorruptStream2},
        {"node size beyond the stream", bad(Bytes().Magic(2).I32(1).I32(1).I32(1000).I32(2)), hcTFStreamTooSmall},
        {"base chunk cut short", bad(Bytes().Magic(2).I32(1).I32(1).I32(12).I32(2).I32(4).I32(0)), hcTFStreamTooSmall},
        {"child count without children",
         bad(Bytes().Magic(2).I32(1).I32(1).I32(25).I32(2).I32(17).I32(1000000).I32(18).U16(vsVisible).U8(50).U8(0).U8(0).I32(0)),
         hcTFStreamTooSmall},
        {"negative size of an unknown chunk",
         bad(Bytes().Magic(2).I32(1).I32(1).I32(33 + 8 - 8).Add(Bytes().I32(2).I32(17).I32(0).I32(18).U16(vsVisible).U8(50).U8(0).U8(0).I32(0)).I32(9).I32(-8)),
         hcTFCorruptStream2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LoadError(c.bytes), c.code);
        // Whatever was read stays, and the tree's counts agree with its nodes.
        ExpectConsistent(tree);
        EXPECT_FALSE(tree.TreeStates() & tsUpdating);
    }
}

TEST_F(NodeStreamTest, ErrorTextsAreTheTreesOwn)
{
    core::StringStream stream(Bytes().Magic(3).I32(0).data);
    try {
        tree.LoadFromStream(stream);
        FAIL();
    } catch (const EVirtualTreeError& e) {
        EXPECT_EQ(e.Message(), u"Unable to load tree structure, the version is unknown.");
    }
}

TEST_F(NodeStreamTest, AUserChunkIsLeftAtItsEndWhateverTheHandlerRead)
{
    Bytes user;
    user.I32(4).I32(10).I32(0x41424344).I32(0).U16(0);
    Bytes bytes;
    bytes.Magic(2).I32(2).Add(NodeChunk(vsVisible, 18, {}, user)).Add(NodeChunk(vsVisible, 19));
    int reads = 0;
    tree.OnLoadNode = [&](TBaseVirtualTree*, PVirtualNode, core::Stream& stream) {
        ++reads;
        EXPECT_EQ(stream.ReadUInt32(), 0x41424344u);
    };
    EXPECT_EQ(LoadError(bytes), 0);
    EXPECT_EQ(reads, 1);
    ASSERT_EQ(tree.RootNodeCount(), 2u);
    EXPECT_EQ(tree.NodeHeight(tree.GetFirstNoInit()->NextSibling), 19u);
}

TEST_F(NodeStreamTest, FieldsOutOfRangeAndTransientStatesReadAsDefaults)
{
    Bytes bytes;
    bytes.Magic(2).I32(1).Add(NodeChunk(vsVisible | vsInitialized | vsChecking | vsCutOrCopy | vsDeleting | vsClearing |
                                            vsToggling | vsInitialUserData | vsHeightMeasured,
                                        18, {}, {}, 77, 99, 200));
    EXPECT_EQ(LoadError(bytes), 0);
    PVirtualNode node = tree.GetFirstNoInit();
    EXPECT_EQ(LoadStates(node), vsVisible | vsInitialized);
    EXPECT_EQ(node->CheckState, csUncheckedNormal);
    EXPECT_EQ(node->CheckType, ctNone);
    EXPECT_EQ(node->Align, 50);
}

TEST_F(NodeStreamTest, AReadOnlyTreeReadsNothing)
{
    tree.AddChild(nullptr);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    std::string bytes = Bytes().Magic(2).I32(1).Add(NodeChunk(vsVisible, 18)).data;
    core::StringStream stream(bytes);
    tree.LoadFromStream(stream);
    tree.AddFromStream(stream, tree.RootNode());
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() & ~toReadOnly);
}

TEST_F(NodeStreamTest, AddingAppendsBelowTheTargetAndShortHeadersFailWithTheStreamsError)
{
    NamesTravel(tree);
    PVirtualNode a = Add(tree, nullptr, 'a');
    Add(tree, a, '1');
    std::string bytes = Save();
    PVirtualNode copiedTo = nullptr;
    tree.OnNodeCopied = [&](TBaseVirtualTree*, PVirtualNode node) { copiedTo = node; };
    core::StringStream stream(bytes);
    tree.AddFromStream(stream, a);
    EXPECT_EQ(copiedTo, a);
    ASSERT_EQ(a->ChildCount, 2u);
    EXPECT_EQ(*tree.GetNodeData<char16_t>(a->LastChild), u'a');
    EXPECT_EQ(a->LastChild->Index, 1u);
    ExpectConsistent(tree);

    core::StringStream shortStream(bytes.substr(0, 11));
    EXPECT_THROW(tree.AddFromStream(shortStream, tree.RootNode()), core::EReadError);
}

TEST_F(NodeStreamTest, InitOnSaveMakesChildrenThatExistOnDemand)
{
    tree.OnInitNode = [](TBaseVirtualTree*, PVirtualNode parent, PVirtualNode, TVirtualNodeInitStates& states) {
        if (!parent)
            states |= ivsHasChildren;
    };
    tree.OnInitChildren = [](TBaseVirtualTree*, PVirtualNode, uint32_t& count) { count = 3; };
    tree.SetRootNodeCount(1);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toInitOnSave);
    std::string bytes = Save();
    // Root count, the node with its three children.
    EXPECT_EQ(bytes.size(), 16u + 4 * 33u);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() & ~toInitOnSave);

    // Without it an uninitialised node says it has no child chunks.
    TestTree other;
    other.SetRootNodeCount(1);
    core::StringStream stream;
    other.SaveToStream(stream);
    EXPECT_EQ(stream.DataString().size(), 16u + 33u);
}

TEST_F(NodeStreamTest, FilesAreReplacedAndReadBack)
{
    NamesTravel(tree);
    Add(tree, nullptr, 'a');
    Add(tree, nullptr, 'b');
    const core::String name = u"node_stream_test.tmp";
    struct Remove {
        core::String name;
        ~Remove() { std::remove(core::ToUtf8(name).c_str()); }
    } remove{name};
    tree.SaveToFile(name);
    tree.SaveToFile(name);
    tree.Clear();
    tree.LoadFromFile(name);
    EXPECT_EQ(tree.RootNodeCount(), 2u);
    EXPECT_EQ(*tree.GetNodeData<char16_t>(tree.GetLastNoInit()), u'b');
}

} // namespace
} // namespace treeview::test
