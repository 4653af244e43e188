// The host build has no Windows processes, services or IP helper: every query finds nothing and
// every action fails, as the platform's would for a missing object.
#include "client/tools.h"

namespace client {

namespace {

class NoActions final : public SystemActions {
public:
    std::vector<ProcessInfo> Processes() override { return {}; }
    core::String ProcessCommandLine(uint32_t) override { return {}; }
    bool TerminateProcess(uint32_t) override { return false; }
    bool StartService(const core::String&) override { return false; }
};

} // namespace

SystemActions& SystemActionsOfPlatform()
{
    static NoActions actions;
    return actions;
}

void EnableDebugPrivilege() {}
bool LoadIpHlpApi() { return false; }
void UnloadIpHlpApi() {}
int IpHlpApiBoundCount() { return 0; }
core::String GetProcessCommandLine(uint32_t) { return {}; }

TServiceManager::~TServiceManager() = default;
void TServiceManager::CloseService() { m_service = 0; }
bool TServiceManager::Connect(const core::String&, const core::String&, unsigned) { return false; }
bool TServiceManager::OpenServiceConnection(const core::String&) { return false; }
bool TServiceManager::StartService() { return false; }

} // namespace client
