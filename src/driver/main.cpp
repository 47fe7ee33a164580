#include <cstdio>
#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "config/exit_codes.h"
#include "driver/messages.h"
#include "driver/run.h"
#include "repeats/allocation.h"

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // Blocks of a mebibyte and more (error lists and trails of long arrays)
  // go back to the system when freed. By default the allocator raises that
  // limit to the largest block freed so far, and then keeps such blocks in
  // its heap, which raised the peak of a long array's search.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  // Smaller blocks freed at the top of a heap go back to the system once
  // 128 KiB are free there, and each record's search frees its bit maps and
  // records when it ends: the next would take them afresh, a page fault
  // every 4 KiB, in every heap (each thread searching records has its own).
  // Kept for the next record instead, which leaves the peak as it was.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  try {
    return run_velkor(argc, argv);
  } catch (const FailedAllocation& failure) {
    end_for_failed_allocation(failure);
  } catch (const std::bad_alloc&) {
    std::fputs("\n\nSorry, there is not enough memory to continue.\n", stderr);
    good_bye_on_error(EXIT_OUT_OF_MEMORY);
    return EXIT_OUT_OF_MEMORY;
  }
}
