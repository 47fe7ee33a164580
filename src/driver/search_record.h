#ifndef VELKOR_DRIVER_SEARCH_RECORD_H
#define VELKOR_DRIVER_SEARCH_RECORD_H

#include <cstdio>
#include <functional>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "driver/masking.h"
#include "repeats/repeat_files.h"
#include "search/arrays/arrays_worker.h"
#include "search/search_worker.h"

// Runs every task given, perhaps several at once, and returns once all are
// done, rethrowing what one of them threw.
using RunTasks = void (*)(std::vector<std::function<void()>>& tasks);

// Searches one record and writes its report block to out and its repeats to
// files (null: no files for other tools); then masks its residues and hands
// them to masked (null: no masked copy). With run_parts, a long record may be
// searched in parts that it runs. The other modes search with worker, search
// mode arrays with arrays, both the calling thread's own.
void search_record(unsigned record_number, CSequence_Mol& seq, FILE* out, RepeatListener* files,
                   MaskedRecords* masked, SearchWorker& worker, RunTasks run_parts = nullptr,
                   ArraysWorker* arrays = nullptr);

#endif
