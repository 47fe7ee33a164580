#ifndef VELKOR_DRIVER_RECORD_BATCH_H
#define VELKOR_DRIVER_RECORD_BATCH_H

#include <cstddef>
#include <deque>

#include "driver/CFile.h"
#include "repeats/CSequence_Mol.h"
#include "driver/held_record.h"
#include "driver/held_text.h"
#include "driver/ordered_work_queue.h"
#include "driver/residue_buffer.h"
#include "driver/record_worker.h"

// Consecutive records that one worker thread searches: one long record, or
// short ones up to a budget of residues. Each batch costs two hand-overs
// between threads, which for a file of thousands of short records cost more
// than their search; the budget keeps what a batch holds small.
class RecordBatch {
 public:
  // Once its records hold this many residues, a batch takes no more.
  static constexpr unsigned residue_budget = 1u << 18;
  // Records without residues still cost their name and their report.
  static constexpr std::size_t most_records = 4096;

  explicit RecordBatch(BlockPool& pool) : report_(pool), repeats_(pool) {}
  RecordBatch(const RecordBatch&) = delete;
  RecordBatch& operator=(const RecordBatch&) = delete;

  // The run's thread, while filling: reads the next record of input, as
  // record number, into the batch, after the residues of those before it,
  // so that no record is copied. A record that is not read leaves the batch
  // as it was.
  FastaResult read(CFile& input, unsigned number);
  // The run's thread: drops the record just read (one outside the range).
  void drop_last();
  bool empty() const { return used_ == 0; }
  bool full() const { return residues_.length >= residue_budget || used_ >= most_records; }
  // The run's thread, once full: points each record at its residues.
  void seal();

  std::size_t size() const { return used_; }
  std::size_t residues() const { return residues_.length; }
  HeldRecord& record(std::size_t i) { return records_[i]; }
  HeldText& report() { return report_; }
  KeptRepeats& repeats() { return repeats_; }

  // Ready to be filled again, its buffers kept.
  void reset();

 private:
  std::deque<HeldRecord> records_;  // the first used_ are this batch's; they never move
  std::size_t used_ = 0;
  CSequence_Mol residues_;  // of every record, one after the other; its name is the reader's
  // Room for a long record from the start, as on one thread. Grown by
  // realloc, a large buffer moves by remapping its pages, and on a virtual
  // machine the worker then pays a hidden fault for each page the first
  // time it reads it.
  ResidueBuffer residue_buffer_{residues_};
  HeldText report_;  // the reports of the records one after the other, a part each
  KeptRepeats repeats_;  // kept only for the files for other tools and the masked copy
};

// Searches the records of batch on the calling (worker) thread, their
// reports kept in memory; keep_repeats: keep their repeats for the files for
// other tools; mask: mask their residues, for the run's thread to write
// (a copy would take as much fresh memory again). Never throws: a failure is
// kept with its record, and the records after it are left unsearched, as a
// run on one thread would. The calling thread is worker number `number` of
// queue and of workers; the parts of a long record are shared with the other
// workers of queue, each searching with its own of workers.
void search_batch(RecordBatch& batch, bool keep_repeats, bool mask, RecordWorkers& workers,
                  OrderedWorkQueue<RecordBatch>& queue, unsigned number);

#endif
