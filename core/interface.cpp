// The shared reference count of RefCounted objects.
#include "core/interface.h"

#include "core/exception.h"

namespace core {

int32_t RefCounted::AddRef() noexcept
{
    return m_ref_count.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t RefCounted::Release() noexcept
{
    // Release ordering publishes this thread's writes; the acquire on the last release makes every
    // other thread's writes visible before the destructor runs.
    const int32_t count = m_ref_count.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0)
        delete this;
    return count;
}

void RefCounted::Free()
{
    if (m_ref_count.load(std::memory_order_acquire) != 0)
        throw EInvalidPointer(u"Invalid pointer");
    delete this;
}

} // namespace core
