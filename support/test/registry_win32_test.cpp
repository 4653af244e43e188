// The utility interface's registry operations on a scratch key under HKEY_CURRENT_USER.
#include "core/win32.h"

#include "support/mystring.h"

#include "core/stringlist.h"

#include <gtest/gtest.h>

namespace {

using core::Ref;
using core::String;
using namespace support;

// A fresh key "Software\SupportTests\<pid>-<tick>" under the current user, deleted with everything in
// it when the guard goes.
class ScratchKey {
public:
    ScratchKey()
        : m_path(u"Software\\SupportTests\\" + core::IntToStr(GetCurrentProcessId()) + u"-" +
                 core::IntToStr(int64_t(GetTickCount64())))
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, W(m_path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (key)
            RegCloseKey(key);
    }
    ~ScratchKey()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, W(m_path));
        // The parent goes too when no other run uses it.
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\SupportTests");
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const String& Path() const { return m_path; }

private:
    static const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
    String m_path;
};

class RegistryOperations : public ::testing::Test {
protected:
    Ref<Istrings4> Open(const String& sub = {})
    {
        Ref<Istrings4> s = core::MakeRef<strings4>();
        s->SetRootKey(HKeyCurrentUser);
        s->OpenKey(sub.empty() ? m_scratch.Path() : m_scratch.Path() + u"\\" + sub, true);
        return s;
    }

    ScratchKey m_scratch;
};

TEST_F(RegistryOperations, LeadingBackslashOpensTheSameKeyFromTheRoot)
{
    for (const String& key : {m_scratch.Path(), u"\\" + m_scratch.Path()}) {
        Ref<Istrings4> s = core::MakeRef<strings4>();
        s->SetKeyPrefix(u"");
        s->OpenKey(key, false);
        EXPECT_EQ(dynamic_cast<strings4&>(*s).CurrentKey(), m_scratch.Path());
        EXPECT_EQ(s->GetKeyPath(), u"\\" + m_scratch.Path());
        s->SetValueName(u"marker");
        s->WriteString(core::ToUtf8(key).front() == '\\' ? u"with" : u"without");
    }
    Ref<Istrings4> check = Open();
    check->SetValueName(u"marker");
    EXPECT_EQ(check->ReadString(false), u"with");
}

TEST_F(RegistryOperations, PrefixAndKeyMakeThePath)
{
    Ref<Istrings4> s = core::MakeRef<strings4>();
    EXPECT_FALSE(s->SetValueName(u"v"));
    s->SetKeyPrefix(m_scratch.Path());
    s->OpenKey(u"\\child", true);
    EXPECT_EQ(s->GetKeyPath(), m_scratch.Path() + u"\\child");
    s->WriteInteger(7);
    s->OpenKey(u"", false);
    EXPECT_EQ(s->GetKeyPath(), m_scratch.Path());
    EXPECT_TRUE(s->HasSubKeys());
    EXPECT_TRUE(s->KeyExists(u"child"));
    s->SaveKey();
    s->OpenKey(u"other", true);
    s->RestoreKey();
    EXPECT_EQ(s->GetKeyPath(), m_scratch.Path());
}

TEST_F(RegistryOperations, EveryValueKindReadsBackAndMissingValuesGiveDefaults)
{
    Ref<Istrings4> s = Open();
    struct Step {
        const char16_t* name;
        std::function<void()> write;
        std::function<void()> check;
    };
    const Step steps[] = {
        {u"int", [&] { s->WriteInteger(-5); }, [&] { EXPECT_EQ(s->ReadInteger(), -5); }},
        {u"text", [&] { s->WriteString(core::S("中文 text")); },
         [&] { EXPECT_EQ(s->ReadString(false), core::S("中文 text")); }},
        {u"yes", [&] { s->WriteBool(true); }, [&] { EXPECT_TRUE(s->ReadBool()); }},
        {u"no", [&] { s->WriteBool(false); }, [&] { EXPECT_FALSE(s->ReadBool()); }},
        {u"when", [&] { s->WriteDateTime(45000.25); }, [&] { EXPECT_EQ(s->ReadDateTime(), 45000.25); }},
    };
    for (const Step& step : steps) {
        s->SetValueName(step.name);
        step.write();
        EXPECT_TRUE(s->ValueExists(step.name));
        step.check();
    }

    s->SetValueName(u"absent");
    EXPECT_EQ(s->ReadString(false), u"");
    EXPECT_EQ(s->ReadInteger(), 0);
    EXPECT_FALSE(s->ReadBool());
    EXPECT_EQ(s->ReadDateTime(), 0.0);
    EXPECT_EQ(s->ReadBinary(false), u"");

    s->SetText(u"text held");
    EXPECT_EQ(s->ReadString(true), u"");
    EXPECT_EQ(s->GetText(), u"");
}

