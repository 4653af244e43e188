// Scenario reader of the simulated remote-access library.
//
// A scenario file is UTF-8 INI text (see ini.cpp; values are trimmed here). Sections:
//
//   [library]            refuse_entry_writes = 1      entry writes answer 5 (access denied)
//                        refuse_credential_writes = 1 credential writes answer 5
//                        hangup_ms = 200              how long a hung-up connection still reads
//                                                     "disconnected" before its handle is gone
//   [devices]            <device name> = <device type>, one line per device; replaces the
//                        built-in list (the PPTP and L2TP miniports, Chinese and English names)
//   [default]            the plan of every server without a section of its own
//   [server <address>]   the plan of one server address (the number that is dialled)
//
// Keys of a plan (all optional):
//   outcome = connect | refuse | hold   connect (default); refuse with error; stay in progress
//                                       in hold_state until a "complete" or "fail" command
//   after = <ms>                        time from the dial to the outcome (default 500)
//   error = <code>                      refuse: the error (default 678)
//   fail_state = <state>                refuse: the state reported with the error (default: 6
//                                       for authentication errors such as 691, else 2)
//   hold_state = <state>                hold: the state to stay in (default 5, authenticating)
//   user = <name>, password = <text>    the credentials the server accepts; with either key a
//                                       dial with other credentials fails with 691
//   drop_after = <ms>                   connected, then dropped after this time (error 619)
//   drop_error = <code>                 the error of the drop (default 619)
//   client_ip, server_ip = <address>    IP projection (client default: 10.64.<n>.2 per dial)
//   ip_error = <code>                   error of the IP projection (default 0)
//   send_rate, recv_rate = <bytes/s>    traffic while connected (default 2000 and 8000)
//   speed = <bits/s>                    link speed in the statistics (default 100000000)
//
// Lines that cannot be used (unknown keys, bad numbers) are skipped and reported as warnings.
#include "sim/rasapi32/scenario.h"

#include "sim/rasapi32/codes.h"

#include <algorithm>
#include <optional>

