// Code page 936 on Windows: the system's own table.
#include "core/win32.h"

#include "sim/service/text936.h"

namespace sim::service {

std::string ToCodePage936(core::StringView text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int count = static_cast<int>(text.size());
    int size = WideCharToMultiByte(936, 0, wide, count, nullptr, 0, "?", nullptr);
    if (size <= 0) return std::string(text.size(), '?');
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(936, 0, wide, count, out.data(), size, "?", nullptr);
    return out;
}

} // namespace sim::service
