#ifndef VELKOR_SEARCH_HIDDEN_REPEAT_FILTER_H
#define VELKOR_SEARCH_HIDDEN_REPEAT_FILTER_H

#include <deque>

#include "repeats/Csat.h"

// The overlap removal over a stream of records in the order of lessThan_sat:
// of two mostly overlapping repeats it keeps the higher-scoring one. A record
// is settled, and handed on to next or back to the pool, once a record
// starting at or after its end has come: none after that can overlap it. So
// only the records that overlap the first one unsettled are held, and a
// search may hand its records on as it makes them. Passes every record
// straight on where the removal is turned off.
class HiddenRepeatFilter : public RecordSink {
 public:
  HiddenRepeatFilter(RecordSink& next, Csat_garbagecollector& pool) : next_(next), pool_(pool) {}
  void take(Csat* sat) override;
  // Settles the records still held; call after the last one.
  void finish();

 private:
  void settle_first();

  RecordSink& next_;
  Csat_garbagecollector& pool_;
  std::deque<Csat*> held_;  // unsettled, in order
};

#endif
