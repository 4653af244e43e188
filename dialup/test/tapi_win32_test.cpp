// Telephony of the connection component with in-process fakes of the library (devices, locations,
// cards, countries and translations), and once with the platform's own library.
#include "core/win32.h"

#include "dialup/rascon.h"
#include "dialup/tapiapi_win32.h"
#include "dialup/test/taprecords.h"
#include "support/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace dialup {
namespace {

// What the fake library answers, and what it was asked.
struct FakeTapi {
    LONG initializeResult = 0;
    DWORD devices = 1;
    std::vector<uint8_t> caps, countries, output;
    LONG capsResult = 0;
    int initializeCalls = 0, shutdownCalls = 0, capsCalls = 0, countryCalls = 0, translateCalls = 0;
    DWORD lastCountry = 0, lastVersion = 0, lastCard = 0, lastFlags = 0;
    std::string lastNumber;
    HLINEAPP openApp = 0;
};
FakeTapi* g_fake = nullptr;

// Copies a prepared record into the caller's buffer as the library does: the whole record when it
// fits, else only the sizes with the needed size set.
LONG FillFrom(const std::vector<uint8_t>& record, void* buffer)
{
    uint32_t total = 0;
    std::memcpy(&total, buffer, 4);
    const uint32_t needed = uint32_t(record.size());
    if (needed > total) {
        uint32_t sizes[3] = {total, needed, 12};
        std::memcpy(buffer, sizes, 12);
        return 0;
    }
    std::memcpy(buffer, record.data(), record.size());
    std::memcpy(buffer, &total, 4);
    return 0;
}

LONG WINAPI FakeTranslateDialog(HLINEAPP app, DWORD device, DWORD version, HWND, LPCSTR address)
{
    g_fake->lastNumber = address ? address : "";
    g_fake->lastCard = device;
    g_fake->lastVersion = version;
    return app == g_fake->openApp ? 0 : LINEERR_INVALAPPHANDLE;
}

LONG WINAPI FakeConfigDialog(DWORD device, HWND, LPCSTR deviceClass)
{
    g_fake->lastCard = device;
    return deviceClass ? LINEERR_INVALDEVICECLASS : 0;
}

LONG WINAPI FakeInitialize(HLINEAPP* app, HINSTANCE, LINECALLBACK, LPCSTR, LPDWORD devices)
{
    ++g_fake->initializeCalls;
    *devices = g_fake->devices;
    if (g_fake->initializeResult == 0) {
        *app = 0x4711;
        g_fake->openApp = *app;
    }
    return g_fake->initializeResult;
}

LONG WINAPI FakeShutdown(HLINEAPP app)
{
    ++g_fake->shutdownCalls;
    if (app == g_fake->openApp)
        g_fake->openApp = 0;
    return 0;
}

LONG WINAPI FakeGetTranslateCaps(HLINEAPP, DWORD version, LINETRANSLATECAPS* caps)
{
    ++g_fake->capsCalls;
    g_fake->lastVersion = version;
    return g_fake->capsResult ? g_fake->capsResult : FillFrom(g_fake->caps, caps);
}

LONG WINAPI FakeGetCountry(DWORD country, DWORD, LINECOUNTRYLIST* list)
{
    ++g_fake->countryCalls;
    g_fake->lastCountry = country;
    return FillFrom(g_fake->countries, list);
}

LONG WINAPI FakeTranslateAddress(HLINEAPP, DWORD, DWORD, LPCSTR number, DWORD card, DWORD flags,
                                 LINETRANSLATEOUTPUT* output)
{
    ++g_fake->translateCalls;
    g_fake->lastNumber = number;
    g_fake->lastCard = card;
    g_fake->lastFlags = flags;
    return FillFrom(g_fake->output, output);
}

// Saves the dialling-location values GetTransCaps may write and puts them back afterwards.
class LocationsGuard {
public:
    static constexpr const char16_t* kKey = u"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";

