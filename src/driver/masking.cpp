#include "driver/masking.h"

#include <algorithm>
#include <cstring>

#include "config/run_options.h"

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

void MaskedStretches::mask(CSequence_Mol& seq, int mask_with) const {
  for (const Stretch& stretch : stretches_) {
    char* residue = seq.residues + stretch.begin;
    char* const end = seq.residues + stretch.end;
    if (mask_with == MASK_LOWER) {
      // The reader stores upper-case letters only, so the rest of the
      // record is upper case already.
      for (; residue != end; ++residue) *residue = static_cast<char>(*residue | 0x20);
    } else {
      std::memset(residue, mask_with == MASK_N ? 'N' : 'X', static_cast<std::size_t>(end - residue));
    }
  }
}

void write_masked_record(FILE* out, const CSequence_Mol& seq) {
  std::fprintf(out, ">%s\n", seq.name.c_str());
  // Lines gathered into chunks: a call into the stream for every line and
  // another for its line feed would each take the stream's lock once
  // workers run.
  constexpr unsigned lines_per_chunk = 512;
  char chunk[lines_per_chunk * (residues_per_line + 1)];
  unsigned done = 0;
  while (done < seq.length) {
    char* to = chunk;
    for (unsigned line = 0; line < lines_per_chunk && done < seq.length; ++line) {
      const unsigned count = std::min(residues_per_line, seq.length - done);
      std::memcpy(to, seq.residues + done, count);
      to += count;
      *to++ = '\n';
      done += count;
    }
    std::fwrite(chunk, 1, static_cast<std::size_t>(to - chunk), out);
  }
}
