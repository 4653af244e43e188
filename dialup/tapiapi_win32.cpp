// Binding of the telephony library.
#include "dialup/tapiapi_win32.h"

namespace dialup {

const char* const kTapiFunctions[static_cast<size_t>(TapiFn::Count)] = {
    "lineClose",          "lineConfigDialog",    "lineDeallocateCall",   "lineGetCallInfo",
    "lineGetDevCaps",     "lineInitialize",      "lineNegotiateAPIVersion", "lineOpen",
    "lineShutdown",       "lineTranslateDialog", "lineGetCallStatus",    "lineTranslateAddress",
    "lineGetNewCalls",    "lineGetID",           "lineGetTranslateCaps", "lineGetCountry",
};

namespace {

std::atomic<TapiBinding*> g_current{nullptr};

TapiBinding& ProcessBinding()
{
    static TapiBinding* binding = new TapiBinding();  // lives to the end of the process
    return *binding;
}

} // namespace

bool TapiBinding::Load()
{
    if (Tried())
        return m_loaded;
    std::lock_guard lock(m_mutex);
    if (m_tried.load(std::memory_order_relaxed))
        return m_loaded;
    ++m_load_attempts;
    if (m_resolver) {
        m_loaded = true;
        for (size_t i = 0; i < m_slots.size(); ++i)
            m_slots[i] = m_resolver(kTapiFunctions[i]);
    } else {
        m_module = LoadLibraryW(L"TAPI32.DLL");
        m_loaded = m_module != nullptr;
        if (m_module)
            for (size_t i = 0; i < m_slots.size(); ++i)
                m_slots[i] = GetProcAddress(m_module, kTapiFunctions[i]);
    }
    m_tried.store(true, std::memory_order_release);
    return m_loaded;
}

void TapiBinding::Unload()
{
    std::lock_guard lock(m_mutex);
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_loaded = false;
    m_slots.fill(nullptr);
    m_tried.store(false, std::memory_order_release);
}

TapiBinding& Tapi()
{
    TapiBinding* current = g_current.load(std::memory_order_acquire);
    return current ? *current : ProcessBinding();
}

bool LoadTapiApi() { return Tapi().Load(); }

ScopedTapiBinding::ScopedTapiBinding(TapiBinding& binding) : m_saved(g_current.exchange(&binding)) {}
ScopedTapiBinding::~ScopedTapiBinding() { g_current.store(m_saved); }

} // namespace dialup
