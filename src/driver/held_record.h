#ifndef VELKOR_DRIVER_HELD_RECORD_H
#define VELKOR_DRIVER_HELD_RECORD_H

#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <string>

#include "driver/CSequence_Mol.h"
#include "driver/held_text.h"
#include "driver/residue_buffer.h"
#include "repeats/Csat.h"
#include "repeats/repeat_files.h"

// The repeats of a record, copied and kept until its turn: the files for
// other tools number the repeats over the whole run, and the masked copy
// overwrites the residues that those files still read.
class KeptRepeats : public RepeatListener {
 public:
  void begin_record(const CSequence_Mol&, unsigned) override {}
  void add(const Csat& sat, const CSequence_Mol&) override;
  void end_record() override {}
  // Hands the record's repeats to files (null: none), as its search would
  // have, then writes its masked copy to masked (null: none).
  void replay(RepeatListener* files, FILE* masked, CSequence_Mol& seq, unsigned record_number) const;
  void clear() { repeats_.clear(); }

 private:
  std::deque<Csat> repeats_;
};

// One record searched beside others: read by the run's own thread, searched
// on a worker thread with every output kept in memory, and written by the
// run's own thread when its turn comes.
struct HeldRecord {
  HeldRecord() = default;
  HeldRecord(const HeldRecord&) = delete;
  HeldRecord& operator=(const HeldRecord&) = delete;

  unsigned number = 0;
  CSequence_Mol seq;
  ResidueBuffer residues{seq};
  std::string progress_messages;
  HeldText report;  // copied to the report as it grows once the record's turn has come
  KeptRepeats repeats;  // kept only for the files for other tools and the masked copy
  std::exception_ptr failure;                 // what the search threw
  const char* allocation_failure = nullptr;  // the message of an allocation that failed where nothing can throw

  // Ready for the next record, its buffers kept.
  void reset();
};

// Searches record on the calling (worker) thread, its report kept in
// memory; keep_repeats: keep its repeats for the other outputs too.
// Never throws: a failure is kept with the record.
void search_held_record(HeldRecord& record, bool keep_repeats);

#endif
