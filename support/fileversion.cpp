// File version information: the block parser and the properties over it.
//
// A version block is a tree of nodes. Each node starts, at a 4-byte aligned offset from the block's
// start, with its length in bytes (16 bits, header, value and children included) and its value's
// length (16 bits). The 32-bit layout then has a value type (16 bits: 0 binary, 1 text) and a
// NUL-terminated UTF-16 key; the older 16-bit layout has no type and an ANSI key. After the key comes
// padding to the next multiple of 4, the value (text values of the 32-bit layout count their length
// in UTF-16 units, everything else in bytes), padding again, and the child nodes. The root is
// "VS_VERSION_INFO" with the 52-byte fixed block as its value; its children are "StringFileInfo"
// (one string table per language, keyed by eight hex digits of language and code page, each holding
// one node per item) and "VarFileInfo" (whose "Translation" lists language/code page pairs).
//
// Nothing is read outside the block or outside the stated length of the node being read: a node
// that claims more ends the parse as a block without version information.
#include "support/fileversion.h"

#include "core/codepage.h"
#include "core/convert.h"
#include "core/exception.h"
#include "core/fileio.h"
#include "support/chartables.h"
#include "support/syserror.h"

#include <algorithm>
#include <cstring>

namespace support {

namespace {

const char16_t kNoVersionInfo[] = u"File contains no version information";

struct ParseError {};

struct Node {
    size_t start = 0, end = 0;
    uint16_t valueLength = 0;
    uint16_t type = 1;
    core::String key;
    size_t value = 0;       // offset of the value
    size_t valueBytes = 0;  // its size in bytes
    size_t children = 0;    // offset of the first child
};

class BlockReader {
public:
    BlockReader(const std::string& block) : m_data(reinterpret_cast<const unsigned char*>(block.data())), m_size(block.size())
    {
        m_wide = m_size >= 6 && Word(4, m_size) < 2;
    }

    bool Wide() const { return m_wide; }
    size_t Size() const { return m_size; }

    static size_t Align(size_t offset) { return (offset + 3) & ~size_t(3); }

    uint16_t Word(size_t at, size_t limit) const
    {
        if (at + 2 > limit || at + 2 > m_size)
            throw ParseError();
        return uint16_t(m_data[at] | m_data[at + 1] << 8);
    }

    uint32_t DWord(size_t at, size_t limit) const { return Word(at, limit) | uint32_t(Word(at + 2, limit)) << 16; }

    // A node's header within [at, limit).
    Node Header(size_t at, size_t limit) const
    {
        Node n;
        n.start = at;
        const uint16_t length = Word(at, limit);
        if (length == 0)
            throw ParseError();
        n.end = at + length;
        if (n.end > limit)
            throw ParseError();
        n.valueLength = Word(at + 2, n.end);
        size_t pos = at + 4;
        if (m_wide) {
            n.type = Word(pos, n.end);
            pos += 2;
            for (;;) {
                const uint16_t c = Word(pos, n.end);
                pos += 2;
                if (!c)
                    break;
                n.key += char16_t(c);
            }
        } else {
            std::string key;
            for (;;) {
                if (pos >= n.end)
                    throw ParseError();
                const char c = char(m_data[pos++]);
                if (!c)
                    break;
                key += c;
            }
            n.key = core::FromAnsi(key);
        }
        n.value = Align(pos);
        n.valueBytes = m_wide && n.type == 1 ? size_t(n.valueLength) * 2 : n.valueLength;
        if (n.value > n.end || n.valueBytes > n.end - n.value)
            throw ParseError();
        n.children = Align(n.value + n.valueBytes);
        return n;
    }

    // UTF-16 units from a node's value, cut at the first NUL.
    core::String WideText(size_t at, size_t units) const
    {
        core::String text;
        for (size_t i = 0; i < units; ++i) {
            const uint16_t c = uint16_t(m_data[at + 2 * i] | m_data[at + 2 * i + 1] << 8);
            if (!c)
                break;
            text += char16_t(c);
        }
        return text;
    }

