#include "repeats/bed_writer.h"

#include <algorithm>

#include "repeats/CDnaString.h"
#include "repeats/unit_text.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

// The chromosome is the first word of the record name, as most tools take
// it. Leading blanks are passed over and a name without a word gets a made-up
// one: an empty first column would make the whole file unreadable.
void write_chrom(FILE* out, const std::string& record_name, unsigned record_number) {
  auto first = std::find_if_not(record_name.begin(), record_name.end(), is_blank);
  auto last = std::find_if(first, record_name.end(), is_blank);
  if (first == last) {
    std::fprintf(out, "record_%u", record_number);
  } else {
    std::fwrite(&*first, 1, static_cast<std::size_t>(last - first), out);
  }
}

}  // namespace

void write_bed_header(FILE* out) {
  std::fputs(
      "#chrom\tchromStart\tchromEnd\tname\tscore\tstrand\tunitLength\trepeatScore\tnormalisedLength\tperfection\t"
      "mismatches\tinsertions\tdeletions\tNs\n",
      out);
}

void write_bed_record(FILE* out, const CSequence_Mol& seq, unsigned record_number, const Csat& sat, CDnaString& unit) {
  if (!make_unit_text(sat, unit)) return;
  write_chrom(out, seq.name, record_number);
  const int bed_score = std::clamp(sat.score, 0, 1000);
  std::fprintf(out, "\t%u\t%u\t%s\t%d\t.\t%u\t%d\t%d\t%.3f\t%d\t%d\t%d\t%d\n", sat.start_position(seq.residues) - 1,
               sat.end_position(seq.residues), unit.c_str(), bed_score, sat.unit_length(), sat.score,
               sat.normalised_length(), sat.perfection(), sat.mismatches, sat.insertions, sat.deletions, sat.Ns);
}
