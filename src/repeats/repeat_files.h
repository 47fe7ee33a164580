#ifndef VELKOR_REPEATS_REPEAT_FILES_H
#define VELKOR_REPEATS_REPEAT_FILES_H

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "config/catalog_option.h"
#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "repeats/catalog_file.h"
#include "repeats/repeat_fields.h"
#include "repeats/report_options.h"
#include "repeats/summary_statistics.h"
#include "repeats/text_buffer.h"
#include "repeats/unit_text.h"

// The files written beside the report for other tools; a null stream is a
// file not asked for.
struct RepeatFileStreams {
  FILE* bed = nullptr;
  FILE* gff = nullptr;
  FILE* trgt = nullptr;
  FILE* hipstr = nullptr;
  FILE* expansionhunter = nullptr;
  FILE* summary = nullptr;
};

// Takes the repeats that the report shows, record by record; repeats come in
// order of their starts, before the record is masked.
class RepeatListener {
 public:
  virtual ~RepeatListener() = default;
  virtual void begin_record(const CSequence_Mol& seq, unsigned record_number) = 0;
  virtual void add(const Csat& sat, const CSequence_Mol& seq) = 0;
  virtual void end_record() = 0;
};

// Writes the repeats that the report shows into every file asked for, each
// repeat's fields worked out once for all of them. Repeats are numbered over
// the whole run, so that a repeat has one identifier in the BED file, the
// GFF3 file and the summary; the catalogues name loci by what identifies them.
class RepeatFiles : public RepeatListener {
 public:
  RepeatFiles(const RepeatFileStreams& streams, const CatalogSettings& catalog_settings, const ReportOptions& options);
  RepeatFiles(const RepeatFiles&) = delete;
  RepeatFiles& operator=(const RepeatFiles&) = delete;

  void write_heads();
  void begin_record(const CSequence_Mol& seq, unsigned record_number) override;
  void add(const Csat& sat, const CSequence_Mol& seq) override;
  void end_record() override;
  void write_ends(const std::string& input_filename);
  // The catalogue of that format, or null if none is written.
  const CatalogFile* catalog(CatalogFormat format) const;

 private:
  // The line of the current repeat in one format, written to out if asked for.
  void write_line(FILE* out, void (*append)(TextBuffer&, const RepeatFields&));

  RepeatFileStreams streams_;
  int N_perfection_mode_;
  UnitTextCache unit_texts_;
  RepeatFields fields_;
  TextBuffer line_;
  std::string chrom_;
  std::unique_ptr<CatalogFile> catalogs_[3];  // by CatalogFormat
  bool any_catalog_ = false;
  std::set<std::string> names_seen_;  // of records, where GFF3 or a catalogue needs them
  unsigned long long repeats_ = 0;
  RepeatStatistics statistics_;
};

#endif
