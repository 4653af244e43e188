// The file layer of the Windows build, over CreateFileW and friends.
#include "core/fileio.h"
#include "core/win32.h"

#include <algorithm>

// The header declares our own DeleteFile; the system's macro of that name must not rename it here.
#undef DeleteFile

namespace core {

namespace {

const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
HANDLE H(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Sharing modes indexed by (mode & 0xF0) >> 4: compat and exclusive share nothing.
const DWORD ShareModes[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};

DWORD ShareOf(unsigned mode)
{
    const unsigned index = (mode & 0xF0) >> 4;
    return index < 5 ? ShareModes[index] : 0;
}

// One call moves at most this much: ReadFile and WriteFile take 32-bit counts.
constexpr int64_t MaxChunk = int64_t(1) << 30;

} // namespace

FileHandle FileOpen(const String& name, unsigned mode)
{
    static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
    if ((mode & 3) == 3) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return InvalidFileHandle;
    }
    HANDLE handle = CreateFileW(W(name), access[mode & 3], ShareOf(mode), nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? InvalidFileHandle : reinterpret_cast<FileHandle>(handle);
}

FileHandle FileCreate(const String& name, unsigned mode)
{
    HANDLE handle = CreateFileW(W(name), GENERIC_READ | GENERIC_WRITE, ShareOf(mode), nullptr,
                                (mode & fmExclusive) ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? InvalidFileHandle : reinterpret_cast<FileHandle>(handle);
}

int64_t FileRead(FileHandle handle, void* buffer, int64_t count)
{
    if (count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(H(handle), out + done, DWORD(std::min(count - done, MaxChunk)), &got, nullptr))
            return done > 0 ? done : -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

int64_t FileWrite(FileHandle handle, const void* buffer, int64_t count)
{
    if (count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const auto* in = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        DWORD put = 0;
        if (!WriteFile(H(handle), in + done, DWORD(std::min(count - done, MaxChunk)), &put, nullptr))
            return done > 0 ? done : -1;
        if (put == 0)
            break;
        done += put;
    }
    return done;
}

int64_t FileSeek(FileHandle handle, int64_t offset, int origin)
{
    static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < 0 || origin > 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(H(handle), distance, &position, methods[origin]))
        return -1;
    return position.QuadPart;
}

bool FileSetSize(FileHandle handle, int64_t size)
{
    if (size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return FileSeek(handle, size, 0) == size && SetEndOfFile(H(handle));
}

void FileClose(FileHandle handle)
{
    if (handle != InvalidFileHandle)
        CloseHandle(H(handle));
}

unsigned GetLastOSError() { return GetLastError(); }

String SysErrorMessage(unsigned errorCode)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    String text;
    if (buffer) {
        text.assign(reinterpret_cast<const Char*>(buffer), length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() <= u' ' || text.back() == u'.'))
        text.pop_back();
    return text;
}

bool FileExists(const String& name)
{
    const DWORD attributes = GetFileAttributesW(W(name));
    return !name.empty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& name)
{
    const DWORD attributes = GetFileAttributesW(W(name));
    return !name.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(const String& name) { return ::DeleteFileW(W(name)); }
bool DeleteFileW(const String& name) { return ::DeleteFileW(W(name)); }

bool RenameFile(const String& oldName, const String& newName) { return MoveFileW(W(oldName), W(newName)); }
bool CreateDir(const String& name) { return CreateDirectoryW(W(name), nullptr); }
bool RemoveDir(const String& name) { return RemoveDirectoryW(W(name)); }

String GetTempDirectory()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    String path = length > 0 && length <= MAX_PATH + 1 ? String(reinterpret_cast<const Char*>(buffer), length) : String(u".\\");
    if (path.back() != u'\\' && path.back() != u'/')
        path.push_back(u'\\');
    return path;
}

String GetTempFile(StringView prefix)
{
    const String dir = GetTempDirectory();
    const String pre(prefix);
    wchar_t buffer[MAX_PATH + 1];
    if (!GetTempFileNameW(W(dir), W(pre), 0, buffer))
        return {};
    return String(reinterpret_cast<const Char*>(buffer));
}

} // namespace core
