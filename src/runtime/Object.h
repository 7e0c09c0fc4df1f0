#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

// Root of every engine class. Objects live on the heap and are held through
// ref<T>; every field has a default member initialiser, so nothing depends on
// what the allocator leaves in the memory. Allocation failure yields null and
// never throws.
class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* p) noexcept;

    // Number of ref<T> handles that point at this object (game thread only).
    int32_t m_refs = 0;

    // Objects allocated since the start, for tests that check a loop
    // allocates nothing.
    static std::atomic<int64_t> m_allocations;
};
