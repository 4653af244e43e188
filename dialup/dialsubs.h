// Operating-system kind of the dial-up layer and its small text, file and system routines.
//
// "ANSI" routines work on bytes of the system code page, as they cross the remote-access
// interface; everything else is UTF-16.
#pragma once

#include "core/string.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dialup {

using core::String;
using core::StringView;

// RasOSKind: selects the record sizes and the entry points bound (see rastables.h).
enum OSKind : uint8_t { OSW9x = 0, OSNT4 = 1, OSW2K = 2, OSWXP = 3, OSVista = 4 };

struct OSVersion {
    bool nt = true;
    uint32_t major = 6;
    uint32_t minor = 1;
    uint32_t build = 0;
    uint32_t productType = 1;  // 1 workstation, 2 domain controller, 3 server
    String servicePack;
};

OSKind KindFromVersion(bool nt, uint32_t major, uint32_t minor);
bool IsNTKind(OSKind kind);

// The kind of this process: set by InitialiseDialup() from the live system (always OSVista or
// later on x64). Tests change it through ScopedOSKind.
OSKind RasOSKind();
void SetRasOSKind(OSKind kind);
// The system version record the kind was taken from (GetOSVersionInfo fills it).
OSVersion OSVersionInfo();
void SetOSVersionInfo(const OSVersion& version);

// The phonebook file a dialling or editing component hands to the system: none (the system's
// default), a path (NT 4 only) or one of the two phonebooks by location (Windows 2000 and later).
struct PhonebookChoice {
    String path;
    std::string ansi;  // path in the ANSI code page, as the system calls take it
    int location = 0;
    bool set = false;  // a phonebook file is selected

    const char* Arg() const { return set ? ansi.c_str() : nullptr; }
    void SetPath(const String& value);  // ignored except on NT 4
    void SetLocation(int value);        // 0 the user's, 1 the all-users phonebook; clears the choice otherwise
    void Clear() { path.clear(), ansi.clear(), set = false; }
};

class ScopedOSKind {
public:
    explicit ScopedOSKind(OSKind kind) : m_saved(RasOSKind()) { SetRasOSKind(kind); }
    ~ScopedOSKind() { SetRasOSKind(m_saved); }
    ScopedOSKind(const ScopedOSKind&) = delete;
    ScopedOSKind& operator=(const ScopedOSKind&) = delete;

private:
    OSKind m_saved;
};

// Unit start-up and shut-down of the dial-up layer: detects the kind; no library is loaded.
void InitialiseDialup();
void FinaliseDialup();

// ---- ANSI text routines ----
std::string TrimAnsi(std::string_view text);       // every byte below 33 off both ends
std::string TrimRightAnsi(std::string_view text);
std::string LowerAnsi(std::string_view text);      // A to Z only
std::string IntToStrAnsi(int32_t value);
std::string FixedToStr(const void* bytes, size_t length);  // exactly length bytes, zeros included
// The device-name field: name before an embedded zero byte (at position 2 or later), port after
// it, trimmed and lower case, at most 99 characters; otherwise the whole text and no port.
void SplitDeviceName(const void* bytes, size_t length, std::string& name, std::string& port);
// The value of the leading digits (an optional sign honoured only when the whole text is a valid
// number); text that is not a number gives the value of the digits before the first bad
// character, without a sign. Never throws; saturates at the 32-bit range.
int32_t StrToIntA(std::string_view text);
int32_t StrToIntW(StringView text);
int PosChar(char c, std::string_view text);  // 1-based, 0 when absent

// The dial-up library's description from its product version (see TRasCon::DUNInfo).
String DunInfoFor(StringView version, StringView servicePack, bool server);

// ---- System routines (Windows only) ----
String RasGetWindowsDir();
String GetSpecialFolder(int folder);
String GetFileVerInfo(const String& fileName, const String& item);
bool RasDirExists(const String& path);
bool ForceDirs(const String& path);
void GetOSVersionInfo();
String GetLocaleStr(int item);

} // namespace dialup
