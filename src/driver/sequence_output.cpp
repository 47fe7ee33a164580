#include "driver/sequence_output.h"

#include "config/parameters.h"

SequenceOutput::SequenceOutput(CSequence_Mol& seq, unsigned record_number, FILE* out, RepeatListener* files,
                               MaskedRecords* masked)
    : seq_(seq),
      files_(files),
      masked_(masked),
      report_(out, seq),
      hidden_repeats_(*this, sat_alloc, global_remove_mostly_hidden) {
  if (files_) files_->begin_record(seq, record_number);
}

void SequenceOutput::take(Csat* sat) {
  report_.add(*sat);
  if (files_) files_->add(*sat, seq_);
  if (masked_) stretches_.add(*sat, seq_.residues);
  sat_alloc.give_back(sat);
}

void SequenceOutput::finish() {
  hidden_repeats_.finish();
  report_.finish();
  if (files_) files_->end_record();
  if (masked_) {
    // Lower case marks the repeats where the letters come from the input.
    stretches_.mask(seq_, global_mask_keep_input ? MASK_LOWER : global_mask_with);
    masked_->take(seq_);
  }
}
