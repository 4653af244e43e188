// Fuzz target: form bodies never crash the decoder, and a decoded form's fields are whole text.
#include "sim/service/form.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view body(reinterpret_cast<const char*>(data), size);
    sim::service::FormResult result = sim::service::DecodeForm(body);
    if (!result.error.empty() && !result.form.Fields().empty()) std::abort();
    for (const auto& field : result.form.Fields())
        if (field.name.size() > size || field.value.size() > size) std::abort();
    return 0;
}
