// Exact tandem repeats: a first copy of a unit of k residues, followed (and
// preceded) by residues that continue it periodically without any error.
// Each further matching residue scores 1, the first copy scores nothing.
// A run of at most Ns_allowed_in_a_row N's may stand in for unit
// characters (scoring 0, counted in Ns) unless N's are treated as mismatches;
// a repeat never begins or ends with N.
//
// Unit length 1 is one walk over the sequence. Longer units are searched one
// unit length after the other, shortest first, with a mark per residue: a
// repeat that passes the user thresholds covers its residues, and a start
// whose unit copy lies in covered residues is not tried again. So a stretch
// already found with a short unit is not reported again with a multiple of it.
//
// Most starts are settled without growing anything: between N's, the repeat
// grown from a start is the stretch over which the residues repeat
// themselves k positions later, and that stretch is the same for a whole
// group of neighbouring starts.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "search/CAnchorSeq.h"
#include "search/exact/exact_group_scan.h"
#include "search/exact/exact_search.h"
#include "search/exact/N_locator.h"
#include "search/exact/found_repeats.h"

namespace {

// How the search treats N: runs of at most max_run N's are bridged, longer
// runs end a repeat. Bridging is off when max_run is 0.
struct NBridging {
  std::size_t max_run;

  explicit NBridging(const SearchOptions& options)
      : max_run(options.treat_Ns_as_missense || options.Ns_allowed_in_a_row <= 0
                    ? 0
                    : static_cast<std::size_t>(options.Ns_allowed_in_a_row)) {}

  // Length of the N run starting at p and going right (or, for the left side,
  // ending just before p), counted no further than limit. Counting stops one
  // past max_run, so an N run too long to bridge costs O(max_run) per look.
  std::size_t run_right(const char* p, const char* limit) const {
    const char* q = p;
    while (q != limit && *q == 'N' && static_cast<std::size_t>(q - p) <= max_run) ++q;
    return static_cast<std::size_t>(q - p);
  }
  std::size_t run_left(const char* p, const char* limit) const {
    const char* q = p;
    while (q != limit && q[-1] == 'N' && static_cast<std::size_t>(p - q) <= max_run) --q;
    return static_cast<std::size_t>(p - q);
  }
};

// The unit character that stands d residues after the first residue of the
// unit copy (before it, for d < 0) in an exact repeat: character d mod k. In
// 32 bits, since a division by k is the dearest step of making a repeat, and
// sequences are shorter than 2^32 residues.
const char* unit_character(const Csat& sat, std::ptrdiff_t d) {
  const auto k = static_cast<std::uint32_t>(sat.unit_end - sat.unit_begin);
  if (d >= 0) return sat.unit_begin + static_cast<std::uint32_t>(d) % k;
  const std::uint32_t back = static_cast<std::uint32_t>(-d) % k;
  return sat.unit_begin + (back == 0 ? 0 : k - back);
}

// Grows a fresh candidate (one N-free unit copy) to the right, then to the
// left, as far as the residues continue the unit, and trims N off its edges.
void grow_exact(Csat& sat, const char* seq_begin, const char* seq_end, const NBridging& Ns) {
  const char* end = sat.sat_end;
  const char* unit = sat.unit_pos_forward;
  int score = 0;
  for (;;) {
    while (end != seq_end && *end == *unit) {
      ++end;
      ++score;
      if (++unit == sat.unit_end) unit = sat.unit_begin;
    }
    if (end == seq_end || *end != 'N' || Ns.max_run == 0) break;
    std::size_t run = Ns.run_right(end, seq_end);
    if (run > Ns.max_run) break;
    end += run;
    sat.Ns += static_cast<int>(run);
    unit = unit_character(sat, end - sat.unit_begin);
  }
  sat.sat_end = end;
  sat.unit_pos_forward = unit;

  const char* begin = sat.sat_begin;
  unit = sat.unit_pos_backward;
  for (;;) {
    while (begin != seq_begin && begin[-1] == *unit) {
      --begin;
      ++score;
      unit = (unit == sat.unit_begin ? sat.unit_end : unit) - 1;
    }
    if (begin == seq_begin || begin[-1] != 'N' || Ns.max_run == 0) break;
    std::size_t run = Ns.run_left(begin, seq_begin);
    if (run > Ns.max_run) break;
    begin -= run;
    sat.Ns += static_cast<int>(run);
    unit = unit_character(sat, (begin - sat.unit_begin) - 1);
  }
  sat.sat_begin = begin;
  sat.unit_pos_backward = unit;
  sat.score = score;

  sat.trim_flanking_Ns();
}

// The group of starts from g, with the periodic stretch that a unit copy at
// any of them grows over without error.
struct PeriodicStretch {
  const char* end;
  const char* last_start;  // the group's last start, included
  bool N_at_an_edge;

