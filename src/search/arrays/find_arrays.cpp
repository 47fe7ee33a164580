/*
 * Tandem arrays of any period: the rule.
 *
 * Candidates. Every word of five residues (without N) is matched with its
 * earlier starts up to max_period residues back, nearest first, at most 16 of
 * them; a word of one letter only up to 256 back. A match at distance d is
 * evidence for period d: it adds 40 to the evidence of d, which loses 1 per
 * residue passed since it was last added to (never going below 0). Indels
 * spread the matches of one array over neighbouring distances, so the
 * evidence of d and of its neighbours within 1 + d / 128 (at most 8) is
 * summed; a sum reaching 320 makes the neighbour with the most evidence a
 * candidate period, anchored that far before the word. Random DNA seldom
 * gives a period that much; an array whose neighbouring copies agree at
 * 65 % gives it within about 150 residues of its second copy.
 *
 * Consensus. The d residues from the anchor are the first unit. The residues
 * around the anchor are aligned against that unit repeated endlessly with
 * lenient scores (mismatch -2, indel -3) that follow copies differing from
 * the first one by a quarter; alignments spanning fewer than 1.4 copies end
 * the candidate there. The consensus is the majority of the residues aligned
 * to each unit column (an even split going to the letter the array holds
 * most of), without the columns most copies lack and with the residue most
 * copies add after a column; it is taken again until it settles (three
 * times at most). Under the run's scores it is then refined
 * the same way while that raises the score (three times at most; a change
 * of length must raise it by more than one indel's penalty); in these rounds,
 * when the copies' average length (the unit's plus the aligned insertions
 * less the deletions, per copy, rounded) differs from the consensus's, the
 * column with the most insertion votes gains its residue, or the one with
 * the most deletion votes is left out, one residue a round; or, where the
 * difference less the average's own uncertainty (the square root of the
 * copies' indels over the number of copies, rounded) is more than one, that
 * many columns with the most votes change in the round, eight at most.
 * These alignments keep a band of 16 cells and end 10 times the larger
 * penalty below their best. The alignment against the final consensus,
 * with a band of 24 cells and an end 12 times the larger penalty below its
 * best, is the call: +1 per match, the mismatch and indel scores of the
 * run, 0 per tolerated N, each side extended to its best score
 * (wraparound_extension.cpp). The call starts with the unit column facing
 * its first residue.
 *
 * Period. A candidate may be a multiple of the array's period: for each
 * divisor p of d (ascending, at least min_period) by which a shift changes at
 * most an eighth of the consensus, the array is built again from the
 * consensus's first p residues, and the first p scoring at least 95 % of
 * d's score is the period. So an array of period 6 is one call of period 6.
 * Where no divisor is taken, periods are compared by agreement: the share of
 * the array's first 256 residues (fewer in a short array) equal to the
 * residue an offset further on, best over the offsets near a period. For
 * q = 2 to 8, the offset agreeing most within 1 + (d / q) / 16 of d / q,
 * when it agrees at least 0.4 and no more than 0.05 below d's, is tried as
 * above: a consensus a residue or two off q copies of a shorter unit is
 * no exact multiple of it.
 * An array scoring less than 0.7 per unit character may be a higher-order
 * repeat of diverged monomers: it is built again at 2, 3 and 4 times its
 * period, and the best callable one replaces it if it scores over 25 % more.
 * And from 1.5 d to the longest period of which the array holds 1.8 copies,
 * the shortest offset agreeing within 0.05 of the most is a higher order
 * when it agrees 0.15 more than d's; the array built from the residues at
 * the anchor for that period replaces it if it is callable and scores over
 * 20 % more (copies of a diverged array's multiple agree no better, though
 * its consensus, following fewer copies, scores a little more). So a
 * higher-order repeat is called at its monomer when the monomers agree
 * nearly as well as the higher-order copies, at the higher order when
 * those agree far better.
 *
 * Calls. An array is called when it spans at least 2 copies of its unit
 * (its normalised length over its period), or at least 1.7 copies whose
 * score, less one per character of the first copy, is at least 0.4 per unit
 * character beyond it (a close duplication whose ends the alignment trims,
 * but not two old copies of an interspersed repeat side by side); and when
 * it reaches the minimum score and normalised length for its period, has a
 * period in the range searched and a unit that is not a shorter one written
 * out more than once.
 *
 * Overlaps. After a call, a match whose earlier word lies before the call's
 * end is evidence only of periods longer than the call: the array called
 * is not found again, while a longer array holding it still can be. A new
 * call may extend back over the calls shorter than its period and into the
 * last one that is not, to its start. Where one of two overlapping calls has
 * less than one unit outside the overlap, the lower-scoring one goes, the
 * earlier one on equal scores, as in the overlap removal of the other modes.
 */
