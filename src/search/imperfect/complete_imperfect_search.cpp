// Search mode imperfect: every open position is the first copy of a candidate
// unit for every unit length, grown in both directions by the extension
// alignment. Accepted repeats cover their residues in the anchor map, so that
// copies inside them are not tried again; their error positions stay open,
// since a different unit may align better there.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

#include "search/CAnchorSeq.h"
#include "search/extension/alignment_bound.h"
#include "search/hidden_repeat_filter.h"
#include "search/imperfect/error_free_run.h"
#include "search/imperfect/imperfect_search.h"
#include "search/imperfect/starts_to_try.h"

namespace {

// Asking the clock costs a system call: once every 256 positions is enough.
// Starts are skipped in groups, so the check is due at the first start
// visited in each block of 256.
class ProgressCheck {
 public:
  explicit ProgressCheck(const char* first) : first_(first), next_(first) {}
  bool due(const char* pos) {
    if (pos < next_) return false;
    next_ = first_ + ((pos - first_) / 256 + 1) * 256;
    return true;
  }

 private:
  const char* first_;
  const char* next_;
};

// Grows the candidate copies of one pass, in increasing order of start, and
// accepts a copy of each one that passes the thresholds.
//
// A rejected candidate's record is kept as the spare, to be reset for the
// next candidate instead of going back to the pool; an accepted copy's error
// list is cut to size, where the spare's has grown with the longest walk
// tried so far (on repeat-rich genomes most of the memory of the accepted
// repeats).
//
// Inside a long imperfect array, every reopened error position may start
// another repeat over the whole array, each with an error list as long as
// the array: memory quadratic in its length, nearly all of it for repeats
// that the overlap removal drops. So a long list is let go once its errors
// are reopened, and grown again for the repeats the removal keeps: growing
// depends on nothing but the unit copy.
//
// The start right after a rejected one, where the residue after its copy
// repeats its first, grows into the rejected record when its forward walk
// takes the same errors one match behind (the argument is stated in
// starts_sharing_a_walk.h); and whenever its forward walk ends alike, since its
// backward walk runs over that residue into the same walk.
class CandidateTrials {
 public:
  CandidateTrials(const RecordSearch& record, ExtensionAlignment& extension, std::vector<Csat*>& lists_let_go,
                  CAnchorSeq& anchors, StartsToTry& starts, SatList& result)
      : options_(record.options),
        records_(record.records),
        thresholds_(record.workspace.thresholds.user()),
        extension_(extension),
        lists_let_go_(lists_let_go),
        anchors_(anchors),
        starts_(starts),
        result_(result),
        first_(record.sequence.residues),
        end_(first_ + record.sequence.length) {}
  // The spare goes back to the pool without the list of the longest walk
  // tried, which can be as long as an array.
  ~CandidateTrials() {
    if (!spare_) return;
    spare_->missense.clear();
    spare_->missense.shrink_to_fit();
    records_.give_back(spare_);
  }
  CandidateTrials(const CandidateTrials&) = delete;
  CandidateTrials& operator=(const CandidateTrials&) = delete;

  // Tries the copy [p, q), whose error-free run is [run_begin, run_end);
  // returns how many of the starts right after p are settled with it.
  std::ptrdiff_t try_copy(const char* p, const char* q, const char* run_begin, const char* run_end);

 private:
  // What the rest of a candidate's growth depends on, once its forward walk
  // is done, besides the residues left of its copy.
  struct ForwardEnd {
    const char* edge;
    int score, insertions, deletions;
    bool operator==(const ForwardEnd& other) const {
      return edge == other.edge && score == other.score && insertions == other.insertions &&
             deletions == other.deletions;
    }
    // Where a walk from n residues further on ends, n matches behind.
    ForwardEnd matches_behind(std::ptrdiff_t n) const {
      return {edge, score - static_cast<int>(n), insertions, deletions};
    }
  };

  void accept(const char* p, const char* q);

