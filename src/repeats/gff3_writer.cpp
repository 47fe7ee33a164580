#include "repeats/gff3_writer.h"

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
  static const char hex[] = "0123456789ABCDEF";
  std::string seqid;
  seqid.reserve(chrom.size());
  for (char c : chrom) {
    if (plain_in_seqid(c)) {
      seqid += c;
    } else {
      const unsigned char u = static_cast<unsigned char>(c);
      seqid += '%';
      seqid += hex[u >> 4];
      seqid += hex[u & 15];
    }
  }
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
void write_gff_feature(FILE* out, const RepeatFields& repeat) {
  const Csat& sat = *repeat.sat;
  write_seqid(out, *repeat.chrom);
  std::fprintf(out,
               "\tvelkor\ttandem_repeat\t%u\t%u\t%d\t.\t.\tID=%s;Name=%.*s;unit=%.*s;forward_unit=%.*s;"
               "copy_number=%s;perfection=%s;score=%d;mismatches=%d;insertions=%d;deletions=%d;n_count=%d\n",
               repeat.start + 1, repeat.end, sat.score, repeat.id, static_cast<int>(repeat.unit.length),
               repeat.unit.data, static_cast<int>(repeat.unit.length), repeat.unit.data,
               static_cast<int>(repeat.forward_unit.length), repeat.forward_unit.data, repeat.copy_number,
               repeat.perfection, sat.score, sat.mismatches, sat.insertions, sat.deletions, sat.Ns);
}
