// Root of the class hierarchy for objects that are kept by base pointer and freed by their holder
// (list objects, components, collection items).
#pragma once

#include "core/string.h"

namespace core {

class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    // The class name without namespaces, as messages show it.
    virtual String ClassName() const;
};

} // namespace core
