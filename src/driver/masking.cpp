#include "driver/masking.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned residues_per_line = 80;
}

void write_masked_record(FILE* out, CSequence_Mol& seq, const SatList& repeats) {
  for (const Csat* sat : repeats) {
    char* begin = seq.residues + (sat->sat_begin - seq.residues);
    std::memset(begin, 'X', static_cast<std::size_t>(sat->sat_end - sat->sat_begin));
  }
  std::fprintf(out, ">%s\n", seq.name.c_str());
  for (unsigned done = 0; done < seq.length; done += residues_per_line) {
    unsigned count = std::min(residues_per_line, seq.length - done);
    std::fwrite(seq.residues + done, 1, count, out);
    std::fputc('\n', out);
  }
}
