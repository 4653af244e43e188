// Telephony records as the library might fill them: any bytes, read as each of the three records.
#include "dialup/tapiapi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so that a read past it is caught.
    std::vector<uint8_t> record(data, data + size);
    dialup::TDialProps props;
    dialup::TDialLocation location;
    dialup::TDialCard card;
    dialup::TDialCountry country;
    dialup::ReadTranslateCaps(record.data(), record.size(), props, location, card);
    dialup::ReadFirstCountry(record.data(), record.size(), country);
    dialup::String dialable, displayable;
    dialup::ReadTranslateOutput(record.data(), record.size(), dialable, displayable);
    dialup::TapiNeededSize(record.data(), record.size());
    return 0;
}
