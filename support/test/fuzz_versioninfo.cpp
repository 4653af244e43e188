// Version blocks of any bytes: parsed, then every property and language read.
#include "support/fileversion.h"
#include "support/syserror.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    support::TVSFixedFileInfo fixed;
    support::FixedInfoOfBlock(data, size, fixed);
    try {
        auto info = support::TSysFileVersionInfo::Attach(data, size);
        for (int i = 0; i < info.LanguageCount(); ++i) {
            info.SetLanguageIndex(i);
            info.FileVersionMajor();
            info.FileVersionBuild();
            info.ProductVersionRelease();
            info.BinFileVersion();
            for (const auto& item : info.Items())
                (void)item;
        }
        info.TranslationMatchesLanguages(false);
    } catch (const support::ESysFileVersionInfoError&) {
    }
    return 0;
}
