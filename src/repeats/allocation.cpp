#include "repeats/allocation.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "config/exit_codes.h"

void throw_out_of_memory() { throw FailedAllocation("Sorry, there is not enough memory to continue.\n"); }

void end_for_failed_allocation(const FailedAllocation& failure) {
  std::fputs(failure.what(), stderr);
  std::fflush(nullptr);
  std::_Exit(EXIT_OUT_OF_MEMORY);
}

void* checked_malloc(std::size_t bytes) {
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (!p) throw_out_of_memory();
  return p;
}

void* checked_realloc(void* old, std::size_t bytes) {
  void* p = std::realloc(old, bytes == 0 ? 1 : bytes);
  if (!p) throw FailedAllocation("Program aborded due to failed realloc!\n");
  return p;
}

unsigned grown_capacity(unsigned full) {
  if (full == 0) return 4;
  if (full == UINT_MAX) throw_out_of_memory();
  return full > UINT_MAX / 2 ? UINT_MAX : 2 * full;
}

unsigned checked_capacity(std::size_t requested) {
  if (requested > UINT_MAX) throw_out_of_memory();
  return static_cast<unsigned>(requested);
}
