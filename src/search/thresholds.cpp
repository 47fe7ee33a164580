#include "search/thresholds.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "config/unit_length_floor.h"
#include "repeats/allocation.h"

namespace {

void grow_table(int*& table, std::size_t entries) {
  table = static_cast<int*>(checked_realloc(table, sizeof(int) * entries));
}

}  // namespace

ThresholdTables::~ThresholdTables() { discard(); }

bool ThresholdTables::built_under(const SearchOptions& options) const {
  return options.min_score == rules_.min_score && options.min_score_a == rules_.min_score_a &&
         options.min_score_bx == rules_.min_score_bx && options.min_length == rules_.min_length &&
         options.min_length_a == rules_.min_length_a && options.min_length_bx == rules_.min_length_bx;
}

void ThresholdTables::cover(const SearchOptions& options, unsigned longest_unit) {
  if (!built_under(options)) discard();
  rules_ = options;
  std::size_t entries = static_cast<std::size_t>(longest_unit) + 1;
  if (entries <= entries_) return;
  grow_table(min_scores_user_, entries);
  grow_table(min_lengths_user_, entries);
  grow_table(min_scores_intern_, entries);
  grow_table(min_lengths_intern_, entries);
  for (std::size_t k = entries_; k < entries; ++k) {
    double unit_length = static_cast<double>(k);
    min_scores_user_[k] = unit_length_floor(options.min_score, options.min_score_a, options.min_score_bx, unit_length);
    min_lengths_user_[k] =
        unit_length_floor(options.min_length, options.min_length_a, options.min_length_bx, unit_length);
    min_scores_intern_[k] = static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(4, k), INT_MAX));
    min_lengths_intern_[k] = 0;
  }
  entries_ = entries;
}

void ThresholdTables::discard() {
  for (int** table : {&min_scores_user_, &min_lengths_user_, &min_scores_intern_, &min_lengths_intern_}) {
    std::free(*table);
    *table = nullptr;
  }
  entries_ = 0;
}
