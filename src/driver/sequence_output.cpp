#include "driver/sequence_output.h"


// Lower case marks the repeats where the letters come from the input.
SequenceOutput::SequenceOutput(RecordWorker& worker, CSequence_Mol& seq, unsigned record_number, FILE* out,
                               RepeatListener* files, MaskedRecords* masked)
    : seq_(seq),
      files_(files),
      masked_(masked),
      mask_with_(worker.options.mask_keep_input ? MASK_LOWER : worker.options.mask_with),
      report_(out, seq, worker.report, worker.unit_texts),
      records_(worker.records),
      hidden_repeats_(*this, records_, worker.search.options.remove_mostly_hidden) {
  if (files_) files_->begin_record(seq, record_number);
}

void SequenceOutput::take(Csat* sat) {
  report_.add(*sat);
  if (files_) files_->add(*sat, seq_);
  if (masked_) stretches_.add(*sat, seq_.residues);
  records_.give_back(sat);
}

void SequenceOutput::finish() {
  hidden_repeats_.finish();
  report_.finish();
  if (files_) files_->end_record();
  if (masked_) {
    stretches_.mask(seq_, mask_with_);
    masked_->take(seq_);
  }
}
