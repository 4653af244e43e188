// TConnectionList: copies of the active connections as the last enumeration listed them, kept as
// normalised records (texts decoded, handle at full width), so that two enumerations compare by
// their fields and not by the bytes the library left in unused parts of its records.
#pragma once

#include "dialup/dialsubs.h"

#include <array>
#include <vector>

namespace dialup {

struct TRasConnRecord {
    uint32_t dwSize = 0;  // size of the layout the record came in
    uint64_t rasConn = 0;
    String szEntryName;
    String szDeviceType;
    String szDeviceName;
    String szPhonebook;
    uint32_t dwSubEntry = 0;
    std::array<uint8_t, 16> guidEntry{};
    uint32_t dwFlags = 0;
    int64_t luid = 0;

    bool operator==(const TRasConnRecord&) const = default;
};

class TConnectionList {
public:
    static constexpr int kMaxConnections = 8;

    int Count() const { return static_cast<int>(m_items.size()); }
    int AddConnection(const TRasConnRecord& record);
    bool CheckIndex(int index) const { return index >= 0 && index < Count(); }

    uint64_t RasConn(int index) const;
    uint32_t SubEntry(int index) const;
    uint32_t Flags(int index) const;
    int64_t LogonSessId(int index) const;
    std::array<uint8_t, 16> guidEntry(int index) const;
    String EntryName(int index) const;
    String DeviceName(int index) const;
    String DeviceType(int index) const;  // lower case
    String Phonebook(int index) const;
    // A copy of the record; a zeroed record for a bad index.
    TRasConnRecord GetConn(int index) const;
    void Delete(int index);
    void ClearFree();

    // Takes the first eight of `fresh` when they differ from the list (count or any field);
    // returns whether the list changed.
    bool Update(const std::vector<TRasConnRecord>& fresh);

private:
    std::vector<TRasConnRecord> m_items;
};

} // namespace dialup
