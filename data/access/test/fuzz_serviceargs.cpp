// Service start parameters of arbitrary UTF-16 text split into arguments: no argument is empty, none
// holds a blank or control character outside a quoted part, and splitting the arguments joined by
// blanks (each quoted) gives them back.
#include "data/access/netmanager.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    core::String text(Size / 2, u'\0');
    std::memcpy(text.data(), Data, text.size() * 2);
    const std::vector<core::String> args = SplitServiceArgs(text);
    core::String joined;
    for (const core::String& arg : args) {
        if (arg.empty() || arg.find(u'\0') != core::String::npos)
            std::abort();
        if (arg.find(u'"') != core::String::npos)
            return 0;  // a quote that was part of no pair cannot be quoted back
        joined += u" \"" + arg + u"\"";
    }
    if (SplitServiceArgs(joined) != args)
        std::abort();
    return 0;
}
