/*
 * Extension alignment of a repeat record against its unit written out
 * endlessly, to the right (forward) and to the left (backward).
 *
 * Scoring: a residue equal to the expected unit character scores +1, a
 * tolerated N 0 (at most global_Ns_allowed_in_a_row in a row, and only when
 * N's are not treated as missense), a mismatch global_mismatch_score, an
 * inserted residue or a deleted unit character global_indel_score.
 *
 * Walk: the greedy run takes matches and tolerated N's without choice. At an
 * error point with score s and best score so far B, an error is tried only
 * if its resulting score stays strictly above
 *     T = max(-L, B - global_maximum_scorereduction)        (L = unit length)
 * and is valued by a depth-first look-ahead: the highest score reached at the
 * end of a greedy run within the tree of further errors (depth counted in
 * errors, including the one under decision). Mismatch is tried first, then
 * insertion, then deletion; a later one wins only with a strictly higher
 * value. The best state is saved at error points where the score improved.
 *
 * Ending: at the sequence limit or before too long a run of N's the walk
 * "finishes" and keeps its state only if it beats B strictly; when no error
 * passes T it "stops" and keeps its state if it at least equals B. Otherwise
 * the record is set back to the saved best state.
 *
 * Quick rejection: since T >= -L, a walk whose score plus the larger penalty
 * never rises above -L tries no error at all, and its record is just the
 * error-free run around the first copy. Most candidates of a search are of
 * that kind and too weak, and are settled by counting that run alone.
 *
 * Look-ahead nodes left out: within one decision, where the threshold is
 * -L throughout (the score-reduction limit is out of reach), penalties are
 * negative and the budget below cannot run out, a node's value depends only
 * on its position, unit position, score and remaining depth, and is no
 * lower for a higher score or a greater remaining depth. So at a node
 * reached by an insertion or a deletion whose greedy run took nothing:
 * its mismatch child is left out when its parent's mismatch child took
 * nothing either (insertion-mismatch reaches the node mismatch-insertion
 * reached, deletion-mismatch the one of mismatch-deletion, with the same
 * score and depth), and, when two indel penalties cost no less than a
 * mismatch, so is its deletion or insertion child (insertion-deletion and
 * deletion-insertion reach the parent's mismatch child with a lower score
 * and less depth). A node left out is matched or beaten by one visited
 * earlier under the same or an earlier error of the decision, and an error
 * wins a decision only with a strictly higher value, so no decision changes.
 * A unit of one residue goes further: an insertion reaches the node of the
 * mismatch (lower or equal score when an indel costs no less than a
 * mismatch), and a deletion stays on its parent's node with a lower score,
 * where all it can reach the parent's other children reach better; so only
 * mismatches are looked at.
 *
 * Dominated nodes: in the same setting, a node whose greedy run ends at an
 * error point where a node completed earlier in the decision had a score at
 * least as high and a depth at most as deep is not expanded, and is valued at
 * its own score. Its true value is at most that of the completed node, which
 * lies under the same or an earlier error of the decision. By induction over
 * the visiting order, every value computed is at most the true one, and the
 * highest value over the errors tried so far is the true highest; as a later
 * error wins only with a strictly higher value, the chosen error is the same.
 * Completed nodes are remembered in a small table indexed by their error
 * point; a slot holds the last node stored there, and a node lost to an
 * overwritten slot is merely expanded again.
 *
 * Walks that meet: where the score-reduction limit is out of reach and both
 * penalties are negative, T is -L throughout. A walk whose score at an error
 * point stays above -L even after as many errors as the look-ahead is deep
 * sees no node fall to the threshold, so its choice there, and the greedy
 * run behind it, depend only on the position and the unit ahead: scores
 * only ever compare with each other. Two walks with the same unit ahead at
 * such a point take the same errors for as long as both stay that high,
 * their scores a constant apart. Each direction keeps the trails of such
 * points (position, unit phase, score, error taken); a walk that reaches a
 * point of an earlier trail with the same unit ahead follows it, keeping its
 * best state as it would have walking. Where the earlier walk ended, it ends
 * alike; where the trail stops short (the earlier walk fell below that
 * height, or met another trail) or its own score falls below that height,
 * it chooses again itself. (The completed nodes' slots depend on where the
 * unit lies, but a node lost to a slot is merely expanded again: no choice
 * depends on them.)
 *
 * Units read in part: a decision reads the unit no further ahead than its
 * nodes' greedy runs reach residues, plus one step per level for the
 * deletions on the way. Where the unit is longer than that, a walk may meet
 * a trail whose unit ahead differs from its own at a few unit steps, and
 * follows it for as long as each choice it takes over read the unit short
 * of every such step: that choice read the same residues and the same unit
 * characters, so it was made alike. Neighbouring starts of one long unit
 * length hold units that differ at one phase, and their walks follow each
 * other for most of a unit. (How far a decision reads is known only within
 * the look-ahead's budget, which counts nodes and so depends on more.)
 *
 * Paths taken at once: a walk that only counts its errors beyond the first
 * few, without listing them (the list is let go, and grown again for a
 * repeat that the overlap removal keeps), need not take a followed trail's
 * errors one by one. A trail whose walk met an earlier trail went on along
 * that one; so from any error point a path runs over the rest of its trail
 * and on along the trails met, to a point where a walk ended or chose again.
 * Following it, the walk's scores stay the path's plus a constant and its
 * unit phases turn by a constant; its best state becomes the path's first
 * point of highest score if that beats the best so far. So where no point of
 * the path before its last falls below the height of the trails, the walk
 * goes to the path's last point at once, with the errors counted by kind and
 * the best state that the steps would have kept. (Each trail keeps where its
 * path goes on, and every sixteenth point what lies after it on its trail.)
 *
 * Starts that share a walk: where T is -L throughout and the look-ahead
 * is within its budget, a decision is made alike with every score j lower
 * if none of its look-ahead nodes was entered at -L + j or below: the same
 * nodes are visited, each valued j lower. The candidate copy one residue
 * right of a rejected one, where the residue after the copy repeats its
 * first, walks forward along the same residues one match behind, and then
 * backward over that residue into the same walk. If the forward walk's
 * choices all survive a shift of one, it grows into the same record and is
 * rejected too; j residues on likewise, for a shift of j, while the copy's
 * residues repeat. Its best state is the same too: it starts at its copy
 * with score 0, the earlier walk's at the earlier copy, and the earlier
 * walk's first stop (at least j matches on) scores more, or is where the
 * later copy ends, or lies beyond N's there that the trimming takes off.
 *
 * Walks that cannot regain their best: at an error point where an error
 * passes T, a walk's score is at most its best score B, and the walk goes
 * on. Its result is then its saved best state unless a later state scores B
 * or more; until one does, the best score and so T stay as they are. Its
 * path is one of those that matches (an N counted as one), mismatches,
 * insertions and deletions can take from its state, an error only to a
 * score above T. Following all of them at once, with the highest score for
 * each unit phase after each residue, shows whether any comes back to B
 * before all of them end or the sequence does: where none does, the walk is
 * set back to its best state at once. That is most of a long repeat's last
 * walk into the residues beyond it, where every decision looks ahead over a
 * whole tree at a high score. A walk that may come back is asked again only
 * past where the first path came back, so the paths are followed over each
 * residue once at most; and only where it can afford a few errors, as a
 * decision that cannot is cheaper than following the paths, and for units
 * of up to sixteen residues, as the paths of longer ones run long.
 *
 * One error at most: a walk that tries one error but can never try a second
 * ends with the score it had before the error. Never trying a second error
 * means the score after the error and the greedy run behind it, plus the
 * larger penalty, stays at or below -L; the run behind the error is then
 * shorter than the larger penalty is costly, so the walk never regains the
 * error's penalty, and falls back to its best state. When that holds for every
 * error either direction could try, the candidate's result scores exactly its
 * error-free run, and one below the minimum is rejected without the walk.
 * The same holds at any error point of a walk where one error passes T but
 * two do not: where no error leaves a greedy run behind it long enough for
 * a second, the walk ends in its best state (the score after the error and
 * its run stays below the score before it, which is at most B, and T does
 * not move), so it is set back at once. Only where its choices are not
 * memorable: a trail would have kept the error.
 * Behind an error, such a walk expects what the residue a unit length nearer
 * the run holds (for the first unit, one residue more behind an insertion,
 * one less behind a deletion), and that residue is the sequence itself: so
 * the matches it needs lie in stretches of residues equal to those k - 1,
 * k or k + 1 before them, next to either end of the run. A run short of h
 * residues beyond its copy needs a stretch of h there, where h is about half
 * what the run and the matches behind the error must make together; a
 * longer run is a stretch of h itself. So starts far from every stretch of h
 * and from every N settle, and are passed over by comparing each residue
 * with those k - 1, k and k + 1 before it.
 */
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "config/parameters.h"
#include "search/CSearchController.h"
#include "search/error_free_run.h"
#include "search/walk_memo.h"

