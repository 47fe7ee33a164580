#include "driver/masking.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned residues_per_line = 80;
}

void MaskedStretches::add(const Csat& sat, const char* residues) {
  const auto begin = static_cast<std::uint32_t>(sat.sat_begin - residues);
  const auto end = static_cast<std::uint32_t>(sat.sat_end - residues);
  if (!stretches_.empty() && begin <= stretches_.back().end) {
    stretches_.back().end = std::max(stretches_.back().end, end);
  } else {
    stretches_.push_back({begin, end});
  }
}

void MaskedStretches::write_masked_record(FILE* out, CSequence_Mol& seq) const {
  for (const Stretch& stretch : stretches_) std::memset(seq.residues + stretch.begin, 'X', stretch.end - stretch.begin);
  std::fprintf(out, ">%s\n", seq.name.c_str());
  for (unsigned done = 0; done < seq.length; done += residues_per_line) {
    unsigned count = std::min(residues_per_line, seq.length - done);
    std::fwrite(seq.residues + done, 1, count, out);
    std::fputc('\n', out);
  }
}
