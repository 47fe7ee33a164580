#include "repeats/allocation.h"

#include <cstdio>
#include <cstdlib>

#include "driver/exit_codes.h"

void abort_on_failed_allocation(const char* message) {
  std::fputs(message, stderr);
  std::fflush(stderr);
  std::exit(EXIT_OUT_OF_MEMORY);
}

void* checked_malloc(std::size_t bytes) {
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (!p) abort_on_failed_allocation("Sorry, there is not enough memory to continue.\n");
  return p;
}

void* checked_realloc(void* old, std::size_t bytes) {
  void* p = std::realloc(old, bytes == 0 ? 1 : bytes);
  if (!p) abort_on_failed_allocation("Program aborded due to failed realloc!\n");
  return p;
}
