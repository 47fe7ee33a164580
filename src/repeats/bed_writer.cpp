#include "repeats/bed_writer.h"

#include <algorithm>

void write_bed_header(FILE* out) {
  std::fputs(
      "#chrom\tchromStart\tchromEnd\tname\tscore\tstrand\tthickStart\tthickEnd\titemRgb\tunitLength\trepeatScore\t"
      "normalisedLength\tperfection\tmismatches\tinsertions\tdeletions\tNs\tcopyNumber\tforwardUnit\n",
      out);
}

void append_bed_line(TextBuffer& line, const RepeatFields& repeat) {
  const Csat& sat = *repeat.sat;
  append_column(line, *repeat.chrom);
  append_column(line, repeat.start);
  append_column(line, repeat.end);
  append_column(line, repeat.unit);
  append_column(line, std::clamp(sat.score, 0, 1000));
  line.append(".\t");
  append_column(line, repeat.start);
  append_column(line, repeat.end);
  line.append("0\t");
  append_column(line, sat.unit_length());
  append_column(line, sat.score);
  append_column(line, sat.normalised_length());
  append_column(line, repeat.perfection);
  append_column(line, sat.mismatches);
  append_column(line, sat.insertions);
  append_column(line, sat.deletions);
  append_column(line, sat.Ns);
  append_column(line, repeat.copy_number);
  line.append(repeat.forward_unit.data, repeat.forward_unit.length);
  line.append('\n');
}
