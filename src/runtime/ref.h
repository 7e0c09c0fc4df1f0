#pragma once
#include <concepts>
#include <cstddef>

#include "runtime/Object.h"

// Intrusive counted handle. Copying adds a reference; dropping the last one
// deletes the object. Assignment takes the new reference before it drops the
// old one, so self-assignment is safe. There is no cycle collection: the
// sprite tree breaks its parent/child cycles by explicit removal.
//
// A class holding ref<X> of a type it only forward-declares must define its
// constructor and destructor where X is complete.
template <class T>
class ref {
public:
    ref() noexcept = default;
    ref(std::nullptr_t) noexcept {}
    ref(T* p) noexcept : m_ptr(p) { retain(p); }
    ref(const ref& o) noexcept : m_ptr(o.m_ptr) { retain(m_ptr); }
    ref(ref&& o) noexcept : m_ptr(o.m_ptr) { o.m_ptr = nullptr; }
    template <class U>
        requires std::convertible_to<U*, T*>
    ref(const ref<U>& o) noexcept : m_ptr(o.get()) { retain(m_ptr); }

    ~ref() { release(m_ptr); }

    ref& operator=(const ref& o) noexcept { return assign(o.m_ptr); }
    ref& operator=(ref&& o) noexcept
    {
        if (this != &o) {
            T* old = m_ptr;
            m_ptr = o.m_ptr;
            o.m_ptr = nullptr;
            release(old);
        }
        return *this;
    }
    ref& operator=(T* p) noexcept { return assign(p); }
    ref& operator=(std::nullptr_t) noexcept { return assign(nullptr); }
    template <class U>
        requires std::convertible_to<U*, T*>
    ref& operator=(const ref<U>& o) noexcept { return assign(o.get()); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

    template <class U>
    bool operator==(const ref<U>& o) const noexcept { return m_ptr == o.get(); }
    bool operator==(const T* p) const noexcept { return m_ptr == p; }
    bool operator==(std::nullptr_t) const noexcept { return m_ptr == nullptr; }

    T* m_ptr = nullptr;

private:
    static void retain(T* p) noexcept
    {
        if (p)
            ++p->m_refs;
    }
    static void release(T* p) noexcept
    {
        if (p && --p->m_refs == 0)
            delete p;
    }
    ref& assign(T* p) noexcept
    {
        retain(p);
        T* old = m_ptr;
        m_ptr = p;
        release(old);
        return *this;
    }
};

// Downcast of a handle whose dynamic type the caller knows (or checks: null
// when the object is not a U).
template <class U, class T>
ref<U> ref_cast(const ref<T>& r) noexcept
{
    return ref<U>(dynamic_cast<U*>(r.get()));
}