#include "search/arrays/find_arrays.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr unsigned word_length = 5;
constexpr std::size_t word_count = std::size_t(1) << (2 * word_length);
constexpr unsigned earlier_starts_followed = 16;
constexpr long long one_letter_reach = 256;
constexpr unsigned lenient_rounds = 3;
constexpr unsigned refining_rounds = 3;
// The most columns a refining round puts in or leaves out to bring the
// consensus to the copies' length.
constexpr unsigned length_changes_per_round = 8;
// An array scoring below this per unit character may be a higher-order
// repeat: multiples of its period up to this one are tried.
constexpr double agreeing_copies = 0.7;
constexpr unsigned multiples_tried = 4;
// A new call reaches back over this many shorter ones at most.
constexpr std::size_t calls_passed_over = 64;
// A longer period is tried only where the array holds this many copies of it.
constexpr std::size_t copies_needed_in_tenths = 18;
// Below this many copies (and from few_copies on), an array is called only
// when the copies beyond the first score few_copies_score per unit character.
constexpr std::size_t copies_called_outright_in_tenths = 20;
constexpr std::size_t few_copies_needed_in_tenths = 17;
constexpr long long few_copies_score_in_tenths = 4;
constexpr std::size_t copies_to_go_on_in_tenths = 14;
// How periods are compared without aligning: the share of residues equal to
// the one a period further on, over the first residues of the array.
constexpr std::size_t agreement_sample = 256;
constexpr std::size_t least_agreement_sample = 32;
// A shorter period is tried when its copies agree nearly as well as the
// array's (within nearly_as_well), and at least this well (two random residues agree at 0.25 to
// 0.31, the more the richer in A+T).
constexpr double nearly_as_well = 0.05;
constexpr double shorter_at_least = 0.4;
constexpr unsigned most_parts = 8;
// A longer period is tried when its copies agree by this much more.
constexpr double longer_far_better = 0.15;

int base_code(char c) {
  switch (c) {
    case 'A': return 0;
    case 'C': return 1;
    case 'G': return 2;
    case 'T': return 3;
    default: return -1;
  }
}

// How many of `sample` residues from `from` equal the one `offset` further on.
unsigned agreeing_residues(const char* residues, std::size_t from, std::size_t sample, std::size_t offset) {
  const char* a = residues + from;
  const char* b = a + offset;
  unsigned same = 0;
  for (std::size_t i = 0; i < sample; ++i) same += a[i] == b[i];
  return same;
}

struct Agreement {
  unsigned offset = 0;
  double share = 0.0;
};

// A word of one letter.
bool low_complexity(std::size_t code) {
  const std::size_t mask = word_count - 1;
  return (((code >> 2) ^ code) & (mask >> 2)) == 0;
}

// The letter with the most votes, the first of equals.
int most_votes(const unsigned* votes) { return static_cast<int>(std::max_element(votes, votes + 4) - votes); }

// The alignments that only choose the consensus and the period follow the
// copies with a narrower band and end sooner; the call's own alignment is
// the thorough one.
ArraysOptions quick_version_of(const ArraysOptions& options) {
  ArraysOptions quick = options;
  quick.band_cells = 16;
  quick.x_drop_per_penalty = 10;
  return quick;
}

ArraysOptions lenient_version_of(const ArraysOptions& options) {
  ArraysOptions lenient = quick_version_of(options);
  lenient.mismatch = -2;
  lenient.indel = -3;
  return lenient;
}

