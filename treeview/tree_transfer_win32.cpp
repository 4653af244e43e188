// The tree's side of OLE transfer: the formats it offers, rendering its node data, finding the
// tree a data object comes from, and turning pasted data back into nodes.
//
// "Virtual Tree Data" is node chunks of the node stream without magic or count: on global memory
// preceded by their byte count (32-bit), or in a stream positioned at 0.
#include "treeview/dataobject_win32.h"
#include "treeview/string_tree.h"
#include "core/exception.h"
#include "core/stream.h"
#include <algorithm>
#include <cstring>

namespace treeview {

namespace {

UINT TreeDataFormat()
{
    static const UINT format = RegisterClipboardFormatW(L"Virtual Tree Data");
    return format;
}

FORMATETC TreeDataRequest()
{
    return FORMATETC{CLIPFORMAT(TreeDataFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM};
}

// Reading over a locked global block; nothing may be written into data that others own.
class TOLEMemoryStream : public core::Stream {
public:
    TOLEMemoryStream(const uint8_t* data, int64_t size) : m_data(data), m_size(size) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        int64_t n = std::max<int64_t>(0, std::min(count, m_size - m_position));
        if (n > 0)
            std::memcpy(buffer, m_data + m_position, size_t(n));
        m_position += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override
    {
        throw core::EStreamError(u"Can't write to a read-only resource stream");
    }
    int64_t Seek(int64_t offset, core::SeekOrigin origin) override
    {
        int64_t base = origin == core::soBeginning ? 0 : origin == core::soCurrent ? m_position : m_size;
        if (base + offset < 0)
            throw core::EStreamError(u"Invalid stream position");
        m_position = base + offset;
        return m_position;
    }
    int64_t Size() override { return m_size; }

private:
    const uint8_t* m_data;
    int64_t m_size;
    int64_t m_position = 0;
};

// A core stream over an OLE stream interface (one reference held).
class TOLEStreamAdapter : public core::Stream {
public:
    explicit TOLEStreamAdapter(IStream* stream) : m_stream(stream) { m_stream->AddRef(); }
    ~TOLEStreamAdapter() override { m_stream->Release(); }
    int64_t Read(void* buffer, int64_t count) override
    {
        ULONG read = 0;
        if (count <= 0 || FAILED(m_stream->Read(buffer, ULONG(std::min<int64_t>(count, 0x7FFFFFFF)), &read)))
            return 0;
        return read;
    }
    int64_t Write(const void* buffer, int64_t count) override
    {
        ULONG written = 0;
        if (count <= 0 || FAILED(m_stream->Write(buffer, ULONG(std::min<int64_t>(count, 0x7FFFFFFF)), &written)))
            return 0;
        return written;
    }
    int64_t Seek(int64_t offset, core::SeekOrigin origin) override
    {
        LARGE_INTEGER move;
        move.QuadPart = offset;
        ULARGE_INTEGER position{};
        if (FAILED(m_stream->Seek(move, DWORD(origin), &position)))
            throw core::EStreamError(u"Invalid stream position");
        return int64_t(position.QuadPart);
    }
    int64_t Size() override
    {
        STATSTG stat{};
        if (FAILED(m_stream->Stat(&stat, STATFLAG_NONAME)))
            return core::Stream::Size();
        return int64_t(stat.cbSize.QuadPart);
    }

private:
    IStream* m_stream;
};

template <class T> struct Released {
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->Release();
    }
};

} // namespace

// ---- Offering and rendering ----

void TVirtualTreeControl::NativeClipboardFormats(std::vector<FORMATETC>& formats)
{
    formats.clear();
    for (const TClipboardFormatEntry& entry : EnumerateFormats(this, &ClipboardFormats()))
        if (entry.Format != 0)
            formats.push_back(FORMATETC{CLIPFORMAT(entry.Format), nullptr, DVASPECT_CONTENT, -1, entry.Tymed});
    if (OnGetUserClipboardFormats)
        OnGetUserClipboardFormats(this, formats);
}

HRESULT TVirtualTreeControl::RenderData(const FORMATETC& formatIn, STGMEDIUM& medium, bool forClipboard)
{
    medium = STGMEDIUM{};
    if (formatIn.cfFormat == TreeDataFormat() && (formatIn.tymed & (TYMED_HGLOBAL | TYMED_ISTREAM))) {
        TNodeArray nodes = forClipboard ? GetSortedCutCopySet(true) : GetSortedSelection(true);
        core::MemoryStream data;
        for (PVirtualNode node : nodes)
            WriteNode(data, node);
        if (formatIn.tymed & TYMED_ISTREAM) {
            IStream* stream = nullptr;
            if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
                return E_OUTOFMEMORY;
            ULONG written = 0;
            if (data.Size() > 0 && (FAILED(stream->Write(data.Memory(), ULONG(data.Size()), &written)) ||
                                    written != ULONG(data.Size()))) {
                stream->Release();
                return E_OUTOFMEMORY;
            }
            LARGE_INTEGER start{};
            stream->Seek(start, STREAM_SEEK_SET, nullptr);
            medium.tymed = TYMED_ISTREAM;
            medium.pstm = stream;
            return S_OK;
        }
        int64_t size = data.Size();
        if (size <= 0)
            return E_FAIL;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, SIZE_T(size + 4));
        if (!block)
            return E_OUTOFMEMORY;
        auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
        int32_t count = int32_t(size);
        std::memcpy(bytes, &count, 4);
        std::memcpy(bytes + 4, data.Memory(), size_t(size));
        GlobalUnlock(block);
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block;
        return S_OK;
    }
    HRESULT result = E_FAIL;
    if (OnRenderOLEData)
        OnRenderOLEData(this, formatIn, medium, forClipboard, result);
    return result;
}

