#ifndef VELKOR_REPEATS_SUMMARY_STATISTICS_H
#define VELKOR_REPEATS_SUMMARY_STATISTICS_H

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "repeats/repeat_fields.h"

// Counts of the repeats the report shows, per record and for the whole run,
// as one tab-separated table with a header line, ready for a spreadsheet,
// awk or velkor-plot. Each row counts the repeats of one group, the residues
// they cover (each residue once, however many of the group's repeats cover
// it) and both per Mbp of the residues searched. The groups: all repeats, by
// unit length, by unit as the report shows it (the motif), and by unit
// length and repeat length, the distribution of lengths.
class RepeatStatistics {
 public:
  static void write_header(FILE* out);

  void begin_record(const std::string& chrom, unsigned length);
  // Repeats come in order of their starts, as the report has them.
  void add(const RepeatFields& repeat);
  void write_record(FILE* out);
  // The run's rows are named after the input file, without its directory
  // and without a .gz ending, so that compressed input gives the same table.
  void write_run(FILE* out, const std::string& input_filename);

 private:
  struct Tally {
    unsigned long long repeats = 0;
    unsigned long long residues = 0;
    unsigned covered_to = 0;  // within the current record
    void add(unsigned start, unsigned end);
    void add(const Tally& other);
  };
  // Motifs by length, then alphabetically; looked up without a copy.
  struct MotifOrder {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
      return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
  };
  struct Tables {
    unsigned long long searched = 0;
    Tally all;
    std::map<unsigned, Tally> by_unit_length;
    std::map<std::string, Tally, MotifOrder> by_motif;
    std::map<std::pair<unsigned, unsigned>, Tally> by_length;  // unit length, repeat length
    void write(FILE* out, const char* scope, const std::string& name) const;
  };

  Tables record_;
  Tables run_;
  std::string chrom_;
};

#endif
