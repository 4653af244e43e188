// Reference-counted interfaces: the IInterface root, the RefCounted implementation base and the
// Ref<T> smart pointer that holds one counted reference.
//
// An object made with MakeRef (or `Ref<T>(new T)`) lives while a Ref to one of its interfaces exists
// and deletes itself when the last one is released. The count starts at zero after construction:
// a constructor must not hand out references to `this`, because dropping them would destroy the
// object before it is finished. Counts change atomically, so references may be taken and dropped on
// several threads; one Ref object itself is not meant to be written by two threads at once.
//
// Interfaces derive virtually from IInterface (and an interface that extends another derives from it
// virtually too), so that one class can implement several of them and a class chain can add an
// extended interface at each step while RefCounted supplies the single count:
//
//     class IShape : public virtual IInterface { public: virtual double Area() const = 0; };
//     class Square : public RefCounted, public IShape { ... };
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace core {

class IInterface {
public:
    // Both return the count after the change.
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;

protected:
    IInterface() = default;
    IInterface(const IInterface&) = default;
    IInterface& operator=(const IInterface&) = default;
    // Interfaces are never deleted through: the last Release does it.
    virtual ~IInterface() = default;
};

class RefCounted : public virtual IInterface {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    int32_t AddRef() noexcept override;
    // The release that brings the count to zero deletes the object.
    int32_t Release() noexcept override;
    int32_t RefCount() const noexcept { return m_ref_count.load(std::memory_order_acquire); }

    // Destroys an object that was never referenced (or whose references are all gone); an object that
    // is still referenced stays alive and EInvalidPointer "Invalid pointer" is raised.
    void Free();

protected:
    RefCounted() = default;
    ~RefCounted() override = default;
    // For a factory that hands a new object straight to one Ref::Adopt: the object starts with that
    // single reference, set without an interlocked change since no other thread can see it yet.
    void SetFirstReference() noexcept { m_ref_count.store(1, std::memory_order_relaxed); }

private:
    std::atomic<int32_t> m_ref_count{0};
};

template<class T>
class Ref {
public:
    using element_type = T;

    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    // Retains: takes a new reference to the object (the usual way to hold a freshly made object).
    explicit Ref(T* object) noexcept : m_ptr(object)
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    // Adopts a reference the caller already holds (counted before), without adding one.
    static Ref Adopt(T* object) noexcept
    {
        Ref result;
        result.m_ptr = object;
        return result;
    }

    Ref(const Ref& other) noexcept : Ref(other.m_ptr) {}
    Ref(Ref&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    template<class U>
        requires std::is_convertible_v<U*, T*>
    Ref(const Ref<U>& other) noexcept : Ref(static_cast<T*>(other.get()))
    {
    }
    template<class U>
        requires std::is_convertible_v<U*, T*>
    Ref(Ref<U>&& other) noexcept : m_ptr(other.Detach())
    {
    }

    ~Ref() { reset(); }

    // Copy-and-swap keeps self-assignment and assignment of a Ref that the old object owns safe: the
    // old reference is dropped only after the new one is in place.
    Ref& operator=(const Ref& other) noexcept
    {
        Ref(other).swap(*this);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept
    {
        Ref(std::move(other)).swap(*this);
        return *this;
    }
    Ref& operator=(std::nullptr_t) noexcept
    {
        reset();
        return *this;
    }

    void reset() noexcept
    {
        if (T* old = std::exchange(m_ptr, nullptr))
            old->Release();
    }
    // Retains the new object, then releases the old one.
    void reset(T* object) noexcept { Ref(object).swap(*this); }
    void swap(Ref& other) noexcept { std::swap(m_ptr, other.m_ptr); }

    // Gives up the reference without releasing it; the caller now owns it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(m_ptr, nullptr); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

    // The query for another interface of the same object: a new reference, or null when the object
    // does not implement U.
    template<class U>
    Ref<U> Cast() const noexcept
    {
        return Ref<U>(dynamic_cast<U*>(m_ptr));
    }

private:
    T* m_ptr = nullptr;
};

// Identity comparisons; references to different interfaces of one object compare through their
// common IInterface pointer where the types allow the conversion.
template<class T, class U>
bool operator==(const Ref<T>& a, const Ref<U>& b) noexcept
{
    return a.get() == b.get();
}
template<class T>
bool operator==(const Ref<T>& a, std::nullptr_t) noexcept
{
    return !a;
}
template<class T, class U>
bool operator==(const Ref<T>& a, const U* b) noexcept
{
    return a.get() == b;
}
template<class T>
bool operator<(const Ref<T>& a, const Ref<T>& b) noexcept
{
    return std::less<T*>()(a.get(), b.get());
}

template<class T, class... Args>
Ref<T> MakeRef(Args&&... args)
{
    return Ref<T>(new T(std::forward<Args>(args)...));
}

// The platform's Supports: true and `result` set when the object implements U.
template<class U, class T>
bool Supports(const Ref<T>& object, Ref<U>& result) noexcept
{
    result = object.template Cast<U>();
    return static_cast<bool>(result);
}
template<class U, class T>
bool Supports(const Ref<T>& object) noexcept
{
    return dynamic_cast<U*>(object.get()) != nullptr;
}

} // namespace core

template<class T>
struct std::hash<core::Ref<T>> {
    size_t operator()(const core::Ref<T>& ref) const noexcept { return std::hash<T*>()(ref.get()); }
};
