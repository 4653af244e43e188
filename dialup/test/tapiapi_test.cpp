// Reading telephony records: current entries, none matching, truncated records and offsets beyond
// the bytes the library filled.
#include "dialup/tapiapi.h"
#include "dialup/test/taprecords.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dialup {
namespace {

TEST(TapiRecords, PicksTheCurrentLocationAndCard)
{
    const auto caps = test::TranslateCaps({{1, "Home"}, {5, "Office"}, {9, "Travel"}}, 5, {2, 3, 4}, 3);
    TDialProps props;
    TDialLocation location;
    TDialCard card;
    ASSERT_TRUE(ReadTranslateCaps(caps.data(), caps.size(), props, location, card));
    EXPECT_EQ(props.NumLocations, 3);
    EXPECT_EQ(props.CurrentLocationId, 5u);
    EXPECT_EQ(props.NumCards, 3);
    EXPECT_EQ(location.PermLocationID, 5u);
    EXPECT_EQ(location.LocationName, u"Office");  // trimmed
    EXPECT_EQ(location.CityCode, u"10");
    EXPECT_EQ(location.CountryID, 86u);
    EXPECT_EQ(card.PermCardId, 3u);
    EXPECT_EQ(card.CardName, u"Card 3");
    EXPECT_EQ(card.CardNumberDigits, 8);
}

TEST(TapiRecords, FallsBackToTheLastEntryWhenNoneIsCurrent)
{
    const auto caps = test::TranslateCaps({{1, "Home"}, {2, "Office"}}, 77, {4, 6}, 99);
    TDialProps props;
    TDialLocation location;
    TDialCard card;
    ASSERT_TRUE(ReadTranslateCaps(caps.data(), caps.size(), props, location, card));
    EXPECT_EQ(location.LocationName, u"Office");
    EXPECT_EQ(card.PermCardId, 6u);
}

TEST(TapiRecords, ReadsOnlyWhatTheLibraryFilled)
{
    auto caps = test::TranslateCaps({{1, "Home"}, {2, "Office"}}, 2);
    TDialProps props;
    TDialLocation location;
    TDialCard card;
    // The used size ends inside the second entry: the walk stops at the first.
    std::vector<uint8_t> shortUsed = caps;
    const uint32_t used = 44 + 68 + 20;
    std::memcpy(shortUsed.data() + 8, &used, 4);
    ASSERT_TRUE(ReadTranslateCaps(shortUsed.data(), shortUsed.size(), props, location, card));
    EXPECT_EQ(location.PermLocationID, 1u);
    EXPECT_EQ(location.LocationName, u"");  // its text lies past the used size

    // A text offset past the used size reads as empty; the entry itself is still there.
    std::vector<uint8_t> farText = caps;
    const uint32_t far = uint32_t(caps.size() + 100);
    std::memcpy(farText.data() + 44 + 68 + 8, &far, 4);
    ASSERT_TRUE(ReadTranslateCaps(farText.data(), farText.size(), props, location, card));
    EXPECT_EQ(location.PermLocationID, 2u);
    EXPECT_EQ(location.LocationName, u"");

    // A used size beyond the buffer is held to the buffer.
    std::vector<uint8_t> bigUsed = caps;
    const uint32_t huge = 0x7FFFFFFF;
    std::memcpy(bigUsed.data() + 8, &huge, 4);
    ASSERT_TRUE(ReadTranslateCaps(bigUsed.data(), bigUsed.size(), props, location, card));
    EXPECT_EQ(location.LocationName, u"Office");

    // Truncated below the fixed part.
    EXPECT_FALSE(ReadTranslateCaps(caps.data(), 40, props, location, card));
    EXPECT_FALSE(ReadTranslateCaps(nullptr, 0, props, location, card));
    // An entry list offset beyond everything.
    std::vector<uint8_t> farList = caps;
    const uint32_t farOffset = 0xFFFFFFF0;
    std::memcpy(farList.data() + 20, &farOffset, 4);
    TDialLocation untouched;
    ASSERT_TRUE(ReadTranslateCaps(farList.data(), farList.size(), props, untouched, card));
    EXPECT_EQ(untouched.PermLocationID, 0xFFFFFFFFu);
    EXPECT_EQ(TapiNeededSize(caps.data(), caps.size()), caps.size());
}

TEST(TapiRecords, ReadsCountriesAndTranslations)
{
    const auto list = test::CountryList(86, 86, "China");
    TDialCountry country;
    ASSERT_TRUE(ReadFirstCountry(list.data(), list.size(), country));
    EXPECT_EQ(country.CountryId, 86u);
    EXPECT_EQ(country.CountryName, u"China");
    EXPECT_EQ(country.InternationalRule, u"00EFG");
    test::RecordBuilder empty(24);
    const auto none = empty.Finish();
    EXPECT_FALSE(ReadFirstCountry(none.data(), none.size(), country));

    const struct {
        const char* displayable;
        const char16_t* shown;
    } cases[] = {{"0 10 1234", u"010 1234"}, {"0 12", u"0 12"}, {" 0 123 ", u"0123"}, {"10 0 1", u"10 0 1"}, {"", u""}};
    for (const auto& c : cases) {
        const auto out = test::TranslateOutput(" 9,01012345 ", c.displayable);
        String dial, shown;
        ASSERT_TRUE(ReadTranslateOutput(out.data(), out.size(), dial, shown));
        EXPECT_EQ(dial, u"9,01012345");
        EXPECT_EQ(shown, c.shown) << c.displayable;
    }
}

TEST(TapiRecords, ResetMarksEverythingAbsent)
{
    TDialProps props{3, 1, 2, 1};
    TDialLocation location;
    location.PermLocationID = 4;
    location.LocationName = u"x";
    location.CountryID = 9;
    TDialCountry country;
    country.CountryId = 1;
    country.CountryName = u"y";
    TDialCard card;
    card.PermCardId = 2;
    ResetDialRecords(props, location, country, card);
    EXPECT_EQ(props.NumLocations, 0);
    EXPECT_EQ(location.PermLocationID, 4294967295u);
    EXPECT_EQ(card.PermCardId, 4294967295u);
    EXPECT_TRUE(location.LocationName.empty());
    EXPECT_EQ(country.CountryId, 0u);
}

} // namespace
} // namespace dialup
