#include "core/object.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace core {

String Object::ClassName() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string_view name = status == 0 && demangled ? std::string_view(demangled.get()) : std::string_view(mangled);
    const size_t colon = name.rfind("::");
    if (colon != std::string_view::npos)
        name.remove_prefix(colon + 2);
    return FromUtf8(name);
}

} // namespace core
