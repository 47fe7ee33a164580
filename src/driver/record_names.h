#ifndef VELKOR_DRIVER_RECORD_NAMES_H
#define VELKOR_DRIVER_RECORD_NAMES_H

#include <string>
#include <unordered_map>

// The names of the records searched. The files for other tools know a
// record by its name alone, so two records of one name cannot be told
// apart there: the first name taken twice gets a warning, and where a GFF3
// file is written (whose sequence regions would then contradict each
// other) it stops the run instead.
class RecordNames {
 public:
  explicit RecordNames(bool duplicates_refused) : duplicates_refused_(duplicates_refused) {}
  // False when the run must stop; the message is written already.
  bool add(const std::string& name, unsigned record_number);
  unsigned count() const { return count_; }

 private:
  std::unordered_map<std::string, unsigned> first_numbers_;
  bool duplicates_refused_;
  bool warned_ = false;
  unsigned count_ = 0;
};

#endif
