#ifndef VELKOR_SEARCH_RECORD_PARTS_H
#define VELKOR_SEARCH_RECORD_PARTS_H

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "repeats/Csat.h"

// The search of one part, given the record pool of the thread that runs it:
// its records come from that pool, and those it drops go back there.
using PartTask = std::function<void(Csat_garbagecollector& records)>;
// Runs every part given, perhaps several at once, each with the pool of the
// thread it runs on, and returns once all are done, rethrowing what one of
// them threw.
using RunParts = std::function<void(std::vector<PartTask>&)>;

// A long record cut into overlapping parts that are searched at once, and
// the points at which their repeats are glued into those of the whole
// search. Why a quiet point is a sound place to glue is argued with each
// search that is cut (imperfect_search_in_parts.cpp, exact_search_in_parts.cpp).

// Points of the record, as offsets from its first residue, from `from` to
// `to` (both included).
struct Stretch {
  long long from, to;
  bool operator<(const Stretch& other) const { return from < other.from; }
};

// The starts one part searches, its overlaps with the parts before and
// after it, and the points of those overlaps that its repeats rule out.
struct PartOfRecord {
  const char* from = nullptr;
  const char* to = nullptr;
  Stretch before{}, after{};
  std::vector<Stretch> ruled_out_before, ruled_out_after;

  // A repeat over [begin, end) (offsets) covers the band of every point
  // within two residues of it.
  void rule_out(long long begin, long long end) {
    const Stretch covered{begin - 2, end + 2};
    if (covered.to >= before.from && covered.from <= before.to) ruled_out_before.push_back(covered);
    if (covered.to >= after.from && covered.from <= after.to) ruled_out_after.push_back(covered);
  }
};

// The first point of overlap that no stretch of ruled_out covers, or -1.
inline long long first_point_left(const Stretch& overlap, std::vector<Stretch> ruled_out) {
  std::sort(ruled_out.begin(), ruled_out.end());
  long long y = overlap.from;
  for (const Stretch& stretch : ruled_out) {
    if (stretch.from > y) break;
    y = std::max(y, stretch.to + 1);
  }
  return y <= overlap.to ? y : -1;
}

// The first point of the overlap of two parts that neither rules out, or -1.
inline long long quiet_point(const PartOfRecord& before, const PartOfRecord& after) {
  std::vector<Stretch> ruled_out = before.ruled_out_after;
  ruled_out.insert(ruled_out.end(), after.ruled_out_before.begin(), after.ruled_out_before.end());
  return first_point_left(after.before, std::move(ruled_out));
}

// Cuts the n residues from first into count parts, each searching from its
// cut to an overlap past the next one, and searches them (search, handed to
// run_parts as one task per part). Returns the glue points: first, a quiet
// point in each overlap, first + n. Two parts with no quiet point between
// them (an array longer than the overlap lies across the cut) are searched
// again as one part on the calling thread, with its pool own_records, after
// let_go has given up what they found, together with the parts after them
// that rule out their whole overlap with the part before on their own; the
// overlap of that part with the part before is then
// looked at again. Counts the searches again in searched_again.
template <class Part>
std::vector<const char*> search_and_glue(std::vector<Part>& parts, const char* first, std::size_t n,
                                         std::size_t count,
                                         const RunParts& run_parts,
                                         const std::function<void(Part&, Csat_garbagecollector&)>& search,
                                         const std::function<void(Part&)>& let_go, Csat_garbagecollector& own_records,
                                         long long& searched_again) {
  // Long enough for a quiet point beside all but long arrays; an eighth of a
  // part at most, which it adds to the part's cost (and never longer than a
  // part, so that the points chosen stay in order).
  const std::size_t overlap = std::min<std::size_t>(n / count / 8 + 1, 8192);
  auto cut = [n, count](std::size_t i) { return static_cast<long long>(i == count ? n : i * (n / count)); };
  auto overlap_at = [&](std::size_t i) { return Stretch{cut(i), cut(i) + static_cast<long long>(overlap)}; };
  parts.resize(count);
  std::vector<PartTask> tasks;
  for (std::size_t i = 0; i < count; ++i) {
    Part& part = parts[i];
    part.from = first + cut(i);
    part.to = i + 1 == count ? first + n : first + std::min<long long>(static_cast<long long>(n), overlap_at(i + 1).to);
    part.before = overlap_at(i);
    part.after = overlap_at(i + 1);
    tasks.emplace_back([&search, &part](Csat_garbagecollector& records) { search(part, records); });
  }
  run_parts(tasks);

  std::vector<const char*> glue{first};
  for (std::size_t i = 1; i < parts.size();) {
    const long long y = quiet_point(parts[i - 1], parts[i]);
    if (y >= 0) {
      glue.push_back(first + y);
      ++i;
      continue;
    }
    ++searched_again;
    std::size_t last = i;  // parts i - 1 to last become one
    while (last + 1 < parts.size() && first_point_left(parts[last + 1].before, parts[last + 1].ruled_out_before) < 0)
      ++last;
    Part merged;
    merged.from = parts[i - 1].from;
    merged.before = parts[i - 1].before;
    merged.to = parts[last].to;
    merged.after = parts[last].after;
    for (std::size_t j = i - 1; j <= last; ++j) let_go(parts[j]);
    parts[i - 1] = std::move(merged);
    parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(i), parts.begin() + static_cast<std::ptrdiff_t>(last + 1));
    search(parts[i - 1], own_records);
    if (i > 1) {
      glue.pop_back();
      --i;
    }
  }
  glue.push_back(first + n);
  return glue;
}

#endif
