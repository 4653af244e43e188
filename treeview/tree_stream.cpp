// The node stream: saving the tree's nodes into a byte stream and reading them back, in this or
// another tree.
//
// All integers are little-endian. A saved tree starts with six UTF-16 code units: U+2045 'V' 'T',
// the version (2 is written, 1 and 2 are read), ' ' and U+2046; version 2 follows them with the
// int32 number of top-level node chunks. Every chunk is an 8-byte header (int32 type, int32 size of
// what follows) and its bytes:
//   1 node chunk: the node's base chunk, then its user-data chunk and caption chunk when present;
//   2 base chunk: 17 fixed bytes (uint32 ChildCount, uint32 NodeHeight, uint16 States, Align,
//     CheckState, CheckType, 4 reserved bytes), then the complete node chunks of the children;
//     version 1 has 12 fixed bytes (ChildCount, NodeHeight, one state byte, Align, CheckState,
//     CheckType);
//   3 caption chunk: the string tree's main-column text in UTF-16 (string_tree_win32.cpp);
//   4 user-data chunk: what OnSaveNode wrote.
// The clipboard's "Virtual Tree Data" is a bare sequence of node chunks, read as version 2.
//
// The reader trusts no count of the stream: a node's children are linked as their chunks arrive,
// a chunk that claims more than the stream holds fails before anything is allocated for it, and
// fields outside their range read as defaults.
#include "treeview/virtual_tree.h"
#include "core/fileio.h"
#include <cstring>
#include <typeinfo>

namespace treeview {

namespace {

constexpr char16_t MagicFirst = 0x2045, MagicLast = 0x2046;
constexpr int32_t NodeChunk = 1, BaseChunk = 2, UserChunk = 4;
constexpr uint32_t BaseFieldsSize = 17, OldBaseFieldsSize = 12;
// States that only mean something while an operation runs; they are neither kept from a stream nor
// (most of them) written to it.
constexpr TVirtualNodeStates SavedStatesMask = 0xDDE9;
constexpr TVirtualNodeStates TransientStates =
    vsChecking | vsCutOrCopy | vsDeleting | vsClearing | vsToggling | vsInitialUserData | vsHeightMeasured;

[[noreturn]] void Fail(int code)
{
    switch (code) {
    case hcTFWrongStreamFormat:
        throw EVirtualTreeError(u"Unable to load tree structure, the format is wrong.", code);
    case hcTFWrongStreamVersion:
        throw EVirtualTreeError(u"Unable to load tree structure, the version is unknown.", code);
    case hcTFStreamTooSmall:
        throw EVirtualTreeError(u"Unable to load tree structure, not enough data available.", code);
    case hcTFCorruptStream1:
        throw EVirtualTreeError(u"Stream data corrupt. A node's anchor chunk is missing.", code);
    default:
        throw EVirtualTreeError(u"Stream data corrupt. Unexpected data after node's end position.", hcTFCorruptStream2);
    }
}

int64_t Remaining(core::Stream& stream)
{
    return stream.Size() - stream.Position();
}

// Reads exactly count bytes or fails with "not enough data".
void ReadExactly(core::Stream& stream, void* buffer, int64_t count)
{
    if (Remaining(stream) < count || stream.Read(buffer, count) != count)
        Fail(hcTFStreamTooSmall);
}

struct ChunkHeader {
    int32_t type = 0;
    int32_t size = 0;
};

// Reads a chunk header; remaining is what the stream holds from its position on.
ChunkHeader ReadChunkHeader(core::Stream& stream, int64_t remaining)
{
    uint8_t bytes[8];
    if (remaining < 8 || stream.Read(bytes, 8) != 8)
        Fail(hcTFStreamTooSmall);
    ChunkHeader header;
    std::memcpy(&header.type, bytes, 4);
    std::memcpy(&header.size, bytes + 4, 4);
    return header;
}

// The stream when it is a plain memory stream, whose bytes the writer may patch in place. The type
// records are compared by address (the loader asks twice a node): where one type could have two
// records, the plain stream path is taken, which is as correct, only slower.
core::MemoryStream* InMemory(core::Stream& stream)
{
    return &typeid(stream) == &typeid(core::MemoryStream) ? static_cast<core::MemoryStream*>(&stream) : nullptr;
}

// The loader's access to its stream, whose position and size it asks several times a node: those of
// a plain memory stream (the usual source: clipboard, drag and drop, copies between trees) and its
// small reads are taken without virtual calls, the bytes copied straight from its memory.
class StreamReader {
public:
    explicit StreamReader(core::Stream& stream) : m_stream(stream), m_memory(InMemory(stream)) {}
    int64_t Position()
    {
        return m_memory ? m_memory->core::MemoryStream::Seek(0, core::soCurrent) : m_stream.Position();
    }
    int64_t Size() { return m_memory ? m_memory->core::MemoryStream::Size() : m_stream.Size(); }
    int64_t Remaining() { return Size() - Position(); }
    void SetPosition(int64_t position)
    {
        if (m_memory)
            m_memory->core::MemoryStream::Seek(position, core::soBeginning);
        else
            m_stream.SetPosition(position);
    }
    // Reads count bytes at position, where the stream stands, failing with "not enough data" unless
    // they lie before size.
    void ReadExactly(void* buffer, int64_t count, int64_t position, int64_t size)
    {
        if (size - position < count)
            Fail(hcTFStreamTooSmall);
        if (m_memory) {
            std::memcpy(buffer, m_memory->Memory() + position, size_t(count));
            m_memory->core::MemoryStream::Seek(position + count, core::soBeginning);
        } else if (m_stream.Read(buffer, count) != count) {
            Fail(hcTFStreamTooSmall);
        }
    }
    ChunkHeader ReadChunkHeader(int64_t position, int64_t size)
    {
        uint8_t bytes[8];
        ReadExactly(bytes, 8, position, size);
        ChunkHeader header;
        std::memcpy(&header.type, bytes, 4);
        std::memcpy(&header.size, bytes + 4, 4);
        return header;
    }

private:
    core::Stream& m_stream;
    core::MemoryStream* m_memory;
};

void PutUInt32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

uint32_t GetUInt32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}


} // namespace

