// Form body and percent-escape decoding.
#include "sim/service/form.h"

namespace sim::service {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<core::String> Form::Value(core::StringView name) const {
    for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
        if (it->name == name) return it->value;
    return std::nullopt;
}

bool PercentDecode(std::string_view text, std::string& bytes, size_t* errorOffset) {
    bytes.clear();
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '%') {
            bytes += c;
            continue;
        }
        int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            if (errorOffset) *errorOffset = i;
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        char32_t cp;
        if (b >= 0xC2 && b <= 0xDF) { length = 2; cp = b & 0x1F; }
        else if (b >= 0xE0 && b <= 0xEF) { length = 3; cp = b & 0x0F; }
        else if (b >= 0xF0 && b <= 0xF4) { length = 4; cp = b & 0x07; }
        else return false;
        if (i + length > bytes.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

FormResult DecodeForm(std::string_view body) {
    FormResult result;
    std::vector<FormField> fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string_view::npos) end = body.size();
        std::string_view piece = body.substr(start, end - start);
        if (!piece.empty()) {
            size_t equals = piece.find('=');
            std::string_view raw_name = piece.substr(0, equals);
            std::string_view raw_value = equals == std::string_view::npos ? std::string_view{} : piece.substr(equals + 1);
            std::string name, value;
            size_t bad = 0;
            if (!PercentDecode(raw_name, name, &bad)) {
                result.error = "malformed percent escape at byte " + std::to_string(start + bad);
                return result;
            }
            if (!PercentDecode(raw_value, value, &bad)) {
                result.error = "malformed percent escape at byte " + std::to_string(start + equals + 1 + bad);
                return result;
            }
            if (!IsValidUtf8(name) || !IsValidUtf8(value)) {
                result.error = "field at byte " + std::to_string(start) + " is not UTF-8 once unescaped";
                return result;
            }
            fields.push_back({core::FromUtf8(name), core::FromUtf8(value)});
        }
        start = end + 1;
    }
    result.form = Form(std::move(fields));
    return result;
}

} // namespace sim::service
