#ifndef VELKOR_SEARCH_EXTENSION_ALIGNMENT_BOUND_H
#define VELKOR_SEARCH_EXTENSION_ALIGNMENT_BOUND_H

#include <cstddef>
#include <cstdint>
#include <vector>

// An upper bound on the score a candidate copy can grow to: the best score
// of any alignment of the residues on either side against the unit written
// out endlessly, among those whose scores stay where a walk's must (the
// argument is stated with the code). Settles starts whose growth provably
// scores below the minimum without their walks, where the words that the
// residues share with the unit cannot: inside an array of another period,
// every word of the unit lies just ahead of the copy, off its diagonal.
class AlignmentBound {
 public:
  // Aligns under the two penalties given. Without a limit on the work, every
  // alignment is worked out to its end.
  AlignmentBound(const char* first, const char* end, int mismatch_score, int indel_score, bool limit_work = true);

  // Below this unit length the walks cost less than the bound.
  static constexpr unsigned shortest_unit = 20;
  // Whether the bound is worth asking about starts of unit length k under
  // its penalties (both negative); scores of longer units would not fit its
  // rows.
  bool applies(unsigned k) const;

  // Whether the copy [p, p + k), of a unit length the bound applies to,
  // provably grows into a record scoring below min_score. False where the
  // bound is not worked out: scores too large for its rows, or an alignment
  // that takes more work than the walks it would spare. Asked about starts
  // in increasing order within a unit length, it answers for a stretch of
  // them at a time, every start of the stretch alike.
  bool settles(const char* p, unsigned k, int min_score);

  enum class Side { ahead, behind };
  // The highest score of the alignments on one side of the copy [p, p + k)
  // whose scores all stay above floor (below 0), or enough wherever that is
  // reached or the work runs out. With starts > 1, no lower than the same
  // for each copy of a stretch of as many starts that p's side of p's copy
  // faces: ahead, the copies at p to p + starts - 1; behind, at p to
  // p - starts + 1.
  int highest_gain(Side side, const char* p, int k, int floor, int enough, int starts = 1);
  // The same for the alignments that go on from a walk's state on its side:
  // the residue it takes next is edge[0] ahead, edge[-1] behind, the unit
  // character unit[phase] of the unit [unit, unit + k), and `residues` more
  // may be taken.
  int highest_gain_on(Side side, const char* edge, const char* unit, int k, int phase, long long residues, int floor,
                      int enough);

  // Where an alignment starts: the residues outward from edge, the unit
  // characters outward from phase; the first starts - 1 characters of each
  // copy of the unit, counted from there, match any residue.
  struct Origin {
    const char* edge;
    const char* unit;
    int k, phase;
    long long residues;
    int starts;
  };

  // How many stretches of more than one start were settled whole.
  long long stretches_settled() const { return stretches_settled_; }
  // How many alignments begun in bytes outgrew them and were worked out
  // again in wider cells.
  long long redone_in_wider_cells() const { return redone_in_wider_cells_; }

 private:
  // Cells of the type Lanes says, as many to a comparison; out_of_range
  // where a cell reaches the top of that type short of enough.
  static constexpr int out_of_range = -1;
  int highest_gain(Side side, const Origin& origin, int floor, int enough);
  template <class Dir, class Lanes>
  int highest_gain(const Origin& origin, int floor, int enough);
  // The unit written out from the origin, after one spare character, to
  // length characters at least.
  template <class Dir>
  void write_unit(const Origin& origin, std::size_t length);
  // Whether every start of the stretch from p, starts long, provably grows
  // into a record scoring below min_score.
  bool stretch_below(const char* p, unsigned k, int min_score, int starts);

  // Wider rows are left to the walks (penalties of -2 with long units);
  // rows carry dead cells before their first and after their last.
  static constexpr std::size_t widest_row = 2048;
  static constexpr std::size_t margin = 32;

  const char* first_;
  const char* end_;
  int mismatch_score_, indel_score_;
  bool limit_work_;
  // The stretch of starts last bounded at once.
  struct Stretch {
    unsigned unit_length = 0;
    int min_score = 0;
    const char* first = nullptr;
    const char* end = nullptr;
    bool settled = false;
  } stretch_;
  long long stretches_settled_ = 0;
  long long redone_in_wider_cells_ = 0;
  // Two rows of the alignment, with room for dead cells on both sides; kept
  // from one start to the next so that a start allocates nothing.
  std::vector<std::uint16_t> row_, next_row_;
  // The unit written out, and all ones where its character matches any
  // residue.
  std::vector<char> unit_text_, wildcards_;
};

#endif
