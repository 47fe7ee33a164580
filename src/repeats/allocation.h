#ifndef VELKOR_REPEATS_ALLOCATION_H
#define VELKOR_REPEATS_ALLOCATION_H

#include <cstddef>
#include <new>

// Running out of memory ends the run with a message and a non-zero status:
// going on would mean a crash or a silently truncated report. The failure is
// thrown rather than ended where it happens: a thread searching a record
// beside others must unwind to its record, whose turn ends the run once the
// records before it are written; what catches it calls
// end_for_failed_allocation. A std::bad_alloc, so that whatever copes with
// one copes with it.
class FailedAllocation : public std::bad_alloc {
 public:
  explicit FailedAllocation(const char* message) : message_(message) {}
  // The message for standard error, with its line feed.
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};

// Throws FailedAllocation with the general out-of-memory message.
[[noreturn]] void throw_out_of_memory();

// Writes the message of failure, flushes every output as it stands and ends
// the process with the out-of-memory status, without the destructors of what
// other threads may still be using.
[[noreturn]] void end_for_failed_allocation(const FailedAllocation& failure);

// malloc/realloc that never return null: they throw FailedAllocation.
void* checked_malloc(std::size_t bytes);
void* checked_realloc(void* old, std::size_t bytes);

// Capacity of a full buffer after growing: 4 for an empty one, else doubled.
// Near the limit of a 32-bit count it saturates instead of wrapping around
// to a buffer smaller than what it already holds.
unsigned grown_capacity(unsigned full);

// A 32-bit capacity for a request computed in 64 bits; a request that does
// not fit cannot be met and fails like an allocation.
unsigned checked_capacity(std::size_t requested);

#endif
