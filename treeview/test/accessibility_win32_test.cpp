// The accessibility factory and the tree's answers: nothing without a provider, a provider's object
// handed to accessibility clients, providers registered once, and the focus notifications in order.
#include "treeview/accessibility.h"
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"

#include <oleacc.h>
#include <atomic>
#include <vector>

namespace treeview::test {
namespace {

// An accessibility object that only knows its name.
class NamedAccessible : public IAccessible {
public:
    // Marshalled by value inside the process (the free-threaded marshaller), as in-process
    // accessibility servers commonly are: the client then holds this very object.
    explicit NamedAccessible(const wchar_t* name) : m_name(name)
    {
        CoCreateFreeThreadedMarshaler(static_cast<IAccessible*>(this), &m_marshaler);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        if (iid == IID_IMarshal && m_marshaler)
            return m_marshaler->QueryInterface(iid, out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_count; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG count = --m_count;
        if (count == 0)
            delete this;
        return count;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { *parent = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { *count = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override { *child = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR* name) override
    {
        *name = SysAllocString(m_name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accLocation(long*, long*, long*, long*, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accHitTest(long, long, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    virtual ~NamedAccessible()
    {
        if (m_marshaler)
            m_marshaler->Release();
    }
    const wchar_t* m_name;
    IUnknown* m_marshaler = nullptr;
    std::atomic<ULONG> m_count{1};
};

class NamingProvider : public IVTAccessibleProvider {
public:
    explicit NamingProvider(const wchar_t* name) : m_name(name) {}
    IAccessible* CreateIAccessible(TBaseVirtualTree*) override
    {
        ++calls;
        return new NamedAccessible(m_name);
    }
    int calls = 0;

private:
    const wchar_t* m_name;
};

std::vector<DWORD>* g_events = nullptr;
HWND g_watched = nullptr;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (g_events && window == g_watched && object == OBJID_CLIENT && child == CHILDID_SELF)
        g_events->push_back(event);
}

class Accessibility : public TreeInForm<TVirtualStringTree> {
protected:
    Accessibility()
    {
        CoInitialize(nullptr);
        TVTAccessibilityFactory::Free();
        tree->SetRootNodeCount(3);
        form->Show();
        Pump();
    }
    ~Accessibility() override
    {
        form.reset();
        TVTAccessibilityFactory::Free();
        CoUninitialize();
    }
    LRESULT GetObject(LONG id) { return SendMessageW(tree->Handle(), WM_GETOBJECT, 0, LPARAM(id)); }
};

TEST_F(Accessibility, WithoutProviderTheTreeAnswersNothing)
{
    EXPECT_EQ(GetObject(OBJID_CLIENT), 0);
    TVTAccessibilityFactory::GetAccessibilityFactory();
    EXPECT_EQ(GetObject(OBJID_CLIENT), 0);
    EXPECT_EQ(tree->Accessible(), nullptr);
    EXPECT_EQ(tree->AccessibleItem(), nullptr);
}

TEST_F(Accessibility, AProvidersObjectReachesAccessibilityClientsAndProvidersCountOnce)
{
    auto provider = std::make_shared<NamingProvider>(L"节点树");
    auto stranger = std::make_shared<NamingProvider>(L"other");
    TVTAccessibilityFactory& factory = TVTAccessibilityFactory::GetAccessibilityFactory();
    factory.RegisterAccessibleProvider(provider);
    factory.RegisterAccessibleProvider(provider);
    EXPECT_EQ(factory.ProviderCount(), 1u);
    factory.UnRegisterAccessibleProvider(stranger);
    EXPECT_EQ(factory.ProviderCount(), 1u);

    // The answer to OBJID_CLIENT is the provider's object, marshalled for the client. (Wine's
    // prefixes have no proxy for IAccessible, so the client's unmarshalling cannot be shown here;
    // the object the tree marshals is.)
    EXPECT_NE(GetObject(OBJID_CLIENT), 0);
    IAccessible* object = tree->Accessible();
    ASSERT_NE(object, nullptr);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), L"节点树");
    SysFreeString(name);
    EXPECT_NE(tree->Accessible(), nullptr);
    EXPECT_NE(tree->AccessibleItem(), nullptr);
    // Both objects are made once; later requests reuse them.
    const int calls = provider->calls;
    EXPECT_NE(GetObject(OBJID_CLIENT), 0);
    EXPECT_EQ(provider->calls, calls);
    EXPECT_EQ(GetObject(OBJID_WINDOW), 0);
    factory.UnRegisterAccessibleProvider(provider);
    EXPECT_EQ(factory.ProviderCount(), 0u);
}

TEST_F(Accessibility, AFocusChangeIsReportedInSixEventsOnceAnItemObjectExists)
{
    std::vector<DWORD> events;
    g_events = &events;
    g_watched = tree->Handle();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, RecordEvent, GetCurrentProcessId(), 0,
                                         WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    tree->SetFocusedNode(tree->GetFirst());
    Pump();
    EXPECT_TRUE(events.empty()); // no item object yet

    TVTAccessibilityFactory::GetAccessibilityFactory().RegisterAccessibleProvider(
        std::make_shared<NamingProvider>(L"tree"));
    GetObject(OBJID_CLIENT);
    ASSERT_NE(tree->AccessibleItem(), nullptr);
    tree->SetFocusedNode(tree->GetNext(tree->GetFirst()));
    for (int i = 0; i < 20 && events.size() < 6; ++i) {
        Pump();
        Sleep(5);
    }
    EXPECT_EQ(events, (std::vector<DWORD>{EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_NAMECHANGE,
                                          EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_STATECHANGE,
                                          EVENT_OBJECT_SELECTION, EVENT_OBJECT_FOCUS}));
    UnhookWinEvent(hook);
    g_events = nullptr;
    g_watched = nullptr;
}

} // namespace
} // namespace treeview::test
