#include "config/parameters.h"
#include "search/CSearchController.h"
#include "search/hidden_repeat_filter.h"

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

void HiddenRepeatFilter::take(Csat* sat) {
  if (!global_remove_mostly_hidden) {
    next_.take(sat);
    return;
  }
  while (!held_.empty() && held_.front()->sat_end <= sat->sat_begin) settle_first();
  held_.push_back(sat);
}

void HiddenRepeatFilter::finish() {
  while (!held_.empty()) settle_first();
}

// The records that overlap the first one are the ones right after it, up to
// the first that starts at or after its end. Each of them either falls to it
// or, scoring higher, removes it; the first one is kept if none does.
void HiddenRepeatFilter::settle_first() {
  Csat* first = held_.front();
  for (auto later = held_.begin() + 1; later != held_.end() && first->sat_end > (*later)->sat_begin;) {
    if (!mostly_overlapping(*first, **later)) {
      ++later;
    } else if (first->score < (*later)->score) {
      held_.pop_front();
      pool_.give_back(first);
      return;
    } else {
      pool_.give_back(*later);
      later = held_.erase(later);
    }
  }
  held_.pop_front();
  next_.take(first);
}

void CSearchController::remove_hidden(CsatContainer& container) {
  if (!global_remove_mostly_hidden) return;
  SatList kept;
  AppendRecords into_kept(kept);
  HiddenRepeatFilter filter(into_kept, *container.pool);
  for (Csat* sat : container.sats) filter.take(sat);
  filter.finish();
  container.sats.swap(kept);
}
