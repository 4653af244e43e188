// Shell folder support: an object that stands for one folder or file of the shell namespace, with
// its identifier list relative to its parent and from the desktop, answering questions about the
// item through the shell's folder interfaces. Start-up initialises OLE for the GUI thread (an
// apartment already initialised is fine) and then makes the desktop folder object.
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "skin/controls/itemidlist.h"

#include <shlobj.h>

namespace skin {

enum TacShellFolderCapability : unsigned {
    fcCanCopy = 1, fcCanDelete = 2, fcCanLink = 4, fcCanMove = 8, fcCanRename = 16, fcDropTarget = 32, fcHasPropSheet = 64,
};
using TacShellFolderCapabilities = unsigned;
enum TacShellFolderProperty : unsigned {
    fpCut = 1, fpIsLink = 2, fpReadOnly = 4, fpShared = 8, fpFileSystem = 16, fpFileSystemAncestor = 32,
    fpRemovable = 64, fpValidate = 128,
};
using TacShellFolderProperties = unsigned;

// A copy in a new block of the shell's allocator; null when allocation fails.
LPITEMIDLIST ItemIdListCopy(LPCITEMIDLIST list);
// list1 without its terminator followed by list2 (list1 may be null).
LPITEMIDLIST ItemIdListJoin(LPCITEMIDLIST list1, LPCITEMIDLIST list2);
void ItemIdListFree(LPITEMIDLIST list);
int ShellImageIndex(LPCITEMIDLIST list, bool large, bool open);

class TacShellFolder {
public:
    TacShellFolder(TacShellFolder* parent, IShellFolder* folder, LPCITEMIDLIST id);
    ~TacShellFolder();
    TacShellFolder(const TacShellFolder&) = delete;
    TacShellFolder& operator=(const TacShellFolder&) = delete;

    LPCITEMIDLIST RelativeID() const { return m_pidl; }
    LPCITEMIDLIST AbsoluteID() const { return m_full_pidl; }
    TacShellFolder* Parent() const { return m_parent; }
    IShellFolder* ShellFolder() const { return m_folder; }
    IShellFolder2* ShellFolder2();
    int Level() const { return m_level; }
    HWND ViewHandle() const { return m_view_handle; }
    void SetViewHandle(HWND wnd) { m_view_handle = wnd; }

    IShellFolder* ParentShellFolder() const;
    TacShellFolderCapabilities Capabilities() const;
    TacShellFolderProperties Properties() const;
    bool SubFolders() const;
    bool IsReadOnly() const;
    bool IsFolder(core::StringView name = {}, bool openZipFiles = false) const;
    bool IsFile(core::StringView name = {}, bool openZipFiles = false) const;
    bool IsFileFolder() const;
    core::String PathName() const;
    core::String DisplayName(int showExt = 0) const;
    // Raises core::Exception "Rename to <name> failed" when the shell refuses.
    bool Rename(core::StringView newName);
    int ImageIndex(bool large) const;
    bool ExecuteDefault() const;

private:
    ULONG Attributes(ULONG mask) const;

    LPITEMIDLIST m_pidl = nullptr;
    LPITEMIDLIST m_full_pidl = nullptr;
    TacShellFolder* m_parent = nullptr;
    IShellFolder* m_folder = nullptr;
    IShellFolder2* m_folder2 = nullptr;
    int m_level = 0;
    HWND m_view_handle = nullptr;
};

// Start-up and shut-down of shell folder support.
void InitShellFolders();
void DoneShellFolders();
// The desktop folder object, null before start-up or when the shell had none to give.
TacShellFolder* DesktopFolder();

} // namespace skin
