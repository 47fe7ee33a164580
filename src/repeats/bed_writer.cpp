#include "repeats/bed_writer.h"

#include <algorithm>

void write_bed_header(FILE* out) {
  std::fputs(
      "#chrom\tchromStart\tchromEnd\tname\tscore\tstrand\tthickStart\tthickEnd\titemRgb\tunitLength\trepeatScore\t"
      "normalisedLength\tperfection\tmismatches\tinsertions\tdeletions\tNs\tcopyNumber\tforwardUnit\n",
      out);
}

void write_bed_record(FILE* out, const RepeatFields& repeat) {
  const Csat& sat = *repeat.sat;
  // Written with its length: a record name may hold any byte.
  std::fwrite(repeat.chrom->data(), 1, repeat.chrom->size(), out);
  std::fprintf(out, "\t%u\t%u\t%.*s\t%d\t.\t%u\t%u\t0\t%u\t%d\t%d\t%s\t%d\t%d\t%d\t%d\t%s\t%.*s\n",
               repeat.start, repeat.end, static_cast<int>(repeat.unit.length),
               repeat.unit.data, std::clamp(sat.score, 0, 1000), repeat.start, repeat.end, sat.unit_length(),
               sat.score, sat.normalised_length(), repeat.perfection, sat.mismatches, sat.insertions, sat.deletions,
               sat.Ns, repeat.copy_number, static_cast<int>(repeat.forward_unit.length), repeat.forward_unit.data);
}
