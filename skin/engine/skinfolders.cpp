// Skin folders and skin names.
#include "skin/engine/skinfolders.h"

#include "skin/engine/utils.h"

#include <algorithm>

namespace skin {

namespace {

bool IsDelimiter(core::Char c) { return c == u'\\' || c == u'/'; }

// The parent of a folder that ends with a separator, with its own separator; a drive's root (or any
// folder without a parent) is its own parent, so that ".." never climbs out of the drive.
core::String ParentFolder(core::StringView folder)
{
    core::String f(folder);
    while (!f.empty() && IsDelimiter(f.back()))
        f.pop_back();
    size_t last = f.find_last_of(u"\\/");
    if (last == core::String::npos)
        return NormalizeDirPath(f);
    return f.substr(0, last + 1);
}

} // namespace

core::String ResolveSkinDirectory(core::StringView skinDirectory, core::StringView programFolder)
{
    core::String d(skinDirectory);
    if (d.starts_with(u".."))
        d = ParentFolder(programFolder) + d.substr(std::min<size_t>(3, d.size()));
    else if (d.starts_with(u".\\") || d.starts_with(u"./"))
        d = core::String(programFolder) + d.substr(2);
    else if (d.find(u':') == core::String::npos && d.find(u"\\\\") == core::String::npos)
        d = core::String(programFolder) + d;
    return NormalizeDirPath(d);
}

core::String ArchiveFileOf(core::StringView skinDirectory, core::StringView skinName)
{
    return NormalizeDirPath(skinDirectory) + core::String(skinName) + u".asz";
}

core::String SkinNameOfEntry(const SkinDirEntry& entry, TacSkinTypes type)
{
    if (entry.Name.empty() || entry.Name[0] == u'.')
        return {};
    if (entry.IsFolder)
        return type != stPacked && entry.HasOptions ? entry.Name : core::String();
    if (type == stUnpacked)
        return {};
    size_t dot = entry.Name.find_last_of(u'.');
    if (dot == core::String::npos || entry.Name.substr(dot) != u".asz")
        return {};
    return entry.Name.substr(0, entry.Name.find(u'.'));
}

core::String CollectSkinNames(const std::vector<core::String>& storedNames, const std::vector<SkinDirEntry>& entries,
                              TacSkinTypes type, core::StringList& names)
{
    core::String first;
    core::StringList found;
    auto add = [&](const core::String& name) {
        if (first.empty())
            first = name;
        found.Add(name);
    };
    for (const core::String& name : storedNames)
        add(name);
    for (const SkinDirEntry& entry : entries) {
        core::String name = SkinNameOfEntry(entry, type);
        if (!name.empty())
            add(name);
    }
    found.Sort();
    names.Clear();
    for (int i = 0; i < found.Count(); ++i)
        names.Add(found[i]);
    return first;
}

core::String ExtractedSkinFile(core::StringView folder, core::StringView skinName)
{
    return NormalizeDirPath(folder) + core::String(skinName) + u" extracted.asz";
}

bool IsPlainSkinName(core::StringView skinName)
{
    return skinName.find_first_of(u"\\/:") == core::StringView::npos && skinName.find(u"..") == core::StringView::npos;
}

} // namespace skin
