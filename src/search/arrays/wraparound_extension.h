#ifndef VELKOR_SEARCH_ARRAYS_WRAPAROUND_EXTENSION_H
#define VELKOR_SEARCH_ARRAYS_WRAPAROUND_EXTENSION_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/arrays/arrays_options.h"
#include "search/arrays/band_row.h"

// The unit repeated endlessly, read from one column on, forward (+1) or
// backward (-1) through the unit.
struct EndlessUnit {
  const char* unit;
  unsigned length;
  unsigned first_column;
  int direction;
  char at(std::size_t j) const {
    std::size_t c = j % length;
    return unit[direction > 0 ? (first_column + c) % length : (first_column + length - c) % length];
  }
};

struct Extension {
  long long score = 0;
  std::size_t residues = 0;         // taken from the text
  std::size_t unit_characters = 0;  // of the endless unit
};

// Scratch space of the extension, kept by the worker from one call to the next.
struct ExtensionWorkspace {
  std::vector<int> previous_row, current_row;  // a band's cells between two padding cells on each side
  std::vector<std::uint64_t> trace;  // the steps into each row's cells (step_into)
  std::vector<long long> band_start;  // per row of the window
  std::vector<char> unrolled;        // the endless unit, one period and the widest band long
  std::vector<unsigned char> traced;  // one window's path, last step first
  std::vector<unsigned char> path;   // the path found, from the anchor outward
};

// Aligns text[0], text[direction], ... (at most `available` residues) against
// the endless unit, both starting together, and returns the best-scoring
// prefix; its path is left in workspace.path. Rows of `window_rows` residues
// are settled one window at a time, so memory stays bounded on long arrays.
Extension extend_along_unit(const char* text, std::size_t available, int direction, const EndlessUnit& unit,
                            const ArraysOptions& options, ExtensionWorkspace& workspace,
                            std::size_t window_rows = std::size_t(1) << 15);

#endif
