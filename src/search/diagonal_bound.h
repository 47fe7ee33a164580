#ifndef VELKOR_SEARCH_DIAGONAL_BOUND_H
#define VELKOR_SEARCH_DIAGONAL_BOUND_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "search/word_cursor.h"

// A tighter bound on what a candidate copy of a long unit can score, for the
// starts that the plain count of shared words leaves: each shared word is
// tied to the diagonal on which the unit meets it, and a walk must pay for
// every change of diagonal (the argument is stated with the code). Driven by
// the score bound's sweep, which tells it how the copy's words change as the
// copy moves on by one residue.
class DiagonalBound {
 public:
  // Starts with more words shared with their unit around them (counted
  // whatever their diagonal) than this many per residue of the unit are
  // left to the walks: a walk costs about as much as its unit is long, and
  // a chain as many hits as it reads.
  static constexpr long long hits_worth_chaining_per_unit_residue = 2;

  // A sweep over the starts of unit length k on the n residues from first,
  // with words of g letters, for the minimum score min_score; in_copy
  // counts, for each word, its copies lying inside the copy. The copy
  // starts at residue p, and its words are counted already.
  void start_sweep(const char* first, long long n, long long g, long long k, long long min_score,
                   const std::uint32_t* in_copy, long long p);
  // The copy has moved on to start at p: its word at p - 1 has left, its
  // word at p + k - g entered, and the counts are updated.
  void copy_moved_to(long long p);
  // Whether the copy starting at p provably grows to less than the minimum
  // score. wrapped[s] (s from 1 to g - 1) is the word of the unit's last s
  // residues and its first g - s.
  bool settles(long long p, const std::uint32_t* wrapped);

 private:
  struct Hit {
    long long z;  // the word's distance from the walk's first word
    long long diagonal;
    long long value;
  };
  // The most the walk from the copy at p can gain in one direction, where
  // its states never score at or below floor, looking at the words up to
  // window residues away; -1 where the bound gives up, or where a chain
  // is worth more than enough.
  long long highest_gain(bool forward, long long p, const std::uint32_t* wrapped, long long floor, long long window,
                         long long enough);
  void enter_window(long long i);
  void mark_copies_of(std::uint32_t code, bool shared, long long p);

  const char* first_ = nullptr;
  const std::uint32_t* in_copy_ = nullptr;
  long long n_ = 0, g_ = 0, k_ = 0, min_score_ = 0;
  long long ahead_ = 0, behind_ = 0;  // residues the walks can reach, at most
  bool active_ = false;  // whether the windows are short enough to be kept
  // The copy's words: for each code its last position, and for each
  // position the one before it with the same code (by position modulo k).
  std::vector<long long> last_in_copy_, before_in_copy_;
  std::size_t copy_mask_ = 0;
  // The same for the words from behind_ before the copy to ahead_ after it.
  std::vector<long long> last_in_window_, before_in_window_;
  std::size_t window_mask_ = 0;
  // Each word's code, and whether it holds another letter, by position
  // modulo the window's length.
  std::vector<std::uint32_t> code_in_window_;
  std::vector<unsigned char> wild_in_window_;
  WordCursor entering_{nullptr, 0, 1, 0};  // at the next word to enter the window
  // Bit i: the word at residue i lies inside the copy too.
  std::vector<std::uint64_t> shared_;
  // Runs of residues other than A, C, G and T, which make a word shared with
  // any unit: [first, second).
  std::vector<std::pair<long long, long long>> other_runs_;
  std::vector<Hit> wrapped_hits_, group_;
  // Each hit is chained exactly with the last few before it, kept in turn.
  static constexpr std::size_t hits_chained = 2;
  Hit alive_[hits_chained];
  std::vector<long long> steps_;  // ceil(d / g) by d
};

#endif
