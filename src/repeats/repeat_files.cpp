#include "repeats/repeat_files.h"

#include "repeats/bed_writer.h"
#include "repeats/catalog_writers.h"
#include "repeats/gff3_writer.h"

RepeatFiles::RepeatFiles(const RepeatFileStreams& streams, const CatalogSettings& catalog_settings,
                         const ReportOptions& options)
    : streams_(streams), N_perfection_mode_(options.N_perfection_mode), unit_texts_(options.unit_mode) {
  const struct {
    CatalogFormat format;
    FILE* out;
  } catalogs[] = {{CatalogFormat::TRGT, streams.trgt},
                  {CatalogFormat::HIPSTR, streams.hipstr},
                  {CatalogFormat::EXPANSIONHUNTER, streams.expansionhunter}};
  for (const auto& catalog : catalogs) {
    if (!catalog.out) continue;
    catalogs_[static_cast<int>(catalog.format)] =
        std::make_unique<CatalogFile>(catalog.format, catalog.out, catalog_settings);
    any_catalog_ = true;
  }
}

void RepeatFiles::write_heads() {
  if (streams_.bed) write_bed_header(streams_.bed);
  if (streams_.gff) write_gff_head(streams_.gff);
  for (auto& catalog : catalogs_) {
    if (catalog) catalog->write_head();
  }
  if (streams_.summary) RepeatStatistics::write_header(streams_.summary);
}

void RepeatFiles::begin_record(const CSequence_Mol& seq, unsigned record_number) {
  chrom_ = chromosome_name(seq.name, record_number);
  const bool first_of_name = !(streams_.gff || any_catalog_) || names_seen_.insert(chrom_).second;
  // GFF3 allows one region per name; records that share a name share the
  // region of the first of them.
  if (streams_.gff && first_of_name) write_gff_sequence_region(streams_.gff, chrom_, seq.length);
  for (auto& catalog : catalogs_) {
    if (catalog) catalog->begin_record(chrom_, !first_of_name);
  }
  if (streams_.summary) statistics_.begin_record(chrom_, seq.length);
}

void RepeatFiles::add(const Csat& sat, const CSequence_Mol& seq) {
  if (!unit_texts_.make(sat, fields_.unit)) return;
  make_forward_unit_text(sat, fields_.forward_unit);
  fields_.describe(sat, seq, chrom_, ++repeats_, N_perfection_mode_);
  write_line(streams_.bed, append_bed_line);
  write_line(streams_.gff, append_gff_feature);
  if (any_catalog_) {
    make_locus_id(fields_.locus_id, chrom_, fields_.start, fields_.end, fields_.forward_unit);
    for (auto& catalog : catalogs_) {
      if (catalog) catalog->add(fields_);
    }
  }
  if (streams_.summary) statistics_.add(fields_);
}

void RepeatFiles::write_line(FILE* out, void (*append)(TextBuffer&, const RepeatFields&)) {
  if (!out) return;
  append(line_, fields_);
  line_.write_to(out);
  line_.clear();
}

void RepeatFiles::end_record() {
  for (auto& catalog : catalogs_) {
    if (catalog) catalog->end_record();
  }
  if (streams_.summary) statistics_.write_record(streams_.summary);
}

void RepeatFiles::write_ends(const std::string& input_filename) {
  for (auto& catalog : catalogs_) {
    if (catalog) catalog->write_end();
  }
  if (streams_.summary) statistics_.write_run(streams_.summary, input_filename);
}

const CatalogFile* RepeatFiles::catalog(CatalogFormat format) const {
  return catalogs_[static_cast<int>(format)].get();
}
