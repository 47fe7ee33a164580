// Search mode extendExact: the perfect repeats found under lenient internal
// thresholds are the seeds; each is grown over alignment errors on its own and
// kept when the grown repeat meets the user's thresholds. Seeds that grow into
// the same repeat are all kept here; the overlap removal decides among them.
//
// Seeds are grown as the exact search finds them rather than collected first:
// on repeat-rich genomes the seeds outnumber the kept repeats many times over.
// The result is ordered as if the seeds had been collected, sorted by their
// extent and then grown: by the grown extent, then by the seed's extent, then
// in the order the seeds were found.
//
// Inside a long imperfect array every seed grows over the whole array, and
// each of these repeats would hold an error list as long as the array: memory
// quadratic in its length, nearly all of it for repeats that the overlap
// removal drops. So a kept repeat with a long error list gives the list up;
// once the overlap removal has run here, the survivors among them are grown
// again from their seeds, which gives the same list, since growing depends on
// nothing but the seed. The removal finds nothing more to remove when the run
// driver calls it next: no two repeats that it keeps overlap mostly.
#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <tuple>
#include <vector>

#include "repeats/allocation.h"
#include "search/CSearchController.h"

namespace {

// A kept record and the exact repeat it grew from, as offsets from the first residue.
struct GrownSeed {
  std::uint32_t seed_begin;
  std::uint32_t seed_end;
  Csat* sat;
};

}  // namespace

// Records wait here with their seeds while the exact search runs; the result
// list is made once they are all grown, in an order that needs the seeds.
struct CSearchController::GrownSeeds {
  std::deque<GrownSeed> seeds;  // by seed_number; a deque never copies itself to grow
  std::vector<unsigned> without_errors_listed;  // seed numbers, ascending
};

namespace {

// A grown record's extent, score and counts: growing a seed twice must give
// the same.
std::tuple<const char*, const char*, int, int, int, int, int> growth_of(const Csat& sat) {
  return {sat.sat_begin, sat.sat_end, sat.score, sat.mismatches, sat.insertions, sat.deletions, sat.Ns};
}

// Sets a grown record back to the exact repeat [begin, end) it grew from. Its
// unit copy is unchanged by growing; every residue of an exact repeat beyond
// that copy is a match or a bridged N.
void back_to_seed(Csat& sat, const char* begin, const char* end) {
  const std::ptrdiff_t k = sat.unit_end - sat.unit_begin;
  auto unit_pos_at = [&sat, k](const char* residue) {
    return sat.unit_begin + ((residue - sat.unit_begin) % k + k) % k;
  };
  const unsigned Ns = static_cast<unsigned>(std::count(begin, end, 'N'));
  sat.reset(sat.unit_begin, sat.unit_end);
  sat.sat_begin = begin;
  sat.sat_end = end;
  sat.unit_pos_forward = unit_pos_at(end);
  sat.unit_pos_backward = unit_pos_at(begin - 1);
  sat.Ns = static_cast<int>(Ns);
  sat.score = static_cast<int>((end - begin) - k - static_cast<std::ptrdiff_t>(Ns));
}

}  // namespace

// Short lists are the rule on real genomes, so hardly any repeat is grown twice.
unsigned CSearchController::longest_error_list_kept = 16;

void CSearchController::grow_seed(Csat* sat) {
  const char* first = sequence.residues;
  const GrownSeed seed{static_cast<std::uint32_t>(sat->sat_begin - first),
                       static_cast<std::uint32_t>(sat->sat_end - first), sat};
  grow_both_ways(*sat);
  // The exact search runs under the internal tables; grown repeats must meet the user's.
  const unsigned k = sat->unit_length();
  if (sat->score < minScores_user[k] || sat->normalised_length() < minLengths_user[k]) {
    sat_alloc.give_back(sat);
    return;
  }
  if (grown_seeds->seeds.size() >= UINT_MAX) abort_out_of_memory();
  sat->seed_number = static_cast<unsigned>(grown_seeds->seeds.size());
  grown_seeds->seeds.push_back(seed);
  if (sat->missense.count > longest_error_list_kept) {
    sat->missense.clear();
    grown_seeds->without_errors_listed.push_back(sat->seed_number);
  } else {
    CSearchController::sort_errors(*sat);
  }
  // The record may come from the pool with the error list of a long walk.
  sat->missense.shrink_to_fit();
}

void CSearchController::search_exact_and_extend_to_imperfect_repeats() {
  std::fputs("  Searching for exact repeats.\n", stderr);
  std::fflush(stderr);
  GrownSeeds grown;
  grown_seeds = &grown;
  minScores = minScores_intern;
  minLengths = minLengths_intern;
  // One error more than a kept list holds tells a list to let go.
  errors_listed = longest_error_list_kept == UINT_MAX ? UINT_MAX : longest_error_list_kept + 1;
  exact_search_2();
  errors_listed = UINT_MAX;
  minScores = minScores_user;
  minLengths = minLengths_user;
  grown_seeds = nullptr;

  std::fputs("  Extend exact to imperfect repeats.\n", stderr);
  std::fflush(stderr);
  // Listed in the order found; the sort is stable.
  SatList& sats = imperfect_sats.sats;
  sats.reserve(sats.size() + grown.seeds.size());
  for (const GrownSeed& g : grown.seeds) sats.push_back(g.sat);
  std::stable_sort(sats.begin(), sats.end(), [&grown](const Csat* a, const Csat* b) {
    if (lessThan_sat(a, b)) return true;
    if (lessThan_sat(b, a)) return false;
    const GrownSeed& sa = grown.seeds[a->seed_number];
    const GrownSeed& sb = grown.seeds[b->seed_number];
    if (sa.seed_begin != sb.seed_begin) return sa.seed_begin < sb.seed_begin;
    return sa.seed_end < sb.seed_end;
  });

  if (grown.without_errors_listed.empty()) return;
  remove_hidden(imperfect_sats);
  const char* first = sequence.residues;
  for (Csat* sat : sats) {
    if (!std::binary_search(grown.without_errors_listed.begin(), grown.without_errors_listed.end(),
                            sat->seed_number))
      continue;
    const GrownSeed& seed = grown.seeds[sat->seed_number];
    // Growing again lists every error; the first growth went along whole
    // paths at once, and must have counted alike.
    [[maybe_unused]] const auto first_growth = growth_of(*sat);
    back_to_seed(*sat, first + seed.seed_begin, first + seed.seed_end);
    grow_both_ways(*sat);
    assert(growth_of(*sat) == first_growth);
    CSearchController::sort_errors(*sat);
  }
}
