// Builds version blocks for the tests: a tree of nodes in the 32-bit (UTF-16) or 16-bit (ANSI)
// layout, with the lengths, alignment and fixed block a resource compiler writes.
#pragma once

#include "core/codepage.h"
#include "core/string.h"
#include "support/fileversion.h"

#include <cstring>
#include <string>
#include <vector>

namespace support::test {

struct VNode {
    core::String key;
    std::string value;        // the value's bytes
    int type = 1;             // 32-bit layout: 0 binary, 1 text
    int valueLength = -1;     // -1: derived from the value (units for wide text, else bytes)
    std::vector<VNode> children;
};

inline void Pad(std::string& out)
{
    while (out.size() % 4)
        out += '\0';
}

inline void Put16(std::string& out, size_t at, uint16_t v)
{
    out[at] = char(v & 0xFF);
    out[at + 1] = char(v >> 8);
}

inline std::string Build(const VNode& node, bool wide)
{
    std::string out(wide ? 6 : 4, '\0');
    if (wide) {
        Put16(out, 4, uint16_t(node.type));
        for (char16_t c : node.key)
            out += char(c & 0xFF), out += char(c >> 8);
        out += std::string(2, '\0');
    } else {
        out += core::ToAnsi(node.key);
        out += '\0';
    }
    Pad(out);
    out += node.value;
    int valueLength = node.valueLength;
    if (valueLength < 0)
        valueLength = int(wide && node.type == 1 ? node.value.size() / 2 : node.value.size());
    Put16(out, 2, uint16_t(valueLength));
    for (const VNode& child : node.children) {
        Pad(out);
        out += Build(child, wide);
    }
    Put16(out, 0, uint16_t(out.size()));
    return out;
}

// Text values: UTF-16 with a closing NUL (wide), or ANSI with a NUL.
inline std::string TextValue(core::StringView text, bool wide)
{
    if (!wide)
        return core::ToAnsi(text) + '\0';
    std::string out;
    for (char16_t c : text)
        out += char(c & 0xFF), out += char(c >> 8);
    return out + std::string(2, '\0');
}

inline VNode Item(const core::String& key, core::StringView value, bool wide) { return {key, TextValue(value, wide), 1, -1, {}}; }

inline std::string FixedBytes(uint32_t fileMS, uint32_t fileLS, uint32_t flagsMask, uint32_t flags,
                              uint32_t signature = kFixedInfoSignature)
{
    TVSFixedFileInfo f;
    f.dwSignature = signature;
    f.dwStrucVersion = 0x10000;
    f.dwFileVersionMS = fileMS;
    f.dwFileVersionLS = fileLS;
    f.dwProductVersionMS = fileMS;
    f.dwProductVersionLS = fileLS + 1;
    f.dwFileFlagsMask = flagsMask;
    f.dwFileFlags = flags;
    f.dwFileOS = 0x40004;
    f.dwFileType = 1;
    std::string out(sizeof(f), '\0');
    std::memcpy(out.data(), &f, sizeof(f));
    return out;
}

inline VNode Root(std::string fixed, std::vector<VNode> children)
{
    return {u"VS_VERSION_INFO", std::move(fixed), 0, -1, std::move(children)};
}

inline VNode Translation(std::vector<uint32_t> pairs)
{
    std::string value;
    for (uint32_t p : pairs)
        for (int i = 0; i < 4; ++i)
            value += char((p >> (8 * i)) & 0xFF);
    return {u"VarFileInfo", "", 1, -1, {{u"Translation", value, 0, -1, {}}}};
}

} // namespace support::test