  const SearchOptions& options_;
  Csat_garbagecollector& records_;
  const Thresholds thresholds_;
  ExtensionAlignment& extension_;
  std::vector<Csat*>& lists_let_go_;
  CAnchorSeq& anchors_;
  StartsToTry& starts_;
  SatList& result_;
  const char* first_;
  const char* end_;
  Csat* spare_ = nullptr;
  // The last start known rejected, and where its forward walk ended.
  const char* rejected_start_ = nullptr;
  ForwardEnd rejected_forward_end_{};
};

// A walk's first greedy run takes the error-free run beyond the copy, which
// the sweep has found already: the walk starts at the run's end instead,
// unless an N breaks the run there, which the greedy run may take. Its best
// state is the same: the greedy run ends at an error point or the sequence's
// end with the score it then has, no lower than at the copy.
void take_run_ahead(Csat& sat, const char* run_end, const char* seq_end) {
  if (run_end != seq_end && *run_end == 'N') return;
  const std::ptrdiff_t k = sat.unit_end - sat.unit_begin, taken = run_end - sat.sat_end;
  sat.sat_end = run_end;
  sat.unit_pos_forward = sat.unit_begin + taken % k;
  sat.score += static_cast<int>(taken);
}

void take_run_behind(Csat& sat, const char* run_begin, const char* seq_begin) {
  if (run_begin != seq_begin && run_begin[-1] == 'N') return;
  const std::ptrdiff_t k = sat.unit_end - sat.unit_begin, taken = sat.sat_begin - run_begin;
  sat.sat_begin = run_begin;
  sat.unit_pos_backward = sat.unit_begin + (k - 1 - taken % k);
  sat.score += static_cast<int>(taken);
}

std::ptrdiff_t CandidateTrials::try_copy(const char* p, const char* q, const char* run_begin, const char* run_end) {
  if (spare_)
    spare_->reset(p, q);
  else
    spare_ = records_.get_new(p, q);
  take_run_ahead(*spare_, run_end, end_);
  const long long shifts_survived = extension_.grow_forward(*spare_);
  const ForwardEnd forward_end{spare_->sat_end, spare_->score, spare_->insertions, spare_->deletions};
  const bool shortcuts = options_.pass_over_starts_sharing_a_walk;
  const bool twin_of_rejected = shortcuts && rejected_start_ == p - 1 && q[-1] == p[-1];
  if (!(twin_of_rejected && forward_end == rejected_forward_end_.matches_behind(1))) {
    take_run_behind(*spare_, run_begin, first_);
    extension_.grow_backward(*spare_);
    if (thresholds_.passed_by(*spare_, static_cast<unsigned>(q - p))) {
      accept(p, q);
      return 0;
    }
  }
  // The starts after p whose copies repeat p's residues lie in its run.
  const std::ptrdiff_t settled = shortcuts ? std::min<long long>(shifts_survived, run_end - q) : 0;
  rejected_start_ = p + settled;
  rejected_forward_end_ = forward_end.matches_behind(settled);
  return settled;
}

void CandidateTrials::accept(const char* p, const char* q) {
  sort_errors(*spare_);
  // The starts left out under covered marks come back where an error
  // position covered before the repeat is open after it. Those open before
  // are open after too, and in a long array, where each repeat's list is as
  // long as the array, the repeats mostly take their errors there.
  // (A part of a record keeps the marks its starts read; the starts around
  // any other residue are not its.)
  for (const missense_entry& error : spare_->missense)
    if (anchors_.kept(error.position) && !anchors_.open(error.position)) starts_.reconsider_around(error.position);
  anchors_.cover(spare_->sat_begin, spare_->sat_end);
  for (const missense_entry& error : spare_->missense) anchors_.open_at(error.position);
  Csat* accepted = records_.get_new(p, q);
  if (spare_->missense.count > options_.longest_error_list_kept) {
    // The list is let go, so it is not copied, and the spare keeps its room
    // for the next long walk: a list as long as an array, copied or grown
    // again for each repeat accepted there, took as much time as the search.
    fastvector<missense_entry> long_list;
    long_list.swap(spare_->missense);
    accepted->copy_from(*spare_);
    spare_->missense.swap(long_list);
    accepted->missense.shrink_to_fit();
    lists_let_go_.push_back(accepted);
  } else {
    accepted->copy_from(*spare_);
  }
  result_.push_back(accepted);
}

// Each pass appends its records about in the order of their starts, so the
// records are sorted by merging the passes' lists, each sorted first where it
// is not: far fewer comparisons than sorting them all, and each of them
// waits for two records from memory. Merging keeps the earlier list's record
// first between equals: the order is the stable sort's.
void sort_passes(SatList& sats, std::vector<std::size_t> pass_ends) {
  auto less = [](const Csat* a, const Csat* b) { return lessThan_sat(a, b); };
  const auto at = [&](std::size_t i) { return sats.begin() + static_cast<std::ptrdiff_t>(i); };
  std::size_t begin = 0;
  for (const std::size_t end : pass_ends) {
    if (!std::is_sorted(at(begin), at(end), less)) std::stable_sort(at(begin), at(end), less);
    begin = end;
  }
  // Neighbours pairwise, so that each record takes part in few merges.
  while (pass_ends.size() > 1) {
    std::vector<std::size_t> merged_ends;
    begin = 0;
    for (std::size_t i = 0; i < pass_ends.size(); i += 2) {
      if (i + 1 < pass_ends.size()) std::inplace_merge(at(begin), at(pass_ends[i]), at(pass_ends[i + 1]), less);
      begin = pass_ends[std::min(i + 1, pass_ends.size() - 1)];
      merged_ends.push_back(begin);
    }
    pass_ends.swap(merged_ends);
  }
}

}  // namespace