namespace {

enum class RunEnd { sequence_limit, long_N_run, error_point };
enum class Operation : std::uint8_t { none, mismatch, insertion, deletion };

// The 8-bit look-ahead depth can count to 255 only; a deeper limit would
// leave the recursion bounded by the score threshold alone, which on long
// imperfect repeats can outgrow the stack.
constexpr int deepest_look_ahead = 255;

// The look-ahead tree grows threefold with every level, and where the score
// is high (a long repeat ends in junk) nothing prunes it: a depth of 20 would
// take hours for one decision, 255 forever. A decision therefore gets at most
// as many look-ahead calls as a full tree of depth 9 needs for all three
// errors. Below that nothing changes; a deeper setting that does not fit is
// served by the deepest look-ahead that does.
constexpr long long look_ahead_call_budget = 3 * ((19683 - 1) / 2);

// The look-ahead nodes completed in the decision under way, by the error
// point where their greedy run ended. Entries of earlier decisions are told
// apart by their generation, so a decision starts without clearing anything.
class CompletedNodes {
 public:
  void start_decision() {
    if (++generation_ == 0) {  // after wrapping round, old entries could pass for new ones
      std::fill(std::begin(slots_), std::end(slots_), Entry{});
      generation_ = 1;
    }
  }

  bool dominated(const char* pos, const char* unit_pos, int score, int levels_left) const {
    const Entry& entry = slots_[slot(pos, unit_pos)];
    return entry.generation == generation_ && entry.pos == pos && entry.unit_pos == unit_pos &&
           entry.score >= score && entry.levels_left >= levels_left;
  }

  void add(const char* pos, const char* unit_pos, int score, int levels_left) {
    slots_[slot(pos, unit_pos)] = {pos, unit_pos, generation_, score, levels_left};
  }

 private:
  struct Entry {
    const char* pos;
    const char* unit_pos;
    std::uint32_t generation;
    int score;
    int levels_left;
  };
  // A decision at the default depth expands at most 120 nodes; larger or
  // smaller tables made no measurable difference.
  static constexpr unsigned slot_bits = 9;

  // The nodes of a decision lie close together: neighbouring error points
  // get neighbouring slots.
  static std::size_t slot(const char* pos, const char* unit_pos) {
    return (reinterpret_cast<std::uintptr_t>(pos) * 8 + reinterpret_cast<std::uintptr_t>(unit_pos)) &
           ((std::size_t{1} << slot_bits) - 1);
  }

  Entry slots_[std::size_t{1} << slot_bits] = {};
  std::uint32_t generation_ = 0;
};
// One per thread: records searched at once each make their own decisions.
thread_local CompletedNodes completed_nodes;

// The deepest look-ahead whose full tree fits the budget: up to it, the
// budget never runs out.
constexpr int deepest_within_budget = 9;

int configured_depth() { return std::min(global_maximum_recursion_depth, deepest_look_ahead); }

bool Ns_tolerated() { return global_Ns_allowed_in_a_row != 0 && !global_treat_Ns_as_missense; }

// T at an error point of a walk of unit length L whose best score is B.
long long threshold_at(long long unit_length, long long best_score) {
  return std::max(-unit_length, best_score - static_cast<long long>(global_maximum_scorereduction));
}

// How the right-hand and the left-hand walk see the sequence: the next
// residue, one step outward, one cyclic step along the unit, and the end of
// the residues that may be read.
struct Forward {
  static constexpr bool forward = true;
  static const char* next_residue(const char* pos) { return pos; }
  static const char* step(const char* pos) { return pos + 1; }
  static const char* unit_step(const char* u, const char* unit_begin, const char* unit_end) {
    return u + 1 == unit_end ? unit_begin : u + 1;
  }
  static bool at_limit(const char* pos, const char* limit) { return pos == limit; }
  static long long residues_left(const char* pos, const char* limit) { return limit - pos; }
  static const char* farther(const char* a, const char* b) { return a > b ? a : b; }
  static constexpr bool tells_reach = false;
  static const char*& edge(Csat& sat) { return sat.sat_end; }
  static const char*& unit_pos(Csat& sat) { return sat.unit_pos_forward; }
};

struct Backward {
  static constexpr bool forward = false;
  static const char* next_residue(const char* pos) { return pos - 1; }
  static const char* step(const char* pos) { return pos - 1; }
  static const char* unit_step(const char* u, const char* unit_begin, const char* unit_end) {
    return u == unit_begin ? unit_end - 1 : u - 1;
  }
  static bool at_limit(const char* pos, const char* limit) { return pos - 1 == limit; }
  static long long residues_left(const char* pos, const char* limit) { return pos - 1 - limit; }
  static const char* farther(const char* a, const char* b) { return a < b ? a : b; }
  static constexpr bool tells_reach = false;
  static const char*& edge(Csat& sat) { return sat.sat_begin; }
  static const char*& unit_pos(Csat& sat) { return sat.unit_pos_backward; }
};

// A walk direction whose look-ahead notes how far ahead its nodes read the
// unit: for units longer than the look-ahead is deep, which a decision may
// read only in part.
template <class Dir>
struct TellingReach : Dir {
  static constexpr bool tells_reach = true;
};

// The best state a walk has passed through. A walk only ever appends
// missense entries, so the saved entries are always a prefix of the record's
// own: their number is all that needs saving, and taking or restoring a state
// copies a few fields instead of a whole record. (Taking full copies was a
// sixth of the run time of the imperfect search.)
struct SavedState {
  const char* edge;
  const char* unit_pos;
  int score, mismatches, insertions, deletions, Ns;
  unsigned missense_count;

  template <class Dir>
  void take(Csat& sat) {
    edge = Dir::edge(sat);
    unit_pos = Dir::unit_pos(sat);
    score = sat.score;
    mismatches = sat.mismatches;
    insertions = sat.insertions;
    deletions = sat.deletions;
    Ns = sat.Ns;
    missense_count = sat.missense.count;
  }

  template <class Dir>
  void restore(Csat& sat) const {
    Dir::edge(sat) = edge;
    Dir::unit_pos(sat) = unit_pos;
    sat.score = score;
    sat.mismatches = mismatches;
    sat.insertions = insertions;
    sat.deletions = deletions;
    sat.Ns = Ns;
    sat.missense.count = missense_count;
  }
};

// Length of the run of N's at pos, counted outward no further than one past
// the longest tolerated run: a longer run ends the walk anyway, and a huge
// run of N's must not be rescanned at every visit.
template <class Dir>
long long N_run_length(const char* pos, const char* limit) {
  long long run = 0;
  while (run <= global_Ns_allowed_in_a_row && !Dir::at_limit(pos, limit) && *Dir::next_residue(pos) == 'N') {
    pos = Dir::step(pos);
    ++run;
  }
  return run;
}

// Units of up to this many residues are written out for the greedy runs
// below; a longer unit's text would take longer to write than its walks save.
constexpr std::ptrdiff_t longest_unit_written = 8;
// How far any phase's sixteen characters reach, in either direction.
constexpr std::ptrdiff_t unit_text_length(std::ptrdiff_t k) { return 2 * k + 16; }

// Entry i of a unit length's row: i modulo the unit length.
struct PhaseTable {
  unsigned char of[longest_unit_written + 1][unit_text_length(longest_unit_written)];
};
constexpr PhaseTable phase_table() {
  PhaseTable table{};
  for (std::ptrdiff_t k = 1; k <= longest_unit_written; ++k)
    for (std::ptrdiff_t i = 0; i < unit_text_length(k); ++i) table.of[k][i] = static_cast<unsigned char>(i % k);
  return table;
}
constexpr PhaseTable phases = phase_table();

// Of sixteen comparisons with the residues in the direction of a walk, how
// many match in a row from the first. Bit j is the j-th of them, or for the
// walk to the left bit 15 - j.
template <class Dir>
unsigned matches_in_a_row(std::uint32_t matching) {
  if (Dir::forward) return static_cast<unsigned>(__builtin_ctz(~matching));
  return static_cast<unsigned>(__builtin_clz((~matching & 0xFFFFu) << 16 | 0x8000u));
}

// A short unit written out over and over, so that a greedy run compares
// sixteen residues at once with the characters it expects of them. Where a
// run ends, no branch predictor can tell: residue by residue, nearly every
// look-ahead node paid a mispredicted branch for it. Written for a walk once
// it first decides: most walks never do.
class UnitText {
 public:
  bool written() const { return written_; }

