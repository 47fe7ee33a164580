#include "repeats/catalog_writers.h"

#include "repeats/percent_escape.h"

#include <cctype>
#include <cstdio>

namespace {

bool kept_in_locus_id(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' || c == ':' || c == '+' ||
         c == '|';
}

void append_motif(TextBuffer& line, const RepeatFields& repeat) {
  line.append(repeat.forward_unit.data, repeat.forward_unit.length);
}

}  // namespace

void make_locus_id(std::string& id, const std::string& chrom, unsigned start, unsigned end,
                   const CDnaString& motif) {
  id.clear();
  append_percent_escaped(id, chrom, kept_in_locus_id);
  id += '_';
  id += std::to_string(start);
  id += '_';
  id += std::to_string(end);
  id += '_';
  id.append(motif.data, motif.length);
}

void append_trgt_locus(TextBuffer& line, const RepeatFields& repeat) {
  append_column(line, *repeat.chrom);
  append_column(line, repeat.start);
  append_column(line, repeat.end);
  line.append("ID=");
  line.append(repeat.locus_id.data(), repeat.locus_id.size());
  line.append(";MOTIFS=");
  append_motif(line, repeat);
  line.append(";STRUC=(");
  append_motif(line, repeat);
  line.append(")n\n");
}

void append_hipstr_locus(TextBuffer& line, const RepeatFields& repeat) {
  append_column(line, *repeat.chrom);
  append_column(line, repeat.start + 1LL);
  append_column(line, repeat.end);
  append_column(line, repeat.sat->unit_length());
  append_column(line, repeat.copy_number);
  line.append(repeat.locus_id.data(), repeat.locus_id.size());
  line.append('\n');
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

void append_expansionhunter_locus(TextBuffer& line, const RepeatFields& repeat) {
  line.append("\n  {\"LocusId\": \"");
  line.append(repeat.locus_id.data(), repeat.locus_id.size());
  line.append("\", \"LocusStructure\": \"(");
  append_motif(line, repeat);
  line.append(")*\", \"ReferenceRegion\": \"");
  const std::string chrom = json_escaped(*repeat.chrom);
  line.append(chrom.data(), chrom.size());
  line.append(':');
  line.append_int(repeat.start);
  line.append('-');
  line.append_int(repeat.end);
  line.append("\", \"VariantType\": \"Repeat\"}");
}

void write_expansionhunter_end(FILE* out) { std::fputs("\n]\n", out); }

bool expansionhunter_reads_name(const std::string& chrom) {
  return chrom.find_first_of(":-") == std::string::npos;
}
