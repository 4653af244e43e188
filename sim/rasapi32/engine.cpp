// Connection engine of the simulated remote-access library.
#include "sim/rasapi32/engine.h"

#include "sim/rasapi32/codes.h"

#include <algorithm>

namespace sim::rasapi32 {

namespace {

constexpr uint32_t kCompleteStepMs = 10;  // spacing of the states after a "complete" command
constexpr uint32_t kFrameBytes = 1400;

bool IsLive(Phase phase)
{
    return phase == Phase::Dialling || phase == Phase::Held || phase == Phase::Connected;
}

size_t IndexOfState(uint32_t s)
{
    const auto& states = DialStates();
    const auto it = std::find(states.begin(), states.end(), s);
    return it == states.end() ? 0 : static_cast<size_t>(it - states.begin());
}

std::vector<StringView> Words(StringView line)
{
    std::vector<StringView> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] <= u' ')
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] > u' ')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

String HandleText(uint64_t handle)
{
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    String digits;
    do {
        digits.insert(digits.begin(), kHex[handle & 0xF]);
        handle >>= 4;
    } while (handle);
    return u"0x" + digits;
}

} // namespace

std::optional<Command> ParseCommand(StringView line)
{
    const auto words = Words(line);
    if (words.empty() || words[0].starts_with(u"#") || words.size() < 2 || words.size() > 3)
        return std::nullopt;
    Command command;
    const String verb = core::LowerCase(words[0]);
    if (verb == u"complete" && words.size() == 2)
        command.verb = Command::Verb::Complete;
    else if (verb == u"fail")
        command.verb = Command::Verb::Fail;
    else if (verb == u"drop")
        command.verb = Command::Verb::Drop;
    else
        return std::nullopt;
    command.target = String(words[1]);
    if (words.size() == 3) {
        uint32_t value = 0;
        if (words[2].size() > 5)
            return std::nullopt;
        for (core::Char c : words[2]) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + static_cast<uint32_t>(c - u'0');
        }
        if (value == 0 || value > 65535)
            return std::nullopt;
        command.error = value;
    }
    return command;
}

uint32_t Engine::Dial(int64_t now, const DialRequest& request, uint64_t& handle)
{
    handle = 0;
    for (const Connection& c : m_connections) {
        if (!IsLive(c.phase) || !core::SameText(c.request.entryName, request.entryName) ||
            !core::SameText(c.request.phonebook, request.phonebook))
            continue;
        return c.phase == Phase::Connected ? code::kPortAlreadyOpen : code::kDialAlreadyInProgress;
    }
    if (!request.deviceName.empty() && !m_scenario.FindDevice(request.deviceName))
        return code::kDeviceDoesNotExist;

    Connection c;
    c.id = m_next_id++;
    c.handle = kHandleBase + c.id * kHandleStride;
    c.request = request;
    c.plan = m_scenario.PlanFor(request.server);
    c.clientIp = c.plan.clientIp.empty()
                     ? u"10.64." + core::UIntToStr((c.id / 200) % 200) + u"." + core::UIntToStr(c.id % 200 + 2)
                     : c.plan.clientIp;

    Outcome outcome = c.plan.outcome;
    uint32_t error = c.plan.error;
    uint32_t failState = c.plan.failState >= 0 ? static_cast<uint32_t>(c.plan.failState) : DefaultFailState(error);
    if (c.plan.checkCredentials &&
        (request.userName != c.plan.userName || request.password != c.plan.password)) {
        outcome = Outcome::Refuse;
        error = code::kAuthenticationFailure;
        failState = DefaultFailState(error);
    }

    const auto& states = DialStates();
    size_t last = states.size() - 1;  // index of the final step
    if (outcome == Outcome::Refuse)
        last = IndexOfState(failState);
    else if (outcome == Outcome::Hold)
        last = IndexOfState(c.plan.holdState);
    for (size_t i = 0; i <= last; ++i) {
        const int64_t at = last == 0 ? now + c.plan.afterMs
                                     : now + static_cast<int64_t>(c.plan.afterMs) * static_cast<int64_t>(i) /
                                                 static_cast<int64_t>(last);
        const bool failing = outcome == Outcome::Refuse && i == last;
        c.steps.push_back({at, states[i], failing ? error : 0});
    }
    if (outcome == Outcome::Hold)
        c.steps.push_back({-1, c.plan.holdState, 0});  // marks the hold: no step is due after it
    handle = c.handle;
    m_connections.push_back(std::move(c));
    return code::kSuccess;
}

