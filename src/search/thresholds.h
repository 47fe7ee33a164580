#ifndef VELKOR_SEARCH_THRESHOLDS_H
#define VELKOR_SEARCH_THRESHOLDS_H

#include <cstddef>

#include "repeats/Csat.h"
#include "search/search_options.h"

// A repeat of unit length k passes when its score and its normalised length
// reach these tables' entries for k.
struct Thresholds {
  const int* min_scores;
  const int* min_lengths;
  bool passed_by(const Csat& sat, unsigned k) const {
    return sat.score >= min_scores[k] && sat.normalised_length() >= min_lengths[k];
  }
};

// The minimum score and normalised length per unit length: the user's pair,
// which applies to every result, and the lenient internal pair under which
// extendExact finds its seeds. The tables only ever need unit lengths that
// fit into a record, so they grow with the longest record searched instead
// of being sized by --maxUnitLen, which has no upper bound. Every entry is a
// fixed function of its unit length, so growing them later gives the same
// values as building them all at once.
class ThresholdTables {
 public:
  ThresholdTables() = default;
  ThresholdTables(const ThresholdTables&) = delete;
  ThresholdTables& operator=(const ThresholdTables&) = delete;
  ~ThresholdTables();

  // Makes the tables cover unit lengths 0 to longest_unit under the
  // options' rules; entries already built under the same rules are kept.
  void cover(const SearchOptions& options, unsigned longest_unit);

  Thresholds user() const { return {min_scores_user_, min_lengths_user_}; }
  Thresholds internal() const { return {min_scores_intern_, min_lengths_intern_}; }

 private:
  void discard();
  bool built_under(const SearchOptions& options) const;

  int* min_scores_user_ = nullptr;
  int* min_lengths_user_ = nullptr;
  int* min_scores_intern_ = nullptr;
  int* min_lengths_intern_ = nullptr;
  std::size_t entries_ = 0;  // unit lengths covered, 0 included
  SearchOptions rules_;      // of the entries built
};

#endif
