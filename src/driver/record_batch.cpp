#include "driver/record_batch.h"

#include <exception>
#include <functional>
#include <mutex>
#include <new>
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

// What the parts of the record in hand came to, on whichever thread.
struct PartsOutcome {
  std::mutex mutex;
  // The first failed allocation a part threw, and the first other failure.
  // A failed allocation ends the record whatever else failed: the other
  // parts go on after it, and may then fail otherwise for want of memory.
  std::exception_ptr failed_allocation;
  std::exception_ptr failure;

  void keep(std::exception_ptr& first) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!first) first = std::current_exception();
  }
};

// Searches the parts of the record in hand of worker, the workers without a
// record of their own helping, each part with the record pool of the worker
// that runs it. A part that fails on a helper hands its failure to the
// record's own worker, which then fails as with its own.
void run_parts_beside_others(std::vector<PartTask>& parts, OrderedWorkQueue<RecordBatch>& queue,
                             RecordWorkers& workers, unsigned worker) {
  PartsOutcome outcome;
  std::vector<OrderedWorkQueue<RecordBatch>::Task> tasks;
  for (PartTask& part : parts) {
    tasks.emplace_back([&outcome, &part, &workers](unsigned runner) {
      try {
        part(workers[runner]->records);
      } catch (const FailedAllocation&) {
        outcome.keep(outcome.failed_allocation);
      } catch (...) {
        outcome.keep(outcome.failure);
      }
    });
  }
  queue.run_together(tasks, worker);
  if (outcome.failed_allocation) std::rethrow_exception(outcome.failed_allocation);
  if (outcome.failure) std::rethrow_exception(outcome.failure);
}

// Notes that the record in hand is masked: its residues are its masked copy.
class MarkMasked : public MaskedRecords {
 public:
  void take(const CSequence_Mol&) override { record_in_hand->masked = true; }
  HeldRecord* record_in_hand = nullptr;
};

}  // namespace

void search_batch(RecordBatch& batch, bool keep_repeats, bool mask, RecordWorkers& workers,
                  OrderedWorkQueue<RecordBatch>& queue, unsigned number) {
  RecordWorker& worker = *workers[number];
  const RunParts run_parts = [&queue, &workers, number](std::vector<PartTask>& parts) {
    run_parts_beside_others(parts, queue, workers, number);
  };
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
    mark_masked.record_in_hand = &record;
    record.first_repeat = batch.repeats().size();
    try {
      search_record(worker, record.number, record.seq, report, keep_repeats ? &batch.repeats() : nullptr, masked,
                    run_parts, &record.progress_messages);
    } catch (...) {
      record.failure = std::current_exception();
    }
    // Before the parts end: the run's thread replays them once they have.
    record.end_of_repeats = batch.repeats().size();
    if (!batch.report().end_part() && !record.failure) record.failure = std::make_exception_ptr(std::bad_alloc());
    if (record.failure) break;
  }
  // Ended in every case: the run's thread may be waiting for the rest of the report.
  batch.report().close();
}
