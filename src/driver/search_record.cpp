#include "driver/search_record.h"

#include <cstddef>
#include <string>

#include "driver/messages.h"
#include "driver/sequence_output.h"
#include "search/CSearchController.h"
#include "search/arrays/find_arrays.h"

namespace {

// A note goes to the held text given, or, with none, to standard error now.
void note_progress(void* held_notes, const char* text) {
  if (held_notes) {
    static_cast<std::string*>(held_notes)->append(text);
    return;
  }
  progress_message(text);
}

// Asked often during a long search; writes a line at most once a minute.
void progress_line_if_due(unsigned record_number, const char* record_name, unsigned unit_length) {
  if (check_report_status()) report_status(record_number, record_name, unit_length);
}

}  // namespace

void search_record(RecordWorker& worker, unsigned record_number, CSequence_Mol& seq, FILE* out,
                   RepeatListener* files, MaskedRecords* masked, RunParts run_parts, std::string* held_notes) {
  const int mode = worker.options.search_mode;
  if (mode == SEARCH_ARRAYS) {
    ConsensusUnits units;  // the records' units: kept until they are written
    SequenceOutput output(worker, seq, record_number, out, files, masked);
    ArraysWorker& arrays = worker.arrays;
    find_arrays(seq.residues, seq.length, arrays.options, arrays.workspace, units, worker.records, output.records());
    output.finish();
    return;
  }
  CSearchController controller(worker.search.options, worker.search.workspace, worker.records, record_number, seq);
  if (!worker.options.quiet) controller.search_progress = {note_progress, held_notes, progress_line_if_due};
  if (run_parts) controller.run_parts = run_parts;
  SequenceOutput output(worker, seq, record_number, out, files, masked);
  if (mode == SEARCH_EXACT) {
    // The exact search hands its records on as it makes them: a long array's
    // hundreds of thousands of repeats are never all held as records.
    controller.exact_search_2(controller.user_thresholds(), output.records());
  } else if (mode == SEARCH_EXTEND_EXACT) {
    controller.search_exact_and_extend_to_imperfect_repeats(output.records());
  } else {
    controller.complete_imperfect_search();
    // The records lie scattered over the pool, and the report reads each in
    // turn: fetched a few ahead, they are there when it comes to them.
    const SatList& sats = controller.imperfect_sats.sats;
    constexpr std::size_t fetched_ahead = 8;
    for (std::size_t i = 0; i < sats.size(); ++i) {
      if (i + fetched_ahead < sats.size()) __builtin_prefetch(sats[i + fetched_ahead]);
      output.records().take(sats[i]);
    }
    controller.imperfect_sats.sats.clear();  // handed on with the records
  }
  output.finish();
}
