// Fuzz target for the text conversions: arbitrary format strings through Format, arbitrary number
// texts through the parsers (with round-trip checks on what they accept), arbitrary bytes through the
// code pages and arbitrary doubles through every float shape. Conversion errors are expected; crashes,
// sanitizer reports and broken round trips are not.
#include "core/codepage.h"
#include "core/convert.h"
#include "core/exception.h"
#include "core/format.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace core;

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void FuzzFormat(StringView format)
{
    static const char16_t text[] = u"text \U0001F600";
    int local = 0;
    try {
        Format(format, {42, -7, int64_t(-5000000000), UINT64_MAX, 3.25, -1e300, NAN, text, u'c', &local, 1e-300, 0u, 300});
    } catch (const Exception&) {
    }
}

void FuzzNumbers(StringView text)
{
    int32_t i32 = 0;
    if (TryStrToInt(text, i32))
        Check(StrToInt(IntToStr(i32)) == i32);
    int64_t i64 = 0;
    if (TryStrToInt64(text, i64))
        Check(StrToInt64(IntToStr(i64)) == i64);
    double value = 0;
    if (TryStrToFloat(text, value) && std::isfinite(value))
        Check(StrToFloat(FloatToStrF(value, FloatFormat::General, 17, 0)) == value);
    bool flag = false;
    TryStrToBool(text, flag);
    try {
        StrToFloat(text);
    } catch (const EConvertError&) {
    }
}

void FuzzCodePages(std::string_view bytes)
{
    for (unsigned codePage : {936u, 1252u, 65001u, 437u}) {
        const String text = FromAnsi(bytes, codePage);
        Check(text.size() <= bytes.size());
        ToAnsi(text, codePage);
    }
    ToAnsi(FromUtf8(bytes), 936);
}

void FuzzFloat(const uint8_t* data, size_t size)
{
    double value = 0;
    std::memcpy(&value, data, size < sizeof value ? size : sizeof value);
    const int precision = size > 8 ? data[8] % 24 - 2 : 15;
    const int digits = size > 9 ? data[9] % 24 - 2 : 2;
    for (FloatFormat format : {FloatFormat::General, FloatFormat::Exponent, FloatFormat::Fixed,
                               FloatFormat::Number, FloatFormat::Currency})
        FloatToStrF(value, format, precision, digits);
    if (std::isfinite(value)) {
        Check(StrToFloat(FloatToStrF(value, FloatFormat::General, 17, 0)) == value);
        Check(StrToFloat(FloatToStrF(value, FloatFormat::Exponent, 18, 3)) == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0] % 4;
    ++data;
    --size;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    switch (mode) {
    case 0: FuzzFormat(FromUtf8(bytes)); break;
    case 1: FuzzNumbers(FromUtf8(bytes)); break;
    case 2: FuzzCodePages(bytes); break;
    default: FuzzFloat(data, size); break;
    }
    return 0;
}
