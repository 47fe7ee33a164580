#ifndef VELKOR_SEARCH_ARRAYS_CONSENSUS_UNITS_H
#define VELKOR_SEARCH_ARRAYS_CONSENSUS_UNITS_H

#include <deque>
#include <string>

// The consensus units of one record's arrays. A record's unit pointers point
// here rather than into the residues, so these must outlive the records'
// reports; a deque never moves what it holds.
class ConsensusUnits {
 public:
  const char* keep(const char* unit, unsigned length) {
    units_.emplace_back(unit, length);
    return units_.back().data();
  }

 private:
  std::deque<std::string> units_;
};

#endif
