// TRasCon: telephony: the line application, the dialling-properties and device dialogs, the current
// dialling location, card and country, and number translation.
#include "dialup/rascon.h"

#include "core/codepage.h"
#include "dialup/tapiapi_win32.h"
#include "support/registry.h"

#include <cstring>
#include <vector>

namespace dialup {

namespace {

void CALLBACK LineCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

const char16_t kLocationsKey[] = u"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";
const char16_t kLocation1Key[] = u"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations\\Location1";

// A system without any dialling location gets "Location1" as its current one, so that the
// translation has a location to work from.
void EnsureDefaultLocation(int countryId)
{
    support::Registry registry(support::HKeyLocalMachine);
    try {
        if (!registry.OpenKey(kLocationsKey, false))
            return;
        if (registry.ValueExists(u"NextID") && registry.ReadInteger(u"NextID") != 0)
            return;
        registry.WriteInteger(u"CurrentID", 1);
        registry.WriteInteger(u"NextID", 2);
        if (!registry.OpenKey(kLocation1Key, true))
            return;
        registry.WriteInteger(u"Country", countryId);
        registry.WriteInteger(u"Flags", 3);
        registry.WriteString(u"Name", u"My Location");
        for (const char16_t* name : {u"AreaCode", u"DisableCallWaiting", u"LongDistanceCarrierCode",
                                     u"InternationalCarrierCode", u"LongDistanceAccess", u"OutsideAccess"})
            registry.WriteString(name, u"");
    } catch (const support::ERegistryException&) {
        // Registry errors only end the attempt.
    }
    registry.CloseKey();
}

// A variable-size record: offered with `size` bytes; when the library needs more, asked once again
// with what it needs. Returns the call's result; `buffer` holds the record.
template <class Call>
LONG FillRecord(std::vector<uint8_t>& buffer, uint32_t size, Call call)
{
    buffer.assign(size, 0);
    std::memcpy(buffer.data(), &size, 4);
    LONG result = call(buffer.data());
    const uint32_t needed = TapiNeededSize(buffer.data(), buffer.size());
    if (result == 0 && needed > size && needed <= 0x1000000) {
        buffer.assign(needed, 0);
        std::memcpy(buffer.data(), &needed, 4);
        result = call(buffer.data());
    }
    return result;
}

} // namespace

bool TRasCon::InitTAPI()
{
    if (fTAPIRunning)
        return true;
    TapiBinding& tapi = Tapi();
    if (!tapi.Load())
        return false;
    if (fTAPILineApp == 0) {
        auto initialize = tapi.Get<LineInitializeFn>(TapiFn::lineInitialize);
        if (!initialize)
            return false;
        HLINEAPP app = 0;
        DWORD devices = 0;
        const LONG result = initialize(&app, GetModuleHandleW(nullptr), LineCallback, nullptr, &devices);
        fTAPIModemInst = devices;
        if (result != 0) {
            SetStatusStr(u"TAPI Error");
            fTAPILineApp = 0;
            return false;
        }
        fTAPILineApp = app;
        if (devices == 0) {
            // Nothing to dial with: no line application is left behind.
            if (auto shutdown = tapi.Get<LineShutdownFn>(TapiFn::lineShutdown))
                shutdown(app);
            fTAPILineApp = 0;
            return false;
        }
    }
    fTAPIRunning = true;
    return true;
}

void TRasCon::StopTAPI()
{
    if (fTAPILineApp == 0)
        return;
    if (auto shutdown = Tapi().Get<LineShutdownFn>(TapiFn::lineShutdown))
        shutdown(fTAPILineApp);
    fTAPILineApp = 0;
    fTAPIRunning = false;
}

bool TRasCon::TranslateDialog(uintptr_t owner, uint32_t deviceId, const String& address)
{
    if (!InitTAPI())
        return false;
    auto dialog = Tapi().Get<LineTranslateDialogFn>(TapiFn::lineTranslateDialog);
    const std::string ansi = core::ToAnsi(address);
    return dialog && dialog(fTAPILineApp, deviceId, kTapiVersion, reinterpret_cast<HWND>(owner), ansi.c_str()) == 0;
}

bool TRasCon::ConfigDialog(uintptr_t owner, uint32_t deviceId)
{
    if (!LoadTapiApi())
        return false;
    auto dialog = Tapi().Get<LineConfigDialogFn>(TapiFn::lineConfigDialog);
    return dialog && dialog(deviceId, reinterpret_cast<HWND>(owner), nullptr) == 0;
}

int TRasCon::GetTransCaps(TDialProps& props, TDialLocation& location, TDialCountry& country, TDialCard& card)
{
    ResetDialRecords(props, location, country, card);
    if (!InitTAPI())
        return -1;
    LONG result = 0;
    try {
        if (IsNTKind(RasOSKind()))
            EnsureDefaultLocation(DefCountryId);
        TapiBinding& tapi = Tapi();
        auto getCaps = tapi.Get<LineGetTranslateCapsFn>(TapiFn::lineGetTranslateCaps);
        if (!getCaps)
            return result;
        std::vector<uint8_t> caps;
        result = FillRecord(caps, kTranslateCapsBufferSize, [&](uint8_t* record) {
            return getCaps(fTAPILineApp, kTapiVersion, reinterpret_cast<LINETRANSLATECAPS*>(record));
        });
        if (result != 0)
            return result;
        ReadTranslateCaps(caps.data(), caps.size(), props, location, card);
        auto getCountry = tapi.Get<LineGetCountryFn>(TapiFn::lineGetCountry);
        if (location.CountryID != 0 && getCountry) {
            std::vector<uint8_t> countries;
            result = FillRecord(countries, kCountryListBufferSize, [&](uint8_t* record) {
                return getCountry(location.CountryID, kTapiVersion, reinterpret_cast<LINECOUNTRYLIST*>(record));
            });
            if (result == 0)
                ReadFirstCountry(countries.data(), countries.size(), country);
        }
    } catch (...) {
        // Any failure ends the operation with what was read so far.
    }
    return result;
}

bool TRasCon::TransAddr(uint32_t deviceId, const String& number, String& dialNum, String& disNum, uint32_t flags,
                        uint32_t card)
{
    if (!InitTAPI())
        return false;
    dialNum.clear();
    disNum.clear();
    if (number.empty())
        return false;
    try {
        auto translate = Tapi().Get<LineTranslateAddressFn>(TapiFn::lineTranslateAddress);
        if (!translate)
            return false;
        const std::string ansi = core::ToAnsi(number);
        std::vector<uint8_t> output;
        const LONG result = FillRecord(output, kTranslateOutputBufferSize, [&](uint8_t* record) {
            return translate(fTAPILineApp, deviceId, kTapiVersion, ansi.c_str(), card, flags,
                             reinterpret_cast<LINETRANSLATEOUTPUT*>(record));
        });
        if (result != 0)
            return false;
        return ReadTranslateOutput(output.data(), output.size(), dialNum, disNum);
    } catch (...) {
        return false;
    }
}

bool TRasCon::TranslateAddr(uint32_t deviceId, const String& number, String& dialNum, String& disNum)
{
    return TransAddr(deviceId, number, dialNum, disNum, 0, 0);
}

} // namespace dialup
