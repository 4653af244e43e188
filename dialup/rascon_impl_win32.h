// Private parts of TRasCon shared by its two source files.
#pragma once

#include "dialup/rascon.h"

#include "dialup/msgwindow_win32.h"
#include "dialup/rasapi_win32.h"
#include "dialup/rasent.h"

#include <string>
#include <vector>

namespace dialup {

// What a dial's callback identifier leads to; `owner` is cleared (under `dispatch`) when the
// component goes.
struct DialSink {
    std::mutex dispatch;
    TRasCon* owner = nullptr;
};

struct TRasCon::Impl {
    std::shared_ptr<DialSink> sink;
    std::vector<uint64_t> tokens;
    std::unique_ptr<MessageWindow> window;
    StateRing ring;
    // The entry last read (record, alternates) and its device information.
    std::vector<uint8_t> entry = std::vector<uint8_t>(kEntryBufferSize);
    uint32_t entrySize = 0;
    std::vector<uint8_t> devInfo = std::vector<uint8_t>(kDevInfoBufferSize);
    uint32_t devInfoSize = 0;
    // The records of the last enumeration of active connections.
    std::vector<TRasConnRecord> lastRecords;

    uint64_t RegisterDial();
    void RegisterHandle(uint64_t handle);
    void SetPending9x(bool on);
    void Unregister();
    void FillDialParams(TRasCon& self, RASDIALPARAMSA& params, uint64_t token);
    int Dial(TRasCon& self, uint64_t& connHandle, RASDIALEXTENSIONS* extensions);
    static String Lower(const String& s);
    static void Dispatch(TRasCon& self, uint64_t handle, int subEntry, int state, int error, bool nineX);
};

// Zero-terminated ANSI strings from `offset` up to `end` of a buffer, each trimmed, until an empty
// one; an offset outside the buffer yields nothing.
std::vector<String> ReadAlternates(const uint8_t* buffer, size_t end, size_t offset);
// Appends the non-empty items as zero-terminated ANSI strings and a closing zero; false (nothing
// appended) when they would not fit in `capacity` bytes from `at`.
bool WriteAlternates(uint8_t* buffer, size_t capacity, size_t at, const std::vector<String>& items, size_t& written);

} // namespace dialup
