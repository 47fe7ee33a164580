#include <algorithm>

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
  if (!remove_) {
    next_.take(sat);
    return;
  }
  while (!held_.empty() && held_.front()->sat_end <= sat->sat_begin) hand_on_first();
  held_.push_back(sat);
  if (held_.size() > 1) weigh_first_from(held_.size() - 1);
}

void HiddenRepeatFilter::finish() {
  while (!held_.empty()) hand_on_first();
}

// No record to come can overlap the first one: it is kept.
void HiddenRepeatFilter::hand_on_first() {
  next_.take(held_.front());
  held_.pop_front();
  weigh_first_from(1);
}

// The first record meets the ones it overlaps from the held one at index
// from on, in order. Each of them either falls to it or, scoring higher,
// removes it; then the next one is first and meets every one after it.
void HiddenRepeatFilter::weigh_first_from(std::size_t from) {
  while (!held_.empty()) {
    Csat* first = held_.front();
    bool first_removed = false;
    auto later = held_.begin() + static_cast<std::ptrdiff_t>(std::min(from, held_.size()));
    while (!first_removed && later != held_.end() && first->sat_end > (*later)->sat_begin) {
      if (!mostly_overlapping(*first, **later)) {
        ++later;
      } else if (first->score < (*later)->score) {
        first_removed = true;
      } else {
        pool_.give_back(*later);
        later = held_.erase(later);
      }
    }
    if (!first_removed) return;
    held_.pop_front();
    pool_.give_back(first);
    from = 1;
  }
}

void remove_mostly_hidden(CsatContainer& container, bool remove) {
  if (!remove) return;
  SatList kept;
  AppendRecords into_kept(kept);
  HiddenRepeatFilter filter(into_kept, *container.pool, true);
  for (Csat* sat : container.sats) filter.take(sat);
  filter.finish();
  container.sats.swap(kept);
}
