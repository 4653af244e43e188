// "TestSkin" stored with a form: the stored skin holds the packed archive of the test skin.
#include "skin/engine/storedskin.h"
#include "skin/engine/testwriters/testskin.h"

namespace skin::testing {

void StoreTestSkin(TsStoredSkin& stored, const std::string& name)
{
    stored.Name = core::FromUtf8(name);
    const std::string archive = TestSkinArchive();
    stored.PackedData.Clear();
    stored.PackedData.WriteBuffer(archive.data(), int64_t(archive.size()));
    stored.PackedData.SetPosition(0);
}

TsStoredSkin& AddStoredTestSkin(TsStoredSkins& skins, const std::string& name)
{
    TsStoredSkin& stored = *skins.Add<TsStoredSkin>();
    StoreTestSkin(stored, name);
    return stored;
}

} // namespace skin::testing
