// Record sizes and binding rules by operating-system kind.
#include "dialup/rastables.h"

namespace dialup {

RecordSizes RecordSizesFor(OSKind kind)
{
    RecordSizes s{};
    s.pppIp = 40;
    s.subEntry = 288;
    s.devInfo = 152;
    s.countryInfo = 20;
    s.credentials = 540;
    s.stats = 60;
    switch (kind) {
    case OSW9x:
        // The 95 LCP layout has no 64-bit form; the shortest x64 layout stands in for it.
        s.entry = 1768, s.conn = 416, s.connStatus = 160, s.dialParams = 1052, s.entryName = 264, s.pppLcp = 8;
        break;
    case OSNT4:
        s.entry = 1796, s.conn = 680, s.connStatus = 288, s.dialParams = 1064, s.entryName = 264, s.pppLcp = 8;
        break;
    case OSW2K:
        s.entry = 2088, s.conn = 696, s.connStatus = 288, s.dialParams = 1064, s.entryName = 532, s.pppLcp = 1080;
        break;
    case OSWXP:
    case OSVista:
    default:
        // Vista and later keep the XP layouts.
        s.entry = 2884, s.conn = 708, s.connStatus = 288, s.dialParams = 1064, s.entryName = 532, s.pppLcp = 1080;
        break;
    }
    return s;
}

std::span<const BindRule> RasBindRules()
{
    using L = RasLibrary;
    static constexpr BindRule rules[] = {
        {RasFn::RasDialA, "RasDialA", L::Main, OSW9x, false},
        {RasFn::RasEnumConnectionsA, "RasEnumConnectionsA", L::Main, OSW9x, false},
        {RasFn::RasEnumEntriesA, "RasEnumEntriesA", L::Main, OSW9x, false},
        {RasFn::RasGetConnectStatusA, "RasGetConnectStatusA", L::Main, OSW9x, false},
        {RasFn::RasGetErrorStringA, "RasGetErrorStringA", L::Main, OSW9x, false},
        {RasFn::RasHangUpA, "RasHangUpA", L::Main, OSW9x, false},
        {RasFn::RasGetEntryDialParamsA, "RasGetEntryDialParamsA", L::Main, OSW9x, false},
        {RasFn::RasSetEntryDialParamsA, "RasSetEntryDialParamsA", L::Main, OSW9x, false},
        {RasFn::RasMonitorDlgA, "RasMonitorDlgA", L::Main, OSW9x, false},
        {RasFn::RasEditPhonebookEntryA, "RasEditPhonebookEntryA", L::Main, OSW9x, false},
        {RasFn::RasCreatePhonebookEntryA, "RasCreatePhonebookEntryA", L::Main, OSW9x, false},
        {RasFn::RasGetProjectionInfoA, "RasGetProjectionInfoA", L::Main, OSW9x, false},
        {RasFn::RasConnectionNotificationA, "RasConnectionNotificationA", L::Main, OSW9x, true},
        {RasFn::RasGetSubEntryHandleA, "RasGetSubEntryHandleA", L::Main, OSNT4, false},
        {RasFn::RasGetSubEntryPropertiesA, "RasGetSubEntryPropertiesA", L::Main, OSNT4, false},
        {RasFn::RasSetSubEntryPropertiesA, "RasSetSubEntryPropertiesA", L::Main, OSNT4, false},
        {RasFn::RasGetAutodialAddressA, "RasGetAutodialAddressA", L::Main, OSNT4, false},
        {RasFn::RasSetAutodialAddressA, "RasSetAutodialAddressA", L::Main, OSNT4, false},
        {RasFn::RasEnumAutodialAddressesA, "RasEnumAutodialAddressesA", L::Main, OSNT4, false},
        {RasFn::RasGetAutodialEnableA, "RasGetAutodialEnableA", L::Main, OSNT4, false},
        {RasFn::RasSetAutodialEnableA, "RasSetAutodialEnableA", L::Main, OSNT4, false},
        {RasFn::RasGetAutodialParamA, "RasGetAutodialParamA", L::Main, OSNT4, false},
        {RasFn::RasSetAutodialParamA, "RasSetAutodialParamA", L::Main, OSNT4, false},
        {RasFn::RasGetCredentialsA, "RasGetCredentialsA", L::Main, OSNT4, false},
        {RasFn::RasSetCredentialsA, "RasSetCredentialsA", L::Main, OSNT4, false},
        {RasFn::RasGetConnectionStatistics, "RasGetConnectionStatistics", L::Main, OSW2K, false},
        {RasFn::RasClearConnectionStatistics, "RasClearConnectionStatistics", L::Main, OSW2K, false},
        {RasFn::RasGetLinkStatistics, "RasGetLinkStatistics", L::Main, OSW2K, false},
        {RasFn::RasClearLinkStatistics, "RasClearLinkStatistics", L::Main, OSW2K, false},
        {RasFn::RasDeleteSubEntryA, "RasDeleteSubEntryA", L::Main, OSWXP, false},
        {RasFn::RasGetCountryInfoA, "RasGetCountryInfoA", L::Entry, OSW9x, false},
        {RasFn::RasGetEntryPropertiesA, "RasGetEntryPropertiesA", L::Entry, OSW9x, false},
        {RasFn::RasSetEntryPropertiesA, "RasSetEntryPropertiesA", L::Entry, OSW9x, false},
        {RasFn::RasRenameEntryA, "RasRenameEntryA", L::Entry, OSW9x, false},
        {RasFn::RasDeleteEntryA, "RasDeleteEntryA", L::Entry, OSW9x, false},
        {RasFn::RasValidateEntryNameA, "RasValidateEntryNameA", L::Entry, OSW9x, false},
        {RasFn::RasEnumDevicesA, "RasEnumDevicesA", L::Entry, OSW9x, false},
        {RasFn::RasEntryDlgA, "RasEntryDlgA", L::Dialog, OSNT4, false},
        {RasFn::RasPhonebookDlgA, "RasPhonebookDlgA", L::Dialog, OSNT4, false},
        {RasFn::RasDialDlgA, "RasDialDlgA", L::Dialog, OSNT4, false},
    };
    static_assert(std::size(rules) == static_cast<size_t>(RasFn::Count));
    return rules;
}

bool RuleApplies(const BindRule& rule, OSKind kind, uint32_t minorVersion)
{
    if (rule.notificationRule)
        return kind != OSW9x || minorVersion >= 10;
    return kind >= rule.minKind;
}

} // namespace dialup
