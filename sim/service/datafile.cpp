// Reader of the service's data file (format at the top of datafile.h).
#include "sim/service/datafile.h"

#include "sim/service/form.h"

#include <fstream>
#include <iterator>

namespace sim::service {

namespace {

std::string_view TrimBytes(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

[[noreturn]] void Fail(int line, const std::string& message) {
    throw EDataFile(core::FromUtf8("line " + std::to_string(line) + ": " + message));
}

} // namespace

const Account* ServiceData::FindAccount(core::StringView name) const {
    for (const auto& account : m_accounts)
        if (account.name == name) return &account;
    return nullptr;
}

const core::String* ServiceData::FindPage(core::StringView name) const {
    auto it = m_pages.find(core::String(name));
    return it == m_pages.end() ? nullptr : &it->second;
}

core::String ServiceData::NodeListText() const {
    core::String text;
    for (const auto& area : m_areas) {
        text += u"[" + area.name + u"]\r\n";
        for (const auto& node : area.nodes) text += node.key + u"=" + node.value + u"\r\n";
    }
    return text;
}

ServiceData ServiceData::Parse(std::string_view utf8) {
    if (utf8.size() > kMaxFileSize) Fail(0, "the file is larger than 4 MiB");
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);

    enum class Kind { None, Account, Area, Page };
    ServiceData data;
    Kind kind = Kind::None;
    core::String page_name;
    std::string page_text;
    auto finish_page = [&] {
        if (kind == Kind::Page) data.m_pages[page_name] = core::FromUtf8(page_text);
        page_text.clear();
    };

    int number = 0;
    size_t start = 0;
    while (start < utf8.size()) {
        size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view raw = utf8.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!IsValidUtf8(raw)) Fail(number, "not UTF-8");
        std::string_view line = TrimBytes(raw);

        bool header = line.size() >= 2 && line.front() == '[' && line.back() == ']';
        if (kind == Kind::Page && !header) {
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            page_text.append(raw).append("\r\n");
            continue;
        }
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;

        if (header) {
            finish_page();
            std::string_view inside = line.substr(1, line.size() - 2);
            size_t blank = inside.find(' ');
            std::string_view word = inside.substr(0, blank);
            std::string_view name = blank == std::string_view::npos ? std::string_view{} : TrimBytes(inside.substr(blank + 1));
            if (name.empty()) Fail(number, "section \"" + std::string(inside) + "\" has no name");
            core::String text = core::FromUtf8(name);
            if (word == "account") {
                if (data.FindAccount(text)) Fail(number, "account \"" + std::string(name) + "\" appears twice");
                Account account;
                account.name = text;
                data.m_accounts.push_back(std::move(account));
                kind = Kind::Account;
            } else if (word == "area") {
                data.m_areas.push_back(Area{text, {}});
                kind = Kind::Area;
            } else if (word == "page") {
                if (data.m_pages.count(text)) Fail(number, "page \"" + std::string(name) + "\" appears twice");
                page_name = text;
                kind = Kind::Page;
            } else {
                Fail(number, "unknown section kind \"" + std::string(word) + "\" (account, area or page)");
            }
            continue;
        }

        size_t equals = line.find('=');
        if (equals == std::string_view::npos) Fail(number, "expected \"key = value\"");
        std::string_view key = TrimBytes(line.substr(0, equals));
        std::string_view value = TrimBytes(line.substr(equals + 1));
        if (key.empty()) Fail(number, "empty key");

        if (kind == Kind::None) Fail(number, "a line outside any section");
        if (kind == Kind::Area) {
            data.m_areas.back().nodes.push_back({core::FromUtf8(key), core::FromUtf8(value)});
            continue;
        }
        Account& account = data.m_accounts.back();
        if (key == "password") {
            account.password = core::FromUtf8(value);
        } else if (key == "state") {
            if (value == "ok") account.state = AccountState::Ok;
            else if (value == "expire") account.state = AccountState::Expired;
            else if (value == "useup") account.state = AccountState::UsedUp;
            else Fail(number, "state must be ok, expire or useup");
        } else if (key == "info") {
            account.info = core::FromUtf8(value);
        } else if (key == "dial") {
            if (value == "own") account.dial = DialMode::OwnLogin;
            else if (value == "issued") account.dial = DialMode::Issued;
            else Fail(number, "dial must be own or issued");
        } else if (key == "dial_user") {
            account.dial_user = core::FromUtf8(value);
        } else if (key == "dial_password") {
            account.dial_password = core::FromUtf8(value);
        } else {
            Fail(number, "unknown account key \"" + std::string(key) + "\"");
        }
    }
    finish_page();

    for (const auto& account : data.m_accounts)
        if (account.password.empty())
            throw EDataFile(u"account \"" + account.name + u"\" has no password");
    return data;
}

ServiceData ServiceData::LoadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EDataFile(core::FromUtf8("cannot open data file " + path));
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileSize) throw EDataFile(core::FromUtf8(path + ": larger than 4 MiB"));
    }
    return Parse(text);
}

} // namespace sim::service