// Aligns the residues around anchor against the unit of array repeated
// endlessly (column 0 facing the anchor), no further left than left_limit.
// unit_from_anchor: the unit is the residues from the anchor, which need no
// aligning.
void align_around(const char* residues, std::size_t length, std::size_t anchor, std::size_t left_limit,
                  const ArraysOptions& options, ExtensionWorkspace& workspace, AlignedArray& array,
                  bool unit_from_anchor = false) {
  const unsigned d = array.period();
  array.anchor = anchor;
  // A unit read from the anchor aligns with it residue for residue: the
  // alignment to the right starts after it.
  const std::size_t skipped = unit_from_anchor ? d : 0;
  const EndlessUnit forward_unit{array.unit.data(), d, 0, +1};
  array.forward = extend_along_unit(residues + anchor + skipped, length - anchor - skipped, +1, forward_unit,
                                    options, workspace);
  array.forward_path.assign(skipped, STEP_DIAGONAL);
  array.forward_path.insert(array.forward_path.end(), workspace.path.begin(), workspace.path.end());
  if (unit_from_anchor) {
    for (unsigned k = 0; k < d; ++k) array.forward.score += residue_score(array.unit[k], array.unit[k], options);
    array.forward.residues += d;
    array.forward.unit_characters += d;
  }
  array.backward = Extension{};
  array.backward_path.clear();
  if (anchor > left_limit) {
    const EndlessUnit backward_unit{array.unit.data(), d, d - 1, -1};
    array.backward =
        extend_along_unit(residues + anchor - 1, anchor - left_limit, -1, backward_unit, options, workspace);
    array.backward_path.assign(workspace.path.begin(), workspace.path.end());
  }
  array.begin = anchor - array.backward.residues;
  array.end = anchor + array.forward.residues;
  array.score = array.forward.score + array.backward.score;
}

class ArraySearch {
 public:
  ArraySearch(const char* residues, std::size_t length, const ArraysOptions& options, ArraysWorkspace& ws,
              ConsensusUnits& units, Csat_garbagecollector& pool)
      : residues_(residues),
        length_(length),
        options_(options),
        quick_(quick_version_of(options)),
        lenient_(lenient_version_of(options)),
        ws_(ws),
        units_(units),
        pool_(pool),
        max_period_(static_cast<unsigned>(std::min<std::size_t>(options.max_period, length))) {}

  ArraysSearchCounts run(RecordSink& sink);

 private:
  // Builds, chooses the period and calls an array from candidate period d,
  // anchored d before the word at word_start; true when it calls one.
  bool try_candidate(unsigned d, long long word_start);
  // How far left an array of period d may reach.
  std::size_t left_limit(unsigned d) const;
  // Builds the array around anchor from the unit in array: false when an
  // early alignment shows it far from being called. unit_from_anchor: the
  // unit is the residues from the anchor.
  bool build(std::size_t anchor, AlignedArray& array, bool unit_from_anchor);
  // Makes the unit the majority of the residues aligned to it, with the
  // copies' length; false when that changes nothing.
  bool take_majority(AlignedArray& array, bool fit_length = false);
  // The residue most copies add after column, or -1 if they add none.
  int insertion_after(unsigned column, unsigned copies);
  // Puts in or leaves out columns towards the length the copies have on
  // average.
  void fit_to_copies(const AlignedArray& array, long long net_inserted, long long indels, std::size_t& length);
  // The offset from lowest to highest at which the array's first residues
  // agree most with those that far on; with slack, the lowest agreeing
  // within slack of the most.
  Agreement best_agreement(const AlignedArray& array, unsigned lowest, unsigned highest, double slack = 0.0) const;
  // The most agreement at period d or a neighbour within indels' reach.
  Agreement agreement_near(const AlignedArray& array, unsigned d) const {
    const unsigned reach = neighbour_reach(d);
    return best_agreement(array, d > reach ? d - reach : 1u, d + reach);
  }
  void choose_period();
  // Tries a period near d / q for a candidate of period d that is nearly
  // q copies of a shorter one.
  void try_near_divisors();
  void consider_multiples();
  // Takes a longer period whose copies agree far better than those of the
  // array's period (a higher-order repeat of little-diverged copies).
  void consider_higher_order();
  bool callable(const AlignedArray& array) const;
  Csat* make_record(const AlignedArray& array);
  void note_errors(Csat& sat, const AlignedArray& array, int direction) const;
  void settle(Csat* call);

  const char* residues_;
  std::size_t length_;
  const ArraysOptions& options_;
  ArraysOptions quick_;
  ArraysOptions lenient_;
  ArraysWorkspace& ws_;
  ConsensusUnits& units_;
  Csat_garbagecollector& pool_;
  // No array of the record has a longer period than the record: the tables
  // need not be longer either, whatever the longest period asked.
  unsigned max_period_;
  ArraysSearchCounts counts_;
  std::size_t floor_span_ = 0;  // the length of the last call
  SatList calls_;
};

