#ifndef VELKOR_SEARCH_EXACT_EXACT_REPEAT_TAKER_H
#define VELKOR_SEARCH_EXACT_EXACT_REPEAT_TAKER_H

#include "repeats/Csat.h"

// What the exact search does with each repeat it keeps, in the order found.
class ExactRepeatTaker {
 public:
  // True when the taker keeps the record; false when it took what it
  // needs and the search may make its next candidate in the record.
  virtual bool take(Csat& repeat) = 0;
  // Positions the search passes between two looks at the progress clock:
  // as many as it passes in well under a second with this taker.
  virtual long progress_stride() const = 0;

 protected:
  ~ExactRepeatTaker() = default;
};

#endif
