// Fuzzes schema validation: rules, definitions and the value, one per line. Every violation must be
// of a known kind, a failing value must report at least one, and validating the value against itself (any
// document may be taken as rules) must not fail either.
#include "support/jsonobject.h"
#include "support/jsonreader.h"

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

void Count(void* sender, TJsonValidateError error, const core::String&)
{
    Check(error >= veRuleMalformated && error <= veInvalidRange);
    ++*static_cast<int*>(sender);
}

std::string Line(const std::string& text, size_t& from)
{
    const size_t end = text.find('\n', from);
    std::string line = text.substr(from, end == std::string::npos ? std::string::npos : end - from);
    from = end == std::string::npos ? text.size() : end + 1;
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    const core::String rules = core::FromUtf8(Line(text, at));
    const core::String defs = core::FromUtf8(Line(text, at));
    const core::String value = core::FromUtf8(Line(text, at));
    {
        JsonRef doc = ParseString(value, true);
        if (!doc)
            doc = TJsonObject::Make(stNull);
        int violations = 0;
        const bool passed = doc->Validate(rules, defs, Count, &violations);
        Check(passed || violations > 0);
        violations = 0;
        doc->Validate(doc, ParseString(defs, true), Count, &violations);
        doc->Clear(true);
    }
    Check(JsonLiveValues() == 0);
    return 0;
}
