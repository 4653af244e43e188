// Reference counting of shared objects.
#include "data/storage/sharedobject.h"

#include "core/exception.h"

namespace data {

void TSharedObject::Free(TSharedObject* object)
{
    if (!object)
        return;
    if (object->FRefCount <= 0)
        core::AssertFailed(object->ClassName() + u".Free RefCount = " + core::IntToStr(object->FRefCount), __FILE__,
                           __LINE__);
    if (object->FRefCount == 1)
        delete object;
    else
        --object->FRefCount;
}

void TSharedObject::CheckValid() const
{
    if (FRefCount == 0)
        throw core::Exception(u"Invalid SharedObject");
}

} // namespace data
