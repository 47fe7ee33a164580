#include <cstdio>
#include <new>

#include "driver/exit_codes.h"
#include "driver/messages.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  try {
    return run_velkor(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("\n\nSorry, there is not enough memory to continue.\n", stderr);
    good_bye_on_error(EXIT_OUT_OF_MEMORY);
    return EXIT_OUT_OF_MEMORY;
  }
}
