#include "repeats/Csat.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "repeats/allocation.h"

void Csat::copy_from(const Csat& other) {
  sat_begin = other.sat_begin;
  sat_end = other.sat_end;
  unit_pos_forward = other.unit_pos_forward;
  unit_pos_backward = other.unit_pos_backward;
  unit_begin = other.unit_begin;
  unit_end = other.unit_end;
  score = other.score;
  mismatches = other.mismatches;
  insertions = other.insertions;
  deletions = other.deletions;
  Ns = other.Ns;
  missense.assign(other.missense);
}

double Csat::perfection(int N_mode) const {
  // In double from the start: the subtractions cannot overflow, and the
  // division comes first so that the rounding of the printed value is stable.
  const double normalised = normalised_length();
  const double errors = static_cast<double>(mismatches) + insertions + deletions;
  double matched;
  double judged;
  switch (N_mode) {
    case 0:  // N's as mismatches
      matched = normalised - errors - Ns;
      judged = normalised;
      break;
    case 1:  // N's neutral
      matched = normalised - errors - Ns;
      judged = normalised - Ns;
      break;
    case 2:  // N's as matches
      matched = normalised - errors;
      judged = normalised;
      break;
    default:
      std::fprintf(stderr, "Unknown mode for N's in the perfection: %d\n", N_mode);
      std::fflush(stderr);
      std::exit(2);
  }
  // A repeat with nothing to judge (empty, or only neutral N's) must not
  // print nan or inf; nothing in it is shown to match.
  if (judged == 0) return 0.0;
  // Every exact repeat lands here, and x / x is exactly 1: the division, dear
  // when made for each printed record, is left out.
  if (matched == judged) return 100.0;
  return matched / judged * 100.0;
}

void Csat::trim_flanking_Ns() {
  while (sat_end[-1] == 'N') {
    --sat_end;
    unit_pos_forward = (unit_pos_forward == unit_begin ? unit_end : unit_pos_forward) - 1;
    --Ns;
  }
  while (*sat_begin == 'N') {
    ++sat_begin;
    ++unit_pos_backward;
    if (unit_pos_backward == unit_end) unit_pos_backward = unit_begin;
    --Ns;
  }
}

Csat_garbagecollector::~Csat_garbagecollector() {
  for (Csat* block : blocks_) delete[] block;
}

Csat* Csat_garbagecollector::get_new(const char* begin, const char* end) {
  Csat* sat;
  if (free_list.empty()) {
    if (unused_in_last_block_ == 0) {
      Csat* block = new (std::nothrow) Csat[records_per_block];
      if (!block) throw_out_of_memory();
      try {
        blocks_.push_back(block);
      } catch (const std::bad_alloc&) {
        delete[] block;
        throw_out_of_memory();
      }
      last_block_ = block;
      unused_in_last_block_ = records_per_block;
    }
    sat = last_block_ + (records_per_block - unused_in_last_block_--);
  } else {
    sat = free_list.back();
    free_list.pop_back();
  }
  // The record handed out next is fetched now: a search takes one for each
  // repeat it accepts, and waited for each from memory.
  if (!free_list.empty())
    __builtin_prefetch(free_list.back(), 1);
  else if (unused_in_last_block_ != 0)
    __builtin_prefetch(last_block_ + (records_per_block - unused_in_last_block_), 1);
  sat->reset(begin, end);
  return sat;
}

// A record that the free list has no room for stays unused in its block
// until the pool goes: giving back happens in destructors, which cannot
// fail, and costs nothing but the record's reuse.
void Csat_garbagecollector::give_back(Csat* sat) {
  try {
    free_list.push_back(sat);
  } catch (const std::bad_alloc&) {
    // left in its block
  }
}

void Csat_garbagecollector::give_back_all(const SatList& sats) {
  try {
    free_list.insert(free_list.end(), sats.begin(), sats.end());
  } catch (const std::bad_alloc&) {
    // left in their blocks
  }
}