ArraysSearchCounts ArraySearch::run(RecordSink& sink) {
  const unsigned max_period = max_period_;
  std::size_t ring = 1;
  while (ring <= max_period) ring <<= 1;
  const std::size_t ring_mask = ring - 1;
  ws_.last_start_of_word.assign(word_count, -1);
  ws_.earlier_start.assign(ring, -1);
  ws_.evidence.reset(options_.min_period, max_period);

  std::size_t code = 0;
  unsigned valid = 0;
  for (std::size_t i = 0; i < length_; ++i) {
    const int c = base_code(residues_[i]);
    if (c < 0) {
      valid = 0;
      continue;
    }
    code = ((code << 2) | static_cast<std::size_t>(c)) & (word_count - 1);
    if (++valid < word_length) continue;
    const long long start = static_cast<long long>(i + 1 - word_length);
    long long earlier = ws_.last_start_of_word[code];
    // Words like AAAAA recur by chance all over low-complexity DNA: they
    // are evidence of shorter periods only.
    const long long reach = std::min<long long>(low_complexity(code) ? one_letter_reach : max_period, max_period);
    for (unsigned k = 0; k < earlier_starts_followed && earlier >= 0 && start - earlier <= reach; ++k) {
      const unsigned d = static_cast<unsigned>(start - earlier);
      // A match reaching back before the last call's end is evidence only
      // of periods longer than that call: it may lie within their copies.
      const bool within_a_call = earlier < ws_.evidence.floor() && d <= floor_span_;
      const unsigned candidate =
          d >= options_.min_period && !within_a_call ? ws_.evidence.add_match(d, start) : 0;
      if (candidate != 0 && static_cast<long long>(candidate) <= start && try_candidate(candidate, start)) break;
      earlier = ws_.earlier_start[static_cast<std::size_t>(earlier) & ring_mask];
    }
    ws_.earlier_start[static_cast<std::size_t>(start) & ring_mask] = ws_.last_start_of_word[code];
    ws_.last_start_of_word[code] = start;
  }
  // A call that reached back over shorter ones may start before them.
  std::stable_sort(calls_.begin(), calls_.end(), lessThan_sat);
  for (Csat* call : calls_) sink.take(call);
  calls_.clear();
  return counts_;
}

bool ArraySearch::try_candidate(unsigned d, long long word_start) {
  ++counts_.candidates;
  const std::size_t anchor = static_cast<std::size_t>(word_start - d);
  ws_.trial.unit.assign(residues_ + anchor, d);
  const bool built = build(anchor, ws_.trial, true);
  // Whatever comes of it, the periods around d wait for evidence from
  // beyond what was aligned: the same copies would only fail again.
  ws_.evidence.quiet_around(d, static_cast<long long>(ws_.trial.end));
  if (!built) {
    ++counts_.rejected_early;
    return false;
  }
  std::swap(ws_.best, ws_.trial);
  choose_period();
  consider_multiples();
  consider_higher_order();
  AlignedArray& best = ws_.best;
  if (!callable(best)) return false;
  align_around(residues_, length_, best.anchor, left_limit(best.period()), options_, ws_.extension, best);
  if (!callable(best)) return false;
  settle(make_record(best));
  ws_.evidence.raise_floor(static_cast<long long>(best.end));
  floor_span_ = best.end - best.begin;
  return true;
}

std::size_t ArraySearch::left_limit(unsigned d) const {
  // An array may reach back over the calls shorter than its period, which
  // may lie within its copies, and into the last one that is not, to its start.
  std::size_t passed = 0;
  for (auto it = calls_.rbegin(); it != calls_.rend() && passed < calls_passed_over; ++it, ++passed) {
    if ((*it)->length() >= d) return static_cast<std::size_t>((*it)->sat_begin - residues_);
  }
  return passed < calls_.size() ? static_cast<std::size_t>(calls_[calls_.size() - passed]->sat_begin - residues_) : 0;
}

