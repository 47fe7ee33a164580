#ifndef VELKOR_DRIVER_RECORD_WORKER_H
#define VELKOR_DRIVER_RECORD_WORKER_H

#include <memory>
#include <vector>

#include "config/run_options.h"
#include "driver/arrays_parameters.h"
#include "driver/search_parameters.h"
#include "repeats/Csat.h"
#include "repeats/report_options.h"
#include "repeats/unit_text.h"
#include "search/arrays/arrays_worker.h"
#include "search/search_worker.h"

// What a thread that searches records brings to each: the run's settings
// and its own scratch space, kept from record to record. Large, so not on
// the stack.
struct RecordWorker {
  explicit RecordWorker(const RunOptions& run)
      : options(run),
        report(report_options_of(run)),
        unit_texts(report.unit_mode),
        search_options(search_options_of(run)),
        search{search_options, {}},
        arrays_options(arrays_options_of(run)),
        arrays{arrays_options, {}} {}
  RecordWorker(const RecordWorker&) = delete;
  RecordWorker& operator=(const RecordWorker&) = delete;

  const RunOptions& options;
  // The pool of the records this thread's searches take, those of the parts
  // it searches of other workers' records among them. Records pass between
  // the pools of the threads that search one record, so the run keeps every
  // worker until its last record is written.
  Csat_garbagecollector records;
  const ReportOptions report;
  UnitTextCache unit_texts;
  const SearchOptions search_options;
  SearchWorker search;
  const ArraysOptions arrays_options;
  ArraysWorker arrays;
};

// The workers of a run, indexed by their number.
using RecordWorkers = std::vector<std::unique_ptr<RecordWorker>>;

#endif
