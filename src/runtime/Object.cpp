#include "runtime/Object.h"

#include <cstdlib>

void* Object::operator new(std::size_t size) noexcept
{
    return std::calloc(1, size);
}

void Object::operator delete(void* p) noexcept
{
    std::free(p);
}
