// Objects that can copy their state from another object of a compatible class (Assign), the base of
// components, collections and collection items.
#pragma once

#include "core/object.h"

namespace core {

class Persistent : public Object {
public:
    // Copies the state of source into this object. The default asks the source to do it (AssignTo),
    // so that either side of a pair of classes can implement the copy.
    virtual void Assign(const Persistent& source);

protected:
    // Copies this object's state into dest. The default raises the assignment error.
    virtual void AssignTo(Persistent& dest) const;
    // Raises EConvertError "Cannot assign a <source class> to a <this class>" ("nil" without source).
    [[noreturn]] void AssignError(const Persistent* source) const;
};

} // namespace core
