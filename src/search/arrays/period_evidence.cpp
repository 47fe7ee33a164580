#include "search/arrays/period_evidence.h"

namespace {

constexpr int evidence_per_match = 40;
constexpr int evidence_needed = 320;

}  // namespace

void PeriodEvidence::reset(unsigned min_period, unsigned max_period) {
  min_period_ = min_period;
  max_period_ = max_period;
  floor_ = 0;
  runs_out_.assign(static_cast<std::size_t>(max_period) + 1, 0);
  last_added_.assign(static_cast<std::size_t>(max_period) + 1, -1);
}

unsigned PeriodEvidence::add_match(unsigned d, long long start) {
  if (last_added_[d] > start) return 0;  // quiet after a candidate
  // A match before the floor would count for nothing, now or later.
  if (start < floor_) return 0;
  const int left = at(d, start);
  runs_out_[d] = start + left + evidence_per_match;
  last_added_[d] = start;
  // A lone match, the usual one in random DNA, cannot make a candidate
  // (a sum of 320 needs several): the neighbours are summed after a second.
  if (left == 0) return 0;
  // Indels between copies move matches to neighbouring periods, the more so
  // the longer the period: the evidence of a few neighbours counts too, and
  // the one of them with the most is the candidate.
  const unsigned from = first_neighbour(d), to = last_neighbour(d);
  int evidence = 0;
  for (unsigned x = from; x <= to; ++x) evidence += at(x, start);
  if (evidence < evidence_needed) return 0;
  int most = 0;
  unsigned candidate = d;
  for (unsigned x = from; x <= to; ++x) {
    if (at(x, start) > most) {
      most = at(x, start);
      candidate = x;
    }
  }
  return candidate;
}

void PeriodEvidence::quiet_around(unsigned d, long long until) {
  for (unsigned x = first_neighbour(d); x <= last_neighbour(d); ++x) {
    runs_out_[x] = 0;
    last_added_[x] = until;
  }
}

void PeriodEvidence::raise_floor(long long floor) {
  if (floor <= floor_) return;
  floor_ = floor;
  for (std::size_t x = 0; x < runs_out_.size(); ++x) {
    if (last_added_[x] < floor) runs_out_[x] = 0;
  }
}