ImperfectSearch::ImperfectSearch(const RecordSearch& record, ExtensionAlignment& extension, CsatContainer& result)
    : record_(record), extension_(extension), result_(result) {
  record_.cover_unit_lengths();
}

void ImperfectSearch::search() {
  const char* first = record_.sequence.residues;
  sort_passes(result_.sats, record_.in_parts() ? search_in_parts()
                                               : search_unit_lengths_in_turn(first, first + record_.sequence.length));
  grow_error_lists_again();
}

unsigned ImperfectSearch::longest_unit_searched() const {
  const unsigned length = record_.sequence.length;
  return std::min(record_.options.max_unit_length, length == 0 ? 0 : length - 1);
}

// The anchor map and the marks of the starts are let go before the records
// are sorted and their lists grown again. Returns where each pass's records
// end in the list.
std::vector<std::size_t> ImperfectSearch::search_unit_lengths_in_turn(const char* from, const char* to) {
  const SearchOptions& options = record_.options;
  const CSequence_Mol& sequence = record_.sequence;
  SatList& result = result_.sats;
  std::vector<std::size_t> pass_ends;
  const char* first = sequence.residues;
  // Below the sequence's length, so the loop over unit lengths cannot wrap.
  const unsigned longest = longest_unit_searched();
  // The marks the starts read: from the residue before the first to the one
  // after the last copy.
  const auto from_residue = static_cast<std::size_t>(from - first);
  CAnchorSeq anchors(first, sequence.length, from_residue == 0 ? 0 : from_residue - 1,
                     static_cast<std::size_t>(to - first) + longest + 1);
  StartsToTry starts(first, first + sequence.length, from, to);
  ScoreBound score_bound(first, first + sequence.length, options.mismatch_score, options.indel_score);
  AlignmentBound alignment_bound(first, first + sequence.length, options.mismatch_score, options.indel_score);
  // An empty unit cannot be extended: unit length 0 is searched as 1.
  unsigned k = std::max(options.min_unit_length, 1u);
  if (k == 1) {
    if (longest >= 1) unit_len_1_complete_imperfect_search(anchors, starts, result);
    pass_ends.push_back(result.size());
    // A mononucleotide run may still hold the copies of a longer unit.
    anchors.open_all();
    k = 2;
  }
  for (; k <= longest; ++k) {
    // Only walks with units of the same length can meet.
    extension_.forget_earlier_walks();
    one_unit_len_complete_imperfect_search(k, anchors, starts, score_bound, alignment_bound, result);
    pass_ends.push_back(result.size());
  }
  return pass_ends;
}

// The overlap removal is made here, before the lists are grown again; the
// run driver's removal then finds nothing more: no two repeats that it keeps
// overlap mostly.
void ImperfectSearch::grow_error_lists_again() {
  if (error_lists_let_go_.empty()) return;
  remove_mostly_hidden(result_, record_.options.remove_mostly_hidden);
  // The lists grown again can be as long as arrays: the trails of the last
  // pass make room for them.
  extension_.release_earlier_walks();
  std::vector<Csat*>& let_go = error_lists_let_go_;
  std::sort(let_go.begin(), let_go.end(), std::less<Csat*>());
  for (Csat* sat : result_.sats) {
    if (!std::binary_search(let_go.begin(), let_go.end(), sat, std::less<Csat*>())) continue;
    sat->reset(sat->unit_begin, sat->unit_end);
    extension_.grow_both_ways(*sat);
    sort_errors(*sat);
  }
  let_go.clear();
}

