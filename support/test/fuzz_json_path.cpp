// Fuzzes the path language: the first byte holds the options (and whether the document itself is the
// value to store, which makes a cycle), the second the kind of created values; then a document and a
// path, one per line. Whatever the path does, the document must still write, and clearing it must
// leave no value alive.
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

// Indices in the millions would only measure the machine's memory.
bool HasLongNumber(const std::string& text)
{
    size_t run = 0;
    for (char c : text) {
        run = c >= '0' && c <= '9' ? run + 1 : 0;
        if (run > 5)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const unsigned options = data[0] & 0x0F;
    const bool putSelf = data[0] & 0x10;
    const TJsonType kind = TJsonType(data[1] % 8);
    const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const size_t newline = rest.find('\n');
    const std::string document = rest.substr(0, newline);
    const std::string path = newline == std::string::npos ? std::string() : rest.substr(newline + 1);
    // The document's numbers count too: an index expression can take its index from the document.
    if (HasLongNumber(path) || HasLongNumber(document))
        return 0;
    {
        JsonRef doc = ParseString(core::FromUtf8(document), true);
        if (!doc)
            doc = TJsonObject::Make(stObject);
        JsonRef put = putSelf ? doc : TJsonObject::Make(int64_t(7));
        JsonRef result = ParseString(core::FromUtf8(path), true, doc.get(), options, put, kind);
        const core::String text = doc->AsJSon(false, true);
        Check(doc->CalcSize(false, true) == int64_t(text.size()));
        if (result)
            result->AsJSon(true, false);
        doc->GetN(core::FromUtf8(path));
        doc->Format(core::FromUtf8(path));
        JsonRef copy = doc->Clone();
        if (copy) {
            doc->Merge(copy);
            copy->Clear(true);
        }
        doc->Clear(true);
        if (result)
            result->Clear(true);
    }
    Check(JsonLiveValues() == 0);
    return 0;
}
