#ifndef VELKOR_REPEATS_ALLOCATION_H
#define VELKOR_REPEATS_ALLOCATION_H

#include <cstddef>

// Running out of memory ends the run with a message and a non-zero status:
// going on would mean a crash or a silently truncated report.
[[noreturn]] void abort_on_failed_allocation(const char* message);
// The same with the general out-of-memory message.
[[noreturn]] void abort_out_of_memory();
// A thread searching a record beside others cannot end the run itself: the
// records before its own must be written first. It sets a handler of its own
// (give_up null: none), which gets its context and the message and must not
// return.
struct FailedAllocationHandler {
  void (*give_up)(void* context, const char* message) = nullptr;
  void* context = nullptr;
};
void set_failed_allocation_handler(FailedAllocationHandler handler);

// malloc/realloc that never return null.
void* checked_malloc(std::size_t bytes);
void* checked_realloc(void* old, std::size_t bytes);

// Capacity of a full buffer after growing: 4 for an empty one, else doubled.
// Near the limit of a 32-bit count it saturates instead of wrapping around
// to a buffer smaller than what it already holds.
unsigned grown_capacity(unsigned full);

// A 32-bit capacity for a request computed in 64 bits; a request that does
// not fit cannot be met and ends the run like a failed allocation.
unsigned checked_capacity(std::size_t requested);

#endif
