// Base64 decoder.
//
// Input format: any bytes. Only the 64 alphabet characters ("A"-"Z" = 0-25, "a"-"z" = 26-51,
// "0"-"9" = 52-61, "+" = 62, "/" = 63) and the pad "=" (value 0) take part; every other byte is
// dropped before decoding. The remaining characters are taken four at a time; a group of values
// a b c d gives the three bytes (a<<2 | b>>4), (b<<4 | c>>2) & 0xFF and (c<<6 | d) & 0xFF. A last
// group of fewer than four characters is ignored. Pads therefore decode as zero bytes, which the
// final trim removes together with any other byte at or below the blank at either end.
#include "support/base64.h"

#include <array>
#include <cstdint>

namespace support {

namespace {

constexpr int8_t NotInAlphabet = -1;

constexpr std::array<int8_t, 256> MakeTable()
{
    std::array<int8_t, 256> table{};
    for (auto& value : table)
        value = NotInAlphabet;
    for (int i = 0; i < 26; ++i) {
        table[size_t('A' + i)] = int8_t(i);
        table[size_t('a' + i)] = int8_t(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        table[size_t('0' + i)] = int8_t(52 + i);
    table[size_t('+')] = 62;
    table[size_t('/')] = 63;
    table[size_t('=')] = 0;
    return table;
}

constexpr std::array<int8_t, 256> Table = MakeTable();

// Trimming the bytes directly is the same as trimming the text in the ANSI code page: a byte at or
// below the blank is never part of a double-byte character (trail bytes start at 0x40), and it keeps
// bytes that the code page cannot map from being replaced by the round trip through UTF-16.
void TrimBytes(std::string& bytes)
{
    size_t end = bytes.size();
    while (end > 0 && static_cast<unsigned char>(bytes[end - 1]) <= 0x20)
        --end;
    size_t begin = 0;
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 0x20)
        ++begin;
    bytes = bytes.substr(begin, end - begin);
}

} // namespace

void Base64Decode(std::string_view input, std::string& output)
{
    if (input.empty())
        return;
    std::string result;
    result.reserve(input.size() / 4 * 3);
    uint32_t group = 0;
    int filled = 0;
    for (char c : input) {
        const int8_t value = Table[static_cast<unsigned char>(c)];
        if (value == NotInAlphabet)
            continue;
        group = (group << 6) | uint32_t(value);
        if (++filled == 4) {
            result.push_back(static_cast<char>((group >> 16) & 0xFF));
            result.push_back(static_cast<char>((group >> 8) & 0xFF));
            result.push_back(static_cast<char>(group & 0xFF));
            group = 0;
            filled = 0;
        }
    }
    TrimBytes(result);
    output = std::move(result);
}

std::string Base64Decode(std::string_view input)
{
    std::string output;
    Base64Decode(input, output);
    return output;
}

} // namespace support