  void write(const char* unit_begin, const char* unit_end) {
#ifdef __SSE2__
    const std::ptrdiff_t k = unit_end - unit_begin;
    if (!CSearchController::compare_sixteen_at_a_time || k > longest_unit_written) return;
    // Eight characters of the unit from its first on, then the word written
    // at every whole number of units in it, as far as any phase reads.
    std::uint64_t word = 0;
    for (std::ptrdiff_t i = 0; i < k; ++i)
      word |= std::uint64_t{static_cast<unsigned char>(unit_begin[i])} << (8 * i);
    for (std::ptrdiff_t filled = k; filled < 8; filled *= 2) word |= word << (8 * filled);
    const std::ptrdiff_t whole_units = k * (8 / k);
    for (std::ptrdiff_t i = 0; i < unit_text_length(k); i += whole_units) std::memcpy(text_ + i, &word, 8);
    // Backward, phase p's sixteen characters end at p plus a whole number
    // of units of at least sixteen residues.
    backward_offset_ = k * ((16 + k - 1) / k);
    phases_ = phases.of[k];
    written_ = true;
#else
    static_cast<void>(unit_begin);
    static_cast<void>(unit_end);
#endif
  }

#ifdef __SSE2__
  // How many residues match in a row of the sixteen from pos on (Forward)
  // or before pos (Backward), with the unit at phase ahead.
  template <class Dir>
  unsigned matches(const char* pos, std::ptrdiff_t phase) const {
    auto load = [](const char* y) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(y)); };
    const __m128i residues = load(Dir::forward ? pos : pos - 16);
    const __m128i expected = load(Dir::forward ? text_ + phase : text_ + phase + backward_offset_ - 15);
    return matches_in_a_row<Dir>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(residues, expected))));
  }
#endif

  // The phase after run matches from phase.
  template <class Dir>
  std::ptrdiff_t phase_after(std::ptrdiff_t phase, unsigned run) const {
    return phases_[Dir::forward ? phase + run : phase + backward_offset_ - run];
  }

 private:
  std::ptrdiff_t backward_offset_ = 0;
  const unsigned char* phases_ = nullptr;  // the row of the unit length
  bool written_ = false;
  // The last word written may reach up to seven characters further.
  char text_[unit_text_length(longest_unit_written) + 8];
};

// Takes every matching residue and every tolerated run of N's from pos on.
// Inlined: most look-ahead nodes do little else, and a call of its own made
// them a third dearer.
template <class Dir>
inline RunEnd greedy_run(const char*& pos, const char*& unit_pos, int& score, int& Ns, const char* unit_begin,
                         const char* unit_end, const char* limit, const UnitText& text) {
#ifdef __SSE2__
  // Walks of units read in part compare residue by residue: their units are
  // mostly too long for a text, and asking cost their nodes a twentieth.
  if (!Dir::tells_reach && text.written()) {
    std::ptrdiff_t phase = unit_pos - unit_begin;
    while (Dir::residues_left(pos, limit) >= 16) {
      const unsigned run = text.matches<Dir>(pos, phase);
      pos = Dir::forward ? pos + run : pos - run;
      score += static_cast<int>(run);
      phase = text.phase_after<Dir>(phase, run);
      if (run < 16) {
        unit_pos = unit_begin + phase;
        // A tolerated N is taken residue by residue, below.
        if (*Dir::next_residue(pos) != 'N' || !Ns_tolerated()) return RunEnd::error_point;
        break;
      }
    }
    unit_pos = unit_begin + phase;
  }
#endif
  while (!Dir::at_limit(pos, limit)) {
    const char residue = *Dir::next_residue(pos);
    if (residue == *unit_pos) {
      pos = Dir::step(pos);
      unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
      ++score;
      continue;
    }
    if (residue != 'N' || !Ns_tolerated()) return RunEnd::error_point;
    long long run = N_run_length<Dir>(pos, limit);
    if (run > global_Ns_allowed_in_a_row) return RunEnd::long_N_run;
    for (long long i = 0; i < run; ++i) {
      pos = Dir::step(pos);
      unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
    }
    Ns += static_cast<int>(run);
  }
  return RunEnd::sequence_limit;
}

// What stays fixed throughout the look-ahead of one decision. Scores are
// compared in 64 bits: penalties and the score-reduction limit may take any
// int value, and their sums with a score must not overflow.
struct LookAhead {
  const char* unit_begin;
  const char* unit_end;
  const char* limit;
  long long score_reduction;
  long long mismatch_score;
  long long indel_score;
  long long larger_penalty;
  long long calls_left;         // LLONG_MAX where the budget cannot run out
  int lowest_trying = INT_MAX;  // the lowest score of a node below the root that tried errors
  const char* farthest;         // the farthest edge a greedy run reached, where Dir tells reach
  bool threshold_follows_best;  // false where it stays -L throughout
  bool leave_out_repeated;      // the nodes repeated under another path may be left out,
                                // and so may those a completed node dominates
  bool leave_out_indel_pair;    // and so may insertion-deletion and deletion-insertion
  bool mismatches_only;         // a unit of one residue: insertions and deletions too
  const UnitText& text;

  LookAhead(const char* first, const char* past_unit, const char* sequence_limit, long long calls_allowed,
            bool leave_out, const char* root, const UnitText& unit_text)
      : unit_begin(first),
        unit_end(past_unit),
        limit(sequence_limit),
        score_reduction(global_maximum_scorereduction),
        mismatch_score(global_mismatch_score),
        indel_score(global_indel_score),
        larger_penalty(std::max(mismatch_score, indel_score)),
        calls_left(calls_allowed),
        farthest(root),
        threshold_follows_best(!leave_out),
        leave_out_repeated(leave_out),
        leave_out_indel_pair(leave_out & (2 * indel_score <= mismatch_score)),
        mismatches_only(leave_out & (past_unit - first == 1) & (indel_score <= mismatch_score)),
        text(unit_text) {}
};

// How a look-ahead node was reached: by which error, and whether that
// error's mismatch sibling took nothing in its greedy run.
struct Arrival {
  Operation by;
  bool mismatch_sibling_empty;
};

// The errors a node does not try, as their nodes are reached along another
// path too.
struct LeftOut {
  bool mismatch, insertion, deletion;
};

template <class Dir>
int children_value(LookAhead& look_ahead, const char* pos, const char* unit_pos, int score, int levels_left,
                   long long threshold, LeftOut left_out);

// The value of a look-ahead node whose path may take levels_left more errors,
// under the threshold of its parent. Most nodes try no error: those at the
// deepest level, and those whose score leaves no error above the threshold.
// They are valued here, inlined into their parent, so that only the nodes
// that try errors pay for a call of their own.
// took_nothing (when given) tells whether this node's greedy run ended at an
// error point without taking a residue.
// Forced inline: with a second kind of direction, the compiler's own
// judgement left it a call in one of them, a sixth dearer.
template <class Dir>
__attribute__((always_inline)) inline int leap_ahead(LookAhead& look_ahead, const char* pos, const char* unit_pos,
                                                     int score, int levels_left, long long threshold,
                                                     Arrival arrival, bool* took_nothing) {
  // Over budget: the caller discards this value.
  if (--look_ahead.calls_left < 0) return score;
  int Ns_ignored = 0;
  const char* run_start = pos;
  const RunEnd run_end = greedy_run<Dir>(pos, unit_pos, score, Ns_ignored, look_ahead.unit_begin,
                                         look_ahead.unit_end, look_ahead.limit, look_ahead.text);
  if constexpr (Dir::tells_reach) look_ahead.farthest = Dir::farther(look_ahead.farthest, pos);
  const bool empty = run_end == RunEnd::error_point && pos == run_start;
  if (took_nothing) *took_nothing = empty;
  if (run_end != RunEnd::error_point || levels_left <= 0) return score;
  // The threshold follows the best score along the path: max(-L, best - reduction).
  if (look_ahead.threshold_follows_best) threshold = std::max(threshold, score - look_ahead.score_reduction);
  if (score + look_ahead.larger_penalty <= threshold) return score;
  if (look_ahead.leave_out_repeated && completed_nodes.dominated(pos, unit_pos, score, levels_left)) return score;
  const bool after_empty_indel = empty && look_ahead.leave_out_repeated &&
                                 (arrival.by == Operation::insertion || arrival.by == Operation::deletion);
  const bool leave_out_pair = after_empty_indel && look_ahead.leave_out_indel_pair;
  const int value = children_value<Dir>(look_ahead, pos, unit_pos, score, levels_left, threshold,
                                        {after_empty_indel && arrival.mismatch_sibling_empty,
                                         leave_out_pair && arrival.by == Operation::deletion,
                                         leave_out_pair && arrival.by == Operation::insertion});
  if (look_ahead.leave_out_repeated) completed_nodes.add(pos, unit_pos, score, levels_left);
  return value;
}

