#ifndef VELKOR_SEARCH_HIDDEN_REPEAT_FILTER_H
#define VELKOR_SEARCH_HIDDEN_REPEAT_FILTER_H

#include <cstddef>
#include <deque>

#include "repeats/Csat.h"

// The overlap removal over a stream of records in the order of lessThan_sat:
// of two mostly overlapping repeats it keeps the higher-scoring one. A record
// is kept, and handed on to next, once a record starting at or after its end
// has come: none after that can overlap it. So only the records that overlap
// the first one unsettled are held, and a search may hand its records on as
// it makes them. The first one meets each record as it comes, rather than
// all of them when it is kept: of the hundreds of thousands of repeats of one
// extent that a long array may give, it holds only those that won.
// Passes every record straight on where the removal is turned off.
class HiddenRepeatFilter : public RecordSink {
 public:
  // remove: false passes every record straight on.
  HiddenRepeatFilter(RecordSink& next, Csat_garbagecollector& pool, bool remove)
      : next_(next), pool_(pool), remove_(remove) {}
  void take(Csat* sat) override;
  // Settles the records still held; call after the last one.
  void finish();

 private:
  void hand_on_first();
  void weigh_first_from(std::size_t from);

  RecordSink& next_;
  Csat_garbagecollector& pool_;
  bool remove_;
  // Unsettled, in order; the first has met every other one.
  std::deque<Csat*> held_;
};

// The same over the records of container, in the order of lessThan_sat,
// where remove is set; those removed go back to its pool.
void remove_mostly_hidden(CsatContainer& container, bool remove);

#endif
