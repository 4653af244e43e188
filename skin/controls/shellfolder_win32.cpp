// Shell folder support.
#include "skin/controls/shellfolder.h"

#include "core/exception.h"
#include "core/fileio.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace skin {

namespace {

TacShellFolder* g_desktop = nullptr;
bool g_ole_initialised = false;

core::String StrRetToText(STRRET& ret, LPCITEMIDLIST pidl)
{
    wchar_t* text = nullptr;
    if (FAILED(StrRetToStrW(&ret, pidl, &text)) || !text)
        return {};
    core::String result(reinterpret_cast<const char16_t*>(text));
    CoTaskMemFree(text);
    return result;
}

core::String ExtensionOf(const core::String& name)
{
    size_t dot = name.rfind(u'.');
    size_t slash = name.find_last_of(u"\\/");
    if (dot == core::String::npos || (slash != core::String::npos && dot < slash))
        return {};
    return name.substr(dot);
}

} // namespace

LPITEMIDLIST ItemIdListCopy(LPCITEMIDLIST list)
{
    size_t size = ItemIdListSize(reinterpret_cast<const uint8_t*>(list));
    if (size == 0)
        return nullptr;
    auto* copy = static_cast<uint8_t*>(CoTaskMemAlloc(size));
    if (!copy)
        return nullptr;
    ZeroMemory(copy, size);
    CopyMemory(copy, list, size - 2);
    return reinterpret_cast<LPITEMIDLIST>(copy);
}

LPITEMIDLIST ItemIdListJoin(LPCITEMIDLIST list1, LPCITEMIDLIST list2)
{
    size_t size1 = list1 ? ItemIdListSize(reinterpret_cast<const uint8_t*>(list1)) - 2 : 0;
    size_t size2 = list2 ? ItemIdListSize(reinterpret_cast<const uint8_t*>(list2)) : 2;
    auto* joined = static_cast<uint8_t*>(CoTaskMemAlloc(size1 + size2));
    if (!joined)
        return nullptr;
    ZeroMemory(joined, size1 + size2);
    if (size1)
        CopyMemory(joined, list1, size1);
    if (list2)
        CopyMemory(joined + size1, list2, size2 - 2);
    return reinterpret_cast<LPITEMIDLIST>(joined);
}

void ItemIdListFree(LPITEMIDLIST list) { CoTaskMemFree(list); }

int ShellImageIndex(LPCITEMIDLIST list, bool large, bool open)
{
    SHFILEINFOW info{};
    UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | (large ? 0 : SHGFI_SMALLICON) | (open ? SHGFI_OPENICON : 0);
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info), flags);
    return info.iIcon;
}

TacShellFolder::TacShellFolder(TacShellFolder* parent, IShellFolder* folder, LPCITEMIDLIST id)
    : m_parent(parent), m_folder(folder)
{
    if (m_folder)
        m_folder->AddRef();
    m_pidl = ItemIdListCopy(id);
    if (parent) {
        m_full_pidl = ItemIdListJoin(parent->m_full_pidl, id);
    } else {
        LPITEMIDLIST desktop = nullptr;
        SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop);
        m_full_pidl = ItemIdListJoin(desktop, id);
        CoTaskMemFree(desktop);
        m_parent = g_desktop;
    }
    for (TacShellFolder* p = parent; p && p->m_parent; p = p->m_parent)
        ++m_level;
}

TacShellFolder::~TacShellFolder()
{
    ItemIdListFree(m_pidl);
    ItemIdListFree(m_full_pidl);
    if (m_folder2)
        m_folder2->Release();
    if (m_folder)
        m_folder->Release();
}

IShellFolder* TacShellFolder::ParentShellFolder() const
{
    if (m_parent && m_parent->m_folder)
        return m_parent->m_folder;
    return g_desktop ? g_desktop->m_folder : nullptr;
}

IShellFolder2* TacShellFolder::ShellFolder2()
{
    if (!m_folder2 && m_folder)
        m_folder->QueryInterface(IID_IShellFolder2, reinterpret_cast<void**>(&m_folder2));
    return m_folder2;
}

ULONG TacShellFolder::Attributes(ULONG mask) const
{
    IShellFolder* parent = ParentShellFolder();
    if (!parent || !m_pidl)
        return 0;
    ULONG attributes = mask;
    LPCITEMIDLIST item = m_pidl;
    if (FAILED(parent->GetAttributesOf(1, &item, &attributes)))
        return 0;
    return attributes;
}

TacShellFolderCapabilities TacShellFolder::Capabilities() const
{
    ULONG a = Attributes(SFGAO_CAPABILITYMASK);
    TacShellFolderCapabilities result = 0;
    if (a & SFGAO_CANCOPY) result |= fcCanCopy;
    if (a & SFGAO_CANDELETE) result |= fcCanDelete;
    if (a & SFGAO_CANLINK) result |= fcCanLink;
    if (a & SFGAO_CANMOVE) result |= fcCanMove;
    if (a & SFGAO_CANRENAME) result |= fcCanRename;
    if (a & SFGAO_DROPTARGET) result |= fcDropTarget;
    if (a & SFGAO_HASPROPSHEET) result |= fcHasPropSheet;
    return result;
}

