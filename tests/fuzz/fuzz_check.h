// Stops the fuzzer with the broken expectation named, so a finding says what went wrong.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: expected %s\n", __FILE__, __LINE__, #condition);           \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)
