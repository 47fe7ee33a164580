#include <algorithm>
#include <numeric>
#include <vector>

#include "config/parameters.h"
#include "repeats/allocation.h"
#include "search/CSearchController.h"

namespace {

// Of two overlapping records a (first in the sorted list) and b, is one of
// them left with fewer than one of its units outside the shared residues?
bool mostly_overlapping(const Csat& a, const Csat& b) {
  std::ptrdiff_t overlap = (a.sat_end < b.sat_end ? a.sat_end : b.sat_end) - b.sat_begin;
  auto mostly_hidden = [overlap](const Csat& r) {
    return (r.sat_end - r.sat_begin) < (r.unit_end - r.unit_begin) + overlap;
  };
  return mostly_hidden(a) || mostly_hidden(b);
}

}  // namespace

// The list is sorted by start, so the records that overlap a record are the
// ones right after it, up to the first that starts at or after its end.
// Removed records are unlinked from a chain of indices, as from a linked
// list, and the array is closed up once at the end: erasing each from the
// array would move all the records after it.
void CSearchController::remove_hidden(CsatContainer& container) {
  if (!global_remove_mostly_hidden) return;
  SatList& sats = container.sats;
  const unsigned end = checked_capacity(sats.size());
  std::vector<unsigned> next(end);  // the index of the next record still listed
  std::iota(next.begin(), next.end(), 1u);
  auto hand_back = [&](unsigned removed) {
    container.pool->give_back(sats[removed]);
    sats[removed] = nullptr;
  };
  // Only the records after a are read through the chain again, so a removed
  // a need not be unlinked.
  for (unsigned a = 0; a != end; a = next[a]) {
    unsigned before_b = a;
    for (unsigned b = next[a]; b != end && sats[a]->sat_end > sats[b]->sat_begin; b = next[b]) {
      if (!mostly_overlapping(*sats[a], *sats[b])) {
        before_b = b;
      } else if (sats[a]->score < sats[b]->score) {
        hand_back(a);
        break;
      } else {
        hand_back(b);
        next[before_b] = next[b];
      }
    }
  }
  sats.erase(std::remove(sats.begin(), sats.end(), nullptr), sats.end());
}
