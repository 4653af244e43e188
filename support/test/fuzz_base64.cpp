// Fuzzes the base64 decoder: any bytes decode without fault, the result is never longer than three
// bytes per four input bytes and carries no blank at either end, and decoding is unaffected by
// characters outside the alphabet.
#include "support/base64.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool InAlphabet(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
           c == '=';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string output = support::Base64Decode(input);
    Check(output.size() <= size / 4 * 3);
    if (!output.empty()) {
        Check(static_cast<unsigned char>(output.front()) > 0x20);
        Check(static_cast<unsigned char>(output.back()) > 0x20);
    }
    std::string filtered;
    for (char c : input)
        if (InAlphabet(static_cast<unsigned char>(c)))
            filtered.push_back(c);
    if (!filtered.empty())
        Check(support::Base64Decode(filtered) == output);
    return 0;
}
