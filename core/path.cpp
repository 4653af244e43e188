// File-name helpers shared by every target.
#include "core/path.h"

namespace core {

namespace {

bool IsDelimiter(Char c) { return c == u'\\' || c == u'/'; }

// Index just past the last delimiter or drive colon: where the name part starts.
size_t NameStart(StringView fileName)
{
    const size_t at = fileName.find_last_of(u"\\/:");
    return at == StringView::npos ? 0 : at + 1;
}

// Index of the extension's dot within the name part, or npos.
size_t ExtStart(StringView fileName)
{
    const size_t start = NameStart(fileName);
    const size_t dot = fileName.rfind(u'.');
    return dot != StringView::npos && dot >= start ? dot : StringView::npos;
}

} // namespace

bool IsPathDelimiter(StringView path, int index)
{
    return index >= 1 && size_t(index) <= path.size() && IsDelimiter(path[size_t(index) - 1]);
}

String ExtractFilePath(StringView fileName) { return String(fileName.substr(0, NameStart(fileName))); }

String ExtractFileDir(StringView fileName)
{
    size_t end = NameStart(fileName);
    // Keep the delimiter of a root ("\", "C:\") and the colon of a bare drive.
    if (end > 1 && IsDelimiter(fileName[end - 1]) && !IsDelimiter(fileName[end - 2]) && fileName[end - 2] != u':')
        --end;
    return String(fileName.substr(0, end));
}

String ExtractFileName(StringView fileName) { return String(fileName.substr(NameStart(fileName))); }

String ExtractFileExt(StringView fileName)
{
    const size_t dot = ExtStart(fileName);
    return dot == StringView::npos ? String() : String(fileName.substr(dot));
}

String ChangeFileExt(StringView fileName, StringView extension)
{
    const size_t dot = ExtStart(fileName);
    String out(fileName.substr(0, dot == StringView::npos ? fileName.size() : dot));
    out.append(extension);
    return out;
}

String IncludeTrailingPathDelimiter(StringView path)
{
    String out(path);
    if (out.empty() || !IsDelimiter(out.back()))
        out.push_back(PathDelim);
    return out;
}

String ExcludeTrailingPathDelimiter(StringView path)
{
    String out(path);
    if (!out.empty() && IsDelimiter(out.back()))
        out.pop_back();
    return out;
}

} // namespace core
