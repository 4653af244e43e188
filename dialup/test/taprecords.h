// Builds telephony records for the tests: a fixed part, then entries and texts appended behind it,
// with the total, needed and used sizes filled in.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace dialup::test {

class RecordBuilder {
public:
    explicit RecordBuilder(size_t fixedSize) : m_bytes(fixedSize, 0) {}

    void Set(size_t offset, uint32_t value)
    {
        if (m_bytes.size() < offset + 4)
            m_bytes.resize(offset + 4, 0);
        std::memcpy(m_bytes.data() + offset, &value, 4);
    }
    // Appends bytes and returns their offset.
    size_t Append(const void* data, size_t size)
    {
        const size_t at = m_bytes.size();
        m_bytes.insert(m_bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        return at;
    }
    size_t Reserve(size_t size)
    {
        const size_t at = m_bytes.size();
        m_bytes.resize(at + size, 0);
        return at;
    }
    // A NUL-terminated text; its size and offset go into the two fields at `field`.
    void Text(size_t field, const std::string& text)
    {
        const size_t at = Append(text.c_str(), text.size() + 1);
        Set(field, uint32_t(text.size() + 1));
        Set(field + 4, uint32_t(at));
    }
    // Fills the three sizes: total as the buffer, needed and used as the content (or as given).
    std::vector<uint8_t> Finish(uint32_t total = 0, uint32_t needed = 0, uint32_t used = 0)
    {
        const uint32_t size = uint32_t(m_bytes.size());
        Set(0, total ? total : size);
        Set(4, needed ? needed : size);
        Set(8, used ? used : size);
        return m_bytes;
    }
    size_t Size() const { return m_bytes.size(); }

private:
    std::vector<uint8_t> m_bytes;
};

struct LocationSpec {
    uint32_t id;
    std::string name;
    uint32_t countryId = 86;
};

// Translate capabilities with the given locations (and one card per `cards` id), current ids set.
inline std::vector<uint8_t> TranslateCaps(const std::vector<LocationSpec>& locations, uint32_t currentLocation,
                                          const std::vector<uint32_t>& cards = {}, uint32_t currentCard = 0)
{
    RecordBuilder b(44);
    b.Set(12, uint32_t(locations.size()));
    b.Set(24, currentLocation);
    b.Set(28, uint32_t(cards.size()));
    b.Set(40, currentCard);
    const size_t list = b.Reserve(68 * locations.size());
    b.Set(16, uint32_t(68 * locations.size()));
    b.Set(20, uint32_t(list));
    const size_t cardList = b.Reserve(44 * cards.size());
    b.Set(32, uint32_t(44 * cards.size()));
    b.Set(36, uint32_t(cardList));
    for (size_t i = 0; i < locations.size(); ++i) {
        const size_t at = list + 68 * i;
        b.Set(at, locations[i].id);
        b.Text(at + 4, "  " + locations[i].name + " ");
        b.Set(at + 12, 86);
        b.Text(at + 16, "10");
        b.Set(at + 52, locations[i].countryId);
        b.Set(at + 56, 1);
    }
    for (size_t i = 0; i < cards.size(); ++i) {
        const size_t at = cardList + 44 * i;
        b.Set(at, cards[i]);
        b.Text(at + 4, "Card " + std::to_string(cards[i]));
        b.Set(at + 12, 8);
        b.Text(at + 16, "G");
    }
    return b.Finish();
}

inline std::vector<uint8_t> CountryList(uint32_t countryId, uint32_t code, const std::string& name)
{
    RecordBuilder b(24);
    b.Set(12, 1);
    const size_t at = b.Reserve(44);
    b.Set(16, 44);
    b.Set(20, uint32_t(at));
    b.Set(at, countryId);
    b.Set(at + 4, code);
    b.Set(at + 8, 0);
    b.Text(at + 12, name);
    b.Text(at + 20, "G");
    b.Text(at + 28, "0FG");
    b.Text(at + 36, "00EFG");
    return b.Finish();
}

inline std::vector<uint8_t> TranslateOutput(const std::string& dialable, const std::string& displayable)
{
    RecordBuilder b(40);
    b.Text(12, dialable);
    b.Text(20, displayable);
    return b.Finish();
}

} // namespace dialup::test
