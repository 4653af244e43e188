// Text through every variant conversion: only the variant errors may come out, and what converts
// must survive a trip back through its own text.
#include "core/variant.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

using namespace core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const String text = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const Variant value(text);
    try { (void)value.AsInteger(); } catch (const EVariantError&) {}
    try { (void)value.AsInt64(); } catch (const EVariantError&) {}
    try { (void)value.AsUInt64(); } catch (const EVariantError&) {}
    try { (void)value.AsDouble(); } catch (const EVariantError&) {}
    try { (void)value.AsBoolean(); } catch (const EVariantError&) {}
    try { (void)value.AsType(varSingle); } catch (const EVariantError&) {}
    try {
        (void)(value < Variant(1));
    } catch (const EVariantError&) {
    }

    Currency amount;
    if (TryStrToCurr(text, amount) && StrToCurr(CurrToStr(amount)) != amount)
        std::abort();
    try {
        if (value.AsCurrency() != Variant(value.AsCurrency()).AsCurrency())
            std::abort();
    } catch (const EVariantError&) {
    }

    double date = 0;
    try {
        date = value.AsDateTime();
    } catch (const EVariantError&) {
        return 0;
    }
    // Between day -1 and 0 the text cannot tell the sign, as with the platform's own dates.
    if (!(date > -1 && date < 0)) {
        try {
            const String written = Variant::FromDate(date).AsString();
            const double back = Variant(written).AsDateTime();
            if (!(std::fabs(back - date) <= 1.0 / 86400 + 1e-6))
                std::abort();
        } catch (const EVariantTypeCastError&) {
            // No text outside years 1..9999.
        }
    }
    return 0;
}
