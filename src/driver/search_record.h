#ifndef VELKOR_DRIVER_SEARCH_RECORD_H
#define VELKOR_DRIVER_SEARCH_RECORD_H

#include <cstdio>
#include <string>

#include "repeats/CSequence_Mol.h"
#include "driver/masking.h"
#include "driver/record_worker.h"
#include "repeats/repeat_files.h"
#include "search/record_parts.h"

// Searches one record, with the settings and scratch space of worker (the
// calling thread's own), and writes its report block to out and its repeats
// to files (null: no files for other tools); then masks its residues and
// hands them to masked (null: no masked copy). With run_parts, a long record
// may be searched in parts that it runs, each with the record pool of the
// thread it runs on. The search's progress notes are appended to held_notes,
// or written to standard error when it is null.
void search_record(RecordWorker& worker, unsigned record_number, CSequence_Mol& seq, FILE* out,
                   RepeatListener* files, MaskedRecords* masked, RunParts run_parts = nullptr,
                   std::string* held_notes = nullptr);

#endif
