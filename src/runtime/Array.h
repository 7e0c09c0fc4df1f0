#pragma once
#include <cstdint>
#include <new>
#include <utility>

#include "runtime/Check.h"

// A counted view of a heap block: copies share the elements, and the last copy
// to go frees them. Elements start zeroed (null for handles). An array of
// ref<U> releases its elements last first when it is freed. Indexing is not
// checked except in range-check builds.
template <class T>
class Array {
public:
    Array() noexcept = default;

    // n zeroed elements; n <= 0 (or a failed allocation) gives the empty array.
    explicit Array(int32_t n) noexcept
    {
        if (n <= 0)
            return;
        T* block = new (std::nothrow) T[static_cast<std::size_t>(n)]();
        int32_t* counter = block ? new (std::nothrow) int32_t(1) : nullptr;
        if (!counter) {
            delete[] block;
            return;
        }
        m_ref = counter;
        a = block;
        length = n;
    }

    Array(const Array& o) noexcept : m_ref(o.m_ref), a(o.a), length(o.length)
    {
        if (m_ref)
            ++*m_ref;
    }
    Array(Array&& o) noexcept : m_ref(o.m_ref), a(o.a), length(o.length)
    {
        o.m_ref = nullptr;
        o.a = nullptr;
        o.length = 0;
    }
    Array& operator=(const Array& o) noexcept
    {
        // Take the new reference before dropping the old one: o may be this.
        int32_t* ref = o.m_ref;
        T* elements = o.a;
        int32_t n = o.length;
        if (ref)
            ++*ref;
        release();
        m_ref = ref;
        a = elements;
        length = n;
        return *this;
    }
    Array& operator=(Array&& o) noexcept
    {
        if (this != &o) {
            release();
            m_ref = o.m_ref;
            a = o.a;
            length = o.length;
            o.m_ref = nullptr;
            o.a = nullptr;
            o.length = 0;
        }
        return *this;
    }
    ~Array() { release(); }

    T& operator[](int32_t i) const noexcept
    {
        KV_CHECK(i >= 0 && i < length, "Array::operator[]");
        return a[i];
    }
    bool empty() const noexcept { return a == nullptr; }

    int32_t* m_ref = nullptr;
    T* a = nullptr;
    int32_t length = 0;

private:
// Copies share one counter; GCC's use-after-free analysis cannot see that a
// copy still alive keeps the count above zero, and warns on every copy.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif
    void release() noexcept
    {
        if (m_ref && --*m_ref == 0) {
            delete m_ref;
            delete[] a; // destroys handles in reverse order: last element first
        }
        m_ref = nullptr;
        a = nullptr;
        length = 0;
    }
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif
};
