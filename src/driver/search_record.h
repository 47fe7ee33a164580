#ifndef VELKOR_DRIVER_SEARCH_RECORD_H
#define VELKOR_DRIVER_SEARCH_RECORD_H

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "driver/masking.h"
#include "driver/record_worker.h"
#include "repeats/repeat_files.h"

// Runs every task given, perhaps several at once, and returns once all are
// done, rethrowing what one of them threw.
using RunTasks = std::function<void(std::vector<std::function<void()>>& tasks)>;

// Searches one record, with the settings and scratch space of worker (the
// calling thread's own), and writes its report block to out and its repeats
// to files (null: no files for other tools); then masks its residues and
// hands them to masked (null: no masked copy). With run_parts, a long record
// may be searched in parts that it runs. The search's progress notes are
// appended to held_notes, or written to standard error when it is null.
void search_record(RecordWorker& worker, unsigned record_number, CSequence_Mol& seq, FILE* out,
                   RepeatListener* files, MaskedRecords* masked, RunTasks run_parts = nullptr,
                   std::string* held_notes = nullptr);

#endif
