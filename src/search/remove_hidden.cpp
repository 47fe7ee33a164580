#include <iterator>

#include "config/parameters.h"
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
void CSearchController::remove_hidden(CsatContainer& container) {
  if (!global_remove_mostly_hidden) return;
  std::list<Csat*>& sats = container.sats;
  auto a = sats.begin();
  while (a != sats.end()) {
    bool a_removed = false;
    auto b = std::next(a);
    while (b != sats.end() && (*a)->sat_end > (*b)->sat_begin) {
      if (!mostly_overlapping(**a, **b)) {
        ++b;
      } else if ((*a)->score < (*b)->score) {
        container.pool->give_back(*a);
        a = sats.erase(a);
        a_removed = true;
        break;
      } else {
        container.pool->give_back(*b);
        b = sats.erase(b);
      }
    }
    if (!a_removed) ++a;
  }
}
