// Exact tandem repeats: a first copy of a unit of k residues, followed (and
// preceded) by residues that continue it periodically without any error.
// Each further matching residue scores 1, the first copy scores nothing.
// A run of at most global_Ns_allowed_in_a_row N's may stand in for unit
// characters (scoring 0, counted in Ns) unless N's are treated as mismatches;
// a repeat never begins or ends with N.
//
// Unit length 1 is one walk over the sequence. Longer units are searched one
// unit length after the other, shortest first, with a mark per residue: a
// repeat that passes the user thresholds covers its residues, and a start
// whose unit copy lies in covered residues is not tried again. So a stretch
// already found with a short unit is not reported again with a multiple of it.
#include <cstdint>
#include <cstring>

#include "config/parameters.h"
#include "driver/messages.h"
#include "search/CAnchorSeq.h"
#include "search/CSearchController.h"

namespace {

// How the search treats N: runs of at most max_run N's are bridged, longer
// runs end a repeat. Bridging is off when max_run is 0.
struct NBridging {
  std::size_t max_run;

  NBridging()
      : max_run(global_treat_Ns_as_missense || global_Ns_allowed_in_a_row <= 0
                    ? 0
                    : static_cast<std::size_t>(global_Ns_allowed_in_a_row)) {}

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

// Moves a unit pointer steps characters forward (steps > 0) or backward
// (steps < 0) around the unit.
const char* rotate(const char* pos, const Csat& sat, std::ptrdiff_t steps) {
  std::ptrdiff_t k = sat.unit_end - sat.unit_begin;
  std::ptrdiff_t offset = ((pos - sat.unit_begin) + steps % k + k) % k;
  return sat.unit_begin + offset;
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
    unit = rotate(unit, sat, static_cast<std::ptrdiff_t>(run));
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
    unit = rotate(unit, sat, -static_cast<std::ptrdiff_t>(run));
  }
  sat.sat_begin = begin;
  sat.unit_pos_backward = unit;
  sat.score = score;

  sat.trim_flanking_Ns();
}

const char* skip_Ns(const char* p, const char* seq_end) {
  while (p != seq_end && *p == 'N') ++p;
  return p;
}

const char* first_N_from(const char* p, const char* seq_end) {
  const void* hit = std::memchr(p, 'N', static_cast<std::size_t>(seq_end - p));
  return hit ? static_cast<const char*>(hit) : seq_end;
}

}  // namespace

void CSearchController::exact_search_2() {
  const char* const seq_begin = sequence.residues;
  const char* const seq_end = seq_begin + sequence.length;
  const NBridging Ns;
  // A unit needs at least one residue beyond its first copy, and the tables
  // end at the longest unit that fits into the sequence.
  const std::uint64_t first_k = global_min_unit_length > 1 ? global_min_unit_length : 1;
  const std::uint64_t last_k = std::min<std::uint64_t>(global_max_unit_length, sequence.length);

  Csat* spare = nullptr;
  auto fresh_candidate = [&spare](const char* b, const char* e) -> Csat& {
    if (spare) {
      spare->reset(b, e);
    } else {
      spare = sat_alloc.get_new(b, e);
    }
    return *spare;
  };
  auto keep_candidate = [this, &spare]() {
    exact_sats.sats.push_back(spare);
    spare = nullptr;
  };

  // Unit length 1. Every start inside a stretch grown from an earlier start
  // would grow into that same stretch, so the walk goes on at its end whether
  // the stretch was kept or not: each residue is looked at a bounded number of
  // times, however long a run below the thresholds is.
  if (first_k == 1 && last_k >= 1) {
    std::ptrdiff_t next_progress_check = 0;
    const char* p = skip_Ns(seq_begin, seq_end);
    while (seq_end - p >= 2) {
      if (p - seq_begin >= next_progress_check) {
        if (check_report_status()) report_status(sequence_number, sequence.name.c_str(), 1);
        next_progress_check = ((p - seq_begin) / 256 + 1) * 256;
      }
      Csat& sat = fresh_candidate(p, p + 1);
      grow_exact(sat, seq_begin, seq_end, Ns);
      const char* stretch_end = sat.sat_end;
      if (passes_thresholds(sat, 1)) keep_candidate();
      p = skip_Ns(stretch_end, seq_end);
    }
  }

  CAnchorSeq anchors(seq_begin, sequence.length);
  for (std::uint64_t k64 = first_k > 2 ? first_k : 2; k64 <= last_k; ++k64) {
    const unsigned k = static_cast<unsigned>(k64);
    const char* const last_start = seq_end - k;  // exclusive: one residue must follow the unit copy
    const char* next_N = first_N_from(seq_begin, seq_end);
    const char* letter_run_end = seq_begin;  // one past the run of equal letters holding i
    // The last stretch grown and found too weak: every unit copy inside it
    // would grow into the same stretch, so none of them is tried.
    const char* weak_stretch_end = seq_begin;

    for (const char* i = seq_begin; i < last_start; ++i) {
      if (((i - seq_begin) & 255) == 0 && check_report_status()) {
        report_status(sequence_number, sequence.name.c_str(), k);
      }
      if (next_N < i) next_N = first_N_from(i, seq_end);
      if (!anchors.candidate_marks_open(i, i + k)) continue;
      if (next_N < i + k) continue;
      if (letter_run_end <= i) {
        letter_run_end = i + 1;
        while (letter_run_end != seq_end && *letter_run_end == *i) ++letter_run_end;
      }
      if (letter_run_end - i >= static_cast<std::ptrdiff_t>(k)) continue;
      if (i + k <= weak_stretch_end) continue;

      Csat& sat = fresh_candidate(i, i + k);
      grow_exact(sat, seq_begin, seq_end, Ns);
      if (!passes_thresholds(sat, k)) {
        weak_stretch_end = sat.sat_end;
        continue;
      }
      if (sat.score >= minScores_user[k] && sat.normalised_length() >= minLengths_user[k]) {
        anchors.cover(sat.sat_begin, sat.sat_end);
      }
      keep_candidate();
    }
  }

  if (spare) sat_alloc.give_back(spare);
  exact_sats.sats.sort(lessThan_sat);  // stable: equal extents stay in the order found
}
