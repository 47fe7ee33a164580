#include "search/found_repeats.h"

#include <algorithm>

FoundRepeat::FoundRepeat(const Csat& sat, const char* seq_begin)
    : begin(static_cast<std::uint32_t>(sat.sat_begin - seq_begin)),
      end(static_cast<std::uint32_t>(sat.sat_end - seq_begin)),
      unit_begin(static_cast<std::uint32_t>(sat.unit_begin - seq_begin)),
      unit_length(sat.unit_length()),
      forward_phase(static_cast<std::uint32_t>(sat.unit_pos_forward - sat.unit_begin)),
      backward_phase(static_cast<std::uint32_t>(sat.unit_pos_backward - sat.unit_begin)),
      score(sat.score),
      Ns(sat.Ns) {}

void FoundRepeat::make_record(RecordSink& sink, const char* seq_begin) const {
  const char* unit = seq_begin + unit_begin;
  Csat* sat = sat_alloc.get_new(unit, unit + unit_length);
  sat->sat_begin = seq_begin + begin;
  sat->sat_end = seq_begin + end;
  sat->unit_pos_forward = unit + forward_phase;
  sat->unit_pos_backward = unit + backward_phase;
  sat->score = score;
  sat->Ns = Ns;
  sink.take(sat);
}

bool FoundRepeats::take(Csat& sat) {
  if (passes.empty() || sat.unit_length() != unit_length_of_pass) passes.emplace_back();
  unit_length_of_pass = sat.unit_length();
  passes.back().emplace_back(sat, seq_begin);
  return false;
}

// A pass finds its repeats in order, or nearly so, so each pass is put in
// order on its own and the passes are then merged.
void FoundRepeats::make_records_in_order(RecordSink& sink) {
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
    repeats.front().make_record(sink, seq_begin);
    repeats.pop_front();
    if (repeats.empty()) {
      rests.pop_back();
    } else {
      rest.next_extent = extent(repeats.front());
      std::push_heap(rests.begin(), rests.end(), comes_later);
    }
  }
}
