// The service's data: accounts, the node list by area and the content pages, read from a small text
// file.
//
// The file is UTF-8 text (a leading byte-order mark is skipped), read line by line; lines end with
// LF or CR LF. Outside page sections, blank lines and lines whose first non-blank character is "#"
// or ";" are skipped. A line "[kind name]" opens a section; "name" is everything between the first
// blank and the closing "]" at the end of the line, trimmed:
//
//   [account NAME]  one account; lines "key = value" (blanks around both trimmed):
//                     password       the login password (required)
//                     state          ok | expire | useup (default ok): the account check's answer
//                     info           text the account check returns on success (default empty)
//                     dial           own | issued (default own): dial with the login itself, or with
//                                    the issued pair below
//                     dial_user      user name issued for dialling
//                     dial_password  password issued for dialling
//   [area NAME]     one area of the node list, in file order; each line "node=address,rate,l2tp" is
//                   a node, kept as written (key and value trimmed), so that the node list can also
//                   carry lines the client must cope with
//   [page NAME]     a content or account page, e.g. "news.htm" or "user_self_new.php"; every
//                   following line up to the next section header is the page, verbatim
//
// Names of accounts and pages are unique; area names may repeat (the node list allows it). A file
// holds at most 4 MiB. Every error names its line.
#pragma once

#include "core/exception.h"
#include "core/string.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sim::service {

class EDataFile : public core::Exception {
public:
    using Exception::Exception;
};

enum class AccountState { Ok, Expired, UsedUp };
enum class DialMode { OwnLogin, Issued };

struct Account {
    core::String name;
    core::String password;
    AccountState state = AccountState::Ok;
    core::String info;
    DialMode dial = DialMode::OwnLogin;
    core::String dial_user;
    core::String dial_password;
};

struct NodeLine {
    core::String key;
    core::String value;
};

struct Area {
    core::String name;
    std::vector<NodeLine> nodes;
};

class ServiceData {
public:
    const std::vector<Account>& Accounts() const { return m_accounts; }
    const std::vector<Area>& Areas() const { return m_areas; }
    const Account* FindAccount(core::StringView name) const;
    // A page given by the file, by its last path segment; nullptr when the file has none.
    const core::String* FindPage(core::StringView name) const;

    // The node list document: a section per area, a "key=value" line per node, CR LF line ends.
    core::String NodeListText() const;

    static constexpr size_t kMaxFileSize = 4u << 20;
    // Throws EDataFile ("line N: ...") for anything malformed.
    static ServiceData Parse(std::string_view utf8);
    static ServiceData LoadFromFile(const std::string& path);

private:
    std::vector<Account> m_accounts;
    std::vector<Area> m_areas;
    std::map<core::String, core::String> m_pages;
};

} // namespace sim::service
