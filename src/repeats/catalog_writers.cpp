#include "repeats/catalog_writers.h"

namespace {

void write_chrom(FILE* out, const RepeatFields& repeat) {
  std::fwrite(repeat.chrom->data(), 1, repeat.chrom->size(), out);
}

int width(const CDnaString& text) { return static_cast<int>(text.length); }

}  // namespace

void write_trgt_locus(FILE* out, const RepeatFields& repeat) {
  const CDnaString& motif = repeat.forward_unit;
  write_chrom(out, repeat);
  std::fprintf(out, "\t%u\t%u\tID=%s;MOTIFS=%.*s;STRUC=(%.*s)n\n", repeat.start, repeat.end, repeat.id, width(motif),
               motif.data, width(motif), motif.data);
}

void write_hipstr_locus(FILE* out, const RepeatFields& repeat) {
  write_chrom(out, repeat);
  std::fprintf(out, "\t%u\t%u\t%u\t%s\t%s\n", repeat.start + 1, repeat.end, repeat.sat->unit_length(),
               repeat.copy_number, repeat.id);
}

std::string json_escaped(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      escaped += '\\';
      escaped += c;
    } else if (u < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", u);
      escaped += code;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

void write_expansionhunter_head(FILE* out) { std::fputs("[", out); }

void write_expansionhunter_locus(FILE* out, const RepeatFields& repeat, bool first) {
  const CDnaString& motif = repeat.forward_unit;
  const std::string chrom = json_escaped(*repeat.chrom);
  std::fprintf(out,
               "%s\n  {\"LocusId\": \"%s\", \"LocusStructure\": \"(%.*s)*\", \"ReferenceRegion\": \"%s:%u-%u\", "
               "\"VariantType\": \"Repeat\"}",
               first ? "" : ",", repeat.id, width(motif), motif.data, chrom.c_str(), repeat.start, repeat.end);
}

void write_expansionhunter_end(FILE* out) { std::fputs("\n]\n", out); }
