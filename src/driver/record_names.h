#ifndef VELKOR_DRIVER_RECORD_NAMES_H
#define VELKOR_DRIVER_RECORD_NAMES_H

#include <string>
#include <unordered_map>

#include "repeats/CSequence_Mol.h"

// The names of the records searched. The files for other tools know a
// record by its name up to the first blank, so two records of one such name
// cannot be told apart there: the first name met twice gets a warning. The
// GFF3 file gives a name the region of its first record only; where a later
// record of that name is longer, its repeats could lie outside that region
// and make the file invalid, so a run that writes GFF3 stops there instead.
class RecordNames {
 public:
  explicit RecordNames(bool gff_written) : gff_written_(gff_written) {}
  // False when the run must stop; the message is written already.
  bool add(const CSequence_Mol& seq, unsigned record_number);
  unsigned count() const { return count_; }

 private:
  struct First {
    unsigned record_number;
    unsigned length;
  };
  std::unordered_map<std::string, First> firsts_;
  bool gff_written_;
  bool warned_ = false;
  unsigned count_ = 0;
};

#endif
