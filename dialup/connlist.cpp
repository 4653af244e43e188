// The list of active connections.
#include "dialup/connlist.h"

#include <algorithm>
#include <cstddef>

namespace dialup {

int TConnectionList::AddConnection(const TRasConnRecord& record)
{
    m_items.push_back(record);
    return 0;
}

uint64_t TConnectionList::RasConn(int index) const { return CheckIndex(index) ? m_items[size_t(index)].rasConn : 0; }
uint32_t TConnectionList::SubEntry(int index) const
{
    return CheckIndex(index) ? m_items[size_t(index)].dwSubEntry : 0;
}
uint32_t TConnectionList::Flags(int index) const { return CheckIndex(index) ? m_items[size_t(index)].dwFlags : 0; }
int64_t TConnectionList::LogonSessId(int index) const { return CheckIndex(index) ? m_items[size_t(index)].luid : 0; }
std::array<uint8_t, 16> TConnectionList::guidEntry(int index) const
{
    return CheckIndex(index) ? m_items[size_t(index)].guidEntry : std::array<uint8_t, 16>{};
}
String TConnectionList::EntryName(int index) const
{
    return CheckIndex(index) ? m_items[size_t(index)].szEntryName : String();
}
String TConnectionList::DeviceName(int index) const
{
    return CheckIndex(index) ? m_items[size_t(index)].szDeviceName : String();
}
String TConnectionList::DeviceType(int index) const
{
    if (!CheckIndex(index))
        return {};
    String type = m_items[size_t(index)].szDeviceType;
    for (auto& c : type)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return type;
}
String TConnectionList::Phonebook(int index) const
{
    return CheckIndex(index) ? m_items[size_t(index)].szPhonebook : String();
}
TRasConnRecord TConnectionList::GetConn(int index) const
{
    return CheckIndex(index) ? m_items[size_t(index)] : TRasConnRecord{};
}

void TConnectionList::Delete(int index)
{
    if (CheckIndex(index))
        m_items.erase(m_items.begin() + index);
}

void TConnectionList::ClearFree() { m_items.clear(); }

bool TConnectionList::Update(const std::vector<TRasConnRecord>& fresh)
{
    const size_t n = std::min(fresh.size(), size_t(kMaxConnections));
    if (n == 0) {
        if (m_items.empty())
            return false;
        m_items.clear();
        return true;
    }
    if (m_items.size() == n && std::equal(m_items.begin(), m_items.end(), fresh.begin()))
        return false;
    m_items.assign(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
}

} // namespace dialup