bool ArraySearch::build(std::size_t anchor, AlignedArray& array, bool unit_from_anchor) {
  const std::size_t left_limit = this->left_limit(array.period());
  align_around(residues_, length_, anchor, left_limit, lenient_, ws_.extension, array, unit_from_anchor);
  if (array.unit_characters() * 10 < copies_to_go_on_in_tenths * array.period()) return false;
  // The lenient alignment follows copies far from the first unit; its
  // consensus is taken until it settles (or a few times). Under the run's
  // scores it is refined while that scores better (a few times at most).
  for (unsigned round = 0; round < lenient_rounds && take_majority(array); ++round) {
    align_around(residues_, length_, anchor, left_limit, lenient_, ws_.extension, array);
  }
  align_around(residues_, length_, anchor, left_limit, quick_, ws_.extension, array);
  // Refining seldom rescues an array this far from being called.
  if (array.unit_characters() * 10 < copies_to_go_on_in_tenths * array.period() ||
      2 * array.score < options_.min_score_for(array.period())) {
    return false;
  }
  AlignedArray& before = ws_.before_refining;
  for (unsigned round = 0; round < refining_rounds; ++round) {
    before = array;
    if (!take_majority(array, true)) break;
    align_around(residues_, length_, anchor, left_limit, quick_, ws_.extension, array);
    // A few copies may outvote the right length by chance, with a score
    // that gains little: a unit of another length must gain more than an
    // indel costs.
    const long long gain_needed = before.period() == array.period() ? 0 : -static_cast<long long>(options_.indel);
    if (array.score <= before.score + gain_needed) {
      std::swap(before, array);
      break;
    }
  }
  return true;
}

bool ArraySearch::take_majority(AlignedArray& array, bool fit_length) {
  const unsigned d = array.period();
  ws_.votes.assign(d, ArraysWorkspace::ColumnVotes{});
  for (int direction : {+1, -1}) {
    const std::vector<unsigned char>& path = direction > 0 ? array.forward_path : array.backward_path;
    std::size_t t = 0, j = 0;
    for (unsigned char step : path) {
      // The column faced, and for an insertion the column it follows.
      const std::size_t column = direction > 0 ? j % d : d - 1 - j % d;
      const std::size_t before = direction > 0 ? (j + d - 1) % d : column;
      const char r = direction > 0 ? residues_[array.anchor + t] : residues_[array.anchor - 1 - t];
      const int code = base_code(r);
      if (step == STEP_DIAGONAL) {
        if (code >= 0) ++ws_.votes[column].residues[code];
      } else if (step == STEP_DELETION) {
        ++ws_.votes[column].deletions;
      } else if (code >= 0) {
        ++ws_.votes[before].inserted[code];
      }
      if (step != STEP_DELETION) ++t;
      if (step != STEP_INSERTION) ++j;
    }
  }
  // A column most copies lack is left out; a residue most copies add after
  // a column is put in: so the consensus takes the copies' length, not the
  // first unit's.
  std::size_t length = 0;
  long long inserted = 0, deleted = 0;
  for (const ArraysWorkspace::ColumnVotes& v : ws_.votes) {
    for (int b = 0; b < 4; ++b) inserted += v.inserted[b];
    deleted += v.deletions;
  }
  for (unsigned column = 0; column < d; ++column) {
    ArraysWorkspace::ColumnVotes& v = ws_.votes[column];
    const unsigned aligned = v.residues[0] + v.residues[1] + v.residues[2] + v.residues[3];
    v.kept = v.deletions <= aligned;
    v.added = insertion_after(column, aligned + v.deletions);
    length += v.kept + (v.added >= 0);
  }
  if (fit_length) fit_to_copies(array, inserted - deleted, inserted + deleted, length);
  // An even split goes to the letter the array holds most of: in an array
  // of two copies every column is one, and the first copy's letters would
  // put every difference into the second.
  unsigned held[4] = {0, 0, 0, 0};
  for (const ArraysWorkspace::ColumnVotes& v : ws_.votes) {
    for (int b = 0; b < 4; ++b) held[b] += v.residues[b];
  }
  static constexpr char letters[] = "ACGT";
  std::string& unit = ws_.refined_unit;
  unit.clear();
  for (unsigned column = 0; column < d; ++column) {
    const ArraysWorkspace::ColumnVotes& v = ws_.votes[column];
    if (v.kept) {
      // Full ties keep the letter in place, so that a consensus settles.
      const int current = base_code(array.unit[column]);
      int chosen = current >= 0 ? current : 0;
      for (int b = 0; b < 4; ++b) {
        if (v.residues[b] > v.residues[chosen] || (v.residues[b] == v.residues[chosen] && held[b] > held[chosen])) {
          chosen = b;
        }
      }
      unit.push_back(letters[chosen]);
    }
    if (v.added >= 0) unit.push_back(letters[v.added]);
  }
  if (unit.empty() || unit == array.unit) return false;
  array.unit.swap(unit);
  return true;
}

