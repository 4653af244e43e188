// The saved login under HKCU "Software\vavovav": "savepassword" (0 or 1), "username" and
// "password". The password is stored protected for the current user (the system's data
// protection); a plain text left by an older client is still read, and re-saved protected.
#pragma once

#include "core/string.h"

namespace client {

inline constexpr char16_t kSavedLoginKey[] = u"Software\\vavovav";
// Protected values are this prefix followed by the protected bytes in hex.
inline constexpr char16_t kProtectedPrefix[] = u"dpapi:";

struct SavedLogin {
    bool save = false;
    core::String user;
    core::String password;
    bool password_was_plain = false;  // read from an older client's plain value
};

// Reads the key (creating it when missing); user and password only when "savepassword" is set.
SavedLogin ReadSavedLogin();
// Writes "savepassword"; with save, also the user and the protected password; without, deletes
// "username" and "password".
void WriteSavedLogin(bool save, const core::String& user, const core::String& password);

// The protection itself; Unprotect gives false for a value that is not protected or fails.
core::String ProtectPassword(const core::String& password);
bool UnprotectPassword(const core::String& stored, core::String& password);

} // namespace client
