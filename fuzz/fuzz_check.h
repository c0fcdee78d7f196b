#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer on a broken property, so that the input is kept as a crash.
inline void FuzzCheck(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}
