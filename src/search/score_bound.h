#ifndef VELKOR_SEARCH_SCORE_BOUND_H
#define VELKOR_SEARCH_SCORE_BOUND_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/diagonal_bound.h"

// An upper bound on the score that a candidate copy of a long unit can grow
// to, from the short words that the residues around it share with the unit,
// counted for all starts of one unit length in one sweep (the argument is
// stated with the code). Starts that cannot reach the minimum score are
// settled without their walks.
class ScoreBound {
 public:
  ScoreBound(const char* first, const char* end);

  // Below this unit length the words shared by chance come too thick for
  // the bound to settle what the cheaper tests leave.
  static constexpr unsigned shortest_unit = 12;

  // Clears in `starts` (bit s for the copy at residue s) the starts of unit
  // length k whose growth provably scores below min_score; only starts set
  // are looked at. Returns how many it cleared.
  long long leave_out_settled(unsigned k, int min_score, std::vector<std::uint64_t>& starts);

  // The word length the penalties in force allow: 0 where the bound cannot
  // settle anything.
  static unsigned word_length();

 private:
  const char* first_;
  std::size_t size_;
  // Per word: its copies inside the unit copy, ahead of it and behind it.
  std::vector<std::uint32_t> in_unit_, ahead_, behind_;
  // For the starts the counts leave.
  DiagonalBound diagonals_;
};

#endif
