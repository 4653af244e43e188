// Fuzz target: any bytes as a phonebook file; every query and a rewrite must stay safe, and the
// rewritten text must read back to the same entries.
#include "sim/rasapi32/phonebook.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace sim::rasapi32;
    Phonebook book = Phonebook::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto names = book.EntryNames();
    for (const auto& name : names) {
        Credentials credentials;
        book.GetCredentials(name, 15, credentials);
        const uint32_t links = book.SubEntryCount(name);
        SubEntry link;
        for (uint32_t i = 0; i <= links + 1 && i < 8; ++i)
            book.GetSubEntry(name, i, link);
        book.Validate(name);
    }
    if (!names.empty()) {
        book.SetSubEntry(names.front(), 3, {});
        book.DeleteSubEntry(names.front(), 2);
        book.Rename(names.front(), u"renamed");
    }
    const Phonebook back = Phonebook::Parse(book.Serialize());
    if (back.Serialize() != book.Serialize())
        std::abort();
    return 0;
}