namespace sim::rasapi32 {

namespace {

constexpr uint32_t kMaxDelayMs = 3600 * 1000;

std::optional<uint32_t> ParseNumber(StringView text, uint32_t maximum)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (core::Char c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
    }
    if (value > maximum)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

bool IsDialState(uint32_t value)
{
    const auto& states = DialStates();
    return value != state::kConnected && std::find(states.begin(), states.end(), value) != states.end();
}

} // namespace

const std::vector<uint32_t>& DialStates()
{
    static const std::vector<uint32_t> states = {
        state::kOpenPort,      state::kPortOpened,  state::kConnectDevice, state::kDeviceConnected,
        state::kAllDevicesConnected, state::kAuthenticate, state::kAuthNotify, state::kAuthProject,
        state::kAuthenticated, state::kProjected,   state::kConnected};
    return states;
}

uint32_t DefaultFailState(uint32_t error)
{
    switch (error) {
    case 646: case 647: case 648: case 649: case 691: case 709: case 718: case 734: case 735: case 736:
    case 778: case 798: case 812: case 859:
        return state::kAuthNotify;
    default:
        return state::kConnectDevice;
    }
}

Scenario::Scenario()
{
    m_devices = {
        {u"WAN 微型端口 (PPTP)", u"vpn"},
        {u"WAN 微型端口 (L2TP)", u"vpn"},
        {u"WAN Miniport (PPTP)", u"vpn"},
        {u"WAN Miniport (L2TP)", u"vpn"},
    };
}

Scenario Scenario::Parse(std::string_view utf8)
{
    Scenario scenario;
    const IniDocument doc = IniDocument::Parse(utf8);
    auto warn = [&](const IniSection& section, StringView key, StringView value) {
        String line = u"[" + section.Name() + u"] ";
        line += key;
        line += u" = ";
        line += value;
        scenario.m_warnings.push_back(std::move(line));
    };

    auto readPlan = [&](const IniSection& section, ServerPlan& plan) {
        for (const auto& [rawKey, rawValue] : section.Items()) {
            const String key = core::LowerCase(rawKey);
            const String value = core::Trim(rawValue);
            bool ok = true;
            auto number = [&](uint32_t& target, uint32_t maximum) {
                if (auto parsed = ParseNumber(value, maximum))
                    target = *parsed;
                else
                    ok = false;
            };
            if (key == u"outcome") {
                const String v = core::LowerCase(value);
                if (v == u"connect")
                    plan.outcome = Outcome::Connect;
                else if (v == u"refuse")
                    plan.outcome = Outcome::Refuse;
                else if (v == u"hold")
                    plan.outcome = Outcome::Hold;
                else
                    ok = false;
            } else if (key == u"after") {
                number(plan.afterMs, kMaxDelayMs);
            } else if (key == u"error") {
                number(plan.error, 65535);
                ok = ok && plan.error != 0;
                if (plan.error == 0)
                    plan.error = code::kNoAnswer;
            } else if (key == u"fail_state" || key == u"hold_state") {
                uint32_t s = 0;
                number(s, 0xFFFF);
                if (ok && IsDialState(s)) {
                    if (key == u"fail_state")
                        plan.failState = static_cast<int>(s);
                    else
                        plan.holdState = s;
                } else {
                    ok = false;
                }
            } else if (key == u"user") {
                plan.checkCredentials = true;
                plan.userName = value;
            } else if (key == u"password") {
                plan.checkCredentials = true;
                plan.password = value;
            } else if (key == u"drop_after") {
                number(plan.dropAfterMs, kMaxDelayMs);
            } else if (key == u"drop_error") {
                number(plan.dropError, 65535);
            } else if (key == u"client_ip") {
                plan.clientIp = value;
            } else if (key == u"server_ip") {
                plan.serverIp = value;
            } else if (key == u"ip_error") {
                number(plan.ipError, 65535);
            } else if (key == u"send_rate") {
                number(plan.sendRate, 1u << 30);
            } else if (key == u"recv_rate") {
                number(plan.recvRate, 1u << 30);
            } else if (key == u"speed") {
                number(plan.speed, 0xFFFFFFFFu);
            } else {
                ok = false;
            }
            if (!ok)
                warn(section, rawKey, rawValue);
        }
    };

    // The default plan first, so that server sections start from it wherever they stand.
    for (const IniSection& section : doc.Sections())
        if (core::SameText(core::Trim(section.Name()), u"default"))
            readPlan(section, scenario.m_default);

    for (const IniSection& section : doc.Sections()) {
        const String name = core::Trim(section.Name());
        const String lower = core::LowerCase(name);
        if (lower == u"default") {
            continue;
        } else if (lower == u"library") {
            for (const auto& [rawKey, rawValue] : section.Items()) {
                const String key = core::LowerCase(rawKey);
                const String value = core::Trim(rawValue);
                const auto flag = ParseNumber(value, 1);
                if (key == u"refuse_entry_writes" && flag)
                    scenario.m_refuse_entry_writes = *flag == 1;
                else if (key == u"refuse_credential_writes" && flag)
                    scenario.m_refuse_credential_writes = *flag == 1;
                else if (key == u"hangup_ms" && ParseNumber(value, 60000))
                    scenario.m_hangup_ms = *ParseNumber(value, 60000);
                else
                    warn(section, rawKey, rawValue);
            }
        } else if (lower == u"devices") {
            scenario.m_devices.clear();
            for (const auto& [rawKey, rawValue] : section.Items())
                scenario.m_devices.push_back({rawKey, core::LowerCase(core::Trim(rawValue))});
        } else if (lower.starts_with(u"server ") || lower.starts_with(u"server\t")) {
            const String address = core::Trim(StringView(name).substr(7));
            ServerPlan plan = scenario.m_default;
            readPlan(section, plan);
            if (!address.empty())
                scenario.m_servers.emplace_back(address, std::move(plan));
        } else {
            for (const auto& [rawKey, rawValue] : section.Items())
                warn(section, rawKey, rawValue);
        }
    }
    return scenario;
}

const ServerPlan& Scenario::PlanFor(StringView server) const
{
    const String trimmed = core::Trim(server);
    // The last section of an address wins, as a later line of a hand-edited file should.
    for (auto it = m_servers.rbegin(); it != m_servers.rend(); ++it)
        if (core::SameText(it->first, trimmed))
            return it->second;
    return m_default;
}

const Device* Scenario::FindDevice(StringView name) const
{
    for (const Device& device : m_devices)
        if (core::SameText(device.name, name))
            return &device;
    return nullptr;
}

} // namespace sim::rasapi32
