// The fuzz targets' check: a broken promise of the code under test is a
// finding like a crash, so it aborts and libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                    \
    do {                                                                         \
        if (!(condition)) {                                                      \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, \
                         __FILE__, __LINE__);                                    \
            std::abort();                                                        \
        }                                                                        \
    } while (0)
