#ifndef VELKOR_REPEATS_ALLOCATION_H
#define VELKOR_REPEATS_ALLOCATION_H

#include <cstddef>

// Running out of memory ends the run with a message and a non-zero status:
// going on would mean a crash or a silently truncated report.
[[noreturn]] void abort_on_failed_allocation(const char* message);

// malloc/realloc that never return null.
void* checked_malloc(std::size_t bytes);
void* checked_realloc(void* old, std::size_t bytes);

#endif
