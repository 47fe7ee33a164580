#include "driver/sequence_output.h"

#include "config/parameters.h"
#include "repeats/bed_writer.h"

SequenceOutput::SequenceOutput(CSequence_Mol& seq, unsigned record_number, FILE* out, FILE* bed, FILE* masked)
    : seq_(seq),
      record_number_(record_number),
      bed_(bed),
      masked_(masked),
      report_(out, seq),
      hidden_repeats_(*this, sat_alloc) {}

void SequenceOutput::take(Csat* sat) {
  report_.add(*sat);
  if (bed_) write_bed_record(bed_, seq_, record_number_, *sat, unit_);
  if (masked_) stretches_.add(*sat, seq_.residues);
  sat_alloc.give_back(sat);
}

void SequenceOutput::finish() {
  hidden_repeats_.finish();
  report_.finish();
  if (masked_) stretches_.write_masked_record(masked_, seq_, global_mask_with);
}
