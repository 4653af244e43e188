// Temporary files and folders for tests, removed when the guard goes out of scope.
#pragma once

#include "core/fileio.h"
#include "core/path.h"

#include <vector>

namespace core::test {

// A new empty file in the temporary folder.
class TempFile {
public:
    TempFile() : m_name(GetTempFile(u"cst")) {}
    ~TempFile() { DeleteFile(m_name); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const String& Name() const { return m_name; }

private:
    String m_name;
};

// A new empty folder; files made in it through File() are deleted with it.
class TempDir {
public:
    TempDir()
    {
        TempFile seed;
        m_path = seed.Name() + u".d";
        CreateDir(m_path);
    }
    ~TempDir()
    {
        for (const String& file : m_files)
            DeleteFile(file);
        RemoveDir(m_path);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const String& Path() const { return m_path; }
    String File(StringView name)
    {
        m_files.push_back(IncludeTrailingPathDelimiter(m_path) + String(name));
        return m_files.back();
    }

private:
    String m_path;
    std::vector<String> m_files;
};

} // namespace core::test
