#include "treeview/drag_manager_win32.h"
#include "treeview/custom_tree_control.h"

namespace treeview {

const IID IID_IVTDragManager = {0xC4B25559, 0x14DA, 0x446B, {0x89, 0x01, 0x0C, 0x87, 0x90, 0x00, 0xEB, 0x16}};

namespace {

HRESULT CreateSystemHelper(REFIID iid, void** object)
{
    return CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

std::atomic<TDragDropHelperFactory> g_helper_factory{CreateSystemHelper};

} // namespace

HRESULT CreateDragDropHelper(REFIID iid, void** object)
{
    *object = nullptr;
    const HRESULT result = g_helper_factory.load()(iid, object);
    if (FAILED(result))
        *object = nullptr;
    return result;
}

void SetDragDropHelperFactory(TDragDropHelperFactory factory)
{
    g_helper_factory = factory ? factory : CreateSystemHelper;
}

TVTDragManager::TVTDragManager(TCustomVirtualTreeControl* owner) : m_owner(owner)
{
    CreateDragDropHelper(IID_IDropTargetHelper, reinterpret_cast<void**>(&m_drop_target_helper));
}

TVTDragManager::~TVTDragManager()
{
    ReleaseDataObject();
    if (m_drop_target_helper)
        m_drop_target_helper->Release();
}

HRESULT TVTDragManager::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IVTDragManager))
        *object = static_cast<IVTDragManager*>(this);
    else if (IsEqualIID(riid, IID_IDropTarget))
        *object = static_cast<IDropTarget*>(this);
    else if (IsEqualIID(riid, IID_IDropSource))
        *object = static_cast<IDropSource*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TVTDragManager::Release()
{
    const ULONG count = --m_refs;
    if (count == 0)
        delete this;
    return count;
}

void TVTDragManager::ReleaseDataObject()
{
    if (m_data_object)
        m_data_object->Release();
    m_data_object = nullptr;
}

void TVTDragManager::ForceDragLeave()
{
    if (m_helper_in_use)
        m_drop_target_helper->DragLeave();
    m_helper_in_use = FALSE;
}

IDataObject* TVTDragManager::GetDataObject()
{
    if (m_data_object) {
        m_data_object->AddRef();
        return m_data_object;
    }
    return m_owner ? m_owner->CreateDataObject(false) : nullptr;
}

HRESULT TVTDragManager::DragEnter(IDataObject* dataObject, DWORD keyState, POINTL pt, DWORD* effect)
{
    if (!m_owner || !effect)
        return E_UNEXPECTED;
    ReleaseDataObject();
    m_data_object = dataObject;
    if (m_data_object)
        m_data_object->AddRef();
    m_is_drop_target = true;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &m_full_dragging, 0);
    if (!m_full_dragging)
        LockWindowUpdate(nullptr);
    POINT p{pt.x, pt.y};
    m_helper_in_use = FALSE;
    if (m_drop_target_helper && m_full_dragging && m_owner->HandleAllocated())
        m_helper_in_use = SUCCEEDED(m_drop_target_helper->DragEnter(m_owner->Handle(), dataObject, &p, *effect));
    m_drag_source = dynamic_cast<TCustomVirtualTreeControl*>(m_owner->TreeOfDataObject(dataObject));
    return m_owner->HandleOLEDragEnter(keyState, p, *effect);
}

HRESULT TVTDragManager::DragOver(DWORD keyState, POINTL pt, DWORD* effect)
{
    if (!m_owner || !effect)
        return E_UNEXPECTED;
    POINT p{pt.x, pt.y};
    if (m_helper_in_use)
        m_drop_target_helper->DragOver(&p, *effect);
    return m_owner->HandleOLEDragOver(m_drag_source, keyState, p, *effect, dsDragMove);
}

HRESULT TVTDragManager::DragLeave()
{
    if (m_helper_in_use)
        m_drop_target_helper->DragLeave();
    if (m_owner)
        m_owner->HandleOLEDragLeave();
    m_helper_in_use = FALSE;
    m_is_drop_target = false;
    m_drag_source = nullptr;
    ReleaseDataObject();
    return S_OK;
}

HRESULT TVTDragManager::Drop(IDataObject* dataObject, DWORD keyState, POINTL pt, DWORD* effect)
{
    if (!m_owner || !effect)
        return E_UNEXPECTED;
    POINT p{pt.x, pt.y};
    if (m_helper_in_use)
        m_drop_target_helper->Drop(dataObject, &p, *effect);
    const HRESULT result = m_owner->HandleOLEDrop(dataObject, keyState, p, *effect);
    m_helper_in_use = FALSE;
    m_is_drop_target = false;
    ReleaseDataObject();
    return result;
}

HRESULT TVTDragManager::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    const bool left = keyState & MK_LBUTTON, right = keyState & MK_RBUTTON;
    if (escapePressed || (left && right))
        return DRAGDROP_S_CANCEL;
    if (left || right)
        return S_OK;
    return DRAGDROP_S_DROP;
}

HRESULT TVTDragManager::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

} // namespace treeview
