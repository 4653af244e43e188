// The OLE web browser hosted in a pane: a minimal client site (in-place site and frame) so that the
// control activates inside the pane's window. Navigation is asynchronous inside the control.
#include "ui/olewebpane.h"

#include <exdisp.h>
#include <ole2.h>
#include <oleauto.h>

namespace ui {

// Final: Release deletes it through its own type.
class OleWebPane::Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit Site(HWND window) : m_window(window) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow)
            *object = static_cast<IOleInPlaceFrame*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        *window = m_window;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        GetClientRect(m_window, position);
        GetClientRect(m_window, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = m_window;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND m_window;
    ULONG m_refs = 1;
};

OleWebPane::OleWebPane(core::Component* owner) : WebPane(owner)
{
    SetControlStyle(ControlStyle() & ~csAcceptsControls);
    SetBounds(0, 0, 300, 150);
}

OleWebPane::~OleWebPane() { Close(); }

bool OleWebPane::Available()
{
    if (FAILED(OleInitialize(nullptr)))
        return false;
    IOleObject* object = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&object));
    if (object)
        object->Release();
    OleUninitialize();
    return SUCCEEDED(hr);
}

void OleWebPane::CreateHandle()
{
    WebPane::CreateHandle();
    if (FAILED(OleInitialize(nullptr)))
        return;
    m_site = new Site(HandleIfAllocated());
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&m_object)))) {
        Close();
        return;
    }
    m_object->SetClientSite(static_cast<IOleClientSite*>(m_site));
    RECT r{};
    GetClientRect(HandleIfAllocated(), &r);
    m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0, HandleIfAllocated(), &r);
    m_object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&m_browser));
    Resize();
    if (!m_pending_url.empty())
        Navigate(m_pending_url);
}

void OleWebPane::DestroyingHandle() { Close(); }

void OleWebPane::Close()
{
    if (m_browser) {
        m_browser->Release();
        m_browser = nullptr;
    }
    if (m_object) {
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
        m_object->Release();
        m_object = nullptr;
    }
    if (m_site) {
        m_site->Release();
        m_site = nullptr;
        OleUninitialize();
    }
}

void OleWebPane::Resize()
{
    if (!m_browser)
        return;
    RECT r{};
    GetClientRect(HandleIfAllocated(), &r);
    m_browser->put_Left(0);
    m_browser->put_Top(0);
    m_browser->put_Width(r.right);
    m_browser->put_Height(r.bottom);
}

void OleWebPane::Navigate(core::StringView url)
{
    m_pending_url = core::String(url);
    HandleNeeded();
    if (!m_browser) {
        if (OnNavigateError)
            OnNavigateError(this, m_pending_url, u"The browser control is not available");
        return;
    }
    std::wstring w(url.begin(), url.end());
    BSTR address = SysAllocString(w.c_str());
    VARIANT empty;
    VariantInit(&empty);
    HRESULT hr = m_browser->Navigate(address, &empty, &empty, &empty, &empty);
    SysFreeString(address);
    if (FAILED(hr) && OnNavigateError)
        OnNavigateError(this, m_pending_url, u"Navigation failed");
}

core::String OleWebPane::LocationURL() const
{
    if (!m_browser)
        return m_pending_url;
    BSTR location = nullptr;
    core::String result = m_pending_url;
    if (SUCCEEDED(m_browser->get_LocationURL(&location)) && location) {
        result.assign(reinterpret_cast<const core::Char*>(location), SysStringLen(location));
        SysFreeString(location);
    }
    return result;
}

bool OleWebPane::Busy() const
{
    VARIANT_BOOL busy = VARIANT_FALSE;
    if (m_browser)
        m_browser->get_Busy(&busy);
    return busy != VARIANT_FALSE;
}

void OleWebPane::WndProc(Message& message)
{
    WebPane::WndProc(message);
    if (message.Msg == WM_SIZE)
        Resize();
}

} // namespace ui