int ArraySearch::insertion_after(unsigned column, unsigned copies) {
  unsigned* inserted = ws_.votes[column].inserted;
  const int own = most_votes(inserted);
  if (2 * inserted[own] > copies) return own;
  // The copies may put the same extra residue after neighbouring columns
  // (in a run of one letter, after any of them): where neither column has
  // a majority of its own, the next one's count here too.
  if (column + 1 == ws_.votes.size()) return -1;
  unsigned* next = ws_.votes[column + 1].inserted;
  if (2 * next[most_votes(next)] > copies) return -1;
  unsigned pooled[4];
  for (int b = 0; b < 4; ++b) pooled[b] = inserted[b] + next[b];
  const int chosen = most_votes(pooled);
  if (2 * pooled[chosen] <= copies) return -1;
  std::fill(next, next + 4, 0u);
  return chosen;
}

void ArraySearch::fit_to_copies(const AlignedArray& array, long long net_inserted, long long indels,
                                std::size_t& length) {
  // The copies' own length, from the residues they hold per unit character.
  const unsigned d = array.period();
  const long long spanned = static_cast<long long>(array.unit_characters());
  const long long twice_change = 2 * net_inserted * d;
  const long long copies_length =
      d + (twice_change >= 0 ? twice_change + spanned : twice_change - spanned) / (2 * spanned);
  // Indels scattered over neighbouring columns outvote no column: the
  // column with the most votes for a change of one residue takes it. The
  // average of c copies' lengths is uncertain by about the square root of
  // their indels over c: where it lies further off than that, as on long
  // arrays of long periods, the columns with the most votes take a change
  // each, a few a round, so that the consensus reaches it in the rounds
  // there are.
  const double copies = static_cast<double>(spanned) / d;
  const auto uncertain = std::llround(std::sqrt(static_cast<double>(indels)) / copies);
  const long long changes = std::clamp<long long>(std::llabs(copies_length - static_cast<long long>(length)) - uncertain,
                                                  1, length_changes_per_round);
  for (long long change = 0; change < changes && static_cast<long long>(length) != copies_length; ++change) {
    const bool longer = static_cast<long long>(length) < copies_length;
    ArraysWorkspace::ColumnVotes* most = nullptr;
    unsigned most_count = 0;
    for (ArraysWorkspace::ColumnVotes& v : ws_.votes) {
      const unsigned count = longer ? (v.added < 0 ? v.inserted[0] + v.inserted[1] + v.inserted[2] + v.inserted[3] : 0)
                                    : (v.kept ? v.deletions : 0);
      if (count > most_count) {
        most_count = count;
        most = &v;
      }
    }
    if (most == nullptr) return;
    if (longer) {
      most->added = most_votes(most->inserted);
      ++length;
    } else {
      most->kept = false;
      --length;
    }
  }
}

Agreement ArraySearch::best_agreement(const AlignedArray& array, unsigned lowest, unsigned highest,
                                      double slack) const {
  const std::size_t length = array.end - array.begin;
  Agreement most;
  for (int pass = 0; pass < (slack > 0.0 ? 2 : 1); ++pass) {
    for (std::size_t offset = lowest; offset <= highest && offset < length; ++offset) {
      const std::size_t sample = std::min(agreement_sample, length - offset);
      if (sample < least_agreement_sample) break;
      const double share =
          static_cast<double>(agreeing_residues(residues_, array.begin, sample, offset)) / static_cast<double>(sample);
      if (pass == 0 && share > most.share) most = {static_cast<unsigned>(offset), share};
      if (pass == 1 && share >= most.share - slack) return {static_cast<unsigned>(offset), share};
    }
  }
  return most;
}

