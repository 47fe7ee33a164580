#ifndef VELKOR_SEARCH_IMPERFECT_SCORE_BOUND_H
#define VELKOR_SEARCH_IMPERFECT_SCORE_BOUND_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/imperfect/word_cursor.h"

// An upper bound on the score that a candidate copy of a long unit can grow
// to, from the short words that the residues around it share with the unit,
// counted for all starts of two unit lengths in one sweep (the argument is
// stated with the code). Starts that cannot reach the minimum score are
// settled without their walks.
class ScoreBound {
 public:
  // Bounds the scores under the two penalties given.
  ScoreBound(const char* first, const char* end, int mismatch_score, int indel_score);

  // Below this unit length the words shared by chance come too thick for
  // the bound to settle what the cheaper tests leave.
  static constexpr unsigned shortest_unit = 12;

  // Clears in `starts` (bit s for the copy at residue s) the starts of unit
  // length k whose growth provably scores below min_score; only starts set
  // are looked at, from residue `from` to before `to`. Returns how many it
  // cleared. Where unit length k + 1 is searched next (with the minimum
  // score next_min_score, else no_next_length), the same sweep settles its
  // starts too, which the call for k + 1 over the same starts then clears.
  long long leave_out_settled(unsigned k, int min_score, int next_min_score, std::uint64_t* starts, long long from,
                              long long to);
  static constexpr int no_next_length = INT_MIN;

  // The word length the penalties allow: 0 where the bound cannot settle
  // anything.
  unsigned word_length() const;

 private:
  // Words of one length: the copies of each inside the unit copy, in the
  // window ahead of it and in the window behind it, and the hits (copies in
  // a window of words the unit copy holds, and words with an N).
  class SharedWords {
   public:
    enum class Side { ahead, behind };
    struct Hits {
      long long ahead, behind;
    };
    void start(long long length);
    // A word (or wild_word) in or out of the copy or a window.
    void into_unit(std::uint32_t w);
    void out_of_unit(std::uint32_t w);
    void into_window(Side side, std::uint32_t w);
    void out_of_window(Side side, std::uint32_t w);
    // The hits of the unit written out endlessly, given the words of the
    // copy's last and first residues; the words are `length` letters long.
    template <long long length>
    Hits hits(std::uint32_t last, std::uint32_t head) const;

   private:
    // Per word, kept together: a slide reads two of them for the same word.
    struct Counts {
      std::uint32_t in_unit, ahead, behind;
    };
    std::vector<Counts> counts_;
    long long hits_ahead_ = 0, hits_behind_ = 0, wild_ahead_ = 0, wild_behind_ = 0;
  };

  // A unit length swept: its minimum score and how far its windows reach.
  struct Length {
    long long k, min_score, ahead_reach, behind_reach;
  };
  // Whether the bound can settle starts of unit length k with words of g
  // letters, and if so, its reaches.
  bool plan(unsigned k, int min_score, long long g, Length& length) const;

  // Settles the starts of one or two unit lengths (k and k + 1) with words
  // of g letters and one more, in a sequence that holds residues other than
  // A, C, G and T or not (the first picks): those of the first in `starts`,
  // those of the second in settled_next_. Returns how many it cleared in
  // `starts`.
  template <long long g>
  long long sweep(const Length* lengths, int count, std::uint64_t* starts, long long from, long long to);
  template <long long g, bool with_others>
  long long sweep(const Length* lengths, int count, std::uint64_t* starts, long long from, long long to);
  // Clears in `starts` those that the last sweep settled for unit length
  // k + 1; returns how many.
  long long leave_out_settled_next(std::uint64_t* starts, long long from, long long to);
  // Whether the sequence holds a residue other than A, C, G and T (an N);
  // found out at the first sweep, since most records are searched for no
  // unit long enough.
  bool holds_others();

  const char* first_;
  std::size_t size_;
  long long cheapest_error_;  // the smaller of the two penalties, as a cost
  enum class Others { unknown, none, some } others_ = Others::unknown;
  // Words as long as the cheapest error costs, and one letter longer.
  SharedWords words_, longer_words_;
  // The starts of the second unit length that the last sweep of two
  // settled (bit s for the copy at residue s), for the call that asks for
  // them: its unit length, minimum score and stretch of starts.
  std::vector<std::uint64_t> settled_next_;
  struct Asked {
    unsigned k;
    int min_score;
    long long from, to;
    bool operator==(const Asked& other) const {
      return k == other.k && min_score == other.min_score && from == other.from && to == other.to;
    }
  };
  Asked settled_next_for_{0, 0, 0, 0};
};

#endif
