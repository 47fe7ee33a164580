#include "repeats/repeat_files.h"

#include "repeats/bed_writer.h"
#include "repeats/catalog_writers.h"
#include "repeats/gff3_writer.h"

void RepeatFiles::write_heads() {
  if (streams_.bed) write_bed_header(streams_.bed);
  if (streams_.gff) write_gff_head(streams_.gff);
  if (streams_.expansionhunter) write_expansionhunter_head(streams_.expansionhunter);
  if (streams_.summary) RepeatStatistics::write_header(streams_.summary);
}

void RepeatFiles::begin_record(const CSequence_Mol& seq, unsigned record_number) {
  chrom_ = chromosome_name(seq.name, record_number);
  // GFF3 allows one region per name; records that share a name share the
  // region of the first of them.
  if (streams_.gff && regions_written_.insert(chrom_).second) {
    write_gff_sequence_region(streams_.gff, chrom_, seq.length);
  }
  if (streams_.summary) statistics_.begin_record(chrom_, seq.length);
}

void RepeatFiles::add(const Csat& sat, const CSequence_Mol& seq) {
  if (!unit_texts_.make(sat, fields_.unit)) return;
  make_forward_unit_text(sat, fields_.forward_unit);
  fields_.describe(sat, seq, chrom_, ++repeats_);
  write_line(streams_.bed, append_bed_line);
  write_line(streams_.gff, append_gff_feature);
  write_line(streams_.trgt, append_trgt_locus);
  write_line(streams_.hipstr, append_hipstr_locus);
  if (streams_.expansionhunter) {
    append_expansionhunter_locus(line_, fields_, repeats_ == 1);
    line_.write_to(streams_.expansionhunter);
    line_.clear();
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
  if (streams_.summary) statistics_.write_record(streams_.summary);
}

void RepeatFiles::write_ends(const std::string& input_filename) {
  if (streams_.expansionhunter) write_expansionhunter_end(streams_.expansionhunter);
  if (streams_.summary) statistics_.write_run(streams_.summary, input_filename);
}
