#ifndef VELKOR_SEARCH_ARRAYS_BAND_ROW_H
#define VELKOR_SEARCH_ARRAYS_BAND_ROW_H

#include <cstdint>

#include "search/arrays/arrays_options.h"

// Cells per row of the band that follows the best cell of each row: a
// multiple of four, at most widest_band.
constexpr int widest_band = 32;

// A step of an alignment path: a residue against a unit character (match or
// mismatch), a residue the unit lacks (insertion), a unit character the
// residues lack (deletion).
enum AlignmentStep : unsigned char { STEP_DIAGONAL = 0, STEP_INSERTION = 1, STEP_DELETION = 2 };

// Score of a residue against a unit character.
inline int residue_score(char residue, char unit_char, const ArraysOptions& options) {
  if (residue == 'N' || unit_char == 'N') return options.Ns_tolerated ? 0 : options.mismatch;
  return residue == unit_char ? 1 : options.mismatch;
}

// The steps into a row's cells: bit k set for an insertion into cell k,
// bit widest_band + k for a deletion; neither for a diagonal step.
inline AlignmentStep step_into(std::uint64_t trace, int cell) {
  if ((trace >> (widest_band + cell)) & 1u) return STEP_DELETION;
  return (trace >> cell) & 1u ? STEP_INSERTION : STEP_DIAGONAL;
}

struct BandRow {
  int best;       // the row's best cell score
  int best_cell;  // the first cell holding it
  std::uint64_t trace;
};

// Cell values below this are dropped: they stay far below any live cell,
// whatever penalties are added to them.
constexpr int dropped_cell = -(1 << 29);

// Fills a row of `width` cells for residue c: cell k from diagonal[k] (the
// cell up and left) and diagonal[k + 1] (the cell above), and from the cell
// to its left, against unit character chars[k]. diagonal[0 .. width] and
// chars[0 .. width - 1] must be readable. unit_has_N: some of chars may be N.
BandRow next_band_row(int width, const int* diagonal, const char* chars, char c, bool unit_has_N,
                      const ArraysOptions& options, int* row);

// The same, one cell at a time: the reference the row above must match.
BandRow next_band_row_plain(int width, const int* diagonal, const char* chars, char c, const ArraysOptions& options,
                            int* row);

#endif
