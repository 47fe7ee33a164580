#include "driver/huge_pages.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

void ask_for_huge_pages(void* begin, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page * page;
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)bytes;
#endif
}
