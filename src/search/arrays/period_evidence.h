#ifndef VELKOR_SEARCH_ARRAYS_PERIOD_EVIDENCE_H
#define VELKOR_SEARCH_ARRAYS_PERIOD_EVIDENCE_H

#include <algorithm>
#include <vector>

// How far from a period d indels move the matches of its copies.
inline unsigned neighbour_reach(unsigned d) { return std::min(8u, 1 + d / 128); }

// The evidence the candidate scan gathers for each period. A match at
// distance d adds 40 to the evidence of d, which loses 1 per residue passed
// since it was last added to (never going below 0); the evidence of d and
// its neighbours within neighbour_reach(d) is summed, and a sum of 320 makes
// the neighbour with the most a candidate. Evidence added before the floor
// (the end of the last call) counts for nothing, and quieted periods gather
// none until the residue they were quieted to.
//
// Summing the neighbours is most of the scan's time, so each period keeps
// the residue at which its evidence runs out: its evidence at a residue is
// what is left before that, with no test of where it came from.
class PeriodEvidence {
 public:
  // Forgets everything: the periods from min_period to max_period.
  void reset(unsigned min_period, unsigned max_period);
  // A match at distance d of the word at `start` (never decreasing); returns
  // the period it makes a candidate, or 0.
  unsigned add_match(unsigned d, long long start);
  // The periods whose evidence d's sum reads gather nothing before `until`,
  // and lose what they have.
  void quiet_around(unsigned d, long long until);
  // Evidence added before `floor` no longer counts.
  void raise_floor(long long floor);
  long long floor() const { return floor_; }

 private:
  int at(unsigned d, long long position) const {
    return static_cast<int>(std::max(0LL, runs_out_[d] - position));
  }
  // The periods summed for d: itself and its neighbours in the range searched.
  unsigned first_neighbour(unsigned d) const {
    const unsigned reach = neighbour_reach(d);
    return std::max(min_period_, d > reach ? d - reach : 1u);
  }
  unsigned last_neighbour(unsigned d) const { return std::min(max_period_, d + neighbour_reach(d)); }

  unsigned min_period_ = 1, max_period_ = 1;
  long long floor_ = 0;
  // Per period: where its evidence runs out (0: it has none that counts),
  // and where it was last added to or is quiet until.
  std::vector<long long> runs_out_;
  std::vector<long long> last_added_;
};

#endif
