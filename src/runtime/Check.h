#pragma once
#include <cstdio>
#include <cstdlib>

// Range checks for inner loops, compiled in with -DKORVATH_RANGE_CHECKS=ON.
// The message names the function so that a failing check points at its loop.
#if KORVATH_RANGE_CHECKS
#define KV_CHECK(cond, where)                                                       \
    do {                                                                            \
        if (!(cond)) {                                                              \
            std::fprintf(stderr, "%s: range check failed: %s\n", where, #cond);     \
            std::abort();                                                           \
        }                                                                           \
    } while (0)
#else
#define KV_CHECK(cond, where) ((void)0)
#endif
