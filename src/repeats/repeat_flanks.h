#ifndef VELKOR_REPEATS_REPEAT_FLANKS_H
#define VELKOR_REPEATS_REPEAT_FLANKS_H

#include <algorithm>
#include <cstddef>

#include "config/parameters.h"
#include "driver/CSequence_Mol.h"
#include "repeats/Csat.h"

// The residues shown beside a repeat, from left_begin up to the repeat and
// from its end up to right_end. They are clamped to the residues that exist,
// so a huge --flanking neither reads outside the sequence nor overflows the
// buffer sizes.
struct Flanks {
  const char* left_begin;
  const char* right_end;
};

inline Flanks flanks_of(const Csat& sat, const CSequence_Mol& seq) {
  const std::size_t wanted = global_flanking > 0 ? static_cast<std::size_t>(global_flanking) : 0;
  const std::size_t left_available = static_cast<std::size_t>(sat.sat_begin - seq.residues);
  const std::size_t right_available = static_cast<std::size_t>(seq.residues + seq.length - sat.sat_end);
  return {sat.sat_begin - std::min(wanted, left_available), sat.sat_end + std::min(wanted, right_available)};
}

#endif
