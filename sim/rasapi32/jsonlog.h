// JSON lines of the simulated remote-access library's call log: one object per line, built field
// by field in the order given.
#pragma once

#include "core/string.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sim::rasapi32 {

class JsonLine {
public:
    JsonLine& Text(std::string_view key, core::StringView value);
    JsonLine& Number(std::string_view key, int64_t value);
    JsonLine& Bool(std::string_view key, bool value);
    // The object with its line end.
    std::string Line() const { return "{" + m_body + "}\n"; }

private:
    void Key(std::string_view key);
    std::string m_body;
};

// A JSON string literal of the text in UTF-8: quotes, backslashes and control characters escaped,
// lone surrogates replaced.
std::string JsonQuote(core::StringView text);

} // namespace sim::rasapi32
