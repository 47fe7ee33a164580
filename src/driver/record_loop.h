#ifndef VELKOR_DRIVER_RECORD_LOOP_H
#define VELKOR_DRIVER_RECORD_LOOP_H

#include "config/run_options.h"
#include "driver/CFile.h"
#include "driver/run_outputs.h"
#include "repeats/CSequence_Mol.h"

// Reads every record of input; those in the range of options are searched,
// on the run's thread (seq holds each in turn) or on as many workers as
// threads, and written to outputs in the order of the input. The workers
// are started here and ended before this returns. record_number ends as
// the number of records read. Returns the exit code.
int search_all_records(const RunOptions& options, unsigned threads, CFile& input, CSequence_Mol& seq,
                       RunOutputs& outputs, unsigned& record_number);

#endif
