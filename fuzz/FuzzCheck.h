#pragma once

#include <cstdio>
#include <cstdlib>

// An invariant of the code under fuzzing. A broken one aborts, which libFuzzer
// and the corpus replay both report as a failure with the input that did it.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void(0) : fuzzCheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void fuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}
