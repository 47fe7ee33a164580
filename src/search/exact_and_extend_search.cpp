// Search mode extendExact: the perfect repeats found under lenient internal
// thresholds are the seeds; each is grown over alignment errors on its own and
// kept when the grown repeat meets the user's thresholds. Seeds that grow into
// the same repeat are all kept here; the overlap removal decides among them.
//
// Seeds are grown as the exact search finds them rather than collected first:
// on repeat-rich genomes the seeds outnumber the kept repeats many times over.
// The result is ordered as if the seeds had been collected, sorted by their
// extent and then grown: sorted by the seeds' extent, then by the grown one,
// both sorts stable.
#include <algorithm>
#include <cstdio>

#include "search/CSearchController.h"

void CSearchController::grow_seed(Csat* sat) {
  const GrownSeed grown{sat->sat_begin, sat->sat_end, sat};
  const char* first = sequence.residues;
  extend_imperfect_forward(*sat, first + sequence.length);
  extend_imperfect_backward(*sat, first - 1);
  sat->trim_flanking_Ns();
  // The exact search runs under the internal tables; grown repeats must meet the user's.
  const unsigned k = sat->unit_length();
  if (sat->score >= minScores_user[k] && sat->normalised_length() >= minLengths_user[k]) {
    std::sort(sat->missense.begin(), sat->missense.end(), Csat::lessThan_missense());
    // The record may come from the pool with the error list of a long walk.
    sat->missense.shrink_to_fit();
    grown_seeds->push_back(grown);
  } else {
    sat_alloc.give_back(sat);
  }
}

void CSearchController::search_exact_and_extend_to_imperfect_repeats() {
  std::fputs("  Searching for exact repeats.\n", stderr);
  std::fflush(stderr);
  std::vector<GrownSeed> grown;
  grown_seeds = &grown;
  minScores = minScores_intern;
  minLengths = minLengths_intern;
  exact_search_2();
  minScores = minScores_user;
  minLengths = minLengths_user;
  grown_seeds = nullptr;

  std::fputs("  Extend exact to imperfect repeats.\n", stderr);
  std::fflush(stderr);
  std::stable_sort(grown.begin(), grown.end(), [](const GrownSeed& a, const GrownSeed& b) {
    if (a.seed_begin != b.seed_begin) return a.seed_begin < b.seed_begin;
    return a.seed_end < b.seed_end;
  });
  for (const GrownSeed& g : grown) imperfect_sats.sats.push_back(g.sat);
  imperfect_sats.sats.sort(lessThan_sat);
}
