#include "search/exact/found_repeats.h"

#include <algorithm>

// A pass finds its repeats in order, or nearly so, so each pass is put in
// order on its own and the passes are then merged.
void FoundRepeats::make_records_in_order(RecordSink& sink, Csat_garbagecollector& pool) {
  // The order of lessThan_sat in one number.
  auto extent = [](const FoundRepeat& r) { return std::uint64_t{r.begin} << 32 | r.end; };
  auto by_extent = [&extent](const FoundRepeat& a, const FoundRepeat& b) { return extent(a) < extent(b); };
  // The unmerged rest of each pass, with the extent of its next repeat.
  struct Rest {
    std::uint64_t next_extent;
    std::size_t pass;
  };
  std::vector<Rest> rests;
  for (std::size_t pass = 0; pass < passes.size(); ++pass) {
    std::deque<FoundRepeat>& repeats = passes[pass];
    if (!std::is_sorted(repeats.begin(), repeats.end(), by_extent))
      std::stable_sort(repeats.begin(), repeats.end(), by_extent);
    rests.push_back({extent(repeats.front()), pass});
  }
  // A heap whose top is the rest holding the next repeat in order; of equal
  // extents, the one found in the earlier pass.
  auto comes_later = [](const Rest& a, const Rest& b) {
    return a.next_extent != b.next_extent ? a.next_extent > b.next_extent : a.pass > b.pass;
  };
  std::make_heap(rests.begin(), rests.end(), comes_later);
  while (!rests.empty()) {
    std::pop_heap(rests.begin(), rests.end(), comes_later);
    Rest& rest = rests.back();
    std::deque<FoundRepeat>& repeats = passes[rest.pass];
    repeats.front().make_record(sink, pool, seq_begin);
    repeats.pop_front();
    if (repeats.empty()) {
      rests.pop_back();
    } else {
      rest.next_extent = extent(repeats.front());
      std::push_heap(rests.begin(), rests.end(), comes_later);
    }
  }
}
