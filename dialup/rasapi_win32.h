// Run-time binding of the remote-access libraries (RASAPI32.DLL, RNAPH.DLL for the entry
// functions where the main library lacks them, RASDLG.DLL for the dialogs) and of pdh.dll, and the
// paths of the two phonebook files.
//
// The process has one current binding (Ras()); tests put another in its place with
// ScopedRasBinding, e.g. one whose library is missing or one made for another kind.
#pragma once

#include "core/win32.h"

#include "dialup/rastables.h"

#include <ras.h>
#include <raserror.h>
#include <rasdlg.h>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>

namespace dialup {

inline constexpr int kErrorLibraryMissing = 1157;
inline const char16_t kNotAvailableText[] = u"RASAPI32.DLL Not Available";

class RasBinding {
public:
    struct Options {
        const wchar_t* mainLibrary = L"RASAPI32.DLL";
        const wchar_t* entryLibrary = L"RNAPH.DLL";
        const wchar_t* dialogLibrary = L"RASDLG.DLL";
        // The kind whose entry points are bound; unset: RasOSKind() at the first load.
        int kind = -1;
    };
    RasBinding() : RasBinding(Options{}) {}
    explicit RasBinding(const Options& options) : m_options(options) {}
    ~RasBinding() { Unload(); }
    RasBinding(const RasBinding&) = delete;
    RasBinding& operator=(const RasBinding&) = delete;

    // LoadRasApi: binds on the first call only; afterwards whether RasDialA is bound.
    bool Load();
    void Unload();
    bool Tried() const { return m_tried.load(std::memory_order_acquire); }
    bool EntryFuncs() const { return m_entry_funcs.load(std::memory_order_acquire); }
    OSKind Kind() const { return m_kind; }
    int LoadAttempts() const { return m_load_attempts; }
    FARPROC Slot(RasFn fn) const { return m_slots[static_cast<size_t>(fn)]; }
    HMODULE MainModule() const { return m_main; }

private:
    Options m_options;
    mutable std::mutex m_mutex;
    std::atomic<bool> m_tried{false};
    std::atomic<bool> m_entry_funcs{false};
    OSKind m_kind = OSVista;
    int m_load_attempts = 0;
    HMODULE m_main = nullptr;
    HMODULE m_entry = nullptr;
    HMODULE m_dialog = nullptr;
    std::array<FARPROC, static_cast<size_t>(RasFn::Count)> m_slots{};
};

// The binding the components use.
RasBinding& Ras();
bool LoadRasApi();
void UnloadRasApi();

class ScopedRasBinding {
public:
    explicit ScopedRasBinding(RasBinding& binding);
    ~ScopedRasBinding();
    ScopedRasBinding(const ScopedRasBinding&) = delete;
    ScopedRasBinding& operator=(const ScopedRasBinding&) = delete;

private:
    RasBinding* m_saved;
};

// A bound entry point with its declared type, or nullptr.
#define DIALUP_RASFN(binding, name) \
    reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>((binding).Slot(::dialup::RasFn::name)))

// RasPhoneFiles: entry 0 the current user's phonebook, entry 1 the all-users phonebook; empty where
// the kind has no such file.
void GetPhoneBookFiles();
String RasPhoneFile(int index);

// The text of a remote-access code (RasGetErrorStringA, else the system's message); empty for a
// negative code. Without the library: kNotAvailableText, and *missing is set.
String RasErrorText(int code, bool* missing = nullptr);

// pdh.dll, NT 4 only.
class PdhBinding {
public:
    bool Load();  // LoadPdhApi
    void Unload();
    FARPROC Slot(size_t index) const { return index < m_slots.size() ? m_slots[index] : nullptr; }
    bool Tried() const { return m_tried; }

private:
    std::mutex m_mutex;
    bool m_tried = false;
    HMODULE m_module = nullptr;
    std::array<FARPROC, std::size(kPdhFunctions)> m_slots{};
};
PdhBinding& Pdh();

// ANSI text of the system code page for a record field of `capacity` bytes (terminator included),
// cut to at most `maxChars` characters and never in the middle of a character.
void PutAnsiField(char* field, size_t capacity, StringView text, size_t maxChars);
String GetAnsiField(const char* field, size_t capacity);

} // namespace dialup