TacShellFolderProperties TacShellFolder::Properties() const
{
    if (!ParentShellFolder())
        return 0;
    TacShellFolderProperties result = 0;
    ULONG a = Attributes(SFGAO_DISPLAYATTRMASK);
    if (a & SFGAO_GHOSTED) result |= fpCut;
    if (a & SFGAO_LINK) result |= fpIsLink;
    if (a & SFGAO_READONLY) result |= fpReadOnly;
    if (a & SFGAO_SHARE) result |= fpShared;
    a = Attributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_REMOVABLE | SFGAO_VALIDATE);
    if (a & SFGAO_FILESYSTEM) result |= fpFileSystem;
    if (a & SFGAO_FILESYSANCESTOR) result |= fpFileSystemAncestor;
    if (a & SFGAO_REMOVABLE) result |= fpRemovable;
    if (a & SFGAO_VALIDATE) result |= fpValidate;
    return result;
}

bool TacShellFolder::SubFolders() const { return Attributes(SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER; }
bool TacShellFolder::IsReadOnly() const { return Attributes(SFGAO_READONLY) & SFGAO_READONLY; }

bool TacShellFolder::IsFolder(core::StringView name, bool openZipFiles) const
{
    if (!openZipFiles && !name.empty() && HasZipExtension(name))
        return false;
    return Attributes(SFGAO_FOLDER) & SFGAO_FOLDER;
}

bool TacShellFolder::IsFile(core::StringView name, bool openZipFiles) const
{
    if (!openZipFiles && HasZipExtension(name))
        return true;
    ULONG a = Attributes(SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_LINK);
    return (a & SFGAO_FILESYSTEM) && !(a & SFGAO_FOLDER) && !(a & SFGAO_LINK);
}

bool TacShellFolder::IsFileFolder() const
{
    ULONG a = Attributes(SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_LINK);
    return (a & SFGAO_FILESYSTEM) && (a & SFGAO_FOLDER) && !(a & SFGAO_LINK);
}

core::String TacShellFolder::PathName() const
{
    if (!g_desktop || !g_desktop->m_folder || !m_full_pidl)
        return {};
    STRRET ret{};
    if (FAILED(g_desktop->m_folder->GetDisplayNameOf(m_full_pidl, SHGDN_FORPARSING, &ret)))
        return {};
    return StrRetToText(ret, m_full_pidl);
}

core::String TacShellFolder::DisplayName(int showExt) const
{
    IShellFolder* folder = ParentShellFolder();
    if (!folder)
        return u"parentfolder = nil";
    STRRET ret{};
    core::String name;
    if (SUCCEEDED(folder->GetDisplayNameOf(m_pidl, SHGDN_INFOLDER, &ret)))
        name = StripQuestionMarks(StrRetToText(ret, m_pidl));
    if (showExt == 1 || showExt == 2) {
        STRRET parsing{};
        if (SUCCEEDED(folder->GetDisplayNameOf(m_pidl, SHGDN_FORPARSING, &parsing))) {
            core::String path = StrRetToText(parsing, m_pidl);
            DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.c_str()));
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                core::String ext = ExtensionOf(path), own = ExtensionOf(name);
                if (showExt == 1 && own != ext)
                    name += ext;
                else if (showExt == 2 && !own.empty())
                    name.resize(name.size() - own.size());
            }
        }
    }
    if (name.rfind(u"::{", 0) == 0 && SUCCEEDED(folder->GetDisplayNameOf(m_pidl, SHGDN_NORMAL, &ret)))
        name = StrRetToText(ret, m_pidl);
    return name;
}

bool TacShellFolder::Rename(core::StringView newName)
{
    if (!(Capabilities() & fcCanRename))
        return false;
    IShellFolder* folder = ParentShellFolder();
    std::wstring wide(newName.begin(), newName.end());
    LPITEMIDLIST renamed = nullptr;
    if (!folder || FAILED(folder->SetNameOf(nullptr, m_pidl, wide.c_str(), SHGDN_NORMAL, &renamed)) || !renamed)
        throw core::Exception(u"Rename to " + core::String(newName) + u" failed");
    ItemIdListFree(m_pidl);
    ItemIdListFree(m_full_pidl);
    m_pidl = ItemIdListCopy(renamed);
    m_full_pidl = m_parent ? ItemIdListJoin(m_parent->m_full_pidl, renamed) : ItemIdListCopy(renamed);
    CoTaskMemFree(renamed);
    return true;
}

int TacShellFolder::ImageIndex(bool large) const { return ShellImageIndex(m_full_pidl, large, false); }

bool TacShellFolder::ExecuteDefault() const
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.lpIDList = m_full_pidl;
    info.nShow = SW_SHOW;
    return ShellExecuteExW(&info) != FALSE;
}

void InitShellFolders()
{
    if (g_desktop)
        return;
    // OLE first: the desktop folder object needs an apartment. One that is already initialised
    // (S_FALSE) or set up for another model is used as it is.
    HRESULT hr = OleInitialize(nullptr);
    g_ole_initialised = SUCCEEDED(hr);
    IShellFolder* desktop = nullptr;
    LPITEMIDLIST pidl = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &pidl))) {
        // The desktop is its own parent folder: its object has no parent.
        g_desktop = new TacShellFolder(nullptr, desktop, pidl);
    }
    CoTaskMemFree(pidl);
    if (desktop)
        desktop->Release();
}

void DoneShellFolders()
{
    delete g_desktop;
    g_desktop = nullptr;
    if (g_ole_initialised)
        OleUninitialize();
    g_ole_initialised = false;
}

TacShellFolder* DesktopFolder() { return g_desktop; }

} // namespace skin
