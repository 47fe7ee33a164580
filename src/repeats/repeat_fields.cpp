#include "repeats/repeat_fields.h"

#include <algorithm>
#include <cstdio>

namespace {
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }
}  // namespace

std::string chromosome_name(const std::string& record_name, unsigned record_number) {
  auto first = std::find_if_not(record_name.begin(), record_name.end(), is_blank);
  auto last = std::find_if(first, record_name.end(), is_blank);
  if (first == last) return "record_" + std::to_string(record_number);
  return std::string(first, last);
}

void RepeatFields::describe(const Csat& repeat, const CSequence_Mol& seq, const std::string& chromosome,
                            unsigned long long n) {
  sat = &repeat;
  chrom = &chromosome;
  start = repeat.start_position(seq.residues) - 1;
  end = repeat.end_position(seq.residues);
  std::snprintf(id, sizeof id, "TR%llu", n);
  std::snprintf(copy_number, sizeof copy_number, "%.2f",
                static_cast<double>(repeat.normalised_length()) / repeat.unit_length());
  std::snprintf(perfection, sizeof perfection, "%.3f", repeat.perfection());
}
