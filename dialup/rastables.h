// The kind-dependent data of the dial-up layer: the record sizes put into dwSize for each
// operating-system kind, and which entry points are bound from which library on each kind.
//
// Sizes are the x64 sizes of the ANSI remote-access records of each layout version (the platform
// headers' structures; rastables_win32.cpp checks every number against them).
#pragma once

#include "dialup/dialsubs.h"

#include <cstdint>
#include <span>

namespace dialup {

struct RecordSizes {
    uint32_t entry;        // RASENTRYA
    uint32_t conn;         // RASCONNA
    uint32_t connStatus;   // RASCONNSTATUSA
    uint32_t dialParams;   // RASDIALPARAMSA
    uint32_t entryName;    // RASENTRYNAMEA
    uint32_t pppLcp;       // RASPPPLCPA
    uint32_t pppIp;        // RASPPPIPA
    uint32_t subEntry;     // RASSUBENTRYA
    uint32_t devInfo;      // RASDEVINFOA
    uint32_t countryInfo;  // RASCTRYINFOA
    uint32_t credentials;  // RASCREDENTIALSA
    uint32_t stats;        // RAS_STATS
};

RecordSizes RecordSizesFor(OSKind kind);

// Buffers shared by the components: an entry record with its alternate numbers, a sub-entry with
// its alternates, the device information, and room for eight connections of the largest layout.
inline constexpr uint32_t kEntryBufferSize = 4096;
inline constexpr uint32_t kSubEntryBufferSize = 491;
inline constexpr uint32_t kDevInfoBufferSize = 256;
inline constexpr uint32_t kMaxListedConnections = 8;
inline constexpr uint32_t kLargestConnRecord = 708;

enum class RasLibrary : uint8_t { Main, Entry, Dialog };

// Every entry point the layer binds, in the order of RasBindRules().
enum class RasFn : uint8_t {
    RasDialA, RasEnumConnectionsA, RasEnumEntriesA, RasGetConnectStatusA, RasGetErrorStringA, RasHangUpA,
    RasGetEntryDialParamsA, RasSetEntryDialParamsA, RasMonitorDlgA, RasEditPhonebookEntryA,
    RasCreatePhonebookEntryA, RasGetProjectionInfoA, RasConnectionNotificationA,
    RasGetSubEntryHandleA, RasGetSubEntryPropertiesA, RasSetSubEntryPropertiesA, RasGetAutodialAddressA,
    RasSetAutodialAddressA, RasEnumAutodialAddressesA, RasGetAutodialEnableA, RasSetAutodialEnableA,
    RasGetAutodialParamA, RasSetAutodialParamA, RasGetCredentialsA, RasSetCredentialsA,
    RasGetConnectionStatistics, RasClearConnectionStatistics, RasGetLinkStatistics, RasClearLinkStatistics,
    RasDeleteSubEntryA,
    RasGetCountryInfoA, RasGetEntryPropertiesA, RasSetEntryPropertiesA, RasRenameEntryA, RasDeleteEntryA,
    RasValidateEntryNameA, RasEnumDevicesA,
    RasEntryDlgA, RasPhonebookDlgA, RasDialDlgA,
    Count
};

struct BindRule {
    RasFn fn;
    const char* name;
    RasLibrary library;
    OSKind minKind;
    bool notificationRule;  // bound on every NT kind, and on 9x from minor version 10
};

std::span<const BindRule> RasBindRules();
bool RuleApplies(const BindRule& rule, OSKind kind, uint32_t minorVersion);

// The performance-data entry points, bound from pdh.dll on NT 4 only.
inline constexpr const char* kPdhFunctions[] = {
    "PdhOpenQuery",         "PdhAddCounterA",         "PdhEnumObjectsA",      "PdhEnumObjectItemsA",
    "PdhGetCounterInfoA",   "PdhGetRawCounterValue",  "PdhGetRawCounterArrayA", "PdhCollectQueryData",
    "PdhCloseQuery",
};

} // namespace dialup
