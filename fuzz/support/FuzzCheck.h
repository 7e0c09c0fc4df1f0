#pragma once
#include <cstdio>
#include <cstdlib>

// A property a harness checks beyond "no crash": when it fails, the input is
// a finding like any crash, and the message says which property broke.
inline void fuzzCheck(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz: property broken: %s\n", what);
        std::abort();
    }
}
