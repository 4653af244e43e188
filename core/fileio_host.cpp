// POSIX stand-in of the file layer for the host build. File names go to the system in UTF-8;
// sharing flags are accepted and ignored, as POSIX has no mandatory sharing modes.
#include "core/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

// One call moves at most this much, so that counts never exceed what read()/write() take.
constexpr int64_t MaxChunk = int64_t(1) << 30;

int Fd(FileHandle handle) { return static_cast<int>(handle); }

// A directory opens fine on POSIX; Windows refuses it, and so do we.
FileHandle Checked(int fd)
{
    if (fd < 0)
        return InvalidFileHandle;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        errno = EISDIR;
        return InvalidFileHandle;
    }
    return fd;
}

// strerror_r comes in two flavours; these overloads take whichever the C library offers.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) { return result == 0 ? buffer : "Unknown error"; }
[[maybe_unused]] const char* ErrorText(const char* result, const char*) { return result; }

} // namespace

FileHandle FileOpen(const String& name, unsigned mode)
{
    static const int access[] = {O_RDONLY, O_WRONLY, O_RDWR};
    if ((mode & 3) == 3) {
        errno = EINVAL;
        return InvalidFileHandle;
    }
    return Checked(open(ToUtf8(name).c_str(), access[mode & 3] | O_CLOEXEC));
}

FileHandle FileCreate(const String& name, unsigned mode)
{
    int flags = O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC;
    if (mode & fmExclusive)
        flags |= O_EXCL;
    return Checked(open(ToUtf8(name).c_str(), flags, 0666));
}

int64_t FileRead(FileHandle handle, void* buffer, int64_t count)
{
    if (count < 0) {
        errno = EINVAL;
        return -1;
    }
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = read(Fd(handle), out + done, size_t(std::min(count - done, MaxChunk)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return done > 0 ? done : -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

int64_t FileWrite(FileHandle handle, const void* buffer, int64_t count)
{
    if (count < 0) {
        errno = EINVAL;
        return -1;
    }
    const auto* in = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t put = write(Fd(handle), in + done, size_t(std::min(count - done, MaxChunk)));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return done > 0 ? done : -1;
        }
        if (put == 0)
            break;
        done += put;
    }
    return done;
}

int64_t FileSeek(FileHandle handle, int64_t offset, int origin)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) {
        errno = EINVAL;
        return -1;
    }
    return lseek(Fd(handle), off_t(offset), whence[origin]);
}

bool FileSetSize(FileHandle handle, int64_t size)
{
    if (size < 0) {
        errno = EINVAL;
        return false;
    }
    return ftruncate(Fd(handle), off_t(size)) == 0 && lseek(Fd(handle), off_t(size), SEEK_SET) >= 0;
}

void FileClose(FileHandle handle)
{
    if (handle != InvalidFileHandle)
        close(Fd(handle));
}

unsigned GetLastOSError() { return unsigned(errno); }

String SysErrorMessage(unsigned errorCode)
{
    char buffer[256] = {};
    String text = FromUtf8(ErrorText(strerror_r(int(errorCode), buffer, sizeof buffer), buffer));
    while (!text.empty() && (text.back() <= u' ' || text.back() == u'.'))
        text.pop_back();
    return text;
}

bool FileExists(const String& name)
{
    struct stat info;
    return !name.empty() && stat(ToUtf8(name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const String& name)
{
    struct stat info;
    return !name.empty() && stat(ToUtf8(name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFile(const String& name) { return unlink(ToUtf8(name).c_str()) == 0; }

bool RenameFile(const String& oldName, const String& newName)
{
    // Windows refuses to replace an existing file by renaming; keep that rule on the host too.
    const std::string target = ToUtf8(newName);
    struct stat info;
    if (lstat(target.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(ToUtf8(oldName).c_str(), target.c_str()) == 0;
}

bool CreateDir(const String& name) { return mkdir(ToUtf8(name).c_str(), 0777) == 0; }
bool RemoveDir(const String& name) { return rmdir(ToUtf8(name).c_str()) == 0; }

String GetTempDirectory()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    if (path.back() != '/')
        path.push_back('/');
    return FromUtf8(path);
}

String GetTempFile(StringView prefix)
{
    std::string path = ToUtf8(GetTempDirectory()) + ToUtf8(prefix) + "XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0)
        return {};
    close(fd);
    return FromUtf8(path);
}

} // namespace core