    LocationsGuard()
    {
        support::Registry r(support::HKeyLocalMachine);
        m_key_existed = r.KeyExists(kKey);
        m_location1_existed = r.KeyExists(String(kKey) + u"\\Location1");
        if (r.OpenKey(kKey, true))
            for (const char16_t* name : {u"NextID", u"CurrentID"})
                if (r.ValueExists(name))
                    m_values[name] = r.ReadInteger(name);
    }
    ~LocationsGuard()
    {
        support::Registry r(support::HKeyLocalMachine);
        if (!m_location1_existed)
            r.DeleteKey(String(kKey) + u"\\Location1");
        if (!m_key_existed) {
            r.DeleteKey(kKey);
            return;
        }
        if (r.OpenKey(kKey, false))
            for (const char16_t* name : {u"NextID", u"CurrentID"}) {
                auto it = m_values.find(name);
                if (it == m_values.end())
                    r.DeleteValue(name);
                else
                    r.WriteInteger(name, it->second);
            }
    }

private:
    bool m_key_existed = false, m_location1_existed = false;
    std::map<String, int32_t> m_values;
};

// A fake library bound in place of the platform's for the life of the fixture; GetTransCaps may
// write a default dialling location, so every test runs under the guard.
class TapiFakes : public ::testing::Test {
protected:
    TapiFakes()
        : m_binding([](const char* name) -> FARPROC {
              static const std::map<std::string, void*> fakes = {
                  {"lineInitialize", reinterpret_cast<void*>(FakeInitialize)},
                  {"lineShutdown", reinterpret_cast<void*>(FakeShutdown)},
                  {"lineGetTranslateCaps", reinterpret_cast<void*>(FakeGetTranslateCaps)},
                  {"lineGetCountry", reinterpret_cast<void*>(FakeGetCountry)},
                  {"lineTranslateAddress", reinterpret_cast<void*>(FakeTranslateAddress)},
                  {"lineTranslateDialog", reinterpret_cast<void*>(FakeTranslateDialog)},
                  {"lineConfigDialog", reinterpret_cast<void*>(FakeConfigDialog)},
              };
              auto it = fakes.find(name);
              return it == fakes.end() ? nullptr : reinterpret_cast<FARPROC>(it->second);
          }),
          m_scope(m_binding)
    {
        g_fake = &fake;
    }
    ~TapiFakes() override { g_fake = nullptr; }