  PeriodicStretch(const char* g, unsigned k, const ExactGroupScan& groups, const char* seq_begin,
                  const char* seq_end, const NBridging& Ns)
      : end(groups.last_start(g) + k), last_start(end - k) {
    N_at_an_edge = Ns.max_run > 0 && ((end != seq_end && *end == 'N') || (g != seq_begin && g[-1] == 'N'));
  }
};

// Makes a fresh candidate the N-free periodic stretch [begin, end) around its
// unit copy, as growing it would: every residue beyond the first copy scores.
void take_periodic_stretch(Csat& sat, const char* begin, const char* end) {
  std::ptrdiff_t k = sat.unit_end - sat.unit_begin;
  sat.unit_pos_forward = unit_character(sat, end - sat.unit_begin);
  sat.unit_pos_backward = unit_character(sat, (begin - sat.unit_begin) - 1);
  sat.sat_begin = begin;
  sat.sat_end = end;
  sat.score = static_cast<int>((end - begin) - k);
}

// The first start of the group that holds start x (a search of the starts
// from x on grows a unit copy at x over the whole group's stretch), or
// nullptr when it lies more than reach_back before x.
const char* group_start(const char* x, std::ptrdiff_t k, const char* seq_begin, std::size_t reach_back) {
  const char* const lowest = static_cast<std::size_t>(x - seq_begin) > reach_back ? x - reach_back : seq_begin;
  while (x != lowest && x[-1] == x[k - 1] && x[-1] != 'N') --x;
  return x == lowest && x != seq_begin && x[-1] == x[k - 1] && x[-1] != 'N' ? nullptr : x;
}

const char* skip_Ns(const char* p, const char* seq_end) {
  while (p != seq_end && *p == 'N') ++p;
  return p;
}

// How many times in a row a group of unit length k must repeat itself not to
// be too weak without N's at its edges.
std::ptrdiff_t equal_residues_needed(unsigned k, const Thresholds& thresholds) {
  const long long needed_length =
      std::max<long long>(static_cast<long long>(thresholds.min_scores[k]) + k, thresholds.min_lengths[k]);
  return static_cast<std::ptrdiff_t>(needed_length - k);
}

// The starts of one stretch of the record, unit length by unit length, and
// what their trials share: the spare record, the thresholds and the
// progress clock.
class StartsScan {
 public:
  StartsScan(const RecordSearch& record, const Thresholds& thresholds, ExactRepeatTaker& taker, const char* from,
             const char* to, std::size_t reach_back)
      : seq_begin(record.sequence.residues),
        seq_end(seq_begin + record.sequence.length),
        N_positions(seq_begin, seq_end),
        // A unit needs at least one residue beyond its first copy, and the
        // tables end at the longest unit that fits into the sequence.
        first_k(record.options.min_unit_length > 1 ? record.options.min_unit_length : 1),
        last_k(std::min<std::uint64_t>(record.options.max_unit_length, record.sequence.length)),
        record_(record),
        thresholds_(thresholds),
        user_(record.workspace.thresholds.user()),
        taker_(taker),
        Ns_(record.options),
        from_(from),
        to_(to),
        reach_back_(reach_back),
        progress_stride_(taker.progress_stride()) {}
  StartsScan(const StartsScan&) = delete;
  StartsScan& operator=(const StartsScan&) = delete;
  ~StartsScan() {
    if (spare_) record_.records.give_back(spare_);
  }

