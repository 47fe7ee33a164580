#include "search/record_search.h"

#include <algorithm>

namespace {

// A start costs about as much as the unit lengths tried there: with long
// units, shorter records are worth searching in parts.
std::size_t starts_in_a_part(const SearchOptions& options) {
  const std::size_t starts_per_part = options.starts_per_part;
  const std::size_t shortest = std::min<std::size_t>(starts_per_part, 1 << 15);
  return std::max(shortest, starts_per_part * 6 / std::max(6u, options.max_unit_length));
}

}  // namespace

// Each part looks through the whole record once for N's (and, with long
// units, for other letters), which for hundreds of parts of a long record
// would cost as much as searching them.
std::size_t RecordSearch::parts() const {
  constexpr std::size_t most_parts = 16;
  return std::clamp<std::size_t>(sequence.length / starts_in_a_part(options), 1, most_parts);
}

void RecordSearch::cover_unit_lengths() const {
  workspace.thresholds.cover(options, std::min(options.max_unit_length, sequence.length));
}
