// The enumerator of format descriptions and the tree's data object.
//
// "Virtual Tree Reference" is a global block of 16 bytes: the owning process's id (32 bits), four
// zero bytes and the tree's full-width address. A reader trusts it only when the process is its
// own and the address is a tree of this process that is still alive.
#include "treeview/dataobject_win32.h"
#include <cstring>
#include <mutex>
#include <set>

namespace treeview {

namespace {

std::mutex g_transfer_lock;
std::set<TVTDataObject*> g_objects;
std::set<TVirtualTreeControl*> g_trees;   // trees that made a data object and are alive

struct TreeReference {
    DWORD processId;
    DWORD reserved;
    uint64_t tree;
};
static_assert(sizeof(TreeReference) == 16);

bool SameFormat(const FORMATETC& a, const FORMATETC& b)
{
    return a.cfFormat == b.cfFormat && a.ptd == b.ptd && a.dwAspect == b.dwAspect && a.lindex == b.lindex &&
           (a.tymed & b.tymed) != 0;
}

} // namespace

void DetachTransferObjects(TVirtualTreeControl* tree)
{
    std::lock_guard<std::mutex> lock(g_transfer_lock);
    g_trees.erase(tree);
    for (TVTDataObject* object : g_objects)
        if (object->Owner() == tree)
            object->Detach();
}

TVirtualTreeControl* LiveTreeOfReference(const void* block, size_t size)
{
    if (!block || size < sizeof(TreeReference))
        return nullptr;
    TreeReference reference;
    std::memcpy(&reference, block, sizeof reference);
    if (reference.processId != GetCurrentProcessId())
        return nullptr;
    auto* tree = reinterpret_cast<TVirtualTreeControl*>(uintptr_t(reference.tree));
    std::lock_guard<std::mutex> lock(g_transfer_lock);
    return g_trees.count(tree) ? tree : nullptr;
}

// ---- TEnumFormatEtc ----

HRESULT TEnumFormatEtc::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumFORMATETC)) {
        *object = static_cast<IEnumFORMATETC*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TEnumFormatEtc::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT TEnumFormatEtc::Next(ULONG celt, FORMATETC* elt, ULONG* fetched)
{
    ULONG count = 0;
    while (count < celt && m_index < m_formats.size())
        elt[count++] = m_formats[m_index++];
    if (fetched)
        *fetched = count;
    return count == celt ? S_OK : S_FALSE;
}

HRESULT TEnumFormatEtc::Skip(ULONG celt)
{
    if (m_index + celt <= m_formats.size()) {
        m_index += celt;
        return S_OK;
    }
    return S_FALSE;
}

HRESULT TEnumFormatEtc::Reset()
{
    m_index = 0;
    return S_OK;
}

HRESULT TEnumFormatEtc::Clone(IEnumFORMATETC** result)
{
    if (!result)
        return E_POINTER;
    *result = new (std::nothrow) TEnumFormatEtc(nullptr, m_formats, m_index);
    return *result ? S_OK : E_FAIL;
}

// ---- TVTDataObject ----

TVTDataObject::TVTDataObject(TVirtualTreeControl* owner, bool forClipboard) : m_owner(owner), m_for_clipboard(forClipboard)
{
    if (m_owner)
        m_owner->NativeClipboardFormats(m_formats);
    std::lock_guard<std::mutex> lock(g_transfer_lock);
    g_objects.insert(this);
    if (m_owner)
        g_trees.insert(m_owner);
}

TVTDataObject::~TVTDataObject()
{
    {
        std::lock_guard<std::mutex> lock(g_transfer_lock);
        g_objects.erase(this);
    }
    // The clipboard let go of the tree's data: its cut or copy marks go too, unless the tree
    // itself is handing the clipboard its rendered copy.
    if (m_for_clipboard && m_owner && !(m_owner->TreeStates() & tsClipboardFlushing)) {
        try {
            m_owner->CancelCutOrCopy();
        } catch (...) {
        }
    }
    for (StoredMedium& stored : m_stored)
        ReleaseStgMedium(&stored.medium);
    if (m_advise_holder)
        m_advise_holder->Release();
}

HRESULT TVTDataObject::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TVTDataObject::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

TVTDataObject::StoredMedium* TVTDataObject::FindStored(CLIPFORMAT format)
{
    for (StoredMedium& stored : m_stored)
        if (stored.format == format)
            return &stored;
    return nullptr;
}

HRESULT TVTDataObject::CopyMedium(STGMEDIUM& out, const STGMEDIUM& in, bool shared)
{
    out = in;
    switch (in.tymed) {
    case TYMED_HGLOBAL:
        if (shared) {
            // The receiver's release comes back to this object; the stored data stays.
            out.pUnkForRelease = static_cast<IDataObject*>(this);
        } else {
            SIZE_T size = GlobalSize(in.hGlobal);
            HGLOBAL copy = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
            if (!copy)
                return E_OUTOFMEMORY;
            void* source = GlobalLock(in.hGlobal);
            if (source) {
                std::memcpy(copy, source, size);
                GlobalUnlock(in.hGlobal);
            }
            out.hGlobal = copy;
        }
        break;
    case TYMED_FILE: {
        size_t length = in.lpszFileName ? wcslen(in.lpszFileName) + 1 : 0;
        out.lpszFileName = static_cast<LPOLESTR>(CoTaskMemAlloc(length * sizeof(wchar_t)));
        if (!out.lpszFileName && length)
            return E_OUTOFMEMORY;
        if (length)
            std::memcpy(out.lpszFileName, in.lpszFileName, length * sizeof(wchar_t));
        break;
    }
    case TYMED_ISTREAM:
        if (in.pstm)
            in.pstm->AddRef();
        break;
    case TYMED_ISTORAGE:
        if (in.pstg)
            in.pstg->AddRef();
        break;
    case TYMED_GDI:
    case TYMED_MFPICT:
    case TYMED_ENHMF:
        if (!shared)
            return DV_E_TYMED;
        out.pUnkForRelease = static_cast<IDataObject*>(this);
        break;
    default:
        return DV_E_TYMED;
    }
    if (out.pUnkForRelease)
        out.pUnkForRelease->AddRef();
    return S_OK;
}

HRESULT TVTDataObject::GetData(FORMATETC* formatIn, STGMEDIUM* medium)
{
    if (!formatIn || !medium)
        return E_INVALIDARG;
    try {
        *medium = STGMEDIUM{};
        if (formatIn->cfFormat == TreeReferenceFormat()) {
            if (!m_owner || (m_owner->TreeStates() & tsClipboardFlushing))
                return E_FAIL;
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, sizeof(TreeReference));
            if (!block)
                return E_OUTOFMEMORY;
            TreeReference reference{GetCurrentProcessId(), 0, uint64_t(uintptr_t(m_owner))};
            std::memcpy(GlobalLock(block), &reference, sizeof reference);
            GlobalUnlock(block);
            medium->tymed = TYMED_HGLOBAL;
            medium->hGlobal = block;
            return S_OK;
        }
        HRESULT result = QueryGetData(formatIn);
        if (result != S_OK)
            return result;
        for (const FORMATETC& offered : m_formats) {
            if (!SameFormat(offered, *formatIn))
                continue;
            if (StoredMedium* stored = FindStored(offered.cfFormat); stored && stored->medium.tymed != TYMED_NULL)
                return CopyMedium(*medium, stored->medium, true);
            if (!m_owner)
                return E_FAIL;
            return m_owner->RenderData(*formatIn, *medium, m_for_clipboard);
        }
        return DV_E_FORMATETC;
    } catch (...) {
        *medium = STGMEDIUM{};
        return E_FAIL;
    }
}

