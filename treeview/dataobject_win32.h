// The tree's OLE transfer objects: an enumerator of format descriptions and the data object that
// the tree puts on the clipboard. The data object renders the tree's formats on demand through its
// owner, keeps data that others set on it, and answers the in-process tree reference.
#pragma once
#include "treeview/tree_control.h"
#include <atomic>
#include <vector>

namespace treeview {

class TEnumFormatEtc : public IEnumFORMATETC {
public:
    TEnumFormatEtc(TVirtualTreeControl* tree, std::vector<FORMATETC> formats, ULONG index = 0)
        : m_tree(tree), m_formats(std::move(formats)), m_index(index)
    {
    }
    virtual ~TEnumFormatEtc() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, FORMATETC* elt, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** result) override;

private:
    TVirtualTreeControl* m_tree;
    std::vector<FORMATETC> m_formats;
    ULONG m_index;
    std::atomic<ULONG> m_refs = 1;
};

class TVTDataObject : public IDataObject {
public:
    TVTDataObject(TVirtualTreeControl* owner, bool forClipboard);
    virtual ~TVTDataObject();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* formatIn, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return DATA_S_SAMEFORMATETC; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** result) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** result) override;

    TVirtualTreeControl* Owner() const { return m_owner; }
    bool ForClipboard() const { return m_for_clipboard; }
    // The owner goes: from now on only stored media are answered.
    void Detach() { m_owner = nullptr; }

private:
    struct StoredMedium {
        CLIPFORMAT format;
        STGMEDIUM medium;
    };
    StoredMedium* FindStored(CLIPFORMAT format);
    HRESULT CopyMedium(STGMEDIUM& out, const STGMEDIUM& in, bool shared);

    TVirtualTreeControl* m_owner;
    bool m_for_clipboard;
    std::vector<FORMATETC> m_formats;
    std::vector<StoredMedium> m_stored;
    IDataAdviseHolder* m_advise_holder = nullptr;
    std::atomic<ULONG> m_refs = 1;
};

// A tree that goes detaches the data objects it made, and stops being a tree that a reference
// names.
void DetachTransferObjects(TVirtualTreeControl* tree);
// The tree a reference names when it is a live tree of this process, else null.
TVirtualTreeControl* LiveTreeOfReference(const void* block, size_t size);

} // namespace treeview
