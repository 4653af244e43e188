// Assignment between persistent objects: Assign falls back to the source's AssignTo.
#include "core/persistent.h"

#include "core/exception.h"

namespace core {

void Persistent::Assign(const Persistent& source)
{
    source.AssignTo(*this);
}

void Persistent::AssignTo(Persistent& dest) const
{
    dest.AssignError(this);
}

void Persistent::AssignError(const Persistent* source) const
{
    const String sourceName = source ? source->ClassName() : String(u"nil");
    throw EConvertError(u"Cannot assign a " + sourceName + u" to a " + ClassName());
}

} // namespace core
