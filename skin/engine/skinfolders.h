// Where the skin manager finds skins: the skin directory made absolute against the program's folder,
// the archive file of a skin, the names of the skins in a directory listing, and the file name a
// stored skin is extracted to. A skin is a sub-folder holding "Options.dat", an archive "<name>.asz"
// (the name ends at its first "."), or a skin stored in the manager.
#pragma once

#include "core/string.h"
#include "core/stringlist.h"

#include <vector>

namespace skin {

enum TacSkinTypes { stUnpacked, stPacked, stAllSkins };

// The default skin directory, used when none is set.
inline constexpr core::StringView kDefaultSkinDirectory = u"c:\\Skins";

// skinDirectory made absolute, ending with "\": ".." at its start names the parent of the program's
// folder (the root itself at a drive's root), ".\" or "./" the program's folder, and a text without
// ":" and without a UNC prefix lies in the program's folder. programFolder ends with a separator.
core::String ResolveSkinDirectory(core::StringView skinDirectory, core::StringView programFolder);

// The archive of a skin: skinDirectory as written (a relative one is thus taken from the current
// folder) with a final delimiter, the name and ".asz".
core::String ArchiveFileOf(core::StringView skinDirectory, core::StringView skinName);

// One entry of a directory listing.
struct SkinDirEntry {
    core::String Name;
    bool IsFolder = false;
    bool HasOptions = false; // a folder holding "Options.dat"
};

// The skin name an entry stands for with that kind of skins, empty when none: a folder with an
// options file (stUnpacked, stAllSkins) or a file whose extension is exactly ".asz" (stPacked,
// stAllSkins), cut at its first "."; names beginning with "." never count.
core::String SkinNameOfEntry(const SkinDirEntry& entry, TacSkinTypes type);

// Fills names with the stored skins' names and the entries' skin names, sorted; answers the first
// name found (stored ones first), or empty.
core::String CollectSkinNames(const std::vector<core::String>& storedNames, const std::vector<SkinDirEntry>& entries,
                              TacSkinTypes type, core::StringList& names);

// The file a stored skin is extracted to: folder (with its final delimiter) + name + " extracted.asz".
core::String ExtractedSkinFile(core::StringView folder, core::StringView skinName);
// False for a name whose file would not land in the folder: one holding "\", "/", ":" or "..".
bool IsPlainSkinName(core::StringView skinName);

} // namespace skin