TEST_F(RegistryOperations, DefaultValueIsReadWithAnEmptyName)
{
    Ref<Istrings4> s = Open();
    s->SetValueName(u"");
    EXPECT_EQ(s->ReadString(false), u"");  // not set yet: no raise
    s->WriteString(u"default");
    EXPECT_EQ(s->ReadString(true), u"default");
    EXPECT_EQ(s->GetText(), u"default");
}

TEST_F(RegistryOperations, ReadBinaryTakesUtf16UpToTheFirstNulAndAtMost256Bytes)
{
    Registry raw;
    ASSERT_TRUE(raw.OpenKey(u"\\" + m_scratch.Path(), false));
    const char16_t text[] = u"abc\0xyz";
    raw.WriteBinaryData(u"short", text, int(sizeof text));
    const char16_t noNul[] = {u'h', u'i'};
    raw.WriteBinaryData(u"nonul", noNul, int(sizeof noNul));
    std::vector<char16_t> big(129, u'x');  // 258 bytes
    raw.WriteBinaryData(u"big", big.data(), int(big.size() * 2));
    raw.WriteString(u"string", u"not binary");

    Ref<Istrings4> s = Open();
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"short", u"abc"}, {u"nonul", u"hi"}, {u"big", u""}, {u"string", u""}, {u"missing", u""}};
    for (const auto& [name, expected] : cases) {
        s->SetValueName(name);
        EXPECT_EQ(s->ReadBinary(false), expected) << core::ToUtf8(name);
    }
}

TEST_F(RegistryOperations, MismatchedKindsAndMissingKeysRaise)
{
    Ref<Istrings4> s = Open();
    s->SetValueName(u"text");
    s->WriteString(u"abc");
    EXPECT_THROW(s->ReadBool(), ERegistryException);
    EXPECT_THROW(s->ReadInteger(), ERegistryException);
    s->SetValueName(u"int");
    s->WriteInteger(1);
    EXPECT_THROW(s->ReadString(false), ERegistryException);

    // A failed open is not reported; writes then find no key.
    Ref<Istrings4> none = core::MakeRef<strings4>();
    none->OpenKey(m_scratch.Path() + u"\\does\\not\\exist", false);
    none->SetValueName(u"v");
    EXPECT_THROW(none->WriteString(u"x"), ERegistryException);
    EXPECT_EQ(none->ReadString(false), u"");
    EXPECT_EQ(none->ReadInteger(), 0);
    EXPECT_FALSE(none->KeyExists(m_scratch.Path() + u"\\does"));
}

TEST_F(RegistryOperations, ListsDeletesAndEnumerates)
{
    {
        Ref<Istrings4> s = Open();
        for (const char16_t* name : {u"b", u"a"}) {
            s->SetValueName(name);
            s->WriteInteger(1);
        }
    }
    for (const char16_t* sub : {u"k1", u"k1\\deep", u"k1\\deep\\deeper", u"k2"}) {
        Ref<Istrings4> child = Open(sub);
        EXPECT_TRUE(child->KeyExists(u"\\" + m_scratch.Path() + u"\\" + sub));
    }

    Ref<Istrings4> s = Open();
    core::StringList names;
    names.Add(u"stale");
    s->GetValueNames(names);
    names.Sort();
    ASSERT_EQ(names.Count(), 2);
    EXPECT_EQ(names[0], u"a");
    s->GetKeyNames(names);
    names.Sort();
    ASSERT_EQ(names.Count(), 2);
    EXPECT_EQ(names[0], u"k1");
    EXPECT_EQ(names[1], u"k2");

    core::StringList all;
    s->ListKeysRecursive(all, m_scratch.Path(), HKeyCurrentUser);
    ASSERT_EQ(all.Count(), 4);
    const String base = m_scratch.Path() + u"\\";
    EXPECT_EQ(all[0], base + u"k1");
    EXPECT_EQ(all[1], base + u"k1\\deep");
    EXPECT_EQ(all[2], base + u"k1\\deep\\deeper");
    EXPECT_EQ(all[3], base + u"k2");
    core::StringList leaf;
    s->ListKeysRecursive(leaf, base + u"k2", HKeyCurrentUser);
    EXPECT_EQ(leaf.Count(), 0);

    s->SetValueName(u"a");
    EXPECT_TRUE(s->DeleteValue());
    EXPECT_FALSE(s->ValueExists(u"a"));
    EXPECT_FALSE(s->DeleteValue());

    EXPECT_TRUE(s->DeleteKey(u"k1"));  // relative to the open key, subkeys included
    EXPECT_FALSE(s->KeyExists(u"k1"));
    EXPECT_FALSE(s->DeleteKey(u"k1"));
    s->SetLazyWrite(false);
    s->CloseKey();
    EXPECT_FALSE(s->HasSubKeys());
    s->GetKeyNames(names);
    EXPECT_EQ(names.Count(), 0);
    EXPECT_TRUE(s->KeyExists(u"\\" + base + u"k2"));
}

} // namespace