HRESULT TVTDataObject::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    HRESULT result = DV_E_CLIPFORMAT;
    for (const FORMATETC& offered : m_formats) {
        if (offered.cfFormat != format->cfFormat)
            continue;
        if ((offered.tymed & format->tymed) == 0)
            result = DV_E_TYMED;
        else if (offered.dwAspect != format->dwAspect)
            result = DV_E_DVASPECT;
        else if (offered.lindex != format->lindex)
            result = DV_E_LINDEX;
        else
            return S_OK;
    }
    return result;
}

HRESULT TVTDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    if (!format || !medium)
        return E_INVALIDARG;
    bool offered = false;
    for (const FORMATETC& f : m_formats)
        offered = offered || SameFormat(f, *format);
    StoredMedium* stored = FindStored(format->cfFormat);
    if (!offered)
        m_formats.push_back(*format);
    if (stored) {
        ReleaseStgMedium(&stored->medium);
        stored->medium = STGMEDIUM{};
    } else {
        // Also a native format without storage gets an entry: what is set is what is answered.
        m_stored.push_back(StoredMedium{format->cfFormat, STGMEDIUM{}});
        stored = &m_stored.back();
    }
    HRESULT result = S_OK;
    if (release) {
        stored->medium = *medium;
    } else {
        result = CopyMedium(stored->medium, *medium, false);
        if (stored->medium.pUnkForRelease == static_cast<IDataObject*>(this)) {
            stored->medium.pUnkForRelease = nullptr;
            Release();
        }
    }
    if (m_advise_holder)
        m_advise_holder->SendOnDataChange(this, 0, 0);
    return result;
}

HRESULT TVTDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (direction != DATADIR_GET)
        return OLE_S_USEREG;
    *result = new (std::nothrow) TEnumFormatEtc(m_owner, m_formats);
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT TVTDataObject::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection)
{
    if (!m_advise_holder && FAILED(CreateDataAdviseHolder(&m_advise_holder)))
        return E_FAIL;
    return m_advise_holder->Advise(this, format, flags, sink, connection);
}

HRESULT TVTDataObject::DUnadvise(DWORD connection)
{
    return m_advise_holder ? m_advise_holder->Unadvise(connection) : E_NOTIMPL;
}

HRESULT TVTDataObject::EnumDAdvise(IEnumSTATDATA** result)
{
    if (!m_advise_holder)
        return OLE_E_ADVISENOTSUPPORTED;
    return m_advise_holder->EnumAdvise(result);
}

} // namespace treeview