// The highest of a node's score and the values of the errors it tries.
template <class Dir>
int children_value(LookAhead& look_ahead, const char* pos, const char* unit_pos, int score, int levels_left,
                   long long threshold, LeftOut left_out) {
  look_ahead.lowest_trying = std::min(look_ahead.lowest_trying, score);
  // Forced inline too: a change elsewhere in this file once left it a call
  // of its own in one direction, and long imperfect arrays a twentieth slower.
  auto child = [&](const char* next_pos, const char* next_unit_pos, long long next_score, Arrival next_arrival,
                   bool* child_took_nothing) __attribute__((always_inline)) {
    return leap_ahead<Dir>(look_ahead, next_pos, next_unit_pos, static_cast<int>(next_score), levels_left - 1,
                           threshold, next_arrival, child_took_nothing);
  };
  const char* next_unit_pos = Dir::unit_step(unit_pos, look_ahead.unit_begin, look_ahead.unit_end);
  int value = score;
  bool mismatch_child_empty = false;
  const long long after_mismatch = score + look_ahead.mismatch_score;
  if (after_mismatch > threshold && !left_out.mismatch)
    value = std::max(value, child(Dir::step(pos), next_unit_pos, after_mismatch, {Operation::mismatch, false},
                                  &mismatch_child_empty));
  const long long after_indel = score + look_ahead.indel_score;
  if (after_indel > threshold && !look_ahead.mismatches_only) {
    if (!left_out.insertion)
      value = std::max(value, child(Dir::step(pos), unit_pos, after_indel,
                                    {Operation::insertion, mismatch_child_empty}, nullptr));
    if (!left_out.deletion)
      value = std::max(value, child(pos, next_unit_pos, after_indel, {Operation::deletion, mismatch_child_empty},
                                    nullptr));
  }
  return value;
}

// The error to apply at a walk's error point, by how much every score of
// the decision may fall with the same error chosen, and how many unit steps
// ahead the decision may have read the unit.
struct Decision {
  Operation chosen;
  std::uint32_t reach;
  long long shifts_survived;
};

// Values the three errors at the walk's error point and returns the one to
// apply; on equal values the earlier of mismatch, insertion, deletion wins.
// over_budget tells whether the look-ahead ran out of calls, which leaves the
// choice void.
template <class Dir>
Decision choose_operation_at_depth(const Csat& sat, const char* pos, const char* unit_pos, int best_score,
                                   const char* limit, int depth_limit, bool& over_budget, const UnitText& text) {
  const long long unit_length = sat.unit_end - sat.unit_begin;
  // No score in the tree exceeds the best so far by more than the residues
  // left to take; out of the score-reduction limit's reach, T stays -L.
  const long long highest_best = std::max<long long>(best_score, static_cast<long long>(sat.score) +
                                                                     Dir::residues_left(pos, limit));
  const bool within_budget = depth_limit <= deepest_within_budget;
  const bool threshold_fixed = within_budget && global_mismatch_score < 0 && global_indel_score < 0 &&
                               highest_best - global_maximum_scorereduction <= -unit_length;
  const bool leave_out_repeated = CSearchController::leave_out_repeated_look_ahead && threshold_fixed;
  LookAhead look_ahead(sat.unit_begin, sat.unit_end, limit, within_budget ? LLONG_MAX : look_ahead_call_budget,
                       leave_out_repeated, pos, text);
  if (leave_out_repeated) completed_nodes.start_decision();
  const long long threshold = threshold_at(unit_length, best_score);
  Operation chosen = Operation::none;
  int chosen_value = 0;
  auto consider = [&](Operation op, const char* next_pos, const char* next_unit_pos, long long start_score,
                      Arrival arrival, bool* took_nothing) {
    const int value = leap_ahead<Dir>(look_ahead, next_pos, next_unit_pos, static_cast<int>(start_score),
                                      depth_limit - 1, threshold, arrival, took_nothing);
    if (chosen == Operation::none || value > chosen_value) {
      chosen = op;
      chosen_value = value;
    }
  };
  const char* next_unit_pos = Dir::unit_step(unit_pos, sat.unit_begin, sat.unit_end);
  bool mismatch_empty = false;
  const long long after_mismatch = sat.score + look_ahead.mismatch_score;
  if (after_mismatch > threshold)
    consider(Operation::mismatch, Dir::step(pos), next_unit_pos, after_mismatch, {Operation::mismatch, false},
             &mismatch_empty);
  const long long after_indel = sat.score + look_ahead.indel_score;
  if (after_indel > threshold && !look_ahead.mismatches_only) {
    consider(Operation::insertion, Dir::step(pos), unit_pos, after_indel, {Operation::insertion, mismatch_empty},
             nullptr);
    consider(Operation::deletion, pos, next_unit_pos, after_indel, {Operation::deletion, mismatch_empty}, nullptr);
  }
  over_budget = look_ahead.calls_left < 0;
  // Where no error is tried, none is at lower scores either. Nodes are
  // entered no lower than the costlier error below the lowest node that
  // tries errors (counted there, once a node, rather than at every node).
  if (chosen == Operation::none) return {chosen, WalkMemo::unknown_reach, LLONG_MAX};
  const long long lowest_entry =
      std::min<long long>(sat.score, look_ahead.lowest_trying) + std::min(global_mismatch_score, global_indel_score);
  // A node's unit position lies as many steps ahead as its edge lies
  // residues ahead, less its insertions and plus its deletions: one per
  // level at most.
  std::uint32_t reach = WalkMemo::unknown_reach;
  if constexpr (Dir::tells_reach) {
    const std::ptrdiff_t residues_read = std::abs(look_ahead.farthest - pos);
    reach =
        static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(residues_read + depth_limit, WalkMemo::unknown_reach));
  }
  return {chosen, reach, threshold_fixed ? std::max(0LL, lowest_entry + unit_length - 1) : 0};
}

// A decision reads at least as many unit steps ahead as the look-ahead is
// deep, and only a longer unit can differ from another beyond that; a
// deeper look-ahead would need the budget, which counts nodes. Walks of such
// units go in a TellingReach direction.
bool unit_read_in_part(unsigned k) {
  const int depth = configured_depth();
  return depth <= deepest_within_budget && k > static_cast<unsigned>(depth) + 1;
}

template <class Dir>
Decision choose_operation(const Csat& sat, const char* pos, const char* unit_pos, int best_score,
                          const char* limit, const UnitText& text) {
  bool over_budget = false;
  const int depth = configured_depth();
  const Decision decision =
      choose_operation_at_depth<Dir>(sat, pos, unit_pos, best_score, limit, depth, over_budget, text);
  if (!over_budget) return decision;
  // Depth 1 always fits: it makes one call per error. At lower scores a
  // deeper look-ahead may fit: a choice made so survives no shift.
  Operation deepest_fitting = Operation::none;
  for (int shallower_depth = 1; shallower_depth < depth; ++shallower_depth) {
    const Decision shallower =
        choose_operation_at_depth<Dir>(sat, pos, unit_pos, best_score, limit, shallower_depth, over_budget, text);
    if (over_budget) break;
    deepest_fitting = shallower.chosen;
  }
  return {deepest_fitting, WalkMemo::unknown_reach, 0};
}

// Inlined into the walk, whose error points it serves: a call of its own
// costs the walk a tenth more.
// Errors beyond the first errors_listed of a record are counted but not listed.
template <class Dir>
inline void apply_operation(Csat& sat, Operation op, unsigned errors_listed) {
  const char*& edge = Dir::edge(sat);
  const char*& unit_pos = Dir::unit_pos(sat);
  const bool listed = sat.missense.count < errors_listed;
  switch (op) {
    case Operation::mismatch:
      sat.score += global_mismatch_score;
      ++sat.mismatches;
      if (listed) sat.missense.push_back({Dir::next_residue(edge), 'M'});
      edge = Dir::step(edge);
      unit_pos = Dir::unit_step(unit_pos, sat.unit_begin, sat.unit_end);
      break;
    case Operation::insertion:
      sat.score += global_indel_score;
      ++sat.insertions;
      if (listed) sat.missense.push_back({Dir::next_residue(edge), 'I'});
      edge = Dir::step(edge);
      break;
    case Operation::deletion:
      sat.score += global_indel_score;
      ++sat.deletions;
      if (listed) sat.missense.push_back({edge, 'D'});
      unit_pos = Dir::unit_step(unit_pos, sat.unit_begin, sat.unit_end);
      break;
    case Operation::none:
      break;
  }
}

// Units whose walks' paths are followed (see "Walks that cannot regain their
// best"): following them costs a step per unit phase and residue, and the
// paths of a long unit's walk go on until they have lost as many points as
// the unit is long; a 171-residue satellite with --maxUnitLen 200 took seven
// times as long.
constexpr std::size_t longest_unit_followed = 16;
// The score of a phase that no path has reached: below any threshold, and
// far enough from the type's limit that adding a penalty cannot wrap.
constexpr long long unreached = LLONG_MIN / 2;

