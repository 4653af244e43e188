// The phonebook entry list from the remote-access enumeration.
#include "dialup/rasapi_win32.h"
#include "dialup/rasent.h"

#include "core/codepage.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace dialup {

int RasGetEntryList(StringView phoneBook)
{
    RasResetEntryList();
    RasBinding& ras = Ras();
    if (!ras.Load())
        return kErrorLibraryMissing;
    auto enumerate = DIALUP_RASFN(ras, RasEnumEntriesA);
    if (!enumerate)
        return kErrorLibraryMissing;
    const OSKind kind = RasOSKind();
    const std::string book = core::ToAnsi(phoneBook);
    const char* bookArg = kind == OSNT4 && !book.empty() ? book.c_str() : nullptr;
    const uint32_t recordSize = RecordSizesFor(kind).entryName;
    std::vector<uint8_t> buffer(sizeof(RASENTRYNAMEA));
    reinterpret_cast<RASENTRYNAMEA*>(buffer.data())->dwSize = recordSize;
    DWORD bytes = recordSize, count = 0;
    int result = static_cast<int>(enumerate(nullptr, bookArg, reinterpret_cast<RASENTRYNAMEA*>(buffer.data()), &bytes,
                                            &count));
    if ((result == 0 || result == 603) && count > 0 && bytes <= (16u << 20)) {
        buffer.assign(std::max<size_t>(bytes, sizeof(RASENTRYNAMEA)), 0);
        reinterpret_cast<RASENTRYNAMEA*>(buffer.data())->dwSize = recordSize;
        bytes = static_cast<DWORD>(buffer.size());
        result = static_cast<int>(
            enumerate(nullptr, bookArg, reinterpret_cast<RASENTRYNAMEA*>(buffer.data()), &bytes, &count));
        if (result == 0) {
            std::vector<EnumeratedEntry> found;
            const size_t fits = buffer.size() / recordSize;
            for (size_t i = 0; i < std::min<size_t>(count, fits); ++i) {
                RASENTRYNAMEA record{};
                std::memcpy(&record, buffer.data() + i * recordSize, std::min<size_t>(recordSize, sizeof record));
                EnumeratedEntry e;
                e.name = GetAnsiField(record.szEntryName, sizeof record.szEntryName);
                if (recordSize >= sizeof(RASENTRYNAMEA)) {
                    e.flags = record.dwFlags;
                    e.phonebook = GetAnsiField(record.szPhonebookPath, sizeof record.szPhonebookPath);
                }
                found.push_back(std::move(e));
            }
            RasSetEntryList(SortEntryRecords(found));
        }
    }
    return result;
}

} // namespace dialup
