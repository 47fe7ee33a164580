#include "repeats/gff3_writer.h"

#include "repeats/percent_escape.h"

#include <cstring>

namespace {

bool plain_in_seqid(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c != '\0' && std::strchr(".:^*$@!+_?-|", c) != nullptr);
}

void write_seqid(FILE* out, const std::string& chrom) {
  const std::string seqid = gff_seqid(chrom);
  std::fwrite(seqid.data(), 1, seqid.size(), out);
}

}  // namespace

std::string gff_seqid(const std::string& chrom) {
  std::string seqid;
  seqid.reserve(chrom.size());
  append_percent_escaped(seqid, chrom, plain_in_seqid);
  return seqid;
}

void write_gff_head(FILE* out) { std::fputs("##gff-version 3\n", out); }

void write_gff_sequence_region(FILE* out, const std::string& chrom, unsigned length) {
  if (length == 0) return;
  std::fputs("##sequence-region ", out);
  write_seqid(out, chrom);
  std::fprintf(out, " 1 %u\n", length);
}

// Only the sequence column needs escaping: the attribute values are residue
// letters, numbers and TR identifiers, none of which GFF3 reserves.
void append_gff_feature(TextBuffer& line, const RepeatFields& repeat) {
  const Csat& sat = *repeat.sat;
  append_column(line, gff_seqid(*repeat.chrom));
  line.append("velkor\ttandem_repeat\t");
  append_column(line, repeat.start + 1LL);
  append_column(line, repeat.end);
  append_column(line, sat.score);
  line.append(".\t.\tID=");
  repeat.id.append_to(line);
  for (const char* name : {";Name=", ";unit="}) {
    line.append(name, std::strlen(name));
    line.append(repeat.unit.data, repeat.unit.length);
  }
  line.append(";forward_unit=");
  line.append(repeat.forward_unit.data, repeat.forward_unit.length);
  line.append(";copy_number=");
  repeat.copy_number.append_to(line);
  line.append(";perfection=");
  repeat.perfection.append_to(line);
  line.append(";score=");
  line.append_int(sat.score);
  line.append(";mismatches=");
  line.append_int(sat.mismatches);
  line.append(";insertions=");
  line.append_int(sat.insertions);
  line.append(";deletions=");
  line.append_int(sat.deletions);
  line.append(";n_count=");
  line.append_int(sat.Ns);
  line.append('\n');
}
