#include "driver/record_batch.h"

#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/search_record.h"
#include "repeats/allocation.h"

FastaResult RecordBatch::read(CFile& input, unsigned number) {
  const unsigned offset = residues_.length;
  // The limit is that of one record, whatever the records before it hold.
  FastaResult result = read_fasta_record(input, residues_, longest_record + offset);
  if (result != FastaResult::RECORD) {
    residues_.length = offset;
    return result;
  }
  if (used_ == records_.size()) records_.emplace_back();
  HeldRecord& record = records_[used_++];
  record.number = number;
  record.offset = offset;
  record.seq.length = residues_.length - offset;
  record.seq.name.swap(residues_.name);
  return result;
}

void RecordBatch::drop_last() {
  HeldRecord& record = records_[--used_];
  residues_.length = static_cast<unsigned>(record.offset);
  record.reset();
}

void RecordBatch::seal() {
  for (std::size_t i = 0; i < used_; ++i) {
    records_[i].seq.residues = residues_.residues + records_[i].offset;
    records_[i].seq.capacity = records_[i].seq.length;
  }
}

void RecordBatch::reset() {
  for (std::size_t i = 0; i < used_; ++i) records_[i].reset();
  used_ = 0;
  residues_.length = 0;
  report_.restart();
  repeats_.clear();
}

namespace {

thread_local RecordBatch* batch_in_hand = nullptr;
thread_local HeldRecord* record_in_hand = nullptr;

// The worker cannot unwind from where allocations fail without throwing
// (destructors among them), and cannot end the run before the records ahead
// of its own are written: it leaves the message with its record and stops.
[[noreturn]] void give_up_record(const char* message) {
  record_in_hand->allocation_failure = message;
  batch_in_hand->report().end();
  OrderedWorkQueue<RecordBatch>::abandon_job_in_hand();
}

// What the parts of the record in hand came to, on whichever thread.
struct PartsOutcome {
  std::mutex mutex;
  std::exception_ptr failure;                // the first a part threw
  const char* allocation_failure = nullptr;  // the message of an allocation that failed where nothing can throw
};
thread_local PartsOutcome* parts_outcome_in_hand = nullptr;

// A worker helping with another's record leaves the message for the
// record's own worker, which ends its record as it would its own failure.
[[noreturn]] void give_up_part(const char* message) {
  {
    std::lock_guard<std::mutex> lock(parts_outcome_in_hand->mutex);
    if (parts_outcome_in_hand->allocation_failure == nullptr) parts_outcome_in_hand->allocation_failure = message;
  }
  OrderedWorkQueue<RecordBatch>::abandon_job_in_hand();
}

// Searches the parts of the record in hand, the workers without a record
// of their own helping.
void run_parts_beside_others(std::vector<std::function<void()>>& parts) {
  PartsOutcome outcome;
  const std::thread::id owner = std::this_thread::get_id();
  std::vector<std::function<void()>> tasks;
  for (std::function<void()>& part : parts) {
    tasks.emplace_back([&outcome, &part, owner] {
      const bool helping = std::this_thread::get_id() != owner;
      if (helping) {
        parts_outcome_in_hand = &outcome;
        set_failed_allocation_handler(give_up_part);
      }
      try {
        part();
      } catch (...) {
        std::lock_guard<std::mutex> lock(outcome.mutex);
        if (!outcome.failure) outcome.failure = std::current_exception();
      }
      if (helping) set_failed_allocation_handler(nullptr);
    });
  }
  OrderedWorkQueue<RecordBatch>::run_together(tasks);
  if (outcome.allocation_failure) abort_on_failed_allocation(outcome.allocation_failure);
  if (outcome.failure) std::rethrow_exception(outcome.failure);
}

// Notes that the record in hand is masked: its residues are its masked copy.
class MarkMasked : public MaskedRecords {
 public:
  void take(const CSequence_Mol&) override { record_in_hand->masked = true; }
};

}  // namespace

void search_batch(RecordBatch& batch, bool keep_repeats, bool mask, const SearchOptions& search_options,
                  const ArraysOptions& arrays_options) {
  batch_in_hand = &batch;
  SearchWorker search{search_options, {}};
  ArraysWorker arrays{arrays_options, {}};
  set_failed_allocation_handler(give_up_record);
  MarkMasked mark_masked;
  MaskedRecords* masked = mask ? &mark_masked : nullptr;
  FILE* report = nullptr;
  try {
    report = batch.report().open();
  } catch (const std::bad_alloc&) {
    batch.record(0).failure = std::current_exception();
  }
  for (std::size_t i = 0; !batch.record(0).failure && i < batch.size(); ++i) {
    HeldRecord& record = batch.record(i);
    record_in_hand = &record;
    hold_progress_messages(&record.progress_messages);
    record.first_repeat = batch.repeats().size();
    try {
      search_record(record.number, record.seq, report, keep_repeats ? &batch.repeats() : nullptr, masked, search,
                    run_parts_beside_others, &arrays);
    } catch (...) {
      record.failure = std::current_exception();
    }
    // Before the parts end: the run's thread replays them once they have.
    record.end_of_repeats = batch.repeats().size();
    if (!batch.report().end_part() && !record.failure) record.failure = std::make_exception_ptr(std::bad_alloc());
    if (record.failure) break;
  }
  hold_progress_messages(nullptr);
  // Ended in every case: the run's thread may be waiting for the rest of the report.
  batch.report().close();
  set_failed_allocation_handler(nullptr);
}
