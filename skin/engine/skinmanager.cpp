// The default skin manager and the engine's process-wide switches.
#include "skin/engine/skinmanager.h"

namespace skin {

namespace {

SkinManager* g_default_manager = nullptr;

} // namespace

SkinManager* DefaultManager() { return g_default_manager; }
void SetDefaultManager(SkinManager* manager) { g_default_manager = manager; }

EngineFlags& Engine()
{
    static EngineFlags flags;
    return flags;
}

} // namespace skin
