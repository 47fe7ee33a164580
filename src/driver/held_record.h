#ifndef VELKOR_DRIVER_HELD_RECORD_H
#define VELKOR_DRIVER_HELD_RECORD_H

#include <cstddef>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "driver/CSequence_Mol.h"
#include "driver/block_pool.h"
#include "repeats/Csat.h"
#include "repeats/repeat_files.h"

// The repeats of a batch of records, copied and kept until each record's
// turn: the files for other tools number the repeats over the whole run, and
// the masked copy overwrites the residues that those files still read. One
// worker adds the repeats of one record after the other while the run's
// thread replays those of records already searched.
class KeptRepeats : public RepeatListener {
 public:
  explicit KeptRepeats(BlockPool& pool) : pool_(pool) {}
  KeptRepeats(const KeptRepeats&) = delete;
  KeptRepeats& operator=(const KeptRepeats&) = delete;
  ~KeptRepeats() override { clear(); }

  void begin_record(const CSequence_Mol&, unsigned) override {}
  void add(const Csat& sat, const CSequence_Mol&) override;
  void end_record() override {}
  // The worker's: how many repeats were added.
  std::size_t size() const { return count_; }
  // Hands the repeats [first, end), those of one record, to files (null:
  // none), as its search would have, then writes its masked copy to masked
  // (null: none).
  void replay(std::size_t first, std::size_t end, RepeatListener* files, FILE* masked, CSequence_Mol& seq,
              unsigned record_number);
  // Hands the blocks back to the pool; no worker may be adding.
  void clear();

 private:
  // A repeat without its list of errors, which neither the files nor the
  // masking read: copying the list took an allocation per repeat.
  struct Kept {
    const char* sat_begin;
    const char* sat_end;
    const char* unit_pos_forward;
    const char* unit_pos_backward;
    const char* unit_begin;
    const char* unit_end;
    int score, mismatches, insertions, deletions, Ns;
    unsigned seed_number;
  };
  // In blocks of the pool: a growing array would copy the repeats, and
  // fresh memory costs a page fault every 4 KiB.
  static constexpr std::size_t per_block = BlockPool::block_size / sizeof(Kept);
  BlockPool& pool_;
  std::mutex mutex_;  // guards blocks_ against growing while read
  std::vector<BlockPool::Block> blocks_;
  std::size_t count_ = 0;
};

// One record searched beside others: read by the run's own thread, searched
// on a worker thread with every output kept in memory, and written by the
// run's own thread when its turn comes. Its residues lie in the buffer of
// its batch (record_batch.h), and so do its report and its repeats.
struct HeldRecord {
  unsigned number = 0;
  CSequence_Mol seq;
  std::size_t offset = 0;  // of its residues in the batch's buffer
  std::string progress_messages;
  std::size_t first_repeat = 0, end_of_repeats = 0;  // in the batch's kept repeats
  std::exception_ptr failure;                 // what the search threw
  const char* allocation_failure = nullptr;  // the message of an allocation that failed where nothing can throw

  // Ready for the next record, its buffers kept.
  void reset();
};

#endif
