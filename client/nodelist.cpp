// The node list document and its rows.
#include "client/nodelist.h"

#include "core/codepage.h"
#include "core/stringlist.h"

#include <charconv>

namespace client {

using core::String;

bool IsReservedSection(core::StringView name)
{
    return name == u"Route" || name == u"海外加速" || name == u"电信加速" || name == u"网通加速";
}

namespace {

// The flag as an integer: optional sign and decimal digits only, as the run-time conversion reads
// it (blanks around it are not allowed).
bool FlagIsOne(core::StringView text)
{
    if (text.empty() || text.size() > 12)
        return false;
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7f)
            return false;
        ascii += char(c);
    }
    long long value = 0;
    const char* begin = ascii.data();
    if (*begin == '+')
        ++begin;
    const auto [end, error] = std::from_chars(begin, ascii.data() + ascii.size(), value);
    return error == std::errc() && end == ascii.data() + ascii.size() && value == 1;
}

} // namespace

NodeValue ParseNodeValue(core::StringView value)
{
    NodeValue node;
    String* fields[] = {&node.ip, &node.rate, &node.flag};
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = value.find(u',', start);
        *fields[i] = String(value.substr(start, comma == core::StringView::npos ? core::StringView::npos : comma - start));
        if (comma == core::StringView::npos)
            break;
        start = comma + 1;
    }
    node.l2tp = FlagIsOne(node.flag);
    return node;
}

ps MakeNodeRecord(const String& name, core::StringView value)
{
    const NodeValue node = ParseNodeValue(value);
    ps record;
    record.ip = node.ip;
    record.name = name;
    record.delay = kDelayUnknown;
    record.lostpacket = node.rate;
    record.sendtimes = node.l2tp ? kSupported : kNotSupported;
    record.losttimes = 0;
    return record;
}

std::unique_ptr<support::TStreamIniFile> LoadNodeList(const String& text)
{
    auto ini = std::make_unique<support::TStreamIniFile>(String());
    ini->LoadFromBytes(core::ToAnsi(text));
    return ini;
}

namespace {

std::vector<String> ToVector(const core::StringList& list)
{
    std::vector<String> out;
    out.reserve(size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list[i]);
    return out;
}

} // namespace

std::vector<String> AreaNames(const support::TStreamIniFile& ini)
{
    core::StringList sections;
    ini.ReadSections(sections);
    return ToVector(sections);
}

std::vector<String> TitleAreaNames(const support::TStreamIniFile& ini)
{
    std::vector<String> out;
    for (auto& name : AreaNames(ini))
        if (!IsReservedSection(name))
            out.push_back(name);
    return out;
}

std::vector<String> NodeNames(const support::TStreamIniFile& ini, core::StringView section)
{
    core::StringList keys;
    ini.ReadSection(section, keys);
    return ToVector(keys);
}

void ForEachNodeRow(const support::TStreamIniFile& ini, core::StringView section, const std::function<void(ps&&)>& take)
{
    for (const String& key : NodeNames(ini, section)) {
        const String value = ini.ReadString(section, key, String());
        if (!value.empty())
            take(MakeNodeRecord(key, value));
    }
}

std::vector<ps> NodeRows(const support::TStreamIniFile& ini, core::StringView section)
{
    std::vector<ps> rows;
    ForEachNodeRow(ini, section, [&rows](ps&& row) { rows.push_back(std::move(row)); });
    return rows;
}

NodeValue FindNode(const support::TStreamIniFile& ini, core::StringView section, core::StringView node)
{
    return ParseNodeValue(ini.ReadString(section, node, String()));
}

} // namespace client
