// Run-time binding of the telephony library (TAPI32.DLL): sixteen entry points, bound on the first
// use and never retried after a failed load. Like the remote-access binding, the process has one
// current binding (Tapi()) and tests put another in its place with ScopedTapiBinding, e.g. one
// whose entry points are in-process fakes.
#pragma once

#include "core/win32.h"

#include "dialup/tapiapi.h"

#ifndef TAPI_CURRENT_VERSION
#define TAPI_CURRENT_VERSION 0x00010004
#endif
#include <tapi.h>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>

namespace dialup {

static_assert(sizeof(LINETRANSLATECAPS) == kTranslateCapsFixedSize);
static_assert(sizeof(LINELOCATIONENTRY) == kLocationEntrySize);
static_assert(sizeof(LINECARDENTRY) == kCardEntrySize);
static_assert(sizeof(LINECOUNTRYLIST) == kCountryListFixedSize);
static_assert(sizeof(LINECOUNTRYENTRY) == kCountryEntrySize);
static_assert(sizeof(LINETRANSLATEOUTPUT) == kTranslateOutputFixedSize);
static_assert(offsetof(LINETRANSLATECAPS, dwCurrentPreferredCardID) == 40);
static_assert(offsetof(LINELOCATIONENTRY, dwCountryID) == 52);
static_assert(offsetof(LINELOCATIONENTRY, dwCancelCallWaitingSize) == 60);
static_assert(offsetof(LINECARDENTRY, dwOptions) == 40);
static_assert(offsetof(LINECOUNTRYENTRY, dwInternationalRuleSize) == 36);
static_assert(offsetof(LINETRANSLATEOUTPUT, dwDisplayableStringSize) == 20);

enum class TapiFn : uint8_t {
    lineClose, lineConfigDialog, lineDeallocateCall, lineGetCallInfo, lineGetDevCaps, lineInitialize,
    lineNegotiateAPIVersion, lineOpen, lineShutdown, lineTranslateDialog, lineGetCallStatus,
    lineTranslateAddress, lineGetNewCalls, lineGetID, lineGetTranslateCaps, lineGetCountry, Count
};
// The exported names, in TapiFn order.
extern const char* const kTapiFunctions[static_cast<size_t>(TapiFn::Count)];

// The ANSI signatures of interface version 1.4 that the component calls.
using LineInitializeFn = LONG(WINAPI*)(HLINEAPP*, HINSTANCE, LINECALLBACK, LPCSTR, LPDWORD);
using LineShutdownFn = LONG(WINAPI*)(HLINEAPP);
using LineTranslateDialogFn = LONG(WINAPI*)(HLINEAPP, DWORD, DWORD, HWND, LPCSTR);
using LineConfigDialogFn = LONG(WINAPI*)(DWORD, HWND, LPCSTR);
using LineGetTranslateCapsFn = LONG(WINAPI*)(HLINEAPP, DWORD, LINETRANSLATECAPS*);
using LineTranslateAddressFn = LONG(WINAPI*)(HLINEAPP, DWORD, DWORD, LPCSTR, DWORD, DWORD, LINETRANSLATEOUTPUT*);
using LineGetCountryFn = LONG(WINAPI*)(DWORD, DWORD, LINECOUNTRYLIST*);

class TapiBinding {
public:
    // Entry points by name in place of a library (tests); unset: TAPI32.DLL is loaded.
    using Resolver = std::function<FARPROC(const char* name)>;

    TapiBinding() = default;
    explicit TapiBinding(Resolver resolver) : m_resolver(std::move(resolver)) {}
    ~TapiBinding() { Unload(); }
    TapiBinding(const TapiBinding&) = delete;
    TapiBinding& operator=(const TapiBinding&) = delete;

    // LoadTapiApi: binds on the first call only; afterwards whether the library is there.
    bool Load();
    void Unload();
    bool Tried() const { return m_tried.load(std::memory_order_acquire); }
    int LoadAttempts() const { return m_load_attempts; }
    FARPROC Slot(TapiFn fn) const { return m_slots[static_cast<size_t>(fn)]; }

    template <class Fn>
    Fn Get(TapiFn fn) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Slot(fn)));
    }

private:
    Resolver m_resolver;
    std::mutex m_mutex;
    std::atomic<bool> m_tried{false};
    bool m_loaded = false;
    int m_load_attempts = 0;
    HMODULE m_module = nullptr;
    std::array<FARPROC, static_cast<size_t>(TapiFn::Count)> m_slots{};
};

TapiBinding& Tapi();
bool LoadTapiApi();

class ScopedTapiBinding {
public:
    explicit ScopedTapiBinding(TapiBinding& binding);
    ~ScopedTapiBinding();
    ScopedTapiBinding(const ScopedTapiBinding&) = delete;
    ScopedTapiBinding& operator=(const ScopedTapiBinding&) = delete;

private:
    TapiBinding* m_saved;
};

} // namespace dialup