  // Unit length 1: the group of a start is its run of equal letters, and
  // every start of the stretch grown from it would grow into that same
  // stretch, so the walk goes on at the stretch's end whether it was kept or
  // not. False where the scan gives up (see search_starts).
  bool search_letter_runs();
  // The starts of unit length k >= 2, their marks read in anchors.
  bool search_unit_length(unsigned k, CAnchorSeq& anchors, const ExactGroupScan& letter_runs);

  const char* const seq_begin;
  const char* const seq_end;
  const NLocator N_positions;
  const std::uint64_t first_k;
  const std::uint64_t last_k;

 private:
  // Asks the progress clock once per stride of positions passed, which the
  // taker sets: the plain exact search is fast enough to ask seldom.
  void progress(const char* pos, unsigned k) {
    if (pos - seq_begin < next_progress_check_) return;
    record_.progress.at(record_.number, record_.sequence.name.c_str(), k);
    next_progress_check_ = ((pos - seq_begin) / progress_stride_ + 1) * progress_stride_;
  }
  // A stretch without N at its edges is judged before any record is touched.
  bool too_weak(const char* g, unsigned k, const PeriodicStretch& stretch) const {
    const std::ptrdiff_t length = stretch.end - g;
    return !stretch.N_at_an_edge &&
           (length - k < thresholds_.min_scores[k] || length < thresholds_.min_lengths[k]);
  }
  // The spare record, made the repeat grown from the unit copy [i, i + k) of
  // the group that starts at g.
  Csat& candidate(const char* g, const char* i, unsigned k, const PeriodicStretch& stretch) {
    if (spare_) {
      spare_->reset(i, i + k);
    } else {
      spare_ = record_.records.get_new(i, i + k);
    }
    if (stretch.N_at_an_edge) {
      grow_exact(*spare_, seq_begin, seq_end, Ns_);
    } else {
      take_periodic_stretch(*spare_, g, stretch.end);
    }
    return *spare_;
  }
  void keep_candidate() {
    if (taker_.take(*spare_)) spare_ = nullptr;
  }

