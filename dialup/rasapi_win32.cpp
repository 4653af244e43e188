// Binding of the remote-access and performance-data libraries, phonebook paths and error texts.
#include "dialup/rasapi_win32.h"

#include "core/codepage.h"
#include "dialup/rasent.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace dialup {

namespace {

std::atomic<RasBinding*> g_current{nullptr};

RasBinding& ProcessBinding()
{
    static RasBinding* binding = new RasBinding();  // lives to the end of the process
    return *binding;
}

std::mutex g_files_mutex;
String g_phone_files[2];

} // namespace

bool RasBinding::Load()
{
    if (Tried())
        return Slot(RasFn::RasDialA) != nullptr;
    std::lock_guard lock(m_mutex);
    if (m_tried.load(std::memory_order_relaxed))
        return Slot(RasFn::RasDialA) != nullptr;

    m_kind = m_options.kind >= 0 ? static_cast<OSKind>(m_options.kind) : RasOSKind();
    const uint32_t minor = OSVersionInfo().minor;
    ++m_load_attempts;
    m_main = LoadLibraryW(m_options.mainLibrary);
    if (m_main) {
        // The entry functions come from the main library when it has them, else from RNAPH.DLL.
        if (GetProcAddress(m_main, "RasGetCountryInfoA"))
            m_entry = m_main;
        else if (m_options.entryLibrary)
            m_entry = LoadLibraryW(m_options.entryLibrary);
        if (m_kind >= OSNT4 && m_options.dialogLibrary)
            m_dialog = LoadLibraryW(m_options.dialogLibrary);
        for (const BindRule& rule : RasBindRules()) {
            if (!RuleApplies(rule, m_kind, minor))
                continue;
            HMODULE from = rule.library == RasLibrary::Main    ? m_main
                           : rule.library == RasLibrary::Entry ? m_entry
                                                               : m_dialog;
            if (from)
                m_slots[static_cast<size_t>(rule.fn)] = GetProcAddress(from, rule.name);
        }
        m_entry_funcs.store(m_entry != nullptr, std::memory_order_release);
    }
    m_tried.store(true, std::memory_order_release);
    if (m_main && this == &Ras())
        GetPhoneBookFiles();
    return Slot(RasFn::RasDialA) != nullptr;
}

void RasBinding::Unload()
{
    std::lock_guard lock(m_mutex);
    if (m_entry && m_entry != m_main)
        FreeLibrary(m_entry);
    if (m_dialog)
        FreeLibrary(m_dialog);
    if (m_main)
        FreeLibrary(m_main);
    m_entry = m_dialog = m_main = nullptr;
    m_slots.fill(nullptr);
    m_entry_funcs.store(false, std::memory_order_release);
    m_tried.store(false, std::memory_order_release);
}

RasBinding& Ras()
{
    RasBinding* current = g_current.load(std::memory_order_acquire);
    return current ? *current : ProcessBinding();
}

bool LoadRasApi() { return Ras().Load(); }
void UnloadRasApi() { Ras().Unload(); }

ScopedRasBinding::ScopedRasBinding(RasBinding& binding) : m_saved(g_current.exchange(&binding)) {}
ScopedRasBinding::~ScopedRasBinding() { g_current.store(m_saved); }

void GetPhoneBookFiles()
{
    const OSKind kind = RasOSKind();
    String files[2];
    if (kind == OSNT4) {
        files[0] = RasGetWindowsDir() + u"\\System32\\ras\\rasphone.pbk";
    } else if (kind >= OSW2K) {
        const String tail = u"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
        const String user = GetSpecialFolder(CSIDL_APPDATA);
        const String common = GetSpecialFolder(CSIDL_COMMON_APPDATA);
        if (!user.empty())
            files[0] = user + tail;
        if (!common.empty())
            files[1] = common + tail;
    }
    std::lock_guard lock(g_files_mutex);
    g_phone_files[0] = std::move(files[0]);
    g_phone_files[1] = std::move(files[1]);
}

void PhonebookChoice::SetPath(const String& value)
{
    if (RasOSKind() != OSNT4)
        return;
    path = TrimControls(value);
    ansi = core::ToAnsi(path);
    set = !path.empty();
}

void PhonebookChoice::SetLocation(int value)
{
    set = false;
    if (RasOSKind() >= OSW2K && (value == 0 || value == 1)) {
        location = value;
        path = RasPhoneFile(value);
        ansi = core::ToAnsi(path);
        set = true;
    }
}

String RasPhoneFile(int index)
{
    if (index < 0 || index > 1)
        return {};
    std::lock_guard lock(g_files_mutex);
    return g_phone_files[index];
}

String RasErrorText(int code, bool* missing)
{
    RasBinding& ras = Ras();
    if (!ras.Load()) {
        if (missing)
            *missing = true;
        return kNotAvailableText;
    }
    if (code < 0)
        return {};
    char buffer[257] = {};
    if (auto get = DIALUP_RASFN(ras, RasGetErrorStringA))
        get(static_cast<UINT>(code), buffer, 256);
    buffer[256] = 0;
    if (buffer[0])
        return core::FromAnsi(buffer);
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                        nullptr);
    String out;
    if (text) {
        out.assign(reinterpret_cast<const char16_t*>(text), length);
        LocalFree(text);
        while (!out.empty() && (out.back() == u'\r' || out.back() == u'\n' || out.back() == u' '))
            out.pop_back();
    }
    return out;
}

bool PdhBinding::Load()
{
    std::lock_guard lock(m_mutex);
    if (m_tried)
        return m_slots[0] != nullptr;
    // Only NT 4 reads its statistics through pdh.dll; elsewhere the attempt is not recorded.
    if (!LoadRasApi() || RasOSKind() != OSNT4)
        return false;
    m_tried = true;
    m_module = LoadLibraryW(L"pdh.dll");
    if (m_module)
        for (size_t i = 0; i < m_slots.size(); ++i)
            m_slots[i] = GetProcAddress(m_module, kPdhFunctions[i]);
    return m_slots[0] != nullptr;
}

void PdhBinding::Unload()
{
    std::lock_guard lock(m_mutex);
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_slots.fill(nullptr);
    m_tried = false;
}

PdhBinding& Pdh()
{
    static PdhBinding* binding = new PdhBinding();
    return *binding;
}

void PutAnsiField(char* field, size_t capacity, StringView text, size_t maxChars)
{
    if (!field || capacity == 0)
        return;
    std::memset(field, 0, capacity);
    String cut(text.substr(0, std::min(text.size(), maxChars)));
    std::string bytes = core::ToAnsi(cut);
    // Drop whole characters until the bytes fit before the terminator.
    while (bytes.size() > capacity - 1 && !cut.empty()) {
        cut.pop_back();
        if (!cut.empty() && cut.back() >= 0xD800 && cut.back() <= 0xDBFF)
            cut.pop_back();
        bytes = core::ToAnsi(cut);
    }
    std::memcpy(field, bytes.data(), std::min(bytes.size(), capacity - 1));
}

String GetAnsiField(const char* field, size_t capacity)
{
    if (!field)
        return {};
    return core::FromAnsi(std::string_view(field, strnlen(field, capacity)));
}

} // namespace dialup
