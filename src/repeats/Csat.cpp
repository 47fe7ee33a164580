#include "repeats/Csat.h"

#include "config/parameters.h"

Csat_garbagecollector sat_alloc;

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

bool lessThan_sat(const Csat* a, const Csat* b) {
  if (a->sat_begin != b->sat_begin) return a->sat_begin < b->sat_begin;
  return a->sat_end < b->sat_end;
}

Csat* Csat_garbagecollector::get_new(const char* begin, const char* end) {
  Csat* sat;
  if (free_list.empty()) {
    sat = new Csat;
  } else {
    sat = free_list.back();
    free_list.pop_back();
  }
  sat->reset(begin, end);
  return sat;
}

Csat_garbagecollector::~Csat_garbagecollector() {
  for (Csat* sat : free_list) delete sat;
}
