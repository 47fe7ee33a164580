#ifndef VELKOR_DRIVER_HELD_RECORD_H
#define VELKOR_DRIVER_HELD_RECORD_H

#include <cstddef>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "driver/CSequence_Mol.h"
#include "driver/block_pool.h"
#include "repeats/Csat.h"
#include "repeats/repeat_files.h"

// The repeats of a record, copied and kept until its turn: the files for
// other tools number the repeats over the whole run, and the masked copy
// overwrites the residues that those files still read.
class KeptRepeats : public RepeatListener {
 public:
  explicit KeptRepeats(BlockPool& pool) : pool_(pool) {}
  KeptRepeats(const KeptRepeats&) = delete;
  KeptRepeats& operator=(const KeptRepeats&) = delete;
  ~KeptRepeats() override { clear(); }

  void begin_record(const CSequence_Mol&, unsigned) override {}
  void add(const Csat& sat, const CSequence_Mol&) override;
  void end_record() override {}
  // Hands the record's repeats to files (null: none), as its search would
  // have, then writes its masked copy to masked (null: none).
  void replay(RepeatListener* files, FILE* masked, CSequence_Mol& seq, unsigned record_number) const;
  // Hands the blocks back to the pool.
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
  Kept& slot(std::size_t i) { return reinterpret_cast<Kept*>(blocks_[i / per_block].get())[i % per_block]; }
  const Kept& slot(std::size_t i) const {
    return reinterpret_cast<const Kept*>(blocks_[i / per_block].get())[i % per_block];
  }
  BlockPool& pool_;
  std::vector<BlockPool::Block> blocks_;
  std::size_t count_ = 0;
};

// One record searched beside others: read by the run's own thread, searched
// on a worker thread with every output kept in memory, and written by the
// run's own thread when its turn comes. Its residues lie in the buffer of
// its batch (record_batch.h), and so does its report.
struct HeldRecord {
  explicit HeldRecord(BlockPool& pool) : repeats(pool) {}

  unsigned number = 0;
  CSequence_Mol seq;
  std::size_t offset = 0;  // of its residues in the batch's buffer
  std::string progress_messages;
  KeptRepeats repeats;  // kept only for the files for other tools and the masked copy
  std::exception_ptr failure;                 // what the search threw
  const char* allocation_failure = nullptr;  // the message of an allocation that failed where nothing can throw

  // Ready for the next record, its buffers kept.
  void reset();
};

#endif
