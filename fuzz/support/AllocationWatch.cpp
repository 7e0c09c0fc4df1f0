#include "AllocationWatch.h"

#include <atomic>

// Weak, so that a build without a sanitizer links and finds it missing.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                                         void (*free_hook)(const volatile void*))
    __attribute__((weak));

namespace {

std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};

void onMalloc(const volatile void*, std::size_t size)
{
    if (g_watching.load(std::memory_order_relaxed) && size > g_largest.load(std::memory_order_relaxed))
        g_largest.store(size, std::memory_order_relaxed);
}

void onFree(const volatile void*) {}

bool install()
{
    return __sanitizer_install_malloc_and_free_hooks &&
           __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
}

} // namespace

bool AllocationWatch::available()
{
    static const bool installed = install();
    return installed;
}

void AllocationWatch::start()
{
    available();
    g_largest.store(0, std::memory_order_relaxed);
    g_watching.store(true, std::memory_order_relaxed);
}

std::size_t AllocationWatch::stop()
{
    g_watching.store(false, std::memory_order_relaxed);
    return g_largest.load(std::memory_order_relaxed);
}
