// Telephony records of the connection component: dialling properties, locations, calling cards and
// countries, read from the variable-size records the telephony library fills.
//
// Each record starts with three 32-bit sizes (total, needed, used) and a fixed part; texts and entry
// lists lie behind it, each given by a size and an offset from the record's start. The translate
// capabilities (44-byte fixed part) list locations (68-byte entries) and cards (44-byte entries); the
// country list (24-byte fixed part) lists countries (44-byte entries); the translate output
// (40-byte fixed part) holds the dialable and displayable strings. Texts are ANSI strings of the
// system code page. Only the bytes the library says it filled (the used size, within the buffer) are
// ever read: an entry or text beyond them counts as absent.
#pragma once

#include "core/string.h"

#include <cstddef>
#include <cstdint>

namespace dialup {

using core::String;

// Telephony interface version 1.4.
inline constexpr uint32_t kTapiVersion = 0x00010004;

inline constexpr size_t kTranslateCapsFixedSize = 44;
inline constexpr size_t kLocationEntrySize = 68;
inline constexpr size_t kCardEntrySize = 44;
inline constexpr size_t kCountryListFixedSize = 24;
inline constexpr size_t kCountryEntrySize = 44;
inline constexpr size_t kTranslateOutputFixedSize = 40;
// The buffers first offered to the library.
inline constexpr uint32_t kTranslateCapsBufferSize = 3504;
inline constexpr uint32_t kCountryListBufferSize = 512;
inline constexpr uint32_t kTranslateOutputBufferSize = 256;

struct TDialProps {
    int NumLocations = 0;
    uint32_t CurrentLocationId = 0;
    int NumCards = 0;
    uint32_t CurrentPreferredCardId = 0;
};

struct TDialLocation {
    uint32_t PermLocationID = 0xFFFFFFFF;
    String LocationName;
    uint32_t CountryCode = 0;
    String CityCode;
    uint32_t PreferredCardID = 0;
    String LocalAccessCode, LongDistanceCode, TollPrefixList;
    uint32_t CountryID = 0;
    uint32_t Options = 0;
    String CancelCallWaiting;
};

struct TDialCard {
    uint32_t PermCardId = 0xFFFFFFFF;
    String CardName;
    int CardNumberDigits = 0;
    String SameAreaRule, LongDistanceRule, InternationalRule;
    uint32_t Options = 0;
};

struct TDialCountry {
    uint32_t CountryId = 0;
    uint32_t CountryCode = 0;
    uint32_t NextCountryId = 0;
    String CountryName, SameAreaRule, LongDistanceRule, InternationalRule;
};

// The outputs of GetTransCaps before anything is read.
void ResetDialRecords(TDialProps& props, TDialLocation& location, TDialCountry& country, TDialCard& card);

// The record's needed size (0 when the record is too short to say).
uint32_t TapiNeededSize(const void* record, size_t size);

// The counts and current identifiers, then the locations up to the current one (the last location
// when none is current) and the cards likewise. False when the fixed part is not there.
bool ReadTranslateCaps(const void* record, size_t size, TDialProps& props, TDialLocation& location, TDialCard& card);
// The first country of a country list; false when the list holds none.
bool ReadFirstCountry(const void* record, size_t size, TDialCountry& country);
// The dialable and displayable strings (trimmed; the displayable one with the "0 " rule applied).
bool ReadTranslateOutput(const void* record, size_t size, String& dialable, String& displayable);
// A displayable number longer than four characters that begins with "0 " loses that blank.
String FixDisplayableNumber(const String& text);

} // namespace dialup
