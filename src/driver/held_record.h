#ifndef VELKOR_DRIVER_HELD_RECORD_H
#define VELKOR_DRIVER_HELD_RECORD_H

#include <cstddef>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "driver/block_pool.h"
#include "repeats/Csat.h"
#include "repeats/repeat_files.h"

// The repeats of a batch of records, copied and kept until each record's
// turn: the files for other tools number the repeats over the whole run. One
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
  // Hands the repeats [first, end), those of one record, to files as its
  // search would have.
  void replay(std::size_t first, std::size_t end, RepeatListener& files, const CSequence_Mol& seq,
              unsigned record_number);
  // Hands the blocks back to the pool; no worker may be adding.
  void clear();

 private:
  // A repeat without its list of errors, which no file reads (copying the
  // list took an allocation per repeat), and with a copy of its unit: the
  // worker masks the residues before the files are written.
  struct Kept {
    const char* sat_begin;  // in the residues, for its position only
    const char* sat_end;
    const char* unit;  // the copy
    unsigned unit_length;
    unsigned forward_phase, backward_phase;  // of unit_pos_forward and unit_pos_backward
    int score, mismatches, insertions, deletions, Ns;
    unsigned seed_number;
  };
  const char* copy_unit(const Csat& sat);

  // In blocks of the pool: a growing array would copy the repeats, and
  // fresh memory costs a page fault every 4 KiB.
  static constexpr std::size_t per_block = BlockPool::block_size / sizeof(Kept);
  BlockPool& pool_;
  std::mutex mutex_;  // guards kept_ against growing while read
  std::vector<BlockPool::Block> kept_;
  std::size_t count_ = 0;
  // The worker's alone: the run's thread reads the copies through the repeats.
  std::vector<BlockPool::Block> units_;
  std::size_t unit_room_ = 0;  // left in the last block of units_
  std::vector<std::unique_ptr<char[]>> long_units_;  // those longer than a block
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
  bool masked = false;  // its residues are its masked copy
  std::exception_ptr failure;  // what the search threw

  // Ready for the next record, its buffers kept.
  void reset();
};

#endif
