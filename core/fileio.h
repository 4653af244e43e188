// The operating system's file calls behind one thin layer: handles, opening with the platform's
// mode and sharing flags, reading, writing, seeking, and the few whole-file operations the system
// needs. fileio_win32.cpp uses the Win32 API; fileio_host.cpp is the POSIX stand-in (file names are
// passed to it in UTF-8, and sharing flags have no effect there).
#pragma once

#include "core/string.h"

#include <cstdint>

namespace core {

// A HANDLE on Windows, a file descriptor on the host; both fit and both use -1 for "none".
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFileHandle = -1;

// Open modes: one access mode, optionally combined with one sharing mode. fmCreate creates the file
// or truncates an existing one and opens it for reading and writing; it may carry a sharing mode
// and fmExclusive (fail when the file exists).
enum FileMode : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmExclusive = 0x0004,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// Failures return InvalidFileHandle, -1 or false; GetLastOSError() then tells why.
FileHandle FileOpen(const String& name, unsigned mode);
FileHandle FileCreate(const String& name, unsigned mode = 0);
int64_t FileRead(FileHandle handle, void* buffer, int64_t count);
int64_t FileWrite(FileHandle handle, const void* buffer, int64_t count);
// origin: 0 = from the start, 1 = from the current position, 2 = from the end. Returns the new
// position.
int64_t FileSeek(FileHandle handle, int64_t offset, int origin);
// Cuts or extends (with zeros) the file to size bytes; the position is left at size.
bool FileSetSize(FileHandle handle, int64_t size);
void FileClose(FileHandle handle);

// The calling thread's last OS error code (GetLastError / errno) and its system text, without the
// trailing line break and full stop.
unsigned GetLastOSError();
String SysErrorMessage(unsigned errorCode);

bool FileExists(const String& name);  // an existing file, not a folder
bool DirectoryExists(const String& name);
bool DeleteFile(const String& name);
bool RenameFile(const String& oldName, const String& newName);
bool CreateDir(const String& name);
bool RemoveDir(const String& name);
// The folder for temporary files, with a trailing path delimiter.
String GetTempDirectory();
// Creates a new, empty file with a unique name in the temporary folder and returns its name;
// empty when no file could be made.
String GetTempFile(StringView prefix = u"tmp");

#ifdef _WIN32
// The Windows headers turn DeleteFile into DeleteFileW; this twin lets code that sees the macro
// still reach the function above.
bool DeleteFileW(const String& name);
#endif

} // namespace core