// Whether a path from an error point at pos, with unit_pos and score, comes
// back to best, and where: the residues left before the limit from there, or
// -1 where no path does (see "Walks that cannot regain their best"). The
// state it starts from is not a later state: scores are compared with best
// only after a residue (a deletion alone cannot raise them).
// Penalties must be negative, or deletions could go round the unit forever,
// and the unit no longer than longest_unit_followed. Every score a path
// reaches lies above the threshold (it starts there, and errors are taken
// only to such scores), so the phases no path has reached
// hold a score below it, and need no test of their own.
template <class Dir>
long long where_best_may_come_back(const Csat& sat, const char* pos, const char* unit_pos, long long score,
                                   long long best, long long threshold, const char* limit) {
  const char* const unit_begin = sat.unit_begin;
  const char* const unit_end = sat.unit_end;
  const int k = static_cast<int>(sat.unit_length());
  // For each phase, the one a step along the unit leads to and the one it
  // is led to from: indices, where pointers would cost a test for the
  // unit's end at every step.
  int after[longest_unit_followed], before[longest_unit_followed];
  for (int u = 0; u < k; ++u) {
    after[u] = static_cast<int>(Dir::unit_step(unit_begin + u, unit_begin, unit_end) - unit_begin);
    before[after[u]] = u;
  }
  long long scores[2][longest_unit_followed];  // the highest score of each unit phase
  long long* here = scores[0];
  long long* next = scores[1];
  std::fill(here, here + k, unreached);
  int highest = static_cast<int>(unit_pos - unit_begin);  // the phase of the highest score
  here[highest] = score;
  const long long mismatch = global_mismatch_score, indel = global_indel_score;
  auto if_above_threshold = [threshold](long long s) { return s > threshold ? s : unreached; };
  for (;;) {
    // Deletions. Round the unit from the highest score is enough: a path of
    // deletions through that phase does better starting there.
    for (int u = highest, v = after[u]; v != highest; u = v, v = after[v])
      here[v] = std::max(here[v], if_above_threshold(here[u] + indel));
    if (Dir::at_limit(pos, limit)) return -1;
    const char residue = *Dir::next_residue(pos);
    pos = Dir::step(pos);
    // A phase is reached by a match or a mismatch from the one before it, or
    // by an insertion from itself.
    long long top = unreached;
    for (int v = 0; v < k; ++v) {
      const long long from = here[before[v]];
      const bool match = residue == unit_begin[before[v]] || residue == 'N';
      next[v] = std::max(match ? from + 1 : if_above_threshold(from + mismatch), if_above_threshold(here[v] + indel));
      top = std::max(top, next[v]);
    }
    if (top >= best) return Dir::residues_left(pos, limit);
    if (top <= threshold) return -1;
    highest = 0;  // the first phase with the top score, as a search by hand: std::find stayed a call
    while (next[highest] != top) ++highest;
    std::swap(here, next);
  }
}

constexpr long long never_memorable = LLONG_MAX;

WalkMemo::Step step_of(Operation op) {
  switch (op) {
    case Operation::mismatch: return WalkMemo::Step::mismatch;
    case Operation::insertion: return WalkMemo::Step::insertion;
    case Operation::deletion: return WalkMemo::Step::deletion;
    case Operation::none: break;
  }
  return WalkMemo::Step::walk_went_on;
}

Operation operation_of(WalkMemo::Step step) {
  switch (step) {
    case WalkMemo::Step::mismatch: return Operation::mismatch;
    case WalkMemo::Step::insertion: return Operation::insertion;
    case WalkMemo::Step::deletion: return Operation::deletion;
    default: return Operation::none;
  }
}

// How following a trail ended: where the earlier walk ended; where the
// record must choose (the trail stopped, or the record fell too low), and may
// meet another trail there; or where the record's unit, differing from the
// trail's, might have made another choice, which the record makes itself.
enum class Followed { walk_ended, choose_here, choose_alone };

// Goes along the whole path ahead of an error point at once, where no point
// before its last falls below the lowest memorable score and the record lists
// no more errors: the record ends in the path's last state, with the best
// state the steps would have kept. phase_shift turns the point's unit phases
// into the record's.
template <class Dir>
Followed go_along_path(Csat& sat, SavedState& best, const WalkMemo& memo, const WalkMemo::PathAhead& path,
                       std::uint64_t phase_shift) {
  const unsigned k = sat.unit_length();
  auto state_at = [&](const WalkMemo::PathAhead::State& ahead) {
    const WalkMemo::Point& point = memo.point(ahead.point);
    SavedState state;
    state.edge = memo.first() + point.offset;
    state.unit_pos = sat.unit_begin + (point.phase() + phase_shift + ahead.phase_shift) % k;
    state.score = sat.score + ahead.score;
    state.mismatches = sat.mismatches + static_cast<int>(ahead.errors[0]);
    state.insertions = sat.insertions + static_cast<int>(ahead.errors[1]);
    state.deletions = sat.deletions + static_cast<int>(ahead.errors[2]);
    state.Ns = sat.Ns + ahead.Ns;
    state.missense_count = sat.missense.count;
    return state;
  };
  if (path.best.point != WalkMemo::no_point) {
    const SavedState best_ahead = state_at(path.best);
    if (best_ahead.score > best.score) best = best_ahead;
  }
  const SavedState last = state_at(path.last);
  last.restore<Dir>(sat);
  if (memo.point(path.last.point).step() == WalkMemo::Step::walk_went_on) return Followed::choose_here;
  if (sat.score <= best.score) best.restore<Dir>(sat);
  return Followed::walk_ended;
}

// Follows an earlier walk's trail from the point where the record met it,
// where the record's state is that of the point but for a score shift and a
// rotation of the unit: takes the errors the trail took and the greedy runs
// between them, keeping the best state as the walk would, until the trail
// ends, the record's score falls too low, or the trail's choice read the
// unit where the record's differs; there the record chooses itself.
template <class Dir>
Followed follow_trail(Csat& sat, SavedState& best, const WalkMemo& memo, const WalkMemo::Meeting& meeting,
                      long long lowest_memorable, unsigned errors_listed) {
  const std::uint32_t at = meeting.point;
  const WalkMemo::Point& start = memo.point(at);
  const WalkMemo::Trail& trail = memo.trail_of(at);
  const unsigned k = sat.unit_length();
  const int score_shift = sat.score - start.score;
  const int Ns_shift = sat.Ns - trail.Ns;
  const std::uint64_t phase = static_cast<std::uint64_t>(Dir::unit_pos(sat) - sat.unit_begin);
  const std::uint64_t phase_shift = (phase + k - start.phase()) % k;
  for (std::uint32_t i = at;; ++i) {
    if (!memo.chosen_alike(meeting, i)) return Followed::choose_alone;
    if (sat.missense.count >= errors_listed && memo.path_known(i)) {
      const WalkMemo::PathAhead path = memo.path_ahead(i);
      if (path.lowest_score == INT64_MAX || sat.score + path.lowest_score >= lowest_memorable)
        return go_along_path<Dir>(sat, best, memo, path, phase_shift);
    }
    apply_operation<Dir>(sat, operation_of(memo.point(i).step()), errors_listed);
    const WalkMemo::Point& next = memo.point(i + 1);
    Dir::edge(sat) = memo.first() + next.offset;
    Dir::unit_pos(sat) = sat.unit_begin + (next.phase() + phase_shift) % k;
    sat.score = next.score + score_shift;
    if (next.step() == WalkMemo::Step::walk_ended) {
      sat.Ns = trail.end_Ns + Ns_shift;
      if (sat.score <= best.score) best.restore<Dir>(sat);
      return Followed::walk_ended;
    }
    if (next.step() == WalkMemo::Step::walk_went_on) {
      sat.Ns = trail.end_Ns + Ns_shift;
      return Followed::choose_here;
    }
    if (sat.score < lowest_memorable) return Followed::choose_here;
    if (sat.score > best.score) best.take<Dir>(sat);
  }
}

// Counts the matches of a greedy run from pos on, up to cap, without its
// handling of N's; -1 when the run meets a tolerated N (left to the full
// walk). Sixteen at a time where the walk has written its unit's text for
// a decision already: where the count ends is as hard to foretell as where
// a greedy run does, but writing a text for the count alone cost more than
// it saved. Inlined: a call of its own cost more than the count.
template <class Dir>
__attribute__((always_inline)) inline long long count_matches(const char* pos, const char* unit_pos,
                                                              const char* unit_begin, const char* unit_end,
                                                              const char* limit, long long cap,
                                                              const UnitText& text) {
#ifdef __SSE2__
  if (!Dir::tells_reach && text.written() && 0 < cap && cap <= 16 && Dir::residues_left(pos, limit) >= 16) {
    const unsigned run = text.matches<Dir>(pos, unit_pos - unit_begin);
    if (run >= cap) return cap;
    return *Dir::next_residue(Dir::forward ? pos + run : pos - run) == 'N' && Ns_tolerated() ? -1 : run;
  }
#endif
  long long matches = 0;
  for (; matches < cap && !Dir::at_limit(pos, limit); ++matches) {
    const char residue = *Dir::next_residue(pos);
    if (residue != *unit_pos) return residue == 'N' && Ns_tolerated() ? -1 : matches;
    pos = Dir::step(pos);
    unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
  }
  return matches;
}

