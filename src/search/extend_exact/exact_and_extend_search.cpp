// Search mode extendExact: the perfect repeats found under lenient internal
// thresholds are the seeds; each is grown over alignment errors on its own and
// kept when the grown repeat meets the user's thresholds. Seeds that grow into
// the same repeat are all kept here; the overlap removal decides among them.
//
// Seeds are grown as the exact search finds them, a few hundred at a time,
// rather than all collected first: on repeat-rich genomes the seeds outnumber
// the kept repeats many times over.
// The result is ordered as if the seeds had been collected, sorted by their
// extent and then grown: by the grown extent, then by the seed's extent, then
// in the order the seeds were found.
//
// Inside a long imperfect array every seed grows over the whole array, and
// each of these repeats would hold an error list as long as the array: memory
// quadratic in its length, nearly all of it for repeats that the overlap
// removal drops. So a kept repeat with a long error list gives the list up;
// once the overlap removal has run here, the survivors among them are grown
// again from their seeds, which gives the same list, since growing depends on
// nothing but the seed. The removal finds nothing more to remove when the run
// driver calls it next: no two repeats that it keeps overlap mostly.
#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <vector>

#include "repeats/allocation.h"
#include "search/exact/exact_search.h"
#include "search/extend_exact/extend_exact_search.h"
#include "search/hidden_repeat_filter.h"

namespace {

// A kept repeat and the exact repeat it grew from, positions as offsets from
// the first residue. Kept this way rather than as a record until the overlap
// removal: inside a long array the seeds are many, and a record with its
// list and its pointers takes several times the room.
struct GrownRepeat {
  std::uint32_t seed_begin, seed_end;
  std::uint32_t unit_begin;
  std::int32_t score;
  std::uint32_t extent;  // in GrownSeeds::extents
};

// Where a grown repeat lies, and its unit length. A repeat whose list is let
// go is grown again if it survives, so only what the removal reads is kept
// of it, and the seeds of one array, grown one after the other into the
// same stretch, share this part; a repeat with a list has one of its own.
struct GrownExtent {
  static constexpr std::uint32_t list_let_go = UINT32_MAX;
  std::uint32_t begin, end;
  std::uint32_t unit_length;
  std::uint32_t listed;  // in GrownSeeds::listed, or list_let_go
  bool operator==(const GrownExtent& other) const {
    return begin == other.begin && end == other.end && unit_length == other.unit_length && listed == other.listed;
  }
};

// The rest of a grown repeat whose list is kept.
struct ListedRepeat {
  std::uint32_t forward_phase, backward_phase;  // of the unit positions expected beyond the ends
  std::int32_t mismatches, insertions, deletions, Ns;
  std::uint32_t first_error, errors;  // in GrownSeeds::errors
};

struct ListedError {
  std::uint32_t offset;
  char kind;
};

}  // namespace

// Repeats wait here with their seeds while the exact search runs; the result
// list is made once they are all grown, in an order that needs the seeds.
// Each store lies in one block, which goes back to the system when freed and
// makes room for the lists grown again; and an empty one allocates nothing,
// since a draft assembly may have a hundred thousand records.
struct ExtendExactSearch::GrownSeeds {
  std::vector<GrownRepeat> repeats;  // by seed_number
  std::vector<GrownExtent> extents;
  std::vector<ListedRepeat> listed;
  std::vector<ListedError> errors;
  // A record and the exact repeat it grows from.
  struct Seed {
    Csat* sat;
    std::uint32_t seed_begin, seed_end;
  };
  std::vector<Seed> waiting;  // not grown yet, in the order found

  // Keeps the repeat sat grown from seed, and its list only where it holds
  // at most longest_list_kept errors.
  void keep(const Seed& seed, Csat& sat, const char* first, unsigned longest_list_kept);
  // Keeps only the repeats numbered in `kept`, numbered again in that order.
  void keep_only(std::vector<std::uint32_t>& kept);
};

