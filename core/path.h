// File-name helpers. Names are split at "\", "/" and the drive colon on every target, so that
// Windows paths and host paths are both understood; PathDelim is what the target itself writes.
#pragma once

#include "core/string.h"

namespace core {

#ifdef _WIN32
inline constexpr Char PathDelim = u'\\';
#else
inline constexpr Char PathDelim = u'/';
#endif

bool IsPathDelimiter(StringView path, int index);  // 1-based index; "\" or "/"

// "C:\dir\name.ext": ExtractFilePath "C:\dir\", ExtractFileDir "C:\dir", ExtractFileName
// "name.ext", ExtractFileExt ".ext" (the extension of the name only, with its dot).
String ExtractFilePath(StringView fileName);
String ExtractFileDir(StringView fileName);
String ExtractFileName(StringView fileName);
String ExtractFileExt(StringView fileName);
// Replaces the extension of the name (or appends extension when there is none); extension
// carries its own dot, and an empty one removes the extension.
String ChangeFileExt(StringView fileName, StringView extension);

String IncludeTrailingPathDelimiter(StringView path);
String ExcludeTrailingPathDelimiter(StringView path);

} // namespace core