// Whether some error from the error point at pos (unit_pos ahead, score)
// passes the threshold, and the greedy run behind it then lets a second one
// pass too (see "One error at most"). A tolerated N is left to the walk: yes.
template <class Dir>
bool second_error_can_follow(const char* pos, const char* unit_pos, const char* unit_begin, const char* unit_end,
                             long long score, long long threshold, const char* limit, const UnitText& text) {
  const long long larger_penalty = std::max(global_mismatch_score, global_indel_score);
  auto follows = [&](long long penalty, const char* next_pos, const char* next_unit_pos) {
    const long long after_error = score + penalty;
    if (after_error <= threshold) return false;
    const long long needed = threshold - larger_penalty - after_error + 1;
    const long long run = count_matches<Dir>(next_pos, next_unit_pos, unit_begin, unit_end, limit, needed, text);
    return run < 0 || run >= needed;
  };
  const char* next_unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
  return follows(global_mismatch_score, Dir::step(pos), next_unit_pos) ||
         follows(global_indel_score, Dir::step(pos), unit_pos) || follows(global_indel_score, pos, next_unit_pos);
}

// Returns by how much all its scores could be lower with the same errors
// taken (see "Starts that share a walk").
// Walks of units read in part may find trails in a memo of recent ones too,
// and keep theirs there once memo is full.
template <class Dir>
long long extend(Csat& sat, const char* limit, WalkMemo* memo, long long lowest_memorable,
                 unsigned errors_listed = UINT_MAX, WalkMemo* recent = nullptr) {
  SavedState best;
  best.take<Dir>(sat);
  const unsigned k = sat.unit_length();
  long long shifts_survived = LLONG_MAX;
  UnitText text;
  bool recording = false;  // a trail of this walk is open
  // Off where a followed trail's choice may differ from the record's own.
  bool may_follow = true;
  WalkMemo* kept_in = memo;  // the memo that takes this walk's trail
  // Asked whether the walk may come back to its best only with residues
  // fewer than this left (see "Walks that cannot regain their best").
  const bool end_walks_that_cannot_come_back = CSearchController::end_walks_that_cannot_regain_their_best &&
                                               global_mismatch_score < 0 && global_indel_score < 0 &&
                                               k <= longest_unit_followed;
  long long ask_again_below = LLONG_MAX;
  // Below the score of this many errors, a decision's tree is small, and
  // cheaper than following the paths. (One error passing T is what lets the
  // walk go on.)
  constexpr long long errors_worth_asking = 3;
  const long long larger_penalty = std::max(global_mismatch_score, global_indel_score);
  if (recent && memo->full()) {
    if (recent->full()) recent->forget();
    kept_in = recent;
  }
  auto stop_recording = [&](WalkMemo::Step how, std::uint32_t met = WalkMemo::no_point) {
    if (!recording) return;
    kept_in->add(Dir::edge(sat), Dir::unit_pos(sat), sat.score, sat.Ns, how, WalkMemo::unknown_reach, met);
    recording = false;
  };
  for (;;) {
    if (greedy_run<Dir>(Dir::edge(sat), Dir::unit_pos(sat), sat.score, sat.Ns, sat.unit_begin, sat.unit_end,
                        limit, text) != RunEnd::error_point) {
      stop_recording(WalkMemo::Step::walk_ended);
      if (sat.score <= best.score) best.restore<Dir>(sat);
      return shifts_survived;
    }
    if (sat.score > best.score) best.take<Dir>(sat);
    const bool choices_memorable = sat.score >= lowest_memorable;
    if (choices_memorable && may_follow) {
      const WalkMemo* met_in = memo;
      WalkMemo::Meeting met = memo->find(Dir::edge(sat), sat.unit_begin, Dir::unit_pos(sat), k, Dir::tells_reach);
      if (met.point == WalkMemo::no_point && recent) {
        met_in = recent;
        met = recent->find(Dir::edge(sat), sat.unit_begin, Dir::unit_pos(sat), k, Dir::tells_reach);
      }
      if (met.point != WalkMemo::no_point) {
        // Only a summarised memo reads where its trail went on, and its walks
        // keep no recent trails: so met lies in the memo that takes the trail.
        stop_recording(WalkMemo::Step::walk_went_on, met.point);
        shifts_survived = 0;  // the choices followed were not made at this score
        const Followed followed = follow_trail<Dir>(sat, best, *met_in, met, lowest_memorable, errors_listed);
        if (followed == Followed::walk_ended) return 0;
        // Only a unit read in part meets trails of another unit.
        may_follow = !Dir::tells_reach || followed != Followed::choose_alone;
        continue;  // at an error point: the greedy run takes nothing
      }
    } else if (!choices_memorable) {
      stop_recording(WalkMemo::Step::walk_went_on);
    }
    may_follow = true;
    const long long threshold = threshold_at(k, best.score);
    if (end_walks_that_cannot_come_back &&
        sat.score + errors_worth_asking * larger_penalty > threshold &&
        Dir::residues_left(Dir::edge(sat), limit) < ask_again_below) {
      ask_again_below = where_best_may_come_back<Dir>(sat, Dir::edge(sat), Dir::unit_pos(sat), sat.score,
                                                      best.score, threshold, limit);
      if (ask_again_below < 0) {
        stop_recording(WalkMemo::Step::walk_went_on);
        best.restore<Dir>(sat);
        return shifts_survived;
      }
    }
    // Where one error passes T but two do not, the walk often cannot try a
    // second after any first: it ends in its best state, without a decision.
    if (CSearchController::end_walks_that_cannot_regain_their_best && !choices_memorable &&
        sat.score + larger_penalty > threshold &&
        sat.score + 2 * larger_penalty <= threshold &&
        !second_error_can_follow<Dir>(Dir::edge(sat), Dir::unit_pos(sat), sat.unit_begin, sat.unit_end, sat.score,
                                      threshold, limit, text)) {
      stop_recording(WalkMemo::Step::walk_went_on);
      best.restore<Dir>(sat);
      return shifts_survived;
    }
    // Many walks end where not even one error passes T: no look-ahead is set
    // up for them.
    const bool decides = sat.score + larger_penalty > threshold;
    if (!Dir::tells_reach && decides && !text.written()) text.write(sat.unit_begin, sat.unit_end);
    const Decision decision = decides ? choose_operation<Dir>(sat, Dir::edge(sat), Dir::unit_pos(sat), best.score,
                                                              limit, text)
                                      : Decision{Operation::none, WalkMemo::unknown_reach, LLONG_MAX};
    shifts_survived = std::min(shifts_survived, decision.shifts_survived);
    const Operation op = decision.chosen;
    if (op == Operation::none) {
      stop_recording(WalkMemo::Step::walk_went_on);
      if (sat.score < best.score) best.restore<Dir>(sat);
      return shifts_survived;
    }
    if (choices_memorable && kept_in->full()) {
      stop_recording(WalkMemo::Step::walk_went_on);
    } else if (choices_memorable) {
      if (!recording) kept_in->open_trail(sat.unit_begin, k);
      recording = true;
      kept_in->add(Dir::edge(sat), Dir::unit_pos(sat), sat.score, sat.Ns, step_of(op), decision.reach);
    }
    apply_operation<Dir>(sat, op, errors_listed);
  }
}

// Residues from x outward (step +1 or -1) that equal the residue k positions
// back towards the unit copy, up to the limit, which is never read. Past the
// first copy, such a residue is exactly a match of the greedy run.
std::ptrdiff_t periodic_run(const char* x, std::ptrdiff_t step, unsigned k, const char* limit) {
  const char* y = x;
  const std::ptrdiff_t back = -step * static_cast<std::ptrdiff_t>(k);
  while (y != limit && *y == y[back]) y += step;
  return (y - x) * step;
}

#ifdef __SSE2__
// Bit j: the j-th residue of each path behind an error at x (the residue
// that breaks an error-free run, read in the direction of the walk) matches
// what the walk expects there. Behind an error the walk expects the run's
// unit repeated; along a path whose residues so far all matched, that is the
// residue k back, but for the first few, which lie next to the run: there it
// is the residue k - 1 back behind a deletion and k + 1 back behind an
// insertion, and behind a mismatch or a deletion, k - 1 residues on, the
// first residue of the unit, k before x. Only the bits up to the first
// mismatch are right, which is all a count of matches reads. The sixteen
// residues beyond x, in the direction of the walk, must be there. For the
// walk to the left, the bits run the other way: the path's j-th is bit 15 - j.
struct PathMatches {
  std::uint32_t mismatch, insertion, deletion;
  std::uint32_t Ns;  // the N's among the sixteen residues beyond x
};

using PathBits = OneErrorTest::PathBits;

template <class Dir>
PathBits path_bits(std::ptrdiff_t k) {
  const bool forward = std::is_same<Dir, Forward>::value;
  const std::uint32_t first_k_ahead = k >= 16 ? 0xFFFFu : (1u << k) - 1;
  return {forward ? first_k_ahead : first_k_ahead << (16 - std::min<std::ptrdiff_t>(k, 16)),
          k > 16 ? 0 : forward ? 1u << (k - 1) : 1u << (16 - k)};
}

