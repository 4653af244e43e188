// Code page 936 on Windows: the system's own table.
#include "core/win32.h"

#include "sim/service/text936.h"

namespace sim::service {

std::string ToCodePage936(core::StringView text) {
    if (text.empty()) return {};
    // The code page has nothing beyond the basic plane; a pair of surrogates is one character and
    // becomes one "?", as on the host, not the two the system would write.
    core::String units;
    units.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            units += u'?';
            ++i;
        } else {
            units += c;
        }
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
    int count = static_cast<int>(units.size());
    int size = WideCharToMultiByte(936, 0, wide, count, nullptr, 0, "?", nullptr);
    if (size <= 0) return std::string(units.size(), '?');
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(936, 0, wide, count, out.data(), size, "?", nullptr);
    return out;
}

} // namespace sim::service
