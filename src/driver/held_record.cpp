#include "driver/held_record.h"

#include <new>

#include "config/parameters.h"
#include "driver/masking.h"
#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/search_record.h"
#include "repeats/allocation.h"

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
  seq.length = 0;
  progress_messages.clear();
  report.restart();
  repeats.clear();
  failure = nullptr;
}

namespace {

thread_local HeldRecord* record_in_hand = nullptr;

// The worker cannot unwind from where allocations fail without throwing
// (destructors among them), and cannot end the run before the records ahead
// of its own are written: it leaves the message with its record and stops.
[[noreturn]] void give_up_record(const char* message) {
  record_in_hand->allocation_failure = message;
  record_in_hand->report.end();
  OrderedWorkQueue<HeldRecord>::abandon_job_in_hand();
}

}  // namespace

void search_held_record(HeldRecord& record, bool keep_repeats) {
  record_in_hand = &record;
  set_failed_allocation_handler(give_up_record);
  hold_progress_messages(&record.progress_messages);
  try {
    FILE* report = record.report.open();
    search_record(record.number, record.seq, report, keep_repeats ? &record.repeats : nullptr, nullptr);
  } catch (...) {
    record.failure = std::current_exception();
  }
  // Ended in every case: the report may be waiting for the rest of the text.
  if (!record.report.close() && !record.failure) record.failure = std::make_exception_ptr(std::bad_alloc());
  hold_progress_messages(nullptr);
  set_failed_allocation_handler(nullptr);
}
