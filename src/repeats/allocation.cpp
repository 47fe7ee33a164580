#include "repeats/allocation.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "config/exit_codes.h"

namespace {
thread_local FailedAllocationHandler failed_allocation_handler;
}

void set_failed_allocation_handler(FailedAllocationHandler handler) { failed_allocation_handler = handler; }

void abort_on_failed_allocation(const char* message) {
  const FailedAllocationHandler handler = failed_allocation_handler;
  if (handler.give_up) handler.give_up(handler.context, message);
  std::fputs(message, stderr);
  std::fflush(stderr);
  std::exit(EXIT_OUT_OF_MEMORY);
}

void abort_out_of_memory() {
  abort_on_failed_allocation("Sorry, there is not enough memory to continue.\n");
}

void* checked_malloc(std::size_t bytes) {
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (!p) abort_out_of_memory();
  return p;
}

void* checked_realloc(void* old, std::size_t bytes) {
  void* p = std::realloc(old, bytes == 0 ? 1 : bytes);
  if (!p) abort_on_failed_allocation("Program aborded due to failed realloc!\n");
  return p;
}

unsigned grown_capacity(unsigned full) {
  if (full == 0) return 4;
  if (full == UINT_MAX) abort_out_of_memory();
  return full > UINT_MAX / 2 ? UINT_MAX : 2 * full;
}

unsigned checked_capacity(std::size_t requested) {
  if (requested > UINT_MAX) abort_out_of_memory();
  return static_cast<unsigned>(requested);
}