void ImperfectSearch::unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, StartsToTry& starts,
                                                           SatList& result) {
  const CSequence_Mol& sequence = record_.sequence;
  const char* first = sequence.residues;
  const char* end = first + sequence.length;
  CandidateTrials candidates(record_, extension_, error_lists_let_go_, anchors, starts, result);
  const int min_score = record_.workspace.thresholds.user().min_scores[1];
  const ErrorFreeRunTest too_weak(extension_.rules, min_score, 1);
  const OneErrorTest too_weak_with_one_error(extension_.rules, min_score, 1, first, end);
  starts.mark(1, too_weak.starts_to_try(), too_weak_with_one_error.starts_to_try());
  ProgressCheck progress(first);
  const char* unsettled_run_begin = nullptr;  // as in the search for longer units
  const char* unsettled_run_end = nullptr;
  // The last residue is never a candidate: nothing could follow its copy.
  for (const char* p = starts.first_start(); end - p > 1; p = starts.first_from(p + 1)) {
    if (progress.due(p)) record_.progress.at(record_.number, sequence.name.c_str(), 1);
    // Every start up to the end of this run of letters shares the run.
    const char* run_end = starts.run_end(p);
    if (run_end != unsettled_run_end) {
      const char* run_begin = starts.run_begin(p);
      if (too_weak.fails(run_begin, run_end, first, end) || too_weak_with_one_error.fails(run_begin, run_end)) {
        p = run_end - 1;  // the loop goes on from the first start after the run
        continue;
      }
      unsettled_run_begin = run_begin;
      unsettled_run_end = run_end;
    }
    if (anchors.open(p))
      p += candidates.try_copy(p, p + 1, unsettled_run_begin, run_end);
    else
      p = anchors.first_open(p) - 1;
  }
}

void ImperfectSearch::one_unit_len_complete_imperfect_search(unsigned unit_length, CAnchorSeq& anchors,
                                                             StartsToTry& starts, ScoreBound& score_bound,
                                                             AlignmentBound& alignment_bound, SatList& result) {
  const CSequence_Mol& sequence = record_.sequence;
  if (sequence.length <= unit_length) return;
  const char* first = sequence.residues;
  const char* end = first + sequence.length;
  CandidateTrials candidates(record_, extension_, error_lists_let_go_, anchors, starts, result);
  const int* min_scores = record_.workspace.thresholds.user().min_scores;
  const int min_score = min_scores[unit_length];
  const ErrorFreeRunTest too_weak(extension_.rules, min_score, unit_length);
  const OneErrorTest too_weak_with_one_error(extension_.rules, min_score, unit_length, first, end);
  starts.mark(unit_length, too_weak.starts_to_try(), too_weak_with_one_error.starts_to_try());
  starts.leave_out_covered(anchors);
  if (record_.options.settle_by_score_bound && unit_length >= ScoreBound::shortest_unit) {
    // The next unit length's starts are settled in the same sweep, when it is searched.
    const bool next_searched = unit_length < longest_unit_searched();
    record_.workspace.counts.starts_settled_by_score_bound +=
        starts.leave_out_settled(score_bound, min_score,
                                 next_searched ? min_scores[unit_length + 1] : ScoreBound::no_next_length);
  }
  const bool by_alignment = alignment_bound.applies(unit_length);
  ProgressCheck progress(first);
  // The last run judged and not settled: the starts that share it need not
  // be judged again, and their runs need not be read again.
  const char* unsettled_run_begin = nullptr;
  const char* unsettled_run_end = nullptr;
  for (const char* p = starts.first_start(); static_cast<std::size_t>(end - p) > unit_length;
       p = starts.first_from(p + 1)) {
    if (progress.due(p)) record_.progress.at(record_.number, sequence.name.c_str(), unit_length);
    const char* q = p + unit_length;
    // Covered starts first: on a repeat-rich genome, many of the runs
    // judged were judged for a start under an accepted repeat.
    if (!anchors.candidate_marks_open(p, q)) {
      // Inside an accepted repeat, every start up to the next open mark has
      // both its first residue and the one before it covered.
      if (!anchors.open(p - 1) && !anchors.open(p)) p = anchors.first_open(p) - 1;
      continue;
    }
    // Every start up to the run's end less a unit shares the run.
    const char* run_end = starts.run_end(p);
    if (run_end != unsettled_run_end) {
      const char* run_begin = starts.run_begin(p);
      if (too_weak.fails(run_begin, run_end, first, end) || too_weak_with_one_error.fails(run_begin, run_end)) {
        p = run_end - unit_length;  // the loop goes on from the first start not sharing the run
        continue;
      }
      unsettled_run_begin = run_begin;
      unsettled_run_end = run_end;
    }
    if (by_alignment && alignment_bound.settles(p, unit_length, min_score)) {
      ++record_.workspace.counts.starts_settled_by_alignment_bound;
      continue;
    }
    p += candidates.try_copy(p, q, unsettled_run_begin, run_end);
  }
}