// ---- Saving ----

void TBaseVirtualTree::SaveToStream(core::Stream& stream, PVirtualNode node)
{
    AfterConstruction();
    const char16_t magic[6] = {MagicFirst, u'V', u'T', char16_t(NodeStreamVersion), u' ', MagicLast};
    uint8_t bytes[12];
    for (int i = 0; i < 6; ++i)
        bytes[2 * i] = uint8_t(magic[i]), bytes[2 * i + 1] = uint8_t(magic[i] >> 8);
    stream.WriteBuffer(bytes, sizeof bytes);
    if (node && node != m_root) {
        stream.WriteInt32(1);
        WriteNode(stream, node);
    } else {
        stream.WriteInt32(int32_t(m_root->ChildCount));
        for (PVirtualNode run = m_root->FirstChild; run; run = run->NextSibling)
            WriteNode(stream, run);
    }
}

void TBaseVirtualTree::SaveToFile(const core::String& fileName)
{
    core::FileStream file(fileName, core::fmCreate);
    SaveToStream(file);
}

void TBaseVirtualTree::WriteNode(core::Stream& stream, PVirtualNode node)
{
    if (m_options->MiscOptions() & toInitOnSave) {
        // Children that exist only on demand are made, so that they are saved too.
        if (!HasState(node, vsInitialized))
            InitializeNode(node);
        if (HasState(node, vsHasChildren) && node->ChildCount == 0)
            InitializeChildren(node);
    }
    int64_t start = stream.Position();
    uint8_t header[8] = {};
    PutUInt32(header, uint32_t(NodeChunk));
    core::MemoryStream* memory = InMemory(stream);
    // In memory the header's place is only skipped (the next write fills the gap), and the whole
    // header is put in once the chunk's size is known: one append fewer for every node.
    if (memory)
        memory->SetPosition(start + 8);
    else
        stream.WriteBuffer(header, sizeof header);
    WriteChunks(stream, node);
    int64_t end = stream.Position();
    PutUInt32(header + 4, uint32_t(end - start - 8));
    if (memory && end <= memory->Size()) {
        std::memcpy(memory->Memory() + start, header, sizeof header);
    } else {
        stream.SetPosition(start);
        stream.WriteBuffer(header, sizeof header);
        stream.SetPosition(end);
    }
}

