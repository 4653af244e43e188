// Decoding of form bodies ("application/x-www-form-urlencoded") as the client writes them, and the
// percent-escaped byte strings of scenario files.
//
// A body is fields joined by "&", each "name=value"; a piece without "=" is a name with an empty
// value, empty pieces are skipped. "%XX" (two hex digits, either case) stands for one byte; the bytes
// of a name or value must then be UTF-8. "+" is a plus sign, not a blank: the client escapes blanks as
// "%20" and older clients send "+" unescaped inside passwords.
#pragma once

#include "core/string.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim::service {

struct FormField {
    core::String name;
    core::String value;
    bool operator==(const FormField&) const = default;
};

class Form {
public:
    Form() = default;
    explicit Form(std::vector<FormField> fields) : m_fields(std::move(fields)) {}

    const std::vector<FormField>& Fields() const { return m_fields; }
    // The last field of that name, as a server-side script reads it; nullopt when absent.
    std::optional<core::String> Value(core::StringView name) const;

private:
    std::vector<FormField> m_fields;
};

struct FormResult {
    Form form;
    std::string error;  // empty on success; otherwise what is wrong and where
};

FormResult DecodeForm(std::string_view body);

// "%XX" escapes to bytes; false (with the offset of the bad escape in errorOffset) for a "%" that is
// not followed by two hex digits.
bool PercentDecode(std::string_view text, std::string& bytes, size_t* errorOffset = nullptr);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

} // namespace sim::service