namespace {

// A grown record's extent and score: growing a seed twice must give the same.
using Growth = std::tuple<const char*, const char*, int>;
Growth growth_of(const Csat& sat) { return {sat.sat_begin, sat.sat_end, sat.score}; }

// Sets a grown record back to the exact repeat [begin, end) it grew from. Its
// unit copy is unchanged by growing; every residue of an exact repeat beyond
// that copy is a match or a bridged N.
void back_to_seed(Csat& sat, const char* begin, const char* end) {
  const std::ptrdiff_t k = sat.unit_end - sat.unit_begin;
  auto unit_pos_at = [&sat, k](const char* residue) {
    return sat.unit_begin + ((residue - sat.unit_begin) % k + k) % k;
  };
  const unsigned Ns = static_cast<unsigned>(std::count(begin, end, 'N'));
  sat.reset(sat.unit_begin, sat.unit_end);
  sat.sat_begin = begin;
  sat.sat_end = end;
  sat.unit_pos_forward = unit_pos_at(end);
  sat.unit_pos_backward = unit_pos_at(begin - 1);
  sat.Ns = static_cast<int>(Ns);
  sat.score = static_cast<int>((end - begin) - k - static_cast<std::ptrdiff_t>(Ns));
}

std::uint32_t offset_of(const char* p, const char* first) { return static_cast<std::uint32_t>(p - first); }

// The record of a grown repeat, taken from pool; only its extent, unit and
// score where its list was let go.
Csat* record_of(const GrownRepeat& r, unsigned seed_number, const ExtendExactSearch::GrownSeeds& grown,
                const char* first, Csat_garbagecollector& pool) {
  const GrownExtent& extent = grown.extents[r.extent];
  const char* unit_begin = first + r.unit_begin;
  Csat* sat = pool.get_new(unit_begin, unit_begin + extent.unit_length);
  sat->sat_begin = first + extent.begin;
  sat->sat_end = first + extent.end;
  sat->score = r.score;
  sat->seed_number = seed_number;
  if (extent.listed != GrownExtent::list_let_go) {
    const ListedRepeat& l = grown.listed[extent.listed];
    sat->unit_pos_forward = unit_begin + l.forward_phase;
    sat->unit_pos_backward = unit_begin + l.backward_phase;
    sat->mismatches = l.mismatches;
    sat->insertions = l.insertions;
    sat->deletions = l.deletions;
    sat->Ns = l.Ns;
    sat->missense.reserve(l.errors);
    for (std::uint32_t e = l.first_error; e != l.first_error + l.errors; ++e)
      sat->missense.push_back({first + grown.errors[e].offset, grown.errors[e].kind});
  }
  // The record may come from the pool with the list of a long walk.
  sat->missense.shrink_to_fit();
  return sat;
}

}  // namespace

// Short lists are the rule on real genomes, so hardly any repeat is grown twice.

// Seeds are grown a batch at a time: the forward walks in the order found,
// the backward walks the other way round. Inside an array, each backward walk
// then meets the trail of the seed after its own at its first error and keeps
// no trail of its own. Grown in the order found, each one reached the trail
// of the seed before only at its second error, and kept a trail of one point
// with a summary of its path ahead for every seed.

ExtendExactSearch::ExtendExactSearch(const RecordSearch& record, ExtensionAlignment& extension)
    : record_(record), extension_(extension) {
  record_.cover_unit_lengths();
}

void ExtendExactSearch::grow_seed(GrownSeeds& grown, Csat* sat) {
  const char* first = record_.sequence.residues;
  const SearchOptions& options = record_.options;
  if (grown.waiting.capacity() == 0) grown.waiting.reserve(options.seeds_grown_at_once);
  grown.waiting.push_back({sat, offset_of(sat->sat_begin, first), offset_of(sat->sat_end, first)});
  if (grown.waiting.size() >= options.seeds_grown_at_once) grow_waiting_seeds(grown);
}

void ExtendExactSearch::grow_waiting_seeds(GrownSeeds& grown) {
  const char* first = record_.sequence.residues;
  std::vector<GrownSeeds::Seed>& waiting = grown.waiting;
  for (const GrownSeeds::Seed& seed : waiting) extension_.grow_forward(*seed.sat);
  for (auto seed = waiting.rbegin(); seed != waiting.rend(); ++seed) extension_.grow_backward(*seed->sat);
  for (const GrownSeeds::Seed& seed : waiting) {
    // The exact search runs under the internal tables; grown repeats must meet the user's.
    if (record_.workspace.thresholds.user().passed_by(*seed.sat, seed.sat->unit_length()))
      grown.keep(seed, *seed.sat, first, record_.options.longest_error_list_kept);
    record_.records.give_back(seed.sat);
  }
  waiting.clear();
}