void TBaseVirtualTree::WriteChunks(core::Stream& stream, PVirtualNode node)
{
    // Child chunks are written for initialised nodes only, and the count says how many follow, so
    // that a reader never waits for children that are not there.
    bool withChildren = HasState(node, vsInitialized) && node->FirstChild;
    // Base chunk and the user-data chunk's header go out in one write; the base chunk's size is
    // known unless children follow it, and the user chunk's size is patched once its data is in.
    // Saving is dominated by the number of stream calls a node costs, not by its bytes.
    uint8_t chunks[8 + BaseFieldsSize + 8] = {};
    PutUInt32(chunks, uint32_t(BaseChunk));
    PutUInt32(chunks + 4, BaseFieldsSize);
    PutUInt32(chunks + 8, withChildren ? node->ChildCount : 0);
    PutUInt32(chunks + 12, node->NodeHeight);
    TVirtualNodeStates states = LoadStates(node) & SavedStatesMask;
    chunks[16] = uint8_t(states);
    chunks[17] = uint8_t(states >> 8);
    chunks[18] = node->Align;
    chunks[19] = node->CheckState;
    chunks[20] = node->CheckType;
    uint8_t* userHeader = chunks + 8 + BaseFieldsSize;
    PutUInt32(userHeader, uint32_t(UserChunk));
    int64_t userStart;
    if (withChildren) {
        int64_t baseStart = stream.Position();
        stream.WriteBuffer(chunks, 8 + BaseFieldsSize);
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
            WriteNode(stream, child);
        PatchChunkSize(stream, baseStart, stream.Position());
        userStart = stream.Position();
        stream.WriteBuffer(userHeader, 8);
    } else {
        stream.WriteBuffer(chunks, sizeof chunks);
        userStart = stream.Position() - 8;
    }
    DoSaveUserData(node, stream);
    int64_t end = stream.Position();
    if (end - userStart - 8 == 0) {
        stream.SetPosition(userStart);
        stream.SetSize(stream.Size() - 8);
    } else {
        PatchChunkSize(stream, userStart, end);
    }
}

void TBaseVirtualTree::PatchChunkSize(core::Stream& stream, int64_t chunkStart, int64_t chunkEnd)
{
    // Most saves go to memory (clipboard data, cross-tree moves and copies); there the chunk
    // size is put in place directly instead of costing three stream calls. chunkEnd is the
    // stream's position, as at every call here.
    core::MemoryStream* memory = InMemory(stream);
    if (memory && chunkEnd <= memory->Size()) {
        PutUInt32(memory->Memory() + chunkStart + 4, uint32_t(chunkEnd - chunkStart - 8));
        return;
    }
    stream.SetPosition(chunkStart + 4);
    stream.WriteInt32(int32_t(chunkEnd - chunkStart - 8));
    stream.SetPosition(chunkEnd);
}

// ---- Loading ----

