// The saved login in the registry, the password protected with the user's data protection.
#include "core/win32.h"

#include <wincrypt.h>

#include "client/savedlogin.h"

#include "support/registry.h"

#include <string>

namespace client {

using core::String;

String ProtectPassword(const String& password)
{
    DATA_BLOB in{DWORD(password.size() * sizeof(char16_t)), reinterpret_cast<BYTE*>(const_cast<char16_t*>(password.data()))};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"vavovav", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return {};
    static const char16_t hex[] = u"0123456789abcdef";
    String text = kProtectedPrefix;
    for (DWORD i = 0; i < out.cbData; ++i) {
        text += hex[out.pbData[i] >> 4];
        text += hex[out.pbData[i] & 15];
    }
    LocalFree(out.pbData);
    return text;
}

bool UnprotectPassword(const String& stored, String& password)
{
    const String prefix = kProtectedPrefix;
    if (stored.compare(0, prefix.size(), prefix) != 0 || (stored.size() - prefix.size()) % 2 != 0)
        return false;
    std::string bytes;
    auto digit = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        return -1;
    };
    for (size_t i = prefix.size(); i < stored.size(); i += 2) {
        const int high = digit(stored[i]), low = digit(stored[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes += char(high * 16 + low);
    }
    DATA_BLOB in{DWORD(bytes.size()), reinterpret_cast<BYTE*>(bytes.data())};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return false;
    password.assign(reinterpret_cast<const char16_t*>(out.pbData), out.cbData / sizeof(char16_t));
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return true;
}

namespace {

bool ReadBoolValue(support::Registry& registry, const String& name)
{
    try {
        return registry.ValueExists(name) && registry.ReadBool(name);
    } catch (const std::exception&) {
        return false;
    }
}

String ReadStringValue(support::Registry& registry, const String& name)
{
    try {
        return registry.ReadString(name);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

SavedLogin ReadSavedLogin()
{
    SavedLogin login;
    support::Registry registry(support::HKeyCurrentUser);
    if (!registry.OpenKey(kSavedLoginKey, true))
        return login;
    login.save = ReadBoolValue(registry, u"savepassword");
    if (!login.save)
        return login;
    login.user = ReadStringValue(registry, u"username");
    const String stored = ReadStringValue(registry, u"password");
    if (UnprotectPassword(stored, login.password))
        return login;
    login.password.clear();
    // A protected value that cannot be unprotected (damaged, or saved by another user) is no saved
    // password: its protected text must never reach the field and the next login's post.
    if (stored.compare(0, core::String(kProtectedPrefix).size(), kProtectedPrefix) == 0)
        return login;
    // Left by an older client in plain text.
    login.password = stored;
    login.password_was_plain = !stored.empty();
    return login;
}

void WriteSavedLogin(bool save, const String& user, const String& password)
{
    support::Registry registry(support::HKeyCurrentUser);
    if (!registry.OpenKey(kSavedLoginKey, true))
        return;
    registry.WriteBool(u"savepassword", save);
    if (save) {
        registry.WriteString(u"username", user);
        const String protectedText = ProtectPassword(password);
        // Without the system's protection the password is not kept at all rather than in plain text.
        if (protectedText.empty())
            registry.DeleteValue(u"password");
        else
            registry.WriteString(u"password", protectedText);
    } else {
        registry.DeleteValue(u"username");
        registry.DeleteValue(u"password");
    }
}

} // namespace client
