// The version resource of an executable file: its fixed version numbers and flags, and its named
// text items ("CompanyName", "FileVersion", ...) per language. The block is parsed by our own
// reader over its bytes (fileversion.cpp); only fetching the block is the platform's.
#pragma once

#include "core/string.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace support {

// The platform's fixed version block (VS_FIXEDFILEINFO).
struct TVSFixedFileInfo {
    uint32_t dwSignature = 0;
    uint32_t dwStrucVersion = 0;
    uint32_t dwFileVersionMS = 0;
    uint32_t dwFileVersionLS = 0;
    uint32_t dwProductVersionMS = 0;
    uint32_t dwProductVersionLS = 0;
    uint32_t dwFileFlagsMask = 0;
    uint32_t dwFileFlags = 0;
    uint32_t dwFileOS = 0;
    uint32_t dwFileType = 0;
    uint32_t dwFileSubtype = 0;
    uint32_t dwFileDateMS = 0;
    uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(TVSFixedFileInfo) == 52);
inline constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

struct TLangIdRec {
    uint16_t LangId = 0;
    uint16_t CodePage = 0;
    uint32_t Pair() const { return uint32_t(LangId) | uint32_t(CodePage) << 16; }
};

enum TFileFlag { ffDebug, ffInfoInferred, ffPatched, ffPreRelease, ffPrivateBuild, ffSpecialBuild };
using TFileFlags = unsigned;  // bit (1 << TFileFlag) per flag
inline bool HasFlag(TFileFlags flags, TFileFlag flag) { return flags & (1u << flag); }

// The twelve standard item names, 1-based as the indexed properties number them.
const core::String& VersionKeyName(int index);

class TSysFileVersionInfo {
public:
    // The version resource of a file. ESysFileVersionInfoError "File contains no version
    // information" when it has none (or it does not parse); EOSError when it cannot be read.
    explicit TSysFileVersionInfo(const core::String& fileName);
    // The program file of the process that owns a window (see the errors in fileversion.cpp).
    static TSysFileVersionInfo FromWindow(std::uintptr_t window);
    // The file of a loaded module; ESysError "The Module with handle %d is not valid" for 0.
    static TSysFileVersionInfo FromModule(std::uintptr_t module);
    // Attach: a copy of a block already in memory.
    static TSysFileVersionInfo Attach(const void* block, size_t size);

    core::String Comments() const { return ItemValue(1); }
    core::String CompanyName() const { return ItemValue(2); }
    core::String FileDescription() const { return ItemValue(3); }
    core::String FileVersion() const { return ItemValue(4); }
    core::String InternalName() const { return ItemValue(5); }
    core::String LegalCopyright() const { return ItemValue(6); }
    core::String LegalTradeMarks() const { return ItemValue(7); }
    core::String OriginalFilename() const { return ItemValue(8); }
    core::String ProductName() const { return ItemValue(9); }
    core::String ProductVersion() const { return ItemValue(10); }
    core::String SpecialBuild() const { return ItemValue(11); }
    core::String PrivateBuild() const { return ItemValue(12); }

    core::String BinFileVersion() const;
    core::String BinProductVersion() const;
    core::String FileVersionMajor() const { return VersionPart(FileVersion(), 0); }
    core::String FileVersionMinor() const { return VersionPart(FileVersion(), 1); }
    core::String FileVersionRelease() const { return VersionPart(FileVersion(), 2); }
    core::String FileVersionBuild() const { return VersionPart(FileVersion(), 3); }
    core::String ProductVersionMajor() const { return VersionPart(ProductVersion(), 0); }
    core::String ProductVersionMinor() const { return VersionPart(ProductVersion(), 1); }
    core::String ProductVersionRelease() const { return VersionPart(ProductVersion(), 2); }
    core::String ProductVersionBuild() const { return VersionPart(ProductVersion(), 3); }

    TVSFixedFileInfo FixedInfo() const { return FFixedInfo; }
    TFileFlags FileFlags() const { return FFileFlags; }
    uint32_t FileOS() const { return FFixedInfo.dwFileOS; }
    uint32_t FileType() const { return FFixedInfo.dwFileType; }
    uint32_t FileSubType() const { return FFixedInfo.dwFileSubtype; }

    // "name=value" texts of the selected language, in resource order.
    const std::vector<core::String>& Items() const { return FItems; }
    int LanguageCount() const { return int(FLanguages.size()); }
    int LanguageIndex() const { return FLanguageIndex; }
    // ESysFileVersionInfoError "Illegal language index" outside 0..LanguageCount-1.
    void SetLanguageIndex(int index);
    TLangIdRec Languages(int index) const;      // ERangeError outside the list
    int TranslationCount() const { return int(FTranslations.size()); }
    TLangIdRec Translations(int index) const;   // ERangeError outside the list
    // The language record of every item of Items().
    TLangIdRec ItemLanguage(int index) const;

    // ESysFileVersionInfoError "No value was supplied" / "The value %s was not found.".
    core::String GetCustomFieldValue(const core::String& name) const;
    bool TranslationMatchesLanguages(bool exact = true) const;

    static core::String VersionLanguageId(const TLangIdRec& language);
    static core::String VersionLanguageName(uint16_t langId);
    // "Major", "Minor", "Release", "Build" (0..3) of a version text with "." or "," between parts.
    static core::String VersionPart(const core::String& version, int part);

private:
    TSysFileVersionInfo() = default;
    void Parse();
    void BuildItems();
    core::String ItemValue(int keyIndex) const;
    const core::String* FindItem(const core::String& name) const;

    std::string FBuffer;
    TVSFixedFileInfo FFixedInfo;
    TFileFlags FFileFlags = 0;
    struct Tagged {
        core::String text;
        int language;
    };
    std::vector<Tagged> FItemList;
    std::vector<core::String> FItems;
    std::vector<TLangIdRec> FItemLanguages;
    std::vector<TLangIdRec> FLanguages;
    int FLanguageIndex = 0;
    std::vector<TLangIdRec> FTranslations;
};

// The fixed block of a file; false when the file has no version resource, cannot be read, or its
// root value is not exactly a fixed block.
bool ReadFixedVersionInfo(const core::String& fileName, TVSFixedFileInfo& fixed);
// Parses only the root of a block for its fixed part (what ReadFixedVersionInfo does after reading).
bool FixedInfoOfBlock(const void* block, size_t size, TVSFixedFileInfo& fixed);
// The file name of a loaded module (261-character buffer).
core::String ModuleFileName(std::uintptr_t module);

// ---- The OS layer (fileversion_win32.cpp / fileversion_host.cpp) ----
namespace fileversion_os {
uint32_t InfoSize(const core::String& fileName);
bool ReadInfo(const core::String& fileName, std::string& block);
core::String ModuleFile(std::uintptr_t module);
// The main module's file of the window's process; raises the family's errors.
core::String WindowProcessImage(std::uintptr_t window);
core::String LanguageName(uint16_t langId);
} // namespace fileversion_os

} // namespace support
