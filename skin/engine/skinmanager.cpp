// The default skin manager and the engine's process-wide switches.
#include "skin/engine/skinmanager.h"

#include "core/stringlist.h"
#include "skin/engine/skintables.h"

namespace skin {

namespace {

SkinManager* g_default_manager = nullptr;

} // namespace

SkinManager* DefaultManager() { return g_default_manager; }
void SetDefaultManager(SkinManager* manager) { g_default_manager = manager; }

bool SkinManager::DefaultManagerIs(const SkinManager* manager) { return manager && g_default_manager == manager; }

const TConstantSkinData& SkinManager::GetConstData() const
{
    static const TConstantSkinData none;
    return none;
}

const TsSkinData& SkinManager::GetSkinData() const
{
    static const TsSkinData none;
    return none;
}

int SkinManager::SkinTypeOfClass(core::StringView className) const
{
    for (int type = 0;; ++type) {
        const core::StringList* list = ThirdList(type);
        if (!list)
            return -1;
        for (int i = 0; i < list->Count(); ++i)
            if ((*list)[i] == className)
                return type;
    }
}

int MaskImageWidth(const MaskData& m) { return m.ImageCount == 0 ? 0 : RectWidth(m.R) / m.ImageCount; }

int MaskStateHeight(const MaskData& m) { return m.MaskType == -1 ? 0 : RectHeight(m.R) / (m.MaskType + 1); }

EngineFlags& Engine()
{
    static EngineFlags flags;
    return flags;
}

} // namespace skin