void ArraySearch::choose_period() {
  AlignedArray& best = ws_.best;
  const unsigned d = best.period();
  for (unsigned p = std::max(1u, options_.min_period); p <= d / 2; ++p) {
    if (d % p != 0) continue;
    unsigned changed = 0;
    for (unsigned i = 0; i + p < d; ++i) changed += best.unit[i] != best.unit[i + p];
    if (changed * 8 > d) continue;
    ws_.trial.unit.assign(best.unit, 0, p);
    if (build(best.anchor, ws_.trial, false) && ws_.trial.score * 20 >= best.score * 19) {
      std::swap(ws_.best, ws_.trial);
      ++counts_.shorter_periods;
      return;
    }
  }
  try_near_divisors();
}

void ArraySearch::try_near_divisors() {
  // A consensus a residue longer or shorter than q copies of the array's
  // period is no exact multiple of it: the residues show the shorter period.
  AlignedArray& best = ws_.best;
  const unsigned d = best.period();
  const Agreement own = agreement_near(best, d);
  for (unsigned q = 2; q <= most_parts && q * std::max(2u, options_.min_period) <= d; ++q) {
    const unsigned near = (d + q / 2) / q;
    const unsigned slack = 1 + near / 16;
    const Agreement part = best_agreement(best, std::max(options_.min_period, near - slack), near + slack);
    if (part.offset == 0 || part.share < shorter_at_least || part.share + nearly_as_well < own.share) {
      continue;
    }
    ws_.trial.unit.assign(best.unit, 0, part.offset);
    if (build(best.anchor, ws_.trial, false) && ws_.trial.score * 20 >= best.score * 19) {
      std::swap(ws_.best, ws_.trial);
      ++counts_.shorter_periods;
      return;
    }
  }
}

void ArraySearch::consider_multiples() {
  AlignedArray& best = ws_.best;
  const unsigned d = best.period();
  const std::size_t spanned = best.unit_characters();
  if (static_cast<double>(best.score) >= agreeing_copies * static_cast<double>(spanned)) return;
  long long best_score = best.score;
  for (unsigned k = 2; k <= multiples_tried && std::size_t(k) * d <= max_period_; ++k) {
    const std::size_t D = std::size_t(k) * d;
    if (spanned * 10 < copies_needed_in_tenths * D || best.anchor + D > length_) break;
    ws_.trial.unit.assign(residues_ + best.anchor, D);
    if (build(best.anchor, ws_.trial, true) && callable(ws_.trial) && ws_.trial.score * 4 > best_score * 5) {
      best_score = ws_.trial.score;
      std::swap(ws_.multiple, ws_.trial);
    }
  }
  if (best_score > best.score) {
    std::swap(ws_.best, ws_.multiple);
    ++counts_.longer_periods;
  }
}

void ArraySearch::consider_higher_order() {
  AlignedArray& best = ws_.best;
  const unsigned d = best.period();
  const std::size_t length = best.end - best.begin;
  const unsigned shortest = d + std::max(1u, d / 2);
  const auto longest = static_cast<unsigned>(std::min<std::size_t>(max_period_, length * 10 / copies_needed_in_tenths));
  if (shortest > longest) return;
  const Agreement own = agreement_near(best, d);
  // Copies of a higher order agree at every multiple of their period: the
  // shortest one agreeing about as well as any.
  const Agreement longer = best_agreement(best, shortest, longest, nearly_as_well);
  if (longer.share < own.share + longer_far_better || best.anchor + longer.offset > length_) return;
  ws_.trial.unit.assign(residues_ + best.anchor, longer.offset);
  // Copies agreeing far better score far better: a multiple of a diverged
  // array may gain a little from the fewer copies its consensus follows.
  if (build(best.anchor, ws_.trial, true) && callable(ws_.trial) && ws_.trial.score * 5 > best.score * 6) {
    std::swap(ws_.best, ws_.trial);
    ++counts_.longer_periods;
  }
}

// A unit that is a shorter one written out more than once.
bool periodic(const std::string& unit) {
  const std::size_t d = unit.size();
  for (std::size_t p = 1; p <= d / 2; ++p) {
    if (d % p == 0 && unit.compare(p, d - p, unit, 0, d - p) == 0) return true;
  }
  return false;
}