void ExtendExactSearch::GrownSeeds::keep(const Seed& seed, Csat& sat, const char* first, unsigned longest_list_kept) {
  if (repeats.size() >= UINT_MAX) throw_out_of_memory();
  GrownExtent extent{offset_of(sat.sat_begin, first), offset_of(sat.sat_end, first), sat.unit_length(),
                     GrownExtent::list_let_go};
  if (sat.missense.count <= longest_list_kept) {
    sort_errors(sat);
    if (errors.size() + sat.missense.count >= UINT32_MAX) throw_out_of_memory();
    extent.listed = static_cast<std::uint32_t>(listed.size());
    listed.push_back({offset_of(sat.unit_pos_forward, sat.unit_begin), offset_of(sat.unit_pos_backward, sat.unit_begin),
                      sat.mismatches, sat.insertions, sat.deletions, sat.Ns, static_cast<std::uint32_t>(errors.size()),
                      sat.missense.count});
    for (const missense_entry& e : sat.missense) errors.push_back({offset_of(e.position, first), e.kind});
  }
  if (extents.empty() || !(extents.back() == extent)) extents.push_back(extent);
  repeats.push_back({seed.seed_begin, seed.seed_end, offset_of(sat.unit_begin, first), sat.score,
                     static_cast<std::uint32_t>(extents.size() - 1)});
}

void ExtendExactSearch::GrownSeeds::keep_only(std::vector<std::uint32_t>& kept) {
  GrownSeeds fewer;
  fewer.repeats.reserve(kept.size());
  // An extent with a list is a single repeat's; one without may be shared.
  std::vector<std::uint32_t> extent_moved_to(extents.size(), UINT32_MAX);
  for (std::uint32_t& number : kept) {
    GrownRepeat repeat = repeats[number];
    std::uint32_t& moved_to = extent_moved_to[repeat.extent];
    if (moved_to == UINT32_MAX) {
      GrownExtent extent = extents[repeat.extent];
      if (extent.listed != GrownExtent::list_let_go) {
        ListedRepeat listed_repeat = listed[extent.listed];
        const auto first_error = errors.begin() + listed_repeat.first_error;
        listed_repeat.first_error = static_cast<std::uint32_t>(fewer.errors.size());
        fewer.errors.insert(fewer.errors.end(), first_error, first_error + listed_repeat.errors);
        extent.listed = static_cast<std::uint32_t>(fewer.listed.size());
        fewer.listed.push_back(listed_repeat);
      }
      moved_to = static_cast<std::uint32_t>(fewer.extents.size());
      fewer.extents.push_back(extent);
    }
    repeat.extent = moved_to;
    number = static_cast<std::uint32_t>(fewer.repeats.size());
    fewer.repeats.push_back(repeat);
  }
  repeats.swap(fewer.repeats);
  extents.swap(fewer.extents);
  listed.swap(fewer.listed);
  errors.swap(fewer.errors);
}

namespace {

// Grows each exact repeat the moment the exact search finds it.
class SeedGrower : public ExactRepeatTaker {
 public:
  SeedGrower(ExtendExactSearch& search, ExtendExactSearch::GrownSeeds& grown) : search_(search), grown_(grown) {}
  bool take(Csat& seed) override {
    search_.grow_seed(grown_, &seed);
    return true;
  }
  // Growing seeds is slow on long imperfect arrays: the clock is asked often.
  long progress_stride() const override { return 256; }

 private:
  ExtendExactSearch& search_;
  ExtendExactSearch::GrownSeeds& grown_;
};

// What the overlap removal keeps: the seed numbers in order, and the records
// whose lists were let go, with their seeds, to be grown again; every other
// record goes back to the pool.
class KeptSurvivors : public RecordSink {
 public:
  KeptSurvivors(std::vector<std::uint32_t>& survivors, std::vector<ExtendExactSearch::GrownSeeds::Seed>& to_grow_again,
                const ExtendExactSearch::GrownSeeds& grown, Csat_garbagecollector& pool)
      : survivors_(survivors), to_grow_again_(to_grow_again), grown_(grown), pool_(pool) {}
  void take(Csat* sat) override {
    const GrownRepeat& r = grown_.repeats[sat->seed_number];
    survivors_.push_back(sat->seed_number);
    if (grown_.extents[r.extent].listed == GrownExtent::list_let_go)
      to_grow_again_.push_back({sat, r.seed_begin, r.seed_end});
    else
      pool_.give_back(sat);
  }

