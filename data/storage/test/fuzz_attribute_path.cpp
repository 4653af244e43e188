// Arbitrary attribute paths through a small nest of structured types: a path finds an attribute of
// the types or nothing, and never fails otherwise.
#include "data/storage/fielddesc.h"

#include <cstdlib>
#include <string_view>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto* line = new TObjectType(u"LINE");
    line->AddAttribute(u"PRICE", dtFloat);
    line->AddAttribute(u"SELF", dtReference, line);
    auto* lines = new TObjectType(u"LINES", dtArray);
    lines->AddAttribute(u"ELEMENT", dtObject, line);
    auto* order = new TObjectType(u"ORDER");
    order->AddAttribute(u"ITEMS", dtArray, lines);
    order->AddAttribute(u"QTY", dtInt32);
    TSharedObject::Free(line);
    TSharedObject::Free(lines);

    const String path = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    if (TAttribute* found = order->FindAttribute(path)) {
        const TObjectType* owner = found->Owner();
        bool known = false;
        for (const TObjectType* type : {order, lines, line})
            known = known || owner == type;
        if (!known)
            std::abort();
    }
    TSharedObject::Free(order);
    return 0;
}
