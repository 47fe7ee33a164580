#ifndef VELKOR_DRIVER_SEQUENCE_OUTPUT_H
#define VELKOR_DRIVER_SEQUENCE_OUTPUT_H

#include <cstdio>

#include "repeats/CSequence_Mol.h"
#include "driver/masking.h"
#include "driver/record_worker.h"
#include "repeats/Csat.h"
#include "repeats/repeat_files.h"
#include "repeats/report_block.h"
#include "search/hidden_repeat_filter.h"

// Everything written for one sequence: the records taken pass the overlap
// removal and go, one by one as they are settled, into the report block and
// the files for other tools (files null: none asked for), and then back to
// the pool; once the report is done, the residues are masked and handed to
// masked (null: no masked copy). Records are taken in the order of lessThan_sat, so that a search
// may hand them on as it makes them instead of holding them all.
class SequenceOutput : private RecordSink {
 public:
  SequenceOutput(RecordWorker& worker, CSequence_Mol& seq, unsigned record_number, FILE* out,
                 RepeatListener* files, MaskedRecords* masked);
  RecordSink& records() { return hidden_repeats_; }
  void finish();

 private:
  void take(Csat* sat) override;

  CSequence_Mol& seq_;
  RepeatListener* files_;
  MaskedRecords* masked_;
  int mask_with_;
  ReportBlock report_;
  MaskedStretches stretches_;
  Csat_garbagecollector& records_;
  HiddenRepeatFilter hidden_repeats_;
};

#endif
