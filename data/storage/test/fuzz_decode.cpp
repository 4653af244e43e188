// Arbitrary bytes through every encoding's decoding forms: nothing may raise but the range errors of
// ranges the input chose, and the whole-character count stays within the bytes.
#include "data/storage/encoding.h"
#include "data/storage/storage.h"

#include "core/exception.h"

#include <cstdlib>

using namespace data;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    if (size < 2)
        return 0;
    const int index = data[0] % 8, count = data[1] % 16;
    const TBytes bytes(data + 2, data + size);
    Encoding* encodings[] = {&Encoding::Default(), &Encoding::UTF8(), &Encoding::Unicode(), &Encoding::GetEncoding(1252),
                             &Encoding::GetEncoding(936)};
    for (Encoding* encoding : encodings) {
        (void)encoding->GetWideString(bytes);
        (void)encoding->GetString(bytes);
        try {
            (void)encoding->GetWideString(bytes, index, count);
            (void)encoding->GetString(bytes, index, count);
            if (size_t(index) + size_t(count) > bytes.size() && count > 0)
                std::abort();  // a range outside the array must be refused
        } catch (const core::ERangeError&) {
            if (size_t(index) + size_t(count) <= bytes.size())
                std::abort();
        }
        const int whole = encoding->CompleteByteCount(bytes.data(), int(bytes.size()));
        if (whole < 0 || whole > int(bytes.size()) || int(bytes.size()) - whole > 3)
            std::abort();
        const String text = encoding->GetWideString(bytes);
        (void)Encoding::Convert(*encoding, Encoding::UTF8(), bytes);
        (void)text;
    }
    return 0;
}
