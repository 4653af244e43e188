// The node list: an INI text with a section per area, a key per node and a value
// "server address,online rate,L2TP flag[,...]". The reserved sections get no title-bar item but
// are listed among the areas like any other.
//
// A value is split by position: its fields are the pieces between commas, an empty field keeps its
// place (so "1.2.3.4,,1" has an empty rate and the flag 1), fields past the third are ignored and
// missing ones are empty. The flag is an integer; 1 means L2TP is supported, anything else (also a
// text that is no integer) means it is not.
#pragma once

#include "core/string.h"
#include "support/streamini.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace client {

// The node record kept as the tree's per-node data.
struct ps {
    core::String ip;          // server address
    core::String name;        // node name (the key)
    core::String delay;       // "NA", milliseconds or "禁ping"
    core::String lostpacket;  // online-rate text
    core::String sendtimes;   // "支持" or "不支持"
    int32_t losttimes = 0;    // failed echoes
};

inline constexpr char16_t kSupported[] = u"支持";
inline constexpr char16_t kNotSupported[] = u"不支持";
inline constexpr char16_t kDelayUnknown[] = u"NA";

bool IsReservedSection(core::StringView name);

struct NodeValue {
    core::String ip;
    core::String rate;
    core::String flag;
    bool l2tp = false;
};
NodeValue ParseNodeValue(core::StringView value);

// A fresh record for a node of the list.
ps MakeNodeRecord(const core::String& name, core::StringView value);

// Loads the node list text as the login does: the text in the system ANSI code page through a
// stream into a new document.
std::unique_ptr<support::TStreamIniFile> LoadNodeList(const core::String& text);

// Section names in document order, reserved ones included (repeats kept).
std::vector<core::String> AreaNames(const support::TStreamIniFile& ini);
// The section names that get a title-bar item.
std::vector<core::String> TitleAreaNames(const support::TStreamIniFile& ini);
// The keys of a section (lookup rules of the document: the last section of a name wins).
std::vector<core::String> NodeNames(const support::TStreamIniFile& ini, core::StringView section);
// The rows of a section in entry order; keys with an empty value are skipped.
std::vector<ps> NodeRows(const support::TStreamIniFile& ini, core::StringView section);
// The same rows handed one by one to `take`, for a caller that keeps them elsewhere (the node tree):
// thousands of rows then need no list of their own.
void ForEachNodeRow(const support::TStreamIniFile& ini, core::StringView section, const std::function<void(ps&&)>& take);
// The value of a node ("" when missing), for the connect and speed-test steps.
NodeValue FindNode(const support::TStreamIniFile& ini, core::StringView section, core::StringView node);

} // namespace client
