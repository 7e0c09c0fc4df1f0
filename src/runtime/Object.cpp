#include "runtime/Object.h"

#include <cstdlib>

std::atomic<int64_t> Object::m_allocations{0};

void* Object::operator new(std::size_t size) noexcept
{
    m_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::calloc(1, size);
}

void Object::operator delete(void* p) noexcept
{
    std::free(p);
}
