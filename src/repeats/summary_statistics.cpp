#include "repeats/summary_statistics.h"

#include <algorithm>

void RepeatStatistics::Tally::add(unsigned start, unsigned end) {
  ++repeats;
  if (end > covered_to) residues += end - std::max(start, covered_to);
  covered_to = std::max(covered_to, end);
}

void RepeatStatistics::Tally::add(const Tally& other) {
  repeats += other.repeats;
  residues += other.residues;
}

void RepeatStatistics::write_header(FILE* out) {
  std::fputs(
      "scope\tname\tsearched_residues\ttable\tunit_length\tmotif\trepeat_length\trepeats\tresidues\t"
      "repeats_per_Mbp\tresidues_per_Mbp\n",
      out);
}

void RepeatStatistics::begin_record(const std::string& chrom, unsigned length) {
  record_ = Tables();
  record_.searched = length;
  chrom_ = chrom;
}

void RepeatStatistics::add(const RepeatFields& repeat) {
  const unsigned unit_length = repeat.sat->unit_length();
  const std::string_view motif(repeat.unit.data, repeat.unit.length);
  record_.all.add(repeat.start, repeat.end);
  record_.by_unit_length[unit_length].add(repeat.start, repeat.end);
  auto found = record_.by_motif.find(motif);
  if (found == record_.by_motif.end()) found = record_.by_motif.emplace(std::string(motif), Tally()).first;
  found->second.add(repeat.start, repeat.end);
  record_.by_length[{unit_length, repeat.end - repeat.start}].add(repeat.start, repeat.end);
}

void RepeatStatistics::write_record(FILE* out) {
  record_.write(out, "record", chrom_);
  run_.searched += record_.searched;
  run_.all.add(record_.all);
  for (const auto& [key, tally] : record_.by_unit_length) run_.by_unit_length[key].add(tally);
  for (const auto& [key, tally] : record_.by_motif) run_.by_motif[key].add(tally);
  for (const auto& [key, tally] : record_.by_length) run_.by_length[key].add(tally);
}

void RepeatStatistics::write_run(FILE* out, const std::string& input_filename) {
  std::string name = input_filename.substr(input_filename.find_last_of('/') + 1);
  const std::string gz = ".gz";
  if (name.size() > gz.size() && name.compare(name.size() - gz.size(), gz.size(), gz) == 0) {
    name.resize(name.size() - gz.size());
  }
  run_.write(out, "run", name);
}

void RepeatStatistics::Tables::write(FILE* out, const char* scope, const std::string& name) const {
  auto row = [&](const char* table, const std::string& unit_length, const std::string& motif,
                 const std::string& repeat_length, const Tally& tally) {
    const double per_Mbp = searched == 0 ? 0.0 : 1e6 / static_cast<double>(searched);
    std::fprintf(out, "%s\t", scope);
    std::fwrite(name.data(), 1, name.size(), out);
    std::fprintf(out, "\t%llu\t%s\t%s\t%s\t%s\t%llu\t%llu\t%.2f\t%.2f\n", searched, table, unit_length.c_str(),
                 motif.c_str(), repeat_length.c_str(), tally.repeats, tally.residues,
                 static_cast<double>(tally.repeats) * per_Mbp, static_cast<double>(tally.residues) * per_Mbp);
  };
  row("all", ".", ".", ".", all);
  for (const auto& [unit_length, tally] : by_unit_length) row("unit_length", std::to_string(unit_length), ".", ".", tally);
  for (const auto& [motif, tally] : by_motif) row("motif", std::to_string(motif.size()), motif, ".", tally);
  for (const auto& [key, tally] : by_length) {
    row("repeat_length", std::to_string(key.first), ".", std::to_string(key.second), tally);
  }
}
