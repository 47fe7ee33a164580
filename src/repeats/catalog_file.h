#ifndef VELKOR_REPEATS_CATALOG_FILE_H
#define VELKOR_REPEATS_CATALOG_FILE_H

#include <cstdio>
#include <string>

#include "config/catalog_option.h"
#include "repeats/repeat_fields.h"
#include "repeats/text_buffer.h"

// One catalogue for a genotyper, fed the repeats of the report record by
// record in order of their starts. It keeps the loci its genotyper can take
// and a person would genotype:
// - at least the settings' length and number of copies;
// - no two overlapping: of a chain of overlapping loci, each is held until
//   the next one starts past its end, and of two that overlap the one with
//   the higher score stays (on a tie the longer, then the first), as the
//   search itself chooses between mostly overlapping repeats;
// - only from the first record of a name: a reference with two records of
//   one name is indexed by the first, and the loci of the second would bear
//   the names of others;
// - for HipSTR, a period of at most hipstr_longest_period;
// - for ExpansionHunter, only records whose names its region parser reads.
// What is left out for the genotyper's sake, rather than by the settings, is
// counted and named on standard error once the run ends.
class CatalogFile {
 public:
  CatalogFile(CatalogFormat format, FILE* out, const CatalogSettings& settings)
      : format_(format), out_(out), settings_(settings) {}
  CatalogFile(const CatalogFile&) = delete;
  CatalogFile& operator=(const CatalogFile&) = delete;

  void write_head();
  // repeated_name: an earlier record had the same name.
  void begin_record(const std::string& chrom, bool repeated_name);
  // repeat.locus_id must be made.
  void add(const RepeatFields& repeat);
  void end_record();
  void write_end();
  // The lines on standard error about loci left out; name is the file's.
  void report_left_out(const std::string& name) const;

 private:
  // Loci left out for one reason, and the first record name concerned.
  struct LeftOut {
    unsigned long long loci = 0;
    std::string first_name;
    void count(const std::string& name);
  };

  bool long_enough(const RepeatFields& repeat) const;
  void write_held();

  CatalogFormat format_;
  FILE* out_;
  CatalogSettings settings_;
  LeftOut* record_left_out_ = nullptr;  // why the current record gives no loci, or null
  const std::string* chrom_ = nullptr;
  LeftOut repeated_names_;
  LeftOut unreadable_names_;
  unsigned long long long_periods_ = 0;

  bool holding_ = false;
  unsigned held_start_ = 0;
  unsigned held_end_ = 0;
  int held_score_ = 0;
  TextBuffer held_line_;
  unsigned long long written_ = 0;
};

#endif