template <class Dir>
PathMatches path_matches(const char* x, std::ptrdiff_t k, PathBits bits) {
  const bool forward = std::is_same<Dir, Forward>::value;
  // Sixteen residues from the first of the mismatch and insertion paths
  // (after), and of the deletion path (at), with those k and k + 1 back.
  const char* after = forward ? x + 1 : x - 16;
  const char* at = forward ? x : x - 15;
  const std::ptrdiff_t back = forward ? k : -k;
  auto load = [](const char* y) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(y)); };
  auto equal = [](__m128i a, __m128i b) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
  };
  const __m128i after_residues = load(after), at_residues = load(at);
  const __m128i k_back = load(after - back);    // k back of after, k - 1 back of at
  const __m128i k_more_back = load(at - back);  // k + 1 back of after, k back of at
  const std::uint32_t after_k = equal(after_residues, k_back), after_k_more = equal(after_residues, k_more_back);
  const std::uint32_t at_k_less = equal(at_residues, k_back), at_k = equal(at_residues, k_more_back);
  const std::uint32_t first_k = bits.first_k, unit_start_bit = bits.unit_start;
  const std::uint32_t first_k_less = first_k & ~unit_start_bit;
  const char unit_first = x[-back];
  auto unit_first_at = [&](std::ptrdiff_t j) {
    return k <= 16 && x[forward ? j : -j] == unit_first ? unit_start_bit : 0u;
  };
  return {(after_k & ~unit_start_bit) | unit_first_at(k), (after_k_more & first_k) | (after_k & ~first_k),
          (at_k_less & first_k_less) | unit_first_at(k - 1) | (at_k & ~first_k),
          equal(after_residues, _mm_set1_epi8('N'))};
}
#endif

}  // namespace

bool CSearchController::leave_out_repeated_look_ahead = true;
bool CSearchController::compare_sixteen_at_a_time = true;

bool CSearchController::fails_without_any_error(const char* unit_begin, const char* unit_end, const char* seq_begin,
                                                const char* seq_end) {
  const unsigned k = static_cast<unsigned>(unit_end - unit_begin);
  const char* run_end = unit_end + periodic_run(unit_end, 1, k, seq_end);
  const char* run_begin = unit_begin - periodic_run(unit_begin - 1, -1, k, seq_begin - 1);
  return ErrorFreeRunTest(k).fails(run_begin, run_end, seq_begin, seq_end);
}

ErrorFreeRunTest::ErrorFreeRunTest(unsigned k) : k_(k), Ns_tolerated_(Ns_tolerated()) {
  // The run scores its length minus the copy; the highest score that lets no
  // error be tried and fails the minimum is the longest run that settles.
  const long long larger_penalty = std::max(global_mismatch_score, global_indel_score);
  const long long highest_failing_score =
      std::min(-static_cast<long long>(k) - larger_penalty, CSearchController::minScores[k] - 1LL);
  longest_failing_run_ = highest_failing_score + k;
}

// A start's run is its copy and the stretch of residues equal to the one k
// before them that touches the copy's last residue or the one after it. The
// run settles when that stretch is no longer than the run's excess over a
// copy and, where N's are tolerated, no N borders it. So the starts to try
// are those whose copy's last residue or the one after it lies in a long
// enough stretch, and those near an N: up to k plus the longest settled
// stretch before it (the run ends at the N), or one more than that stretch
// after it (the run begins after the N).
ConcernedStarts ErrorFreeRunTest::starts_to_try() const {
  const long long longest_settled_stretch = longest_failing_run_ - k_;
  if (longest_settled_stretch < 0) return ConcernedStarts::all();
  // A residue lies in a long enough stretch when a window of stretch_needed
  // residues, all in the stretch, ends at it or up to stretch_needed - 1
  // after it.
  const long long stretch_needed = longest_settled_stretch + 1;
  return {{k_}, 1, k_, stretch_needed, k_ - 1, k_ + stretch_needed - 1,
          Ns_tolerated_, -(longest_settled_stretch + 1), k_ + longest_settled_stretch, 0};
}

OneErrorTest::OneErrorTest(unsigned k, const char* seq_begin, const char* seq_end)
    : k_(k),
      larger_penalty_(std::max(global_mismatch_score, global_indel_score)),
      min_score_(CSearchController::minScores[k]),
      usable_(larger_penalty_ < 0),
      Ns_tolerated_(Ns_tolerated()),
      seq_begin_(seq_begin),
      seq_end_(seq_end) {
#ifdef __SSE2__
  forward_bits_ = path_bits<Forward>(k_);
  backward_bits_ = path_bits<Backward>(k_);
  // A score of the minimum or more never comes to ask; the walks of higher
  // ones are few.
  constexpr long long scores_laid_out = 64;
  constexpr std::uint32_t never_tried = 1u << 16;  // no path of sixteen has it
  for (long long score = 0; score < std::min(min_score_, scores_laid_out); ++score) {
    const long long after_mismatch = matches_needed(score, global_mismatch_score);
    const long long after_indel = matches_needed(score, global_indel_score);
    auto bits = [&](long long needed, bool forward) {
      if (needed < 0) return never_tried;
      if (needed >= 16) return 0xFFFFu;
      return forward ? (1u << needed) - 1 : (0xFFFFu << (16 - needed)) & 0xFFFFu;
    };
    second_error_bits_.push_back({{bits(after_mismatch, true), bits(after_mismatch, false)},
                                  {bits(after_indel, true), bits(after_indel, false)},
                                  std::max(after_mismatch, after_indel) <= 16});
  }
#endif
  // After an error of penalty x at the end of a run s residues beyond its
  // copy, a second error needs -k - larger - x + 1 - s matches behind the
  // first: run and matches together are fewest for the larger penalty.
  const long long least_sum = 1 - k_ - 2 * larger_penalty_;
  const long long most_matches_needed = 1 - k_ - larger_penalty_ - std::min(global_mismatch_score, global_indel_score);
  // Runs of up to this many residues beyond the copy settle without an
  // error (see ErrorFreeRunTest).
  const long long settled_without_error = std::min(-k_ - larger_penalty_, min_score_ - 1LL);
  stretch_needed_ = std::min({min_score_, (least_sum + 1) / 2, k_ - 1});
  // Only where it passes over more than the error-free run test does.
  if (!usable_ || stretch_needed_ < 1 || stretch_needed_ <= settled_without_error + 1 || stretch_needed_ > 16) {
    stretch_needed_ = 0;
    return;
  }
  // How far back from a stretch's end or an N the starts it concerns begin,
  // and how far after a start a stretch must begin to concern it. A run
  // short of a stretch ends less than k + h after its start; the stretch
  // behind its end is seen h after it, the one behind its start ends within
  // h of it; a run that is a stretch itself reaches at least k - 1 past its
  // start; an N matters up to the most matches needed beyond either end.
  stretch_reach_back_ = k_ - 1 + 2 * stretch_needed_;
  stretch_lead_ = std::min(k_ - 2 * stretch_needed_, stretch_needed_ - k_);
  N_reach_back_ = k_ + stretch_needed_ + most_matches_needed - 1;
  N_lead_ = stretch_needed_ + most_matches_needed;
}

// A stretch of h residues equal to those k - 1, k or k + 1 before them,
// ending at i, concerns the starts from i - stretch_reach_back_ to
// i - h + 1 - stretch_lead_; an N at i those from i - N_reach_back_ to
// i + N_lead_. Starts whose k + 1 residues back are not all there are tried.
ConcernedStarts OneErrorTest::starts_to_try() const {
  if (stretch_needed_ == 0) return ConcernedStarts::all();
  return {{k_ - 1, k_, k_ + 1}, 3, k_ + 1, stretch_needed_, stretch_needed_ - 1 + stretch_lead_, stretch_reach_back_,
          Ns_tolerated_, -N_lead_, N_reach_back_, k_ + 1 - stretch_lead_};
}

