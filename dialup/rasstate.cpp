// State texts and the state ring.
#include "dialup/rasstate.h"

namespace dialup {

String StateTableText(int state)
{
    switch (state) {
    case 0: return u"Opening Serial Port";
    case 1: return u"Serial Port Opened";
    case 2: return u"Connecting/Dialling";
    case 3: return u"Connected/Answered";
    case 4: return u"Connected/Negotiation";
    case 5: return u"Validating User and Password";
    case 6: return u"Authentication Notification";
    case 8: return u"Authentication Call Back";
    case 10: return u"Projection Started";
    case 11: return u"Calculating Link speed";
    case 12: return u"Authentication acknowledged";
    case 13: return u"Reauthenticating";
    case 14: return u"Login Authenticated";
    case 15: return u"Preparing for Callback";
    case 16: return u"Waiting for Modem Reset";
    case 17: return u"Waiting for Callback";
    case 18: return u"Projection Completion";
    case 19: return u"Start Authentication";
    case 20: return u"Callback Complete";
    case 21: return u"Logon to Network";
    case 22: return u"Extra Channel Connected";
    case 23: return u"Extra Channel Disconnected";
    case 4096: return u"Interactive Terminal";
    case 4097: return u"Retry Authentication";
    case 4098: return u"Callback Set By Caller";
    case 4099: return u"Password Expires";
    case 4100: return u"Paused for Authentication";
    case kStateConnected: return u"Connected/Online";
    case kStateDisconnected: return u"Disconnected/Offline";
    default: return {};
    }
}

String UnknownStateText(int state) { return u"Unknown State (" + core::IntToStr(state) + u")"; }

int StateRing::Push(const TRasStateRec& record)
{
    std::lock_guard lock(m_mutex);
    const int slot = m_next;
    m_slots[static_cast<size_t>(slot - 1)] = record;
    m_next = slot == kSlots ? 1 : slot + 1;
    return slot;
}

std::optional<TRasStateRec> StateRing::Get(int slot) const
{
    if (slot < 1 || slot > kSlots)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    return m_slots[static_cast<size_t>(slot - 1)];
}

int StateRing::NextSlot() const
{
    std::lock_guard lock(m_mutex);
    return m_next;
}

} // namespace dialup
