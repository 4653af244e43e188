// The connection engine of the simulated remote-access library: dials walk through the states of a
// real dial on a schedule taken from the scenario, connected links count traffic, and commands
// complete, fail or drop connections on demand. Time is passed in by the caller (milliseconds of a
// steady clock), so that the engine runs the same under a test's clock and the library's thread.
#pragma once

#include "sim/rasapi32/scenario.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace sim::rasapi32 {

enum class Phase { Dialling, Held, Connected, Failed, Dropped, HungUp };

struct DialRequest {
    String entryName;
    String phonebook;
    bool allUsers = false;        // the phonebook is the all-users one
    String entryGuid;
    String server;                // the number dialled
    String deviceType;
    String deviceName;
    String userName;
    String password;
    uint32_t subEntry = 1;
    // The caller's notifier, opaque here: kind, address and the callback identifier.
    uint32_t notifierKind = 0;
    uint64_t notifier = 0;
    uint64_t callbackId = 0;
};

// One state change. toNotifier: it goes to the dial's notifier (dial progress, not drops or
// hang-ups, which only the status and the connection notifications show).
struct Event {
    uint64_t handle = 0;
    uint32_t state = 0;
    uint32_t error = 0;
    bool toNotifier = true;
    String entryName;
    String server;
    uint32_t subEntry = 1;
    uint32_t notifierKind = 0;
    uint64_t notifier = 0;
    uint64_t callbackId = 0;
};

struct Connection {
    uint64_t id = 0;
    uint64_t handle = 0;
    DialRequest request;
    ServerPlan plan;
    Phase phase = Phase::Dialling;
    uint32_t state = 0;
    uint32_t error = 0;
    bool notificationsStopped = false;
    int64_t connectedAt = 0;
    int64_t statsBaseline = 0;
    int64_t dropAt = -1;          // -1: no drop scheduled
    uint32_t dropError = 619;
    int64_t endedAt = 0;          // dropped or hung up
    String clientIp;

    struct Step {
        int64_t at;
        uint32_t state;
        uint32_t error;
    };
    std::vector<Step> steps;      // still to come, in time order
    size_t next = 0;
};

struct Statistics {
    uint32_t bytesSent = 0;
    uint32_t bytesReceived = 0;
    uint32_t framesSent = 0;
    uint32_t framesReceived = 0;
    uint32_t bps = 0;
    uint32_t durationMs = 0;
};

struct IpProjection {
    String clientIp;
    String serverIp;
    uint32_t error = 0;
};

struct Command {
    enum class Verb { Complete, Fail, Drop };
    Verb verb = Verb::Complete;
    String target;                // server address, entry name, handle in hex ("0x..."), or "*"
    uint32_t error = 0;           // 0: the verb's default
};

// One line of the command file: "complete <target>", "fail <target> [error]" or
// "drop <target> [error]"; blank lines and lines starting with "#" give nothing.
std::optional<Command> ParseCommand(StringView line);

class Engine {
public:
    static constexpr uint64_t kHandleBase = 0x00005A0000000000ull;
    static constexpr uint64_t kHandleStride = 16;  // the low bits name a sub-entry

    explicit Engine(Scenario scenario = {}) : m_scenario(std::move(scenario)) {}

    const Scenario& GetScenario() const { return m_scenario; }
    void SetScenario(Scenario scenario) { m_scenario = std::move(scenario); }

    // Starts a dial; the handle is valid at once. 756 when the entry is being dialled, 602 when it
    // is connected already, 608 for a device the scenario does not know.
    uint32_t Dial(int64_t now, const DialRequest& request, uint64_t& handle);
    // Ends a connection at once: disconnected, and gone after the scenario's hang-up time.
    uint32_t HangUp(int64_t now, uint64_t handle);
    uint32_t Apply(int64_t now, const Command& command, int* affected = nullptr);

    // Applies every step that is due and queues its events.
    void Advance(int64_t now);
    std::vector<Event> TakeEvents();
    std::optional<int64_t> NextDue() const;
    // Dialling, held or connected connections exist.
    bool HasLive() const;

    // A connection by handle (a sub-entry handle names its connection); nullptr when unknown or gone.
    const Connection* Find(uint64_t handle) const;
    // Dialling, held and connected connections in creation order.
    std::vector<const Connection*> Live() const;
    void StopNotifications(uint64_t handle);

    uint32_t SubEntryHandle(uint64_t handle, uint32_t subEntry, uint64_t& out) const;
    uint32_t GetStatistics(int64_t now, uint64_t handle, Statistics& out) const;
    uint32_t ClearStatistics(int64_t now, uint64_t handle);
    uint32_t GetIpProjection(uint64_t handle, IpProjection& out) const;

private:
    Connection* FindMutable(uint64_t handle);
    void Emit(const Connection& c, bool toNotifier);
    void ScheduleRest(Connection& c, int64_t now, uint32_t stepMs);
    bool Matches(const Connection& c, StringView target) const;

    Scenario m_scenario;
    std::vector<Connection> m_connections;  // creation order
    std::vector<Event> m_events;
    uint64_t m_next_id = 1;
};

} // namespace sim::rasapi32
