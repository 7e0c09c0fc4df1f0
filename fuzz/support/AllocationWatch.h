#pragma once
#include <cstddef>

// The largest single allocation made between start() and stop(), seen
// through the sanitizers' allocation hooks. A build without a sanitizer (the
// plain replay of the tests) has no hooks: available() is false there and
// stop() answers 0.
class AllocationWatch {
public:
    static bool available();
    static void start();
    static std::size_t stop();
};
