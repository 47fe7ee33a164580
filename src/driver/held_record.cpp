#include "driver/held_record.h"

#include "config/parameters.h"
#include "driver/masking.h"

void KeptRepeats::add(const Csat& sat, const CSequence_Mol&) {
  repeats_.emplace_back();
  repeats_.back().copy_from(sat);
}

void KeptRepeats::replay(RepeatListener* files, FILE* masked, CSequence_Mol& seq, unsigned record_number) const {
  if (files) files->begin_record(seq, record_number);
  MaskedStretches stretches;
  for (const Csat& sat : repeats_) {
    if (files) files->add(sat, seq);
    if (masked) stretches.add(sat, seq.residues);
  }
  if (files) files->end_record();
  if (masked) stretches.write_masked_record(masked, seq, global_mask_with);
}

void HeldRecord::reset() {
  seq.name.clear();
  seq.residues = nullptr;
  seq.length = 0;
  seq.capacity = 0;
  progress_messages.clear();
  repeats.clear();
  failure = nullptr;
  allocation_failure = nullptr;
}