// An error is tried when its score passes -L; a second one when the score
// after the first and the greedy run behind it, plus the larger penalty,
// passes -L too. The unit read from the run's residues next to the edge gives
// the same expected characters beyond it as the candidate's own copy: the
// run repeats that copy.
template <class Dir, bool by_masks>
bool OneErrorTest::second_error_possible(const char* run_edge, long long score) const {
  const bool forward = std::is_same<Dir, Forward>::value;
  const char* limit = forward ? seq_end_ : seq_begin_ - 1;
  if (Dir::at_limit(run_edge, limit)) return false;
  // A tolerated N would be taken by the greedy run: left to the full walk.
  if (Ns_tolerated_ && *Dir::next_residue(run_edge) == 'N') return true;
#ifdef __SSE2__
  const char* x = Dir::next_residue(run_edge);
  const bool sixteen_beyond = forward ? seq_end_ - x > 16 : x - seq_begin_ >= 16;
  if (by_masks && sixteen_beyond && score < static_cast<long long>(second_error_bits_.size()) &&
      second_error_bits_[static_cast<std::size_t>(score)].usable) {
    const SecondErrorBits& needed = second_error_bits_[static_cast<std::size_t>(score)];
    const int direction = forward ? 0 : 1;
    const PathMatches matches = path_matches<Dir>(x, k_, forward ? forward_bits_ : backward_bits_);
    // first: the path's first residue. A tolerated N where the path's
    // matches end is left to the full walk; the residues x is compared with
    // hold none, nor most others.
    const bool Ns_near = Ns_tolerated_ && matches.Ns != 0;
    auto second_tried = [&](std::uint32_t needed_bits, std::uint32_t path, const char* first) {
      if ((path & needed_bits) == needed_bits) return true;
      if (!Ns_near || needed_bits > 0xFFFFu) return false;  // or never tried
      const unsigned run = matches_in_a_row<Dir>(path);
      return first[forward ? run : -static_cast<std::ptrdiff_t>(run)] == 'N';
    };
    return second_tried(needed.mismatch[direction], matches.mismatch, Dir::step(x)) ||
           second_tried(needed.indel[direction], matches.insertion, Dir::step(x)) ||
           second_tried(needed.indel[direction], matches.deletion, x);
  }
#endif
  const long long floor = -k_;
  if (score + larger_penalty_ <= floor) return false;  // not even a first error can be tried
  const char* unit_begin = forward ? run_edge - k_ : run_edge;
  const char* unit_end = unit_begin + k_;
  return second_error_can_follow<Dir>(run_edge, forward ? unit_begin : unit_end - 1, unit_begin, unit_end, score,
                                      floor, limit, UnitText());
}

// The matches behind an error that let the next one pass -L, never more
// than -(larger penalty); -1 where the error itself is never tried (T is at
// least -L).
long long OneErrorTest::matches_needed(long long score, long long penalty) const {
  const long long floor = -k_;
  const long long after_error = score + penalty;
  return after_error <= floor ? -1 : std::max(0LL, floor - larger_penalty_ - after_error + 1);
}

// Every start sharing the run scores its length beyond a copy in all, and at
// most that much at the run's end: a second error tried from neither end at
// that score is tried by none of them.
template <bool by_masks>
bool OneErrorTest::fails_by(const char* run_begin, const char* run_end) const {
  const long long run_score = (run_end - run_begin) - k_;
  return usable_ && run_score < min_score_ && !second_error_possible<Forward, by_masks>(run_end, run_score) &&
         !second_error_possible<Backward, by_masks>(run_begin, run_score);
}

bool OneErrorTest::fails(const char* run_begin, const char* run_end) const {
  return fails_by<true>(run_begin, run_end);
}

bool OneErrorTest::fails_plainly(const char* run_begin, const char* run_end) const {
  return fails_by<false>(run_begin, run_end);
}

bool CSearchController::follow_earlier_walks = true;
bool CSearchController::end_walks_that_cannot_regain_their_best = true;
std::size_t CSearchController::walk_points_kept_at_least = 65536;

long long CSearchController::grow_both_ways(Csat& sat) {
  const long long shifts_survived = grow_forward(sat);
  grow_backward(sat);
  return shifts_survived;
}

// The lowest score at an error point from which a walk's choices depend only
// on its position and the unit ahead.
long long CSearchController::lowest_memorable(const Csat& sat) {
  if (!walks_memorised) forget_earlier_walks();
  const unsigned k = sat.unit_length();
  return lowest_memorable_plus_L == never_memorable || k > WalkMemo::longest_unit ? never_memorable
                                                                                  : lowest_memorable_plus_L - k;
}

namespace {

// Only walks of long units note how far their choices read, which costs the
// look-ahead a step at every node.
// A summarised memo's trails must go on along trails of its own, so its walks
// keep no recent ones.
template <class Dir>
long long extend_noting_reach_if_useful(Csat& sat, const char* limit, WalkMemo* memo, WalkMemo* recent,
                                       long long lowest_memorable, unsigned errors_listed) {
  if (!unit_read_in_part(sat.unit_length())) return extend<Dir>(sat, limit, memo, lowest_memorable, errors_listed);
  return extend<TellingReach<Dir>>(sat, limit, memo, lowest_memorable, errors_listed,
                                   errors_listed == UINT_MAX ? recent : nullptr);
}

}  // namespace

long long CSearchController::grow_forward(Csat& sat) {
  return extend_noting_reach_if_useful<Forward>(sat, sequence.residues + sequence.length, &forward_walks,
                                                &recent_forward_walks, lowest_memorable(sat), errors_listed);
}

void CSearchController::grow_backward(Csat& sat) {
  extend_noting_reach_if_useful<Backward>(sat, sequence.residues - 1, &backward_walks, &recent_backward_walks,
                                          lowest_memorable(sat), errors_listed);
  sat.trim_flanking_Ns();
}

// The walks list their errors as they meet them: the forward walk's in
// order, right of the unit copy, then the backward walk's in reverse order,
// left of it (a deletion at its first residue at most). So the order is one
// reversal and one rotation away; a list of any other shape is sorted.
// (A sort took a fifth of the search on long imperfect arrays.)
void CSearchController::sort_errors(Csat& sat) {
  missense_entry* first = sat.missense.begin();
  missense_entry* last = sat.missense.end();
  missense_entry* backward = std::find_if(
      first, last, [&sat](const missense_entry& e) { return e.position <= sat.unit_begin; });
  std::reverse(backward, last);
  std::rotate(first, backward, last);
  if (!std::is_sorted(first, last, Csat::lessThan_missense())) std::sort(first, last, Csat::lessThan_missense());
}

void CSearchController::forget_earlier_walks() {
  // Walks that list only some of their errors can go along whole paths at once.
  const bool summarised = errors_listed != UINT_MAX;
  // A point takes some twenty bytes with its slot. One per 16 residues in
  // each direction holds both trails of a 5 %-mutated array over the whole
  // sequence; fewer would leave the walks over the rest of such an array to
  // choose every error again. Walks that go along whole paths (the exact
  // repeats grown in extendExact) add a piece of trail for each exact repeat
  // of such an array, between the pieces of the walks before: they need one
  // point per 8 residues.
  const std::size_t most_points = walk_points_kept_at_least + sequence.length / (summarised ? 8 : 16);
  forward_walks.reset(sequence.residues, most_points, summarised, false);
  backward_walks.reset(sequence.residues, most_points, summarised, true);
  recent_forward_walks.reset(sequence.residues, walk_points_kept_at_least, false, false);
  recent_backward_walks.reset(sequence.residues, walk_points_kept_at_least, false, true);
  walks_memorised = true;
  // Scores never exceed the sequence length, nor units: so the threshold stays -L.
  const bool usable = follow_earlier_walks && global_mismatch_score < 0 && global_indel_score < 0 &&
                      global_maximum_scorereduction >= 2 * static_cast<long long>(sequence.length);
  const long long costliest = std::min(global_mismatch_score, global_indel_score);
  lowest_memorable_plus_L = usable ? 1 - configured_depth() * costliest : never_memorable;
}

void CSearchController::release_earlier_walks() {
  forward_walks = WalkMemo();
  backward_walks = WalkMemo();
  recent_forward_walks = WalkMemo();
  recent_backward_walks = WalkMemo();
  walks_memorised = true;
  lowest_memorable_plus_L = never_memorable;
}

void CSearchController::extend_imperfect_forward(Csat& sat, const char* seq_end) {
  extend<Forward>(sat, seq_end, nullptr, never_memorable);
}

void CSearchController::extend_imperfect_backward(Csat& sat, const char* left_limit) {
  extend<Backward>(sat, left_limit, nullptr, never_memorable);
}

int CSearchController::extend_imperfect_forward_leap_ahead(const char* pos, const char* unit_pos,
                                                           const char* unit_begin, const char* unit_end, int score,
                                                           int unit_length, unsigned char depth, const char* seq_end,
                                                           int best_score) {
  UnitText text;
  text.write(unit_begin, unit_end);
  LookAhead look_ahead(unit_begin, unit_end, seq_end, LLONG_MAX, false, pos, text);
  return leap_ahead<Forward>(look_ahead, pos, unit_pos, score, configured_depth() - depth,
                             threshold_at(unit_length, best_score), {Operation::none, false}, nullptr);
}

int CSearchController::extend_imperfect_backward_leap_ahead(const char* pos, const char* unit_pos,
                                                            const char* unit_begin, const char* unit_end, int score,
                                                            int unit_length, unsigned char depth,
                                                            const char* left_limit, int best_score) {
  UnitText text;
  text.write(unit_begin, unit_end);
  LookAhead look_ahead(unit_begin, unit_end, left_limit, LLONG_MAX, false, pos, text);
  return leap_ahead<Backward>(look_ahead, pos, unit_pos, score, configured_depth() - depth,
                              threshold_at(unit_length, best_score), {Operation::none, false}, nullptr);
}
