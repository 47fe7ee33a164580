#include "repeats/catalog_file.h"

#include "repeats/catalog_writers.h"

void CatalogFile::LeftOut::count(const std::string& name) {
  if (loci++ == 0) first_name = name;
}

void CatalogFile::write_head() {
  if (format_ == CatalogFormat::EXPANSIONHUNTER) write_expansionhunter_head(out_);
}

void CatalogFile::begin_record(const std::string& chrom, bool repeated_name) {
  chrom_ = &chrom;
  record_left_out_ = nullptr;
  if (repeated_name) {
    record_left_out_ = &repeated_names_;
  } else if (format_ == CatalogFormat::EXPANSIONHUNTER && !expansionhunter_reads_name(chrom)) {
    record_left_out_ = &unreadable_names_;
  }
}

bool CatalogFile::long_enough(const RepeatFields& repeat) const {
  const unsigned unit_length = repeat.sat->unit_length();
  return repeat.end - repeat.start >= settings_.min_length &&
         static_cast<double>(repeat.sat->normalised_length()) >=
             static_cast<double>(settings_.min_copies) * unit_length;
}

void CatalogFile::add(const RepeatFields& repeat) {
  if (!long_enough(repeat)) return;
  if (format_ == CatalogFormat::HIPSTR && repeat.sat->unit_length() > hipstr_longest_period) {
    ++long_periods_;
    return;
  }
  const int score = repeat.sat->score;
  if (holding_ && repeat.start < held_end_) {
    const unsigned length = repeat.end - repeat.start;
    const unsigned held_length = held_end_ - held_start_;
    if (score < held_score_ || (score == held_score_ && length <= held_length)) return;
  } else {
    write_held();
  }
  held_line_.clear();
  switch (format_) {
    case CatalogFormat::TRGT:
      append_trgt_locus(held_line_, repeat);
      break;
    case CatalogFormat::HIPSTR:
      append_hipstr_locus(held_line_, repeat);
      break;
    case CatalogFormat::EXPANSIONHUNTER:
      append_expansionhunter_locus(held_line_, repeat);
      break;
  }
  holding_ = true;
  held_start_ = repeat.start;
  held_end_ = repeat.end;
  held_score_ = score;
}

void CatalogFile::write_held() {
  if (!holding_) return;
  holding_ = false;
  // Counted as they would have been written, overlaps resolved.
  if (record_left_out_) {
    record_left_out_->count(*chrom_);
    return;
  }
  if (format_ == CatalogFormat::EXPANSIONHUNTER && written_ != 0) std::fputc(',', out_);
  held_line_.write_to(out_);
  ++written_;
}

void CatalogFile::end_record() { write_held(); }

void CatalogFile::write_end() {
  write_held();
  if (format_ == CatalogFormat::EXPANSIONHUNTER) write_expansionhunter_end(out_);
}

namespace {
const char* loci(unsigned long long count) { return count == 1 ? "locus" : "loci"; }
}  // namespace

void CatalogFile::report_left_out(const std::string& name) const {
  const char* file = name.c_str();
  if (long_periods_ != 0) {
    std::fprintf(stderr, "Left out of the hipstr catalogue \"%s\": %llu %s with a period above %u.\n", file,
                 long_periods_, loci(long_periods_), hipstr_longest_period);
  }
  if (unreadable_names_.loci != 0) {
    std::fprintf(stderr,
                 "Left out of the expansionhunter catalogue \"%s\": %llu %s of records whose names hold ':' or "
                 "'-', the first \"%s\".\n",
                 file, unreadable_names_.loci, loci(unreadable_names_.loci), unreadable_names_.first_name.c_str());
  }
  if (repeated_names_.loci != 0) {
    std::fprintf(stderr,
                 "Left out of the %s catalogue \"%s\": %llu %s of records named like an earlier record, the "
                 "first \"%s\".\n",
                 catalog_format_name(format_), file, repeated_names_.loci, loci(repeated_names_.loci),
                 repeated_names_.first_name.c_str());
  }
}