    std::string Bytes(size_t at, size_t count) const
    {
        return std::string(reinterpret_cast<const char*>(m_data + at), count);
    }

private:
    const unsigned char* m_data;
    size_t m_size;
    bool m_wide = false;
};

// A string table's key: "0x" removed, then everything that is no hex digit.
core::String CleanTableKey(const core::String& key)
{
    core::String noPrefix = core::StringReplace(key, u"0x", u"", core::rfReplaceAll);
    core::String clean;
    for (char16_t c : noPrefix)
        if (IsHexDigitChar(c))
            clean += c;
    return clean;
}

uint16_t HexValue(core::StringView digits)
{
    uint32_t value = 0;
    for (char16_t c : digits) {
        // A character that is no digit counts as 0.
        value = value * 16 + uint32_t(std::max(core::HexDigitValue(c), 0));
    }
    return uint16_t(value);
}

TVSFixedFileInfo FixedAt(const BlockReader& r, const std::string& block, const Node& root)
{
    if (!core::SameText(root.key, u"VS_VERSION_INFO") || root.valueLength != sizeof(TVSFixedFileInfo))
        throw ParseError();
    TVSFixedFileInfo fixed;
    std::memcpy(&fixed, block.data() + root.value, sizeof(fixed));
    if (fixed.dwSignature != kFixedInfoSignature)
        throw ParseError();
    (void)r;
    return fixed;
}

} // namespace

const core::String& VersionKeyName(int index)
{
    static const core::String names[] = {
        u"",         u"Comments",       u"CompanyName",     u"FileDescription",  u"FileVersion",
        u"InternalName", u"LegalCopyright", u"LegalTradeMarks", u"OriginalFilename", u"ProductName",
        u"ProductVersion", u"SpecialBuild",  u"PrivateBuild",
    };
    return names[index >= 1 && index <= 12 ? index : 0];
}

void TSysFileVersionInfo::Parse()
{
    FItemList.clear();
    FLanguages.clear();
    FTranslations.clear();
    try {
        const BlockReader r(FBuffer);
        const Node root = r.Header(0, r.Size());
        FFixedInfo = FixedAt(r, FBuffer, root);
        for (size_t pos = root.children; pos < root.end;) {
            const Node child = r.Header(pos, root.end);
            pos = BlockReader::Align(child.end);
            if (core::SameText(child.key, u"StringFileInfo")) {
                for (size_t t = child.children; t < child.end;) {
                    const Node table = r.Header(t, child.end);
                    t = BlockReader::Align(table.end);
                    const core::String key = CleanTableKey(table.key);
                    if (table.valueLength != 0 || key.size() != 8)
                        throw ParseError();
                    const int language = int(FLanguages.size());
                    FLanguages.push_back({HexValue(core::StringView(key).substr(0, 4)), HexValue(core::StringView(key).substr(4))});
                    for (size_t s = table.children; s < table.end;) {
                        const Node item = r.Header(s, table.end);
                        s = BlockReader::Align(item.end);
                        core::String value;
                        if (!r.Wide() || item.type == 1) {
                            if (item.valueLength == 0)
                                value.clear();
                            else if (r.Wide())
                                value = r.WideText(item.value, item.valueLength);
                            else {
                                std::string bytes = r.Bytes(item.value, item.valueBytes);
                                bytes.resize(strnlen(bytes.c_str(), bytes.size()));
                                value = core::FromAnsi(bytes);
                            }
                        } else if (item.type == 0) {
                            if (item.valueLength >= 1 && item.valueLength <= 4) {
                                // Only the value's own bytes: the number is read little-endian.
                                uint32_t number = 0;
                                const std::string bytes = r.Bytes(item.value, item.valueLength);
                                for (size_t i = bytes.size(); i-- > 0;)
                                    number = number << 8 | uint8_t(bytes[i]);
                                value = u"$" + core::IntToHex(number, 2 * item.valueLength);
                            } else if (item.valueLength > 4) {
                                value = r.WideText(item.value, item.valueLength / 2);
                            }
                        } else {
                            throw ParseError();
                        }
                        FItemList.push_back({item.key + u"=" + value, language});
                    }
                }
            } else if (core::SameText(child.key, u"VarFileInfo")) {
                if (child.children < child.end) {
                    const Node var = r.Header(child.children, child.end);
                    if (core::SameText(var.key, u"Translation"))
                        for (size_t i = 0; i + 4 <= var.valueBytes; i += 4) {
                            const uint32_t pair = r.DWord(var.value + i, var.end);
                            FTranslations.push_back({uint16_t(pair & 0xFFFF), uint16_t(pair >> 16)});
                        }
                }
            } else {
                break;
            }
        }
    } catch (const ParseError&) {
        throw ESysFileVersionInfoError(kNoVersionInfo);
    }
    const uint32_t flags = FFixedInfo.dwFileFlags & FFixedInfo.dwFileFlagsMask;
    static const struct { uint32_t bit; TFileFlag flag; } kFlags[] = {
        {0x01, ffDebug}, {0x10, ffInfoInferred}, {0x04, ffPatched}, {0x02, ffPreRelease}, {0x08, ffPrivateBuild}, {0x20, ffSpecialBuild},
    };
    FFileFlags = 0;
    for (const auto& f : kFlags)
        if (flags & f.bit)
            FFileFlags |= 1u << f.flag;
    FLanguageIndex = 0;
    BuildItems();
}

void TSysFileVersionInfo::BuildItems()
{
    FItems.clear();
    FItemLanguages.clear();
    const TLangIdRec language = FLanguageIndex < int(FLanguages.size()) ? FLanguages[size_t(FLanguageIndex)] : TLangIdRec{};
    for (const Tagged& item : FItemList)
        if (item.language == FLanguageIndex) {
            FItems.push_back(item.text);
            FItemLanguages.push_back(language);
        }
}

TSysFileVersionInfo TSysFileVersionInfo::Attach(const void* block, size_t size)
{
    TSysFileVersionInfo info;
    if (block && size)
        info.FBuffer.assign(static_cast<const char*>(block), size);
    info.Parse();
    return info;
}

TSysFileVersionInfo::TSysFileVersionInfo(const core::String& fileName)
{
    if (fileversion_os::InfoSize(fileName) == 0)
        throw ESysFileVersionInfoError(kNoVersionInfo);
    if (!fileversion_os::ReadInfo(fileName, FBuffer))
        throw LastOSError();
    Parse();
}

TSysFileVersionInfo TSysFileVersionInfo::FromWindow(std::uintptr_t window)
{
    if (!window)
        throw ESysError(u"The window with handle 0 is not valid");
    return TSysFileVersionInfo(fileversion_os::WindowProcessImage(window));
}

TSysFileVersionInfo TSysFileVersionInfo::FromModule(std::uintptr_t module)
{
    if (!module)
        throw ESysError(u"The Module with handle 0 is not valid");
    return TSysFileVersionInfo(ModuleFileName(module));
}

void TSysFileVersionInfo::SetLanguageIndex(int index)
{
    if (index < 0 || index >= LanguageCount())
        throw ESysFileVersionInfoError(u"Illegal language index");
    if (index != FLanguageIndex) {
        FLanguageIndex = index;
        BuildItems();
    }
}

TLangIdRec TSysFileVersionInfo::Languages(int index) const
{
    if (index < 0 || index >= LanguageCount())
        throw core::ERangeError(u"Range check error");
    return FLanguages[size_t(index)];
}

TLangIdRec TSysFileVersionInfo::Translations(int index) const
{
    if (index < 0 || index >= TranslationCount())
        throw core::ERangeError(u"Range check error");
    return FTranslations[size_t(index)];
}

TLangIdRec TSysFileVersionInfo::ItemLanguage(int index) const
{
    if (index < 0 || index >= int(FItemLanguages.size()))
        throw core::ERangeError(u"Range check error");
    return FItemLanguages[size_t(index)];
}

const core::String* TSysFileVersionInfo::FindItem(const core::String& name) const
{
    for (const core::String& item : FItems) {
        const size_t eq = item.find(u'=');
        if (eq != core::String::npos && core::SameText(core::StringView(item).substr(0, eq), name))
            return &item;
    }
    return nullptr;
}

core::String TSysFileVersionInfo::ItemValue(int keyIndex) const
{
    const core::String* item = FindItem(VersionKeyName(keyIndex));
    return item ? item->substr(item->find(u'=') + 1) : core::String();
}

core::String TSysFileVersionInfo::GetCustomFieldValue(const core::String& name) const
{
    if (name.empty())
        throw ESysFileVersionInfoError(u"No value was supplied");
    const core::String* item = FindItem(name);
    if (!item)
        throw ESysFileVersionInfoError(u"The value " + name + u" was not found.");
    return item->substr(item->find(u'=') + 1);
}

bool TSysFileVersionInfo::TranslationMatchesLanguages(bool exact) const
{
    if (LanguageCount() != TranslationCount() && (exact || TranslationCount() == 0))
        return false;
    for (const TLangIdRec& t : FTranslations) {
        bool found = false;
        for (const TLangIdRec& l : FLanguages)
            found = found || l.Pair() == t.Pair();
        if (!found)
            return false;
    }
    return true;
}

namespace {
core::String FourParts(uint32_t ms, uint32_t ls)
{
    return core::UIntToStr(ms >> 16) + u"." + core::UIntToStr(ms & 0xFFFF) + u"." + core::UIntToStr(ls >> 16) + u"." +
           core::UIntToStr(ls & 0xFFFF);
}
} // namespace

core::String TSysFileVersionInfo::BinFileVersion() const
{
    return FourParts(FFixedInfo.dwFileVersionMS, FFixedInfo.dwFileVersionLS);
}

core::String TSysFileVersionInfo::BinProductVersion() const
{
    return FourParts(FFixedInfo.dwProductVersionMS, FFixedInfo.dwProductVersionLS);
}

core::String TSysFileVersionInfo::VersionPart(const core::String& version, int part)
{
    const core::String text = ReplaceChar(version, u',', u'.');
    const int first = CharPosFrom(text, u'.', 1);
    const int second = first ? CharPosFrom(text, u'.', first + 1) : 0;
    const int third = second ? CharPosFrom(text, u'.', second + 1) : 0;
    core::String result;
    switch (part) {
    case 0:
        result = first ? LeftCopy(text, first - 1) : text;
        break;
    case 1:
        result = second ? MidCopy(text, first + 1, second - first - 1) : core::String();
        break;
    case 2:
        result = third ? MidCopy(text, second + 1, third - second - 1) : core::String();
        break;
    default: {
        const int last = LastCharPos(text, u'.', 1);
        result = last ? MidCopy(text, last + 1, int(text.size())) : text;
    }
    }
    return core::Trim(result);
}

core::String TSysFileVersionInfo::VersionLanguageId(const TLangIdRec& language)
{
    return core::IntToHex(language.LangId, 4) + core::IntToHex(language.CodePage, 4);
}

core::String TSysFileVersionInfo::VersionLanguageName(uint16_t langId) { return fileversion_os::LanguageName(langId); }

bool FixedInfoOfBlock(const void* block, size_t size, TVSFixedFileInfo& fixed)
{
    if (!block || size == 0)
        return false;
    const std::string bytes(static_cast<const char*>(block), size);
    try {
        const BlockReader r(bytes);
        const Node root = r.Header(0, r.Size());
        if (root.valueLength != sizeof(TVSFixedFileInfo))
            return false;
        std::memcpy(&fixed, bytes.data() + root.value, sizeof(fixed));
        return true;
    } catch (const ParseError&) {
        return false;
    }
}

bool ReadFixedVersionInfo(const core::String& fileName, TVSFixedFileInfo& fixed)
{
    std::string block;
    if (fileversion_os::InfoSize(fileName) == 0 || !fileversion_os::ReadInfo(fileName, block))
        return false;
    return FixedInfoOfBlock(block.data(), block.size(), fixed);
}

core::String ModuleFileName(std::uintptr_t module) { return fileversion_os::ModuleFile(module); }

} // namespace support
