#ifndef VELKOR_SEARCH_EXTEND_EXACT_EXTEND_EXACT_SEARCH_H
#define VELKOR_SEARCH_EXTEND_EXACT_EXTEND_EXACT_SEARCH_H

#include "repeats/Csat.h"
#include "search/extension/extension_alignment.h"
#include "search/record_search.h"

// Search mode extendExact over one record (the rule is stated in
// exact_and_extend_search.cpp): exact repeats found under lenient
// thresholds, grown by extension.
class ExtendExactSearch {
 public:
  ExtendExactSearch(const RecordSearch& record, ExtensionAlignment& extension);
  ExtendExactSearch(const ExtendExactSearch&) = delete;
  ExtendExactSearch& operator=(const ExtendExactSearch&) = delete;

  // The repeats handed to result in order.
  void search(RecordSink& result);

  // Exact repeats are grown the moment they are found, so that only the
  // ones kept take memory.
  struct GrownSeeds;
  void grow_seed(GrownSeeds& grown, Csat* seed);

 private:
  void grow_waiting_seeds(GrownSeeds& grown);

  const RecordSearch record_;
  ExtensionAlignment& extension_;
};

#endif
