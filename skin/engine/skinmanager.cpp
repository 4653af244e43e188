// The default skin manager and the engine's process-wide switches.
#include "skin/engine/skinmanager.h"

namespace skin {

namespace {

SkinManager* g_default_manager = nullptr;

} // namespace

SkinManager* DefaultManager() { return g_default_manager; }
void SetDefaultManager(SkinManager* manager) { g_default_manager = manager; }

int MaskImageWidth(const MaskData& m) { return m.ImageCount == 0 ? 0 : RectWidth(m.R) / m.ImageCount; }

int MaskStateHeight(const MaskData& m) { return m.MaskType == -1 ? 0 : RectHeight(m.R) / (m.MaskType + 1); }

EngineFlags& Engine()
{
    static EngineFlags flags;
    return flags;
}

} // namespace skin