// An array of fewer copies is called only when its copies agree well: the
// first copy, the consensus's source, scores about one per character against
// it whatever the array, so what counts is what the rest of the array adds.
bool enough_copies(const AlignedArray& array) {
  const std::size_t d = array.period();
  const std::size_t spanned = array.unit_characters();
  if (spanned * 10 >= copies_called_outright_in_tenths * d) return true;
  if (spanned * 10 < few_copies_needed_in_tenths * d) return false;
  const long long beyond_first_copy = static_cast<long long>(spanned - d);
  return (array.score - static_cast<long long>(d)) * 10 >= few_copies_score_in_tenths * beyond_first_copy;
}

bool ArraySearch::callable(const AlignedArray& array) const {
  const unsigned d = array.period();
  if (d < options_.min_period || d > options_.max_period || periodic(array.unit)) return false;
  const std::size_t spanned = array.unit_characters();
  return enough_copies(array) && array.score >= options_.min_score_for(d) &&
         static_cast<long long>(spanned) >= options_.min_length_for(d);
}

Csat* ArraySearch::make_record(const AlignedArray& array) {
  const unsigned d = array.period();
  const char* unit = units_.keep(array.unit.data(), d);
  Csat* sat = pool_.get_new(unit, unit + d);
  sat->sat_begin = residues_ + array.begin;
  sat->sat_end = residues_ + array.end;
  const std::size_t first_column = (d - array.backward.unit_characters % d) % d;
  sat->unit_pos_backward = unit + (first_column + d - 1) % d;
  sat->unit_pos_forward = unit + array.forward.unit_characters % d;
  sat->score = static_cast<int>(std::min<long long>(array.score, INT_MAX));
  note_errors(*sat, array, -1);
  std::reverse(sat->missense.items, sat->missense.items + sat->missense.count);
  note_errors(*sat, array, +1);
  std::sort(sat->missense.items, sat->missense.items + sat->missense.count, Csat::lessThan_missense());
  return sat;
}

void ArraySearch::note_errors(Csat& sat, const AlignedArray& array, int direction) const {
  const std::vector<unsigned char>& path = direction > 0 ? array.forward_path : array.backward_path;
  const unsigned d = array.period();
  std::size_t t = 0, j = 0;
  for (unsigned char step : path) {
    const char* residue = direction > 0 ? residues_ + array.anchor + t : residues_ + array.anchor - 1 - t;
    if (step == STEP_DIAGONAL) {
      const char u = array.unit[direction > 0 ? j % d : d - 1 - j % d];
      if (*residue == 'N' && options_.Ns_tolerated) {
        ++sat.Ns;
      } else if (*residue != u) {
        ++sat.mismatches;
        sat.missense.push_back({residue, 'M'});
      }
      ++t;
      ++j;
    } else if (step == STEP_INSERTION) {
      ++sat.insertions;
      sat.missense.push_back({residue, 'I'});
      ++t;
    } else {
      // The missing unit character lies before the next residue to the right.
      ++sat.deletions;
      sat.missense.push_back({direction > 0 ? residue : residue + 1, 'D'});
      ++j;
    }
  }
}

void ArraySearch::settle(Csat* call) {
  // The calls it may overlap are among the last ones.
  std::size_t i = calls_.size();
  for (std::size_t looked = 0; i > 0 && looked <= calls_passed_over; ++looked) {
    Csat* other = calls_[--i];
    const char* overlap_begin = std::max(other->sat_begin, call->sat_begin);
    const char* overlap_end = std::min(other->sat_end, call->sat_end);
    if (overlap_end <= overlap_begin) continue;
    const auto overlap = static_cast<unsigned>(overlap_end - overlap_begin);
    if (other->length() >= other->unit_length() + overlap && call->length() >= call->unit_length() + overlap) continue;
    // Of a mostly overlapping pair the lower score goes; on equal scores,
    // the one later in the order of lessThan_sat.
    if (other->score > call->score || (other->score == call->score && !lessThan_sat(call, other))) {
      pool_.give_back(call);
      return;
    }
    pool_.give_back(other);
    calls_.erase(calls_.begin() + static_cast<std::ptrdiff_t>(i));
    ++counts_.calls_replaced;
  }
  calls_.push_back(call);
}

}  // namespace

ArraysSearchCounts find_arrays(const char* residues, std::size_t length, const ArraysOptions& options,
                               ArraysWorkspace& workspace, ConsensusUnits& units, Csat_garbagecollector& pool,
                               RecordSink& sink) {
  return ArraySearch(residues, length, options, workspace, units, pool).run(sink);
}