  const RecordSearch& record_;
  const Thresholds& thresholds_;
  // Repeats that pass the user's thresholds cover their residues, whatever
  // thresholds are in force.
  const Thresholds user_;
  ExactRepeatTaker& taker_;
  const NBridging Ns_;
  const char* const from_;
  const char* const to_;
  const std::size_t reach_back_;
  const std::ptrdiff_t progress_stride_;
  std::ptrdiff_t next_progress_check_ = 0;
  Csat* spare_ = nullptr;
};

bool StartsScan::search_letter_runs() {
  const char* const first_start = skip_Ns(from_, seq_end);
  if (seq_end - first_start < 2) return true;
  ExactGroupScan groups(1, equal_residues_needed(1, thresholds_), Ns_.max_run > 0, N_positions, seq_begin, seq_end);
  groups.judge_groups_starting_before(to_);
  const char* p = group_start(first_start, 1, seq_begin, reach_back_);
  if (!p) return false;
  while (seq_end - p >= 2) {
    p = groups.next_group_to_judge(p);
    const char* start = std::max(p, first_start);
    if (seq_end - start < 2 || start >= to_) break;
    progress(start, 1);
    PeriodicStretch stretch(p, 1, groups, seq_begin, seq_end, Ns_);
    const char* stretch_end = stretch.end;
    if (!too_weak(p, 1, stretch)) {
      Csat& sat = candidate(p, start, 1, stretch);
      stretch_end = sat.sat_end;
      if (thresholds_.passed_by(sat, 1)) keep_candidate();
    }
    p = skip_Ns(stretch_end, seq_end);
  }
  return true;
}

bool StartsScan::search_unit_length(unsigned k, CAnchorSeq& anchors, const ExactGroupScan& letter_runs) {
  const char* const starts_end = seq_end - k;  // one residue must follow the unit copy
  const char* const tried_end = std::min(starts_end, to_);
  const char* next_N = N_positions.first_N_from(seq_begin);
  const char* letter_run_end = seq_begin;  // one past the run of equal letters holding i
  // The last stretch found too weak: every unit copy inside it would grow
  // into the same stretch, so none of them is tried.
  const char* weak_stretch_end = seq_begin;
  next_progress_check_ = 0;
  ExactGroupScan groups(k, equal_residues_needed(k, thresholds_), Ns_.max_run > 0, N_positions, seq_begin, seq_end);
  groups.judge_groups_starting_before(to_);

  const char* group = group_start(std::min(from_, starts_end), k, seq_begin, reach_back_);
  if (!group) return false;
  for (; group < starts_end;) {
    group = groups.next_group_to_judge(group);
    if (group >= tried_end) break;
    progress(group, k);
    PeriodicStretch stretch(group, k, groups, seq_begin, seq_end, Ns_);
    const char* group_end = stretch.last_start < starts_end ? stretch.last_start + 1 : starts_end;
    if (too_weak(group, k, stretch)) {
      group = group_end;
      continue;
    }
    // Covered residues may end within the group, so a covered start passes
    // over the covered ones only. A unit copy holding an N or made of one
    // letter, or lying in a stretch found too weak, reaches to the group's
    // last start, which breaks the period: every later start of the group
    // fails the same way.
    const char* const group_tried_end = std::min(group_end, tried_end);
    for (const char* i = std::max(group, from_); i < group_tried_end; ++i) {
      progress(i, k);
      if (!anchors.candidate_marks_open(i, i + k)) {
        i = std::max(i, anchors.first_open(i) - 1);
        continue;
      }
      if (next_N < i) next_N = N_positions.first_N_from(i);
      if (next_N < i + k) break;
      if (letter_run_end <= i) letter_run_end = letter_runs.last_start(i) + 1;
      if (letter_run_end - i >= static_cast<std::ptrdiff_t>(k)) break;
      if (i + k <= weak_stretch_end) break;

      // The record holds the whole stretch, so every later start of the
      // group lies in it: too weak, or covered, they are not tried.
      Csat& sat = candidate(group, i, k, stretch);
      if (!thresholds_.passed_by(sat, k)) {
        weak_stretch_end = sat.sat_end;
        break;
      }
      const bool covers = user_.passed_by(sat, k);
      if (covers) anchors.cover(sat.sat_begin, sat.sat_end);
      keep_candidate();
      if (covers) break;
    }
    group = group_end;
  }
  return true;
}

}  // namespace

void ExactSearch::search(const Thresholds& thresholds, RecordSink& sink) {
  FoundRepeats found(record_.sequence.residues);
  if (record_.in_parts()) {
    search_in_parts(thresholds, found);
  } else {
    search(thresholds, found);
  }
  found.make_records_in_order(sink, record_.records);
}

void ExactSearch::search(const Thresholds& thresholds, ExactRepeatTaker& taker) {
  search_starts(thresholds, taker, record_.sequence.residues, record_.sequence.residues + record_.sequence.length,
                SIZE_MAX);
}

bool ExactSearch::search_starts(const Thresholds& thresholds, ExactRepeatTaker& taker, const char* from,
                                const char* to, std::size_t reach_back) {
  StartsScan scan(record_, thresholds, taker, from, to, reach_back);
  if (scan.first_k == 1 && scan.last_k >= 1 && !scan.search_letter_runs()) return false;
  // In a block of its own, so that the anchor map is freed before the
  // records are made: the search holds most then.
  {
    // The marks the starts read: from the residue before the first to the
    // one after the last copy.
    const auto from_residue = static_cast<std::size_t>(from - scan.seq_begin);
    CAnchorSeq anchors(scan.seq_begin, record_.sequence.length, from_residue == 0 ? 0 : from_residue - 1,
                       static_cast<std::size_t>(to - scan.seq_begin) + scan.last_k + 1);
    // The run of equal letters from an N-free position ends just after its
    // group of unit length 1, which this scan finds sixteen residues at a time.
    const ExactGroupScan letter_runs(1, 0, false, scan.N_positions, scan.seq_begin, scan.seq_end);
    for (std::uint64_t k = scan.first_k > 2 ? scan.first_k : 2; k <= scan.last_k; ++k) {
      if (!scan.search_unit_length(static_cast<unsigned>(k), anchors, letter_runs)) return false;
    }
  }
  return true;
}
