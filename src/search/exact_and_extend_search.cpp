// Search mode extendExact: the perfect repeats found under lenient internal
// thresholds are the seeds; each is grown over alignment errors on its own and
// kept when the grown repeat meets the user's thresholds. Seeds that grow into
// the same repeat are all kept here; the overlap removal decides among them.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "search/CSearchController.h"

void CSearchController::search_exact_and_extend_to_imperfect_repeats() {
  const char* first = sequence.residues;
  const char* end = first + sequence.length;

  std::fputs("  Searching for exact repeats.\n", stderr);
  std::fflush(stderr);
  minScores = minScores_intern;
  minLengths = minLengths_intern;
  exact_search_2();
  minScores = minScores_user;
  minLengths = minLengths_user;

  std::fputs("  Extend exact to imperfect repeats.\n", stderr);
  std::fflush(stderr);
  std::list<Csat*>& seeds = exact_sats.sats;
  for (auto node = seeds.begin(); node != seeds.end();) {
    const auto next = std::next(node);
    Csat* sat = *node;
    extend_imperfect_forward(*sat, end);
    extend_imperfect_backward(*sat, first - 1);
    sat->trim_flanking_Ns();
    if (passes_thresholds(*sat, sat->unit_length())) {
      std::sort(sat->missense.begin(), sat->missense.end(), Csat::lessThan_missense());
      imperfect_sats.sats.splice(imperfect_sats.sats.end(), seeds, node);
    } else {
      exact_sats.pool->give_back(sat);
      seeds.erase(node);
    }
    node = next;
  }
  imperfect_sats.sats.sort(lessThan_sat);
}
