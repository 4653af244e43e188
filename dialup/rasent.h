// The phonebook entry list (names from the remote-access enumeration, sorted) and the canonical
// number: "+<country> (<area>) <local>", "+<country> <local>", or the local number alone.
#pragma once

#include "dialup/dialsubs.h"

#include <mutex>
#include <vector>

namespace dialup {

struct TEntryRec {
    String EntryName;
    int PBLocation = 0;  // 0 the current user's phonebook, 1 the all-users phonebook
    String Phonebook;
    String CanonNum, DevName1, DevType1, DevPort1, DevName2, DevType2, DevPort2;
    int RpbkLine = 0;
};

// One record of the enumeration as the library gave it (flags 0 and no path on the short record).
struct EnumeratedEntry {
    String name;
    uint32_t flags = 0;
    String phonebook;
};

// Sorts like the enumeration list: case-insensitively by name, then flags, then path; records
// without a name are left out.
std::vector<TEntryRec> SortEntryRecords(const std::vector<EnumeratedEntry>& records);

// The unit-level list (RasEntryRecs / RasEntryTot), guarded for readers on any thread.
void RasResetEntryList();
void RasSetEntryList(std::vector<TEntryRec> records);
std::vector<TEntryRec> RasEntryRecs();
int RasEntryTot();
// Rebuilds the list from the library (Windows); returns the last enumeration result.
int RasGetEntryList(StringView phoneBook);

String RasGetCanonical(bool useCountryAndAreaCodes, int countryCode, StringView areaCode, StringView localNumber);
void RasUnpackCanonical(StringView canonical, bool& useCountryAndAreaCodes, int& countryCode, String& localNumber,
                        String& areaCode);

// TrimAnsi's rule on UTF-16 text: every character below 33 off both ends.
String TrimControls(StringView text);

} // namespace dialup
