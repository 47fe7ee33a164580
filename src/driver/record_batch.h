#ifndef VELKOR_DRIVER_RECORD_BATCH_H
#define VELKOR_DRIVER_RECORD_BATCH_H

#include <cstddef>
#include <deque>

#include "driver/CSequence_Mol.h"
#include "driver/held_record.h"
#include "driver/held_text.h"

// Consecutive records that one worker thread searches: one long record, or
// short ones up to a budget of residues. Each batch costs two hand-overs
// between threads, which for a file of thousands of short records cost more
// than their search; the budget keeps what a batch holds small.
class RecordBatch {
 public:
  // A record this long or longer is a batch of its own.
  static constexpr std::size_t residue_budget = std::size_t{1} << 18;
  // Records without residues still cost their name and their report.
  static constexpr std::size_t most_records = 4096;

  RecordBatch() = default;
  RecordBatch(const RecordBatch&) = delete;
  RecordBatch& operator=(const RecordBatch&) = delete;
  ~RecordBatch();

  // The run's thread, while filling: takes the record just read into seq,
  // whose residue buffer it may swap for its own (seq stays a buffer to read
  // the next record into). False for want of memory.
  bool add(unsigned number, CSequence_Mol& seq);
  bool empty() const { return used_ == 0; }
  bool full() const { return length_ >= residue_budget || used_ >= most_records; }
  // The run's thread, once full: points each record at its residues.
  void seal();

  std::size_t size() const { return used_; }
  HeldRecord& record(std::size_t i) { return records_[i]; }
  HeldText& report() { return report_; }

  // Ready to be filled again, its buffers kept.
  void reset();

 private:
  std::deque<HeldRecord> records_;  // the first used_ are this batch's; they never move
  std::size_t used_ = 0;
  char* residues_ = nullptr;
  unsigned length_ = 0;
  unsigned capacity_ = 0;
  HeldText report_;  // the reports of the records one after the other, a part each
};

// Searches the records of batch on the calling (worker) thread, their
// reports kept in memory; keep_repeats: keep their repeats for the other
// outputs too. Never throws: a failure is kept with its record, and the
// records after it are left unsearched, as a run on one thread would.
void search_batch(RecordBatch& batch, bool keep_repeats);

#endif
