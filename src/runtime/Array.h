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
        if (o.m_ref)
            ++*o.m_ref;
        Array old(std::move(*this));
        m_ref = o.m_ref;
        a = o.a;
        length = o.length;
        return *this;
    }
    Array& operator=(Array&& o) noexcept
    {
        if (this != &o) {
            Array old(std::move(*this));
            m_ref = o.m_ref;
            a = o.a;
            length = o.length;
            o.m_ref = nullptr;
            o.a = nullptr;
            o.length = 0;
        }
        return *this;
    }
    ~Array()
    {
        if (m_ref && --*m_ref == 0) {
            delete m_ref;
            delete[] a; // destroys handles in reverse order: last element first
        }
    }

    T& operator[](int32_t i) const noexcept
    {
        KV_CHECK(i >= 0 && i < length, "Array::operator[]");
        return a[i];
    }
    bool empty() const noexcept { return a == nullptr; }

    int32_t* m_ref = nullptr;
    T* a = nullptr;
    int32_t length = 0;
};
