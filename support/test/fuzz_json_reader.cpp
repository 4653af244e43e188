// Fuzzes the JSON reader: any text (UTF-8 decoded) that reads must write compact text that reads back
// to the same text, whose measured size is its length; the bytes read as a stream must not fail
// differently from the same text.
#include "support/jsonobject.h"
#include "support/jsonreader.h"

#include "core/stream.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace support;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        JsonRef value = ParseString(core::FromUtf8(bytes), true);
        if (value) {
            const core::String compact = value->AsJSon(false, true);
            Check(value->CalcSize(false, true) == int64_t(compact.size()));
            Check(value->CalcSize(true, false) == int64_t(value->AsJSon(true, false).size()));
            JsonRef again = ParseString(compact, false);
            Check(again != nullptr);
            Check(again->AsJSon(false, true) == compact);
            JsonRef copy = value->Clone();
            Check(!copy || copy->AsJSon(false, true) == compact);
        }
        core::StringStream stream(bytes);
        JsonRef streamed = ParseStream(stream, true);
        if (streamed)
            streamed->AsJSon(true, true);
    }
    Check(JsonLiveValues() == 0);
    return 0;
}
