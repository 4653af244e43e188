// Code page 936 on the host: the C library's converter, one character at a time so that a character
// the code page lacks becomes "?" instead of ending the conversion.
#include "sim/service/text936.h"

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <stdexcept>

namespace sim::service {

namespace {

class Converter {
public:
    Converter() : m_cd(iconv_open("CP936", "UTF-8")) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("code page 936 is not available");
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Appends one UTF-8 encoded character; false when the code page has no such character.
    bool Append(std::string_view utf8, std::string& out) {
        char buffer[8];
        char* in = const_cast<char*>(utf8.data());
        size_t in_left = utf8.size();
        char* put = buffer;
        size_t out_left = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &in, &in_left, &put, &out_left) == static_cast<size_t>(-1)) return false;
        out.append(buffer, put);
        return true;
    }

private:
    iconv_t m_cd;
};

} // namespace

std::string ToCodePage936(core::StringView text) {
    std::string out;
    out.reserve(text.size() * 2);
    size_t i = 0;
    std::optional<Converter> converter;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        size_t length = (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                         text[i + 1] <= 0xDFFF) ? 2 : 1;
        if (!converter) converter.emplace();
        std::string utf8 = core::ToUtf8(text.substr(i, length));
        if (!converter->Append(utf8, out)) out += '?';
        i += length;
    }
    return out;
}

} // namespace sim::service
