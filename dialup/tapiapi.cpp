// Reading the telephony records (see tapiapi.h for their layout).
#include "dialup/tapiapi.h"

#include "core/codepage.h"
#include "dialup/dialsubs.h"

#include <algorithm>
#include <cstring>

namespace dialup {

namespace {

// A record with its readable extent: the used size, never past the buffer.
class Record {
public:
    Record(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0)
    {
        m_limit = m_size >= 12 ? std::min<size_t>(m_size, DWord(8, m_size)) : 0;
    }

    bool Holds(size_t offset, size_t count) const { return offset <= m_limit && count <= m_limit - offset; }

    uint32_t DWord(size_t offset) const { return DWord(offset, m_limit); }

    // A text given by its size and offset fields at `field` (size first).
    String Text(size_t field) const
    {
        if (!Holds(field, 8))
            return {};
        const uint32_t size = DWord(field), offset = DWord(field + 4);
        if (size == 0 || !Holds(offset, size))
            return {};
        const char* text = reinterpret_cast<const char*>(m_data + offset);
        return core::FromAnsi(TrimAnsi(std::string_view(text, strnlen(text, size))));
    }

private:
    uint32_t DWord(size_t offset, size_t limit) const
    {
        if (offset > limit || limit - offset < 4)
            return 0;
        uint32_t v;
        std::memcpy(&v, m_data + offset, 4);
        return v;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_limit = 0;
};

void ReadLocation(const Record& r, size_t at, TDialLocation& l)
{
    l.PermLocationID = r.DWord(at);
    l.LocationName = r.Text(at + 4);
    l.CountryCode = r.DWord(at + 12);
    l.CityCode = r.Text(at + 16);
    l.PreferredCardID = r.DWord(at + 24);
    l.LocalAccessCode = r.Text(at + 28);
    l.LongDistanceCode = r.Text(at + 36);
    l.TollPrefixList = r.Text(at + 44);
    l.CountryID = r.DWord(at + 52);
    l.Options = r.DWord(at + 56);
    l.CancelCallWaiting = r.Text(at + 60);
}

void ReadCard(const Record& r, size_t at, TDialCard& c)
{
    c.PermCardId = r.DWord(at);
    c.CardName = r.Text(at + 4);
    c.CardNumberDigits = int(r.DWord(at + 12));
    c.SameAreaRule = r.Text(at + 16);
    c.LongDistanceRule = r.Text(at + 24);
    c.InternationalRule = r.Text(at + 32);
    c.Options = r.DWord(at + 40);
}

} // namespace

void ResetDialRecords(TDialProps& props, TDialLocation& location, TDialCountry& country, TDialCard& card)
{
    props.NumLocations = 0;
    props.NumCards = 0;
    location.PermLocationID = 0xFFFFFFFF;
    card.PermCardId = 0xFFFFFFFF;
    location.LocationName.clear();
    card.CardName.clear();
    country.CountryName.clear();
    location.CountryID = 0;
    country.CountryId = 0;
    country.CountryCode = 0;
}

uint32_t TapiNeededSize(const void* record, size_t size)
{
    if (!record || size < 8)
        return 0;
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(record) + 4, 4);
    return v;
}

bool ReadTranslateCaps(const void* record, size_t size, TDialProps& props, TDialLocation& location, TDialCard& card)
{
    const Record r(record, size);
    if (!r.Holds(0, kTranslateCapsFixedSize))
        return false;
    props.NumLocations = int(r.DWord(12));
    props.CurrentLocationId = r.DWord(24);
    props.NumCards = int(r.DWord(28));
    props.CurrentPreferredCardId = r.DWord(40);
    const size_t locations = r.DWord(20), cards = r.DWord(36);
    for (size_t i = 0; props.NumLocations > 0 && i < size_t(props.NumLocations); ++i) {
        const size_t at = locations + i * kLocationEntrySize;
        if (!r.Holds(at, kLocationEntrySize))
            break;
        ReadLocation(r, at, location);
        if (location.PermLocationID == props.CurrentLocationId)
            break;
    }
    for (size_t i = 0; props.NumCards > 0 && i < size_t(props.NumCards); ++i) {
        const size_t at = cards + i * kCardEntrySize;
        if (!r.Holds(at, kCardEntrySize))
            break;
        ReadCard(r, at, card);
        if (card.PermCardId == props.CurrentPreferredCardId)
            break;
    }
    return true;
}

bool ReadFirstCountry(const void* record, size_t size, TDialCountry& country)
{
    const Record r(record, size);
    if (!r.Holds(0, kCountryListFixedSize) || r.DWord(12) == 0)
        return false;
    const size_t at = r.DWord(20);
    if (!r.Holds(at, kCountryEntrySize))
        return false;
    country.CountryId = r.DWord(at);
    country.CountryCode = r.DWord(at + 4);
    country.NextCountryId = r.DWord(at + 8);
    country.CountryName = r.Text(at + 12);
    country.SameAreaRule = r.Text(at + 20);
    country.LongDistanceRule = r.Text(at + 28);
    country.InternationalRule = r.Text(at + 36);
    return true;
}

String FixDisplayableNumber(const String& text)
{
    if (text.size() > 4 && text[0] == u'0' && text[1] == u' ')
        return u"0" + text.substr(2);
    return text;
}

bool ReadTranslateOutput(const void* record, size_t size, String& dialable, String& displayable)
{
    const Record r(record, size);
    if (!r.Holds(0, kTranslateOutputFixedSize))
        return false;
    displayable = FixDisplayableNumber(r.Text(20));
    dialable = r.Text(12);
    return true;
}

} // namespace dialup