int TBaseVirtualTree::ReadStreamHeader(core::Stream& stream, bool exactRead)
{
    uint8_t bytes[12];
    if (exactRead)
        stream.ReadBuffer(bytes, sizeof bytes);
    else
        ReadExactly(stream, bytes, sizeof bytes);
    char16_t units[6];
    for (int i = 0; i < 6; ++i)
        units[i] = char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
    if (units[0] != MagicFirst || units[1] != u'V' || units[2] != u'T' || units[5] != MagicLast)
        Fail(hcTFWrongStreamFormat);
    if (units[3] > NodeStreamVersion)
        Fail(hcTFWrongStreamVersion);
    return units[3];
}

void TBaseVirtualTree::ReadTopLevelNodes(core::Stream& stream, int version, PVirtualNode target)
{
    int64_t count = 0x7FFFFFFF;
    if (version >= 2) {
        uint8_t bytes[4];
        ReadExactly(stream, bytes, 4);
        count = int32_t(GetUInt32(bytes));
    }
    StreamReader reader(stream);
    while (reader.Position() < reader.Size() && count > 0) {
        --count;
        PVirtualNode node = MakeNewNode();
        LinkNode(node, target, amAddChildLast);
        ReadSubtree(stream, version, node);
    }
}

void TBaseVirtualTree::LoadFromStream(core::Stream& stream)
{
    if (m_options->MiscOptions() & toReadOnly)
        return;
    AfterConstruction();
    Clear();
    int version = ReadStreamHeader(stream, false);
    BeginUpdate();
    try {
        ReadTopLevelNodes(stream, version, m_root);
        DoNodeCopied(nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::LoadFromFile(const core::String& fileName)
{
    core::FileStream file(fileName, core::fmOpenRead | core::fmShareDenyWrite);
    LoadFromStream(file);
}

void TBaseVirtualTree::AddFromStream(core::Stream& stream, PVirtualNode targetNode)
{
    if (m_options->MiscOptions() & toReadOnly)
        return;
    AfterConstruction();
    CORE_ASSERT(targetNode && (targetNode == m_root || TreeFromNode(targetNode) == this),
                u"Target node must be a node of this tree or its root.");
    int version = ReadStreamHeader(stream, true);
    BeginUpdate();
    try {
        ReadTopLevelNodes(stream, version, targetNode);
        DoNodeCopied(targetNode == m_root ? nullptr : targetNode);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::RecountLoadedSubtree(PVirtualNode node)
{
    uint32_t count = 1, childHeights = 0;
    bool anyShown = false;
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
        RecountLoadedSubtree(child);
        count += child->TotalCount;
        if (IsEffectivelyVisible(child)) {
            childHeights += child->TotalHeight;
            anyShown = true;
        }
    }
    node->TotalCount = count;
    node->TotalHeight = node->NodeHeight + (HasState(node, vsExpanded) ? childHeights : 0);
    if (node->ChildCount > 0) {
        IncludeStates(node, vsHasChildren);
        anyShown ? ExcludeStates(node, vsAllChildrenHidden) : IncludeStates(node, vsAllChildrenHidden);
    } else {
        ExcludeStates(node, vsAllChildrenHidden);
    }
}

void TBaseVirtualTree::ReadSubtree(core::Stream& stream, int version, PVirtualNode node)
{
    CORE_ASSERT(node && node != m_root, u"The root node cannot be loaded from stream.");
    PVirtualNode parent = node->Parent;
    bool wasShown = FullyVisible(node) && !IsEffectivelyHidden(node);
    bool contributedHeight = HasState(parent, vsExpanded) && IsEffectivelyVisible(node);
    uint32_t oldHeight = node->TotalHeight;

    // The counts of the ancestors are brought up to date also when the stream fails half-way, so
    // that the nodes read so far form a sound tree.
    struct Accounting {
        TBaseVirtualTree& tree;
        PVirtualNode node, parent;
        bool wasShown, contributedHeight;
        uint32_t oldHeight;
        ~Accounting()
        {
            uint32_t oldCount = node->TotalCount;
            tree.RecountLoadedSubtree(node);
            tree.AdjustTotalCount(parent, int64_t(node->TotalCount) - int64_t(oldCount), true);
            bool contributes = treeview::HasState(parent, vsExpanded) && tree.IsEffectivelyVisible(node);
            int64_t heightDiff = (contributes ? int64_t(node->TotalHeight) : 0) - (contributedHeight ? int64_t(oldHeight) : 0);
            if (heightDiff != 0)
                tree.AdjustTotalHeight(parent, heightDiff, true);
            if (tree.FullyVisible(node) && !tree.IsEffectivelyHidden(node))
                tree.m_visible_count += tree.CountVisibleChildren(node);
            else if (wasShown)
                --tree.m_visible_count;
            tree.InvalidateCache();
            if (parent != tree.m_root) {
                try {
                    tree.UpdateHiddenChildrenFlag(parent);
                } catch (...) {
                    // Only a state-change handler can raise here; the read's own outcome goes on.
                }
            }
        }
    } accounting{*this, node, parent, wasShown, contributedHeight, oldHeight};

    ReadNode(stream, version, node);

    ClearTempNodes();
    if (!(m_options->SelectionOptions() & toMultiSelect)) {
        for (PVirtualNode run = node; run; run = NextInSubtree(run, node))
            ExcludeStates(run, vsSelected);
    } else {
        std::vector<PVirtualNode> selected;
        for (PVirtualNode run = node; run; run = NextInSubtree(run, node)) {
            int32_t index;
            if (HasState(run, vsSelected) && !LocateInSelection(run, index))
                selected.push_back(run);
        }
        if (!selected.empty())
            AddNodesToSelection(std::move(selected), true);
    }
}

PVirtualNode TBaseVirtualTree::NextInSubtree(PVirtualNode run, PVirtualNode top) const
{
    if (run->FirstChild)
        return run->FirstChild;
    while (run != top) {
        if (run->NextSibling)
            return run->NextSibling;
        run = run->Parent;
    }
    return nullptr;
}

void TBaseVirtualTree::ReadNode(core::Stream& stream, int version, PVirtualNode node)
{
    // Position and size are asked once per chunk, not once per check: the chunk handlers are the
    // only ones that move the stream.
    StreamReader reader(stream);
    int64_t size = reader.Size();
    int64_t position = reader.Position();
    ChunkHeader header = reader.ReadChunkHeader(position, size);
    position += 8;
    if (header.type != NodeChunk)
        Fail(hcTFCorruptStream1);
    if (header.size > size - position)
        Fail(hcTFStreamTooSmall);
    int64_t end = position + header.size;
    while (position < end) {
        ChunkHeader chunk = reader.ReadChunkHeader(position, size);
        position += 8;
        if (chunk.size > size - position)
            Fail(hcTFStreamTooSmall);
        ReadChunk(stream, version, node, chunk.type, chunk.size);
        position = reader.Position();
        size = reader.Size();
    }
    if (position != end)
        Fail(hcTFCorruptStream2);
}

bool TBaseVirtualTree::ReadChunk(core::Stream& stream, int version, PVirtualNode node, int32_t chunkType, int32_t chunkSize)
{
    StreamReader reader(stream);
    switch (chunkType) {
    case BaseChunk: {
        uint8_t fields[BaseFieldsSize];
        uint32_t childCount;
        TVirtualNodeStates states;
        uint8_t* rest;
        const int64_t position = reader.Position(), size = reader.Size();
        if (version >= 2) {
            reader.ReadExactly(fields, BaseFieldsSize, position, size);
            states = TVirtualNodeStates(fields[8] | fields[9] << 8);
            rest = fields + 10;
        } else {
            reader.ReadExactly(fields, OldBaseFieldsSize, position, size);
            states = fields[8];
            states |= (states & 0x80) ? vsSelected : vsVisible;
            rest = fields + 9;
        }
        childCount = GetUInt32(fields);
        node->States = TVirtualNodeStates(states & ~(TransientStates | vsAllChildrenHidden));
        node->NodeHeight = uint16_t(GetUInt32(fields + 4));
        node->TotalHeight = node->NodeHeight;
        node->Align = rest[0] <= 100 ? rest[0] : 50;
        node->CheckState = rest[1] <= csMixedPressed ? TCheckState(rest[1]) : csUncheckedNormal;
        node->CheckType = rest[2] <= ctButton ? TCheckType(rest[2]) : ctNone;
        // Children are counted as they arrive; each needs a chunk of its own, so a count larger
        // than the stream runs out of data instead of making nodes that were never there.
        node->ChildCount = 0;
        for (uint32_t i = 0; i < childCount; ++i) {
            if (reader.Remaining() < 8)
                Fail(hcTFStreamTooSmall);
            PVirtualNode child = MakeNewNode();
            child->Parent = node;
            child->PrevSibling = node->LastChild;
            child->NextSibling = nullptr;
            child->Index = node->LastChild ? node->LastChild->Index + 1 : 0;
            if (node->LastChild)
                node->LastChild->NextSibling = child;
            else
                node->FirstChild = child;
            node->LastChild = child;
            ++node->ChildCount;
            ReadNode(stream, version, child);
        }
        return true;
    }
    case UserChunk: {
        if (chunkSize < 1)
            return true;
        int64_t start = reader.Position();
        if (m_node_data_size > 0 && node != m_root)
            DataMark(node) = DataHandedOutMark;
        DoLoadUserData(node, stream);
        const int64_t after = reader.Position();
        if (after != start + chunkSize)
            reader.SetPosition(start + chunkSize);
        return after > start;
    }
    default:
        // A chunk of negative size would send the reader back over what it read.
        if (chunkSize < 0)
            Fail(hcTFCorruptStream2);
        reader.SetPosition(reader.Position() + chunkSize);
        return false;
    }
}

// ---- Moving and copying between trees ----

std::vector<PVirtualNode> TBaseVirtualTree::CopyAcross(PVirtualNode source, TBaseVirtualTree* targetTree, PVirtualNode target,
                                                        TVTNodeAttachMode mode, bool childrenOnly, bool askCopying)
{
    core::MemoryStream stream;
    if (childrenOnly) {
        for (PVirtualNode child = source->FirstChild; child; child = child->NextSibling)
            WriteNode(stream, child);
    } else {
        WriteNode(stream, source);
    }
    stream.SetPosition(0);
    std::vector<PVirtualNode> made;
    targetTree->BeginUpdate();
    try {
        PVirtualNode anchor = target;
        while (stream.Position() < stream.Size()) {
            PVirtualNode node = targetTree->MakeNewNode();
            targetTree->LinkNode(node, anchor, mode);
            try {
                targetTree->ReadSubtree(stream, NodeStreamVersion, node);
            } catch (...) {
                // A half-read copy is taken out again: its nodes get their OnFreeNode.
                targetTree->DeleteNode(node, true);
                throw;
            }
            if (askCopying) {
                bool allowed = true;
                DoNodeCopying(node, target == targetTree->m_root ? nullptr : target, allowed);
                if (!allowed) {
                    targetTree->DeleteNode(node, true);
                    made.push_back(nullptr);
                    continue;
                }
                DoNodeCopied(node);
            }
            if (mode == amInsertAfter)
                anchor = node;
            made.push_back(node);
        }
    } catch (...) {
        targetTree->EndUpdate();
        throw;
    }
    targetTree->EndUpdate();
    return made;
}

void TBaseVirtualTree::SkipNode(core::Stream& stream)
{
    ChunkHeader header = ReadChunkHeader(stream, Remaining(stream));
    if (header.type != NodeChunk)
        Fail(hcTFCorruptStream1);
    stream.SetPosition(stream.Position() + header.size);
}

} // namespace treeview
