#ifndef VELKOR_DRIVER_HUGE_PAGES_H
#define VELKOR_DRIVER_HUGE_PAGES_H

#include <cstddef>

// Asks the system to back the whole pages of [begin, begin + bytes) with
// huge pages where it can. A large buffer filled once per record then
// costs a page fault every 2 MiB instead of every 4 KiB: on virtual
// machines faults are dear, and the residues of a chromosome take
// thousands of them. Only a request: where the system declines, nothing
// changes.
void ask_for_huge_pages(void* begin, std::size_t bytes);

#endif