uint32_t Engine::HangUp(int64_t now, uint64_t handle)
{
    Connection* c = FindMutable(handle);
    if (!c)
        return code::kInvalidHandle;
    if (c->phase == Phase::HungUp)
        return code::kSuccess;
    c->phase = Phase::HungUp;
    c->state = state::kDisconnected;
    c->error = 0;
    c->steps.clear();
    c->next = 0;
    c->endedAt = now;
    Emit(*c, false);
    return code::kSuccess;
}

uint32_t Engine::Apply(int64_t now, const Command& command, int* affected)
{
    int count = 0;
    for (Connection& c : m_connections) {
        if (!IsLive(c.phase) || !Matches(c, command.target))
            continue;
        const bool inProgress = c.phase != Phase::Connected;
        switch (command.verb) {
        case Command::Verb::Complete:
            if (!inProgress)
                continue;
            ScheduleRest(c, now, kCompleteStepMs);
            break;
        case Command::Verb::Fail:
        case Command::Verb::Drop:
            if (inProgress) {
                const uint32_t error = command.error ? command.error
                                       : command.verb == Command::Verb::Fail ? code::kNoAnswer
                                                                             : code::kPortDisconnected;
                c.steps.clear();
                c.next = 0;
                c.phase = Phase::Dialling;
                c.steps.push_back({now, c.state, error});
            } else {
                c.dropAt = now;
                c.dropError = command.error ? command.error : code::kPortDisconnected;
            }
            break;
        }
        ++count;
    }
    if (affected)
        *affected = count;
    Advance(now);
    return count ? code::kSuccess : code::kNoConnection;
}

void Engine::ScheduleRest(Connection& c, int64_t now, uint32_t stepMs)
{
    const auto& states = DialStates();
    c.steps.clear();
    c.next = 0;
    c.phase = Phase::Dialling;
    int64_t at = now;
    for (size_t i = IndexOfState(c.state) + 1; i < states.size(); ++i) {
        c.steps.push_back({at, states[i], 0});
        at += stepMs;
    }
}

void Engine::Advance(int64_t now)
{
    struct Due {
        int64_t at;
        size_t index;
    };
    // Steps of all connections are applied in time order, so that events of concurrent dials
    // interleave as they would on a real system.
    for (;;) {
        Due best{0, m_connections.size()};
        for (size_t i = 0; i < m_connections.size(); ++i) {
            const Connection& c = m_connections[i];
            int64_t at = -1;
            if (c.phase == Phase::Dialling && c.next < c.steps.size() && c.steps[c.next].at >= 0)
                at = c.steps[c.next].at;
            else if (c.phase == Phase::Connected && c.dropAt >= 0)
                at = c.dropAt;
            if (at >= 0 && at <= now && (best.index == m_connections.size() || at < best.at))
                best = {at, i};
        }
        if (best.index == m_connections.size())
            break;
        Connection& c = m_connections[best.index];
        if (c.phase == Phase::Connected) {
            c.phase = Phase::Dropped;
            c.state = state::kDisconnected;
            c.error = c.dropError;
            c.endedAt = c.dropAt;
            c.dropAt = -1;
            Emit(c, false);
            continue;
        }
        const Connection::Step step = c.steps[c.next++];
        c.state = step.state;
        c.error = step.error;
        if (step.error) {
            c.phase = Phase::Failed;
            c.endedAt = step.at;
        } else if (step.state == state::kConnected) {
            c.phase = Phase::Connected;
            c.connectedAt = step.at;
            c.statsBaseline = step.at;
            if (c.plan.dropAfterMs) {
                c.dropAt = step.at + c.plan.dropAfterMs;
                c.dropError = c.plan.dropError;
            }
        } else if (c.next < c.steps.size() && c.steps[c.next].at < 0) {
            c.phase = Phase::Held;
        }
        Emit(c, true);
    }

    // Hung-up connections disappear once the hang-up time has passed.
    const int64_t linger = m_scenario.HangUpMs();
    std::erase_if(m_connections,
                  [&](const Connection& c) { return c.phase == Phase::HungUp && now - c.endedAt >= linger; });
}

void Engine::Emit(const Connection& c, bool toNotifier)
{
    Event e;
    e.handle = c.handle;
    e.state = c.state;
    e.error = c.error;
    e.toNotifier = toNotifier && !c.notificationsStopped;
    e.entryName = c.request.entryName;
    e.server = c.request.server;
    e.subEntry = c.request.subEntry;
    e.notifierKind = c.request.notifierKind;
    e.notifier = c.request.notifier;
    e.callbackId = c.request.callbackId;
    m_events.push_back(std::move(e));
}

std::vector<Event> Engine::TakeEvents()
{
    std::vector<Event> out;
    out.swap(m_events);
    return out;
}

