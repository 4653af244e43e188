// Connection states of a dial: their texts, the state record handed to state-event handlers, and
// the 16-slot ring through which the notification thread hands records to the window thread.
#pragma once

#include "dialup/dialsubs.h"

#include <array>
#include <mutex>
#include <optional>

namespace dialup {

enum class TStateEventSource : uint8_t { SourceDial, SourceStatus, SourceHangup };

inline constexpr int kStateConnected = 8192;
inline constexpr int kStateDisconnected = 8193;
inline constexpr int kErrorNoHandle = 6;
inline constexpr int kErrorNotEnoughMemory = 8;
inline constexpr int kErrorUnknownState = 601;   // zero handle in a status query
inline constexpr int kErrorBufferTooSmall = 603;
inline constexpr int kLastStateValue = 600;      // above: an error code in place of a state

struct TRasStateRec {
    int ConnectState = 0;
    String StatusStr;
    String CurDevName;
    String CurDevType;
    String ConnectPhoneNr;
    uint64_t StateRasConn = 0;
    int StateSubEntry = 0;
    int ConnectError = 0;
    TStateEventSource StateEventSource = TStateEventSource::SourceDial;
    uint32_t TickCount = 0;
};

// The component's own text of a state; empty for a state without one (7, 9, unknown values).
String StateTableText(int state);
// "Unknown State (<state>)".
String UnknownStateText(int state);

// 16 records in slots 1 to 16, written in turn; a slot read late may hold a newer record.
class StateRing {
public:
    static constexpr int kSlots = 16;
    // Writes the record into the next slot and returns that slot's number.
    int Push(const TRasStateRec& record);
    std::optional<TRasStateRec> Get(int slot) const;
    int NextSlot() const;

private:
    mutable std::mutex m_mutex;
    std::array<TRasStateRec, kSlots> m_slots{};
    int m_next = 1;
};

} // namespace dialup