HRESULT TCustomVirtualStringTree::RenderData(const FORMATETC& formatIn, STGMEDIUM& medium, bool forClipboard)
{
    HRESULT result = TCustomVirtualTreeControl::RenderData(formatIn, medium, forClipboard);
    if (SUCCEEDED(result))
        return result;
    HGLOBAL block = nullptr;
    try {
        block = ContentToClipboard(uint16_t(formatIn.cfFormat), forClipboard ? tstCutCopySet : tstSelected);
    } catch (...) {
        return E_FAIL;
    }
    if (!block)
        return result;
    medium = STGMEDIUM{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    return S_OK;
}

TVirtualTreeControl* TVirtualTreeControl::TreeOfDataObject(IDataObject* dataObject)
{
    if (!dataObject)
        return nullptr;
    FORMATETC request{CLIPFORMAT(TreeReferenceFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (request.cfFormat == 0 || dataObject->GetData(&request, &medium) != S_OK)
        return nullptr;
    TVirtualTreeControl* tree = nullptr;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        if (const void* block = GlobalLock(medium.hGlobal)) {
            tree = LiveTreeOfReference(block, GlobalSize(medium.hGlobal));
            GlobalUnlock(medium.hGlobal);
        }
    }
    ReleaseStgMedium(&medium);
    return tree;
}

IDataObject* TVirtualTreeControl::CreateDataObject(bool forClipboard)
{
    IDataObject* object = nullptr;
    if (OnCreateDataObject)
        OnCreateDataObject(this, object);
    if (!object)
        object = new TVTDataObject(this, forClipboard);
    return object;
}

// ---- Paste ----

HRESULT TVirtualTreeControl::GetClipboardDataObject(IDataObject** data)
{
    return OleGetClipboard(data);
}

bool TVirtualTreeControl::PasteFromClipboard()
{
    if (TreeOptions().MiscOptions() & toReadOnly)
        return false;
    Released<IDataObject> data;
    if (FAILED(GetClipboardDataObject(&data.p)) || !data.p)
        throw EVirtualTreeError(u"Clipboard operation failed.", hcTFClipboardFailed);
    TVirtualTreeControl* source = TreeOfDataObject(data.p);
    bool optimized = source && (source->TreeStates() & tsCutPending);
    bool result = ProcessOLEData(source, data.p, FocusedNode(), DefaultPasteMode(), optimized);
    if (source) {
        if (source == this)
            ChangeStates(0, tsCutPending);
        else if (optimized)
            // The moved nodes left the source already; what was skipped stays where it is.
            source->CancelCutOrCopy();
        else
            source->FinishCutOrCopy();
    }
    return result;
}

bool TVirtualTreeControl::ProcessOLEData(TVirtualTreeControl* source, IDataObject* dataObject, PVirtualNode targetNode,
                                         TVTNodeAttachMode mode, bool optimized)
{
    FORMATETC request = TreeDataRequest();
    bool result = dataObject && dataObject->QueryGetData(&request) == S_OK;
    if (!result || (TreeOptions().MiscOptions() & toReadOnly))
        return result;
    BeginUpdate();
    struct EndUpdateOnExit {
        TVirtualTreeControl& tree;
        ~EndUpdateOnExit() noexcept(false) { tree.EndUpdate(); }
    } endUpdate{*this};

    PVirtualNode target = targetNode ? targetNode : RootNode();
    if (target == RootNode()) {
        if (mode == amInsertBefore)
            mode = amAddChildFirst;
        else if (mode == amInsertAfter)
            mode = amAddChildLast;
    }

    if (optimized && source) {
        TNodeArray nodes = (source->TreeStates() & tsOLEDragging) ? source->DragSelection()
                                                                  : source->GetSortedCutCopySet(true);
        if (mode == amInsertAfter || mode == amAddChildFirst)
            std::reverse(nodes.begin(), nodes.end());
        for (PVirtualNode node : nodes) {
            // A node cannot go into its own subtree.
            if (target != RootNode() && (node == target || HasAsParent(target, node)))
                continue;
            source->MoveTo(node, target, mode, false);
        }
        return true;
    }

    TChangeReason reason = source == this ? crNodeCopied : crNodeAdded;
    STGMEDIUM medium{};
    if (dataObject->GetData(&request, &medium) != S_OK)
        return false;
    struct ReleaseMedium {
        STGMEDIUM& medium;
        const void* locked = nullptr;
        ~ReleaseMedium()
        {
            if (locked)
                GlobalUnlock(medium.hGlobal);
            ReleaseStgMedium(&medium);
        }
    } release{medium};
    std::unique_ptr<core::Stream> stream;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        auto* bytes = static_cast<const uint8_t*>(GlobalLock(medium.hGlobal));
        release.locked = bytes;
        SIZE_T blockSize = GlobalSize(medium.hGlobal);
        if (!bytes || blockSize < 4)
            return true;
        int32_t count;
        std::memcpy(&count, bytes, 4);
        // The count comes from whoever put the data there; reading stays inside the block.
        int64_t size = std::clamp<int64_t>(count, 0, int64_t(blockSize) - 4);
        stream = std::make_unique<TOLEMemoryStream>(bytes + 4, size);
    } else if (medium.tymed == TYMED_ISTREAM && medium.pstm) {
        stream = std::make_unique<TOLEStreamAdapter>(medium.pstm);
    } else {
        return true;
    }
    while (stream->Position() < stream->Size()) {
        PVirtualNode node = MakeNewNode();
        LinkNode(node, target, mode);
        try {
            ReadSubtree(*stream, NodeStreamVersion, node);
        } catch (...) {
            // A half-read copy is taken out again: it holds no data of its own.
            DeleteNode(node, true);
            throw;
        }
        bool allowed = true;
        DoNodeCopying(node, target == RootNode() ? nullptr : target, allowed);
        if (!allowed) {
            DeleteNode(node, true);
            NotifyStructureChange(target == RootNode() ? nullptr : target, reason);
            continue;
        }
        DoNodeCopied(node);
        NotifyStructureChange(node, reason);
        if (mode == amInsertAfter)
            target = node;
    }
    return true;
}

} // namespace treeview
