#ifndef VELKOR_SEARCH_EXACT_FOUND_REPEATS_H
#define VELKOR_SEARCH_EXACT_FOUND_REPEATS_H

#include <cstdint>
#include <deque>
#include <vector>

#include "repeats/Csat.h"
#include "search/exact/exact_repeat_taker.h"

// An exact repeat kept by the search of mode exact, in offsets from the first
// residue. Its record is made only once all of them are sorted: filling a
// record scattered in memory the moment a repeat is found, and reading it
// again to sort it, cost more than finding the repeat.
struct FoundRepeat {
  std::uint32_t begin;
  std::uint32_t end;
  std::uint32_t unit_begin;
  std::uint32_t unit_length;
  // Where the unit stands at each edge, kept as the search left it: worked
  // out again from the extent, it took two divisions per record.
  std::uint32_t forward_phase;
  std::uint32_t backward_phase;
  int score;
  int Ns;

  // Sequences are shorter than 2^32 residues.
  FoundRepeat(const Csat& sat, const char* seq_begin)
      : begin(static_cast<std::uint32_t>(sat.sat_begin - seq_begin)),
        end(static_cast<std::uint32_t>(sat.sat_end - seq_begin)),
        unit_begin(static_cast<std::uint32_t>(sat.unit_begin - seq_begin)),
        unit_length(sat.unit_length()),
        forward_phase(static_cast<std::uint32_t>(sat.unit_pos_forward - sat.unit_begin)),
        backward_phase(static_cast<std::uint32_t>(sat.unit_pos_backward - sat.unit_begin)),
        score(sat.score),
        Ns(sat.Ns) {}
  // Hands the record, taken from pool, on to sink.
  void make_record(RecordSink& sink, Csat_garbagecollector& pool, const char* seq_begin) const {
    const char* unit = seq_begin + unit_begin;
    Csat* sat = pool.get_new(unit, unit + unit_length);
    sat->sat_begin = seq_begin + begin;
    sat->sat_end = seq_begin + end;
    sat->unit_pos_forward = unit + forward_phase;
    sat->unit_pos_backward = unit + backward_phase;
    sat->score = score;
    sat->Ns = Ns;
    sink.take(sat);
  }
};

// The repeats found, in one deque per unit length: a deque never copies
// itself to grow, and hands back its memory from the front while the records
// are made, so that the repeats and their records are not all held at once.
struct FoundRepeats final : ExactRepeatTaker {
  explicit FoundRepeats(const char* first) : seq_begin(first) {}

  const char* seq_begin;
  // Only passes that found something have a deque: an empty one costs two
  // allocations, and most passes over short records find nothing. A pass
  // begins with each unit length, and the repeats of one come in a row.
  std::vector<std::deque<FoundRepeat>> passes;
  unsigned unit_length_of_pass = 0;

  bool take(Csat& sat) override {
    if (passes.empty() || sat.unit_length() != unit_length_of_pass) passes.emplace_back();
    unit_length_of_pass = sat.unit_length();
    passes.back().emplace_back(sat, seq_begin);
    return false;
  }
  // The exact search alone is fast: the clock is asked seldom.
  long progress_stride() const override { return 1 << 16; }

  // Makes the records of the repeats in the order of lessThan_sat, with
  // repeats of equal extent in the order found: what a stable sort of all of
  // them gives. The records come from pool.
  void make_records_in_order(RecordSink& sink, Csat_garbagecollector& pool);
};

#endif