    FakeTapi fake;
    LocationsGuard guard;

private:
    TapiBinding m_binding;
    ScopedTapiBinding m_scope;
};

TEST_F(TapiFakes, ZeroDevicesLeaveNoLineApplication)
{
    fake.devices = 0;
    TRasCon con;
    EXPECT_FALSE(con.InitTAPI());
    EXPECT_EQ(fake.shutdownCalls, 1);
    EXPECT_EQ(fake.openApp, 0u);
    EXPECT_EQ(con.TAPILineApp(), 0u);
    EXPECT_FALSE(con.TAPIRunning());
    TDialProps props;
    TDialLocation location;
    TDialCountry country;
    TDialCard card;
    EXPECT_EQ(con.GetTransCaps(props, location, country, card), -1);
    String dial, shown;
    EXPECT_FALSE(con.TranslateAddr(0, u"123", dial, shown));
}

TEST_F(TapiFakes, AFailingStartSetsTheStatusText)
{
    fake.initializeResult = LINEERR_NOMEM;
    TRasCon con;
    EXPECT_FALSE(con.InitTAPI());
    EXPECT_EQ(con.StatusStr(), u"TAPI Error");
    EXPECT_EQ(fake.shutdownCalls, 0);
}

TEST_F(TapiFakes, StartsOnceAndStopsOnDestruction)
{
    {
        TRasCon con;
        EXPECT_TRUE(con.InitTAPI());
        EXPECT_TRUE(con.InitTAPI());
        EXPECT_EQ(fake.initializeCalls, 1);
        EXPECT_EQ(con.TAPIModemInst(), 1u);
        EXPECT_EQ(con.TAPILineApp(), 0x4711u);
    }
    EXPECT_EQ(fake.shutdownCalls, 1);
    EXPECT_EQ(fake.openApp, 0u);
}

TEST_F(TapiFakes, ReadsTheCurrentLocationCardAndCountry)
{
    fake.caps = test::TranslateCaps({{1, "Home"}, {2, "Office"}, {3, "Travel"}}, 2, {7, 8}, 8);
    fake.countries = test::CountryList(86, 86, "China");
    TRasCon con;
    TDialProps props;
    TDialLocation location;
    TDialCountry country;
    TDialCard card;
    EXPECT_EQ(con.GetTransCaps(props, location, country, card), 0);
    EXPECT_EQ(fake.lastVersion, 0x00010004u);
    EXPECT_EQ(props.NumLocations, 3);
    EXPECT_EQ(location.LocationName, u"Office");
    EXPECT_EQ(card.CardName, u"Card 8");
    EXPECT_EQ(fake.lastCountry, 86u);
    EXPECT_EQ(country.CountryName, u"China");
}

TEST_F(TapiFakes, AsksAgainWithTheNeededSize)
{
    std::vector<test::LocationSpec> many;
    for (uint32_t i = 1; i <= 60; ++i)  // more than the first buffer holds
        many.push_back({i, "Location " + std::to_string(i)});
    fake.caps = test::TranslateCaps(many, 60);
    ASSERT_GT(fake.caps.size(), kTranslateCapsBufferSize);
    TRasCon con;
    TDialProps props;
    TDialLocation location;
    TDialCountry country;
    TDialCard card;
    fake.countries = test::CountryList(86, 86, "China");
    EXPECT_EQ(con.GetTransCaps(props, location, country, card), 0);
    EXPECT_EQ(fake.capsCalls, 2);
    EXPECT_EQ(location.LocationName, u"Location 60");
}

TEST_F(TapiFakes, TranslatesNumbersWithTheLeadingZeroRule)
{
    TRasCon con;
    const struct {
        const char* displayable;
        const char16_t* shown;
    } cases[] = {{"0 10 88886666", u"010 88886666"}, {"0 12", u"0 12"}};
    for (const auto& c : cases) {
        fake.output = test::TranslateOutput(" 9,01088886666 ", c.displayable);
        String dial, shown;
        EXPECT_TRUE(con.TransAddr(0, u"+86 (10) 88886666", dial, shown, 4, 2));
        EXPECT_EQ(dial, u"9,01088886666");
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(fake.lastNumber, "+86 (10) 88886666");
        EXPECT_EQ(fake.lastCard, 2u);
        EXPECT_EQ(fake.lastFlags, 4u);
    }
    String dial = u"x", shown = u"y";
    EXPECT_FALSE(con.TranslateAddr(0, u"", dial, shown));
    EXPECT_TRUE(dial.empty());
    EXPECT_TRUE(shown.empty());
}

TEST_F(TapiFakes, OpensTheDialogs)
{
    TRasCon con;
    // The device dialog needs no line application.
    EXPECT_TRUE(con.ConfigDialog(0, 3));
    EXPECT_EQ(fake.lastCard, 3u);
    EXPECT_EQ(fake.initializeCalls, 0);
    EXPECT_TRUE(con.TranslateDialog(0, 2, u"+86 (10) 1234"));
    EXPECT_EQ(fake.initializeCalls, 1);
    EXPECT_EQ(fake.lastNumber, "+86 (10) 1234");
    EXPECT_EQ(fake.lastVersion, 0x00010004u);
    fake.devices = 0;
    TRasCon idle;
    EXPECT_FALSE(idle.TranslateDialog(0, 2, u"1"));
}

TEST_F(TapiFakes, WritesADefaultLocationWhenNoneIsKnown)
{
    support::Registry r(support::HKeyLocalMachine);
    ASSERT_TRUE(r.OpenKey(LocationsGuard::kKey, true));
    r.DeleteValue(u"NextID");
    r.CloseKey();

    fake.caps = test::TranslateCaps({{1, "My Location"}}, 1);
    fake.countries = test::CountryList(86, 86, "China");
    TRasCon con;
    con.DefCountryId = 86;
    TDialProps props;
    TDialLocation location;
    TDialCountry country;
    TDialCard card;
    EXPECT_EQ(con.GetTransCaps(props, location, country, card), 0);
    EXPECT_EQ(location.LocationName, u"My Location");

    ASSERT_TRUE(r.OpenKeyReadOnly(LocationsGuard::kKey));
    EXPECT_EQ(r.ReadInteger(u"NextID"), 2);
    EXPECT_EQ(r.ReadInteger(u"CurrentID"), 1);
    ASSERT_TRUE(r.OpenKeyReadOnly(String(LocationsGuard::kKey) + u"\\Location1"));
    EXPECT_EQ(r.ReadString(u"Name"), u"My Location");
    EXPECT_EQ(r.ReadInteger(u"Country"), 86);
    EXPECT_EQ(r.ReadInteger(u"Flags"), 3);
    EXPECT_TRUE(r.ValueExists(u"OutsideAccess"));
    EXPECT_EQ(r.ReadString(u"AreaCode"), u"");
}

TEST(TapiPlatform, TheSystemLibraryHasNoDevices)
{
    TapiBinding binding;
    ScopedTapiBinding scope(binding);
    TRasCon con;
    EXPECT_FALSE(con.InitTAPI());
    EXPECT_EQ(con.TAPILineApp(), 0u);
    EXPECT_FALSE(con.TAPIRunning());
    EXPECT_TRUE(binding.Tried());
    // Never retried.
    EXPECT_FALSE(con.InitTAPI());
    EXPECT_EQ(binding.LoadAttempts(), 1);
}

TEST(TapiBinding, BindsTheSixteenNames)
{
    int asked = 0;
    TapiBinding binding([&](const char*) -> FARPROC {
        ++asked;
        return nullptr;
    });
    EXPECT_TRUE(binding.Load());
    EXPECT_TRUE(binding.Load());
    EXPECT_EQ(asked, 16);
    EXPECT_EQ(binding.LoadAttempts(), 1);
}

} // namespace
} // namespace dialup
