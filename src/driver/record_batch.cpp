#include "driver/record_batch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/search_record.h"
#include "repeats/allocation.h"

RecordBatch::~RecordBatch() { std::free(residues_); }

bool RecordBatch::add(unsigned number, CSequence_Mol& seq) {
  if (used_ == records_.size()) records_.emplace_back();
  HeldRecord& record = records_[used_];
  if (used_ == 0 && seq.length >= residue_budget) {
    // A long record keeps the buffer it was read into rather than be copied.
    std::swap(residues_, seq.residues);
    std::swap(capacity_, seq.capacity);
    record.offset = 0;
    length_ = seq.length;
  } else {
    if (seq.length > capacity_ - length_) {
      unsigned capacity = std::max({2 * capacity_, length_ + seq.length, static_cast<unsigned>(residue_budget)});
      void* grown = std::realloc(residues_, capacity);
      if (!grown) return false;
      residues_ = static_cast<char*>(grown);
      capacity_ = capacity;
    }
    if (seq.length != 0) std::memcpy(residues_ + length_, seq.residues, seq.length);
    record.offset = length_;
    length_ += seq.length;
  }
  record.number = number;
  record.seq.name.swap(seq.name);
  record.seq.length = seq.length;
  ++used_;
  return true;
}

void RecordBatch::seal() {
  for (std::size_t i = 0; i < used_; ++i) {
    records_[i].seq.residues = residues_ + records_[i].offset;
    records_[i].seq.capacity = records_[i].seq.length;
  }
}

void RecordBatch::reset() {
  for (std::size_t i = 0; i < used_; ++i) records_[i].reset();
  used_ = 0;
  length_ = 0;
  report_.restart();
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

}  // namespace

void search_batch(RecordBatch& batch, bool keep_repeats) {
  batch_in_hand = &batch;
  set_failed_allocation_handler(give_up_record);
  FILE* report = nullptr;
  try {
    report = batch.report().open();
  } catch (const std::bad_alloc&) {
    batch.record(0).failure = std::current_exception();
  }
  for (std::size_t i = 0; report && i < batch.size(); ++i) {
    HeldRecord& record = batch.record(i);
    record_in_hand = &record;
    hold_progress_messages(&record.progress_messages);
    try {
      search_record(record.number, record.seq, report, keep_repeats ? &record.repeats : nullptr, nullptr);
    } catch (...) {
      record.failure = std::current_exception();
    }
    if (!batch.report().end_part() && !record.failure) record.failure = std::make_exception_ptr(std::bad_alloc());
    if (record.failure) break;
  }
  hold_progress_messages(nullptr);
  // Ended in every case: the run's thread may be waiting for the rest of the text.
  batch.report().close();
  set_failed_allocation_handler(nullptr);
}
