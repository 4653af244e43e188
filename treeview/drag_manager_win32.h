// The tree's OLE drag manager: the drop target that OLE calls while a drag is over the tree window,
// and the drop source that steers the drag loop when the tree started the drag. The calls are handed
// to the tree; the system's drop-target helper draws the drag image when it takes part.
#pragma once
#include "core/win32.h"

#include <atomic>
#include <oleidl.h>
#include <shlobj.h>

namespace treeview {

class TCustomVirtualTreeControl;

// Makes the system's drag-and-drop helper object (CLSID_DragDropHelper) with the interface asked
// for: the drop-target helper of the drag manager, the drag-source helper of the drag image.
HRESULT CreateDragDropHelper(REFIID iid, void** object);
// Replaces how the helper is made (tests hand out a fake); null goes back to the system's.
using TDragDropHelperFactory = HRESULT (*)(REFIID iid, void** object);
void SetDragDropHelperFactory(TDragDropHelperFactory factory);

// {C4B25559-14DA-446B-8901-0C879000EB16}
extern const IID IID_IVTDragManager;

class IVTDragManager : public IUnknown {
public:
    // Ends the system helper's part in a drag that left without a drag-leave call.
    virtual void STDMETHODCALLTYPE ForceDragLeave() = 0;
    // The drag's data object, or a new one of the owner's; the caller holds one reference.
    virtual IDataObject* STDMETHODCALLTYPE GetDataObject() = 0;
    // The tree of this process the drag came from, or null.
    virtual TCustomVirtualTreeControl* STDMETHODCALLTYPE GetDragSource() = 0;
    // Whether the system helper draws the drag image of the drag over the owner.
    virtual BOOL STDMETHODCALLTYPE GetDropTargetHelperSupported() = 0;
    virtual BOOL STDMETHODCALLTYPE GetIsDropTarget() = 0;
};

class TVTDragManager : public IVTDragManager, public IDropTarget, public IDropSource {
public:
    explicit TVTDragManager(TCustomVirtualTreeControl* owner);
    virtual ~TVTDragManager();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;

    void STDMETHODCALLTYPE ForceDragLeave() override;
    IDataObject* STDMETHODCALLTYPE GetDataObject() override;
    TCustomVirtualTreeControl* STDMETHODCALLTYPE GetDragSource() override { return m_drag_source; }
    BOOL STDMETHODCALLTYPE GetDropTargetHelperSupported() override { return m_helper_in_use; }
    BOOL STDMETHODCALLTYPE GetIsDropTarget() override { return m_is_drop_target; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* dataObject, DWORD keyState, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* dataObject, DWORD keyState, POINTL pt, DWORD* effect) override;

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    // The owner goes: calls that still arrive are refused.
    void Detach() { m_owner = nullptr; }

private:
    void ReleaseDataObject();

    TCustomVirtualTreeControl* m_owner;
    TCustomVirtualTreeControl* m_drag_source = nullptr;
    bool m_is_drop_target = false;
    IDataObject* m_data_object = nullptr;
    IDropTargetHelper* m_drop_target_helper = nullptr;
    BOOL m_full_dragging = FALSE;
    // The helper draws only while its DragEnter succeeded.
    BOOL m_helper_in_use = FALSE;
    std::atomic<ULONG> m_refs = 1;
};

} // namespace treeview