 private:
  std::vector<std::uint32_t>& survivors_;
  std::vector<ExtendExactSearch::GrownSeeds::Seed>& to_grow_again_;
  const ExtendExactSearch::GrownSeeds& grown_;
  Csat_garbagecollector& pool_;
};

}  // namespace

void ExtendExactSearch::search(RecordSink& result) {
  const SearchOptions& options = record_.options;
  record_.progress.tell("  Searching for exact repeats.\n");
  GrownSeeds grown;
  SeedGrower grower(*this, grown);
  // One error more than a kept list holds tells a list to let go.
  extension_.errors_listed =
      options.longest_error_list_kept == UINT_MAX ? UINT_MAX : options.longest_error_list_kept + 1;
  ExactSearch(record_).search(record_.workspace.thresholds.internal(), grower);
  grow_waiting_seeds(grown);
  extension_.errors_listed = UINT_MAX;

  record_.progress.tell("  Extend exact to imperfect repeats.\n");
  // In the order of lessThan_sat, then by the seed's extent, then in the
  // order found.
  const std::vector<GrownRepeat>& repeats = grown.repeats;
  const std::vector<GrownExtent>& extents = grown.extents;
  std::vector<std::uint32_t> order(repeats.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&repeats, &extents](std::uint32_t a, std::uint32_t b) {
    const GrownRepeat& ra = repeats[a];
    const GrownRepeat& rb = repeats[b];
    const GrownExtent& ea = extents[ra.extent];
    const GrownExtent& eb = extents[rb.extent];
    return std::tie(ea.begin, ea.end, ra.seed_begin, ra.seed_end, a) <
           std::tie(eb.begin, eb.end, rb.seed_begin, rb.seed_end, b);
  });
  // Records are made only as the overlap removal takes them, so that those
  // it drops go back to the pool and are made again for the next ones; those
  // it keeps are made once more when their turn to be handed on comes: held
  // as records until then, they took more memory than the repeats kept here.
  std::vector<std::uint32_t> survivors;
  std::vector<GrownSeeds::Seed> to_grow_again;
  Csat_garbagecollector& records = record_.records;
  KeptSurvivors kept(survivors, to_grow_again, grown, records);
  HiddenRepeatFilter filter(kept, records, options.remove_mostly_hidden);
  const char* first = record_.sequence.residues;
  for (std::uint32_t i : order) filter.take(record_of(repeats[i], i, grown, first, records));
  filter.finish();
  std::vector<std::uint32_t>().swap(order);
  // The lists grown again can be as long as arrays; inside arrays, where the
  // removal drops nearly every repeat, the entries of those it drops make
  // room for them.
  if (!to_grow_again.empty() && 2 * survivors.size() < repeats.size()) grown.keep_only(survivors);

  // Growing again lists every error; the first growth went along whole
  // paths at once, and must have counted alike. The forward walks come
  // first, so that the forward trails make room for what the backward walks
  // add to the lists.
  std::vector<Growth> first_growths;
  for (const GrownSeeds::Seed& seed : to_grow_again) {
    first_growths.push_back(growth_of(*seed.sat));
    back_to_seed(*seed.sat, first + seed.seed_begin, first + seed.seed_end);
    extension_.grow_forward(*seed.sat);
  }
  extension_.forget_forward_walks();
  for (std::size_t i = 0; i < to_grow_again.size(); ++i) {
    Csat& sat = *to_grow_again[i].sat;
    extension_.grow_backward(sat);
    assert(growth_of(sat) == first_growths[i]);
    sort_errors(sat);
  }

  auto grown_again = to_grow_again.begin();
  for (std::uint32_t i : survivors) {
    const bool let_go = extents[repeats[i].extent].listed == GrownExtent::list_let_go;
    result.take(let_go ? (grown_again++)->sat : record_of(repeats[i], i, grown, first, records));
  }
}