std::optional<int64_t> Engine::NextDue() const
{
    std::optional<int64_t> due;
    auto consider = [&](int64_t at) {
        if (!due || at < *due)
            due = at;
    };
    const int64_t linger = m_scenario.HangUpMs();
    for (const Connection& c : m_connections) {
        if (c.phase == Phase::Dialling && c.next < c.steps.size() && c.steps[c.next].at >= 0)
            consider(c.steps[c.next].at);
        else if (c.phase == Phase::Connected && c.dropAt >= 0)
            consider(c.dropAt);
        else if (c.phase == Phase::HungUp)
            consider(c.endedAt + linger);
    }
    return due;
}

bool Engine::HasLive() const
{
    return std::any_of(m_connections.begin(), m_connections.end(), [](const Connection& c) { return IsLive(c.phase); });
}

const Connection* Engine::Find(uint64_t handle) const
{
    return const_cast<Engine*>(this)->FindMutable(handle);
}

Connection* Engine::FindMutable(uint64_t handle)
{
    if (handle < kHandleBase)
        return nullptr;
    const uint64_t base = handle - (handle - kHandleBase) % kHandleStride;
    for (Connection& c : m_connections)
        if (c.handle == base)
            return &c;
    return nullptr;
}

std::vector<const Connection*> Engine::Live() const
{
    std::vector<const Connection*> out;
    for (const Connection& c : m_connections)
        if (IsLive(c.phase))
            out.push_back(&c);
    return out;
}

void Engine::StopNotifications(uint64_t handle)
{
    if (Connection* c = FindMutable(handle))
        c->notificationsStopped = true;
}

uint32_t Engine::SubEntryHandle(uint64_t handle, uint32_t subEntry, uint64_t& out) const
{
    out = 0;
    const Connection* c = Find(handle);
    if (!c || c->phase == Phase::HungUp)
        return code::kInvalidHandle;
    // Every dialled link is a single link: sub-entry 1 is the only one that is connected.
    if (subEntry != 1)
        return code::kNoConnection;
    out = c->handle + subEntry;
    return code::kSuccess;
}

uint32_t Engine::GetStatistics(int64_t now, uint64_t handle, Statistics& out) const
{
    out = {};
    const Connection* c = Find(handle);
    if (!c || c->phase == Phase::HungUp)
        return code::kInvalidHandle;
    if (c->phase != Phase::Connected && c->phase != Phase::Dropped)
        return code::kSuccess;
    const int64_t end = c->phase == Phase::Dropped ? c->endedAt : now;
    const int64_t counted = std::max<int64_t>(0, end - std::max(c->statsBaseline, c->connectedAt));
    // Real counters are 32-bit and wrap; so do these.
    const uint64_t sent = static_cast<uint64_t>(c->plan.sendRate) * static_cast<uint64_t>(counted) / 1000;
    const uint64_t received = static_cast<uint64_t>(c->plan.recvRate) * static_cast<uint64_t>(counted) / 1000;
    out.bytesSent = static_cast<uint32_t>(sent);
    out.bytesReceived = static_cast<uint32_t>(received);
    out.framesSent = static_cast<uint32_t>((sent + kFrameBytes - 1) / kFrameBytes);
    out.framesReceived = static_cast<uint32_t>((received + kFrameBytes - 1) / kFrameBytes);
    out.bps = c->plan.speed;
    out.durationMs = static_cast<uint32_t>(std::max<int64_t>(0, end - c->connectedAt));
    return code::kSuccess;
}

uint32_t Engine::ClearStatistics(int64_t now, uint64_t handle)
{
    Connection* c = FindMutable(handle);
    if (!c || c->phase == Phase::HungUp)
        return code::kInvalidHandle;
    if (c->phase == Phase::Connected)
        c->statsBaseline = now;
    else if (c->phase == Phase::Dropped)
        c->statsBaseline = c->endedAt;
    return code::kSuccess;
}

uint32_t Engine::GetIpProjection(uint64_t handle, IpProjection& out) const
{
    out = {};
    const Connection* c = Find(handle);
    if (!c || c->phase == Phase::HungUp)
        return code::kInvalidHandle;
    const bool projected = c->phase == Phase::Connected ||
                           (c->phase == Phase::Dialling && c->state == state::kProjected);
    if (!projected)
        return code::kProjectionNotComplete;
    out.error = c->plan.ipError;
    if (!out.error) {
        out.clientIp = c->clientIp;
        out.serverIp = c->plan.serverIp;
    }
    return code::kSuccess;
}

bool Engine::Matches(const Connection& c, StringView target) const
{
    if (target == u"*")
        return true;
    if (core::SameText(target, c.request.server) || core::SameText(target, c.request.entryName))
        return true;
    return core::SameText(target, HandleText(c.handle));
}

} // namespace sim::rasapi32
