#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "search/CSearchController.h"
#include "search_test_sequence.h"

namespace {

struct Planned {
  long begin, end, unit;
  int score;
};

// Replaces the records of the list by the planned ones, numbered in order,
// taken from pool.
void plant(SatList& sats, Csat_garbagecollector& pool, const TestSequence& seq, const std::vector<Planned>& records) {
  for (Csat* s : sats) pool.give_back(s);
  sats.clear();
  for (const Planned& p : records) {
    Csat* s = pool.get_new(seq.mol.residues + p.begin, seq.mol.residues + p.begin + p.unit);
    s->sat_end = seq.mol.residues + p.end;
    s->score = p.score;
    s->seed_number = static_cast<unsigned>(sats.size());
    sats.push_back(s);
  }
}

// The removal as a walk over the whole list, one record against each later
// one it overlaps; the filter weighs them as they come.
std::vector<unsigned> survivors_by_pairwise_rule(const std::vector<Planned>& records) {
  std::vector<unsigned> list(records.size());
  for (unsigned i = 0; i < list.size(); ++i) list[i] = i;
  auto mostly_overlapping = [&records](unsigned a, unsigned b) {
    const long overlap = std::min(records[a].end, records[b].end) - records[b].begin;
    auto hidden = [&records, overlap](unsigned r) { return records[r].end - records[r].begin < records[r].unit + overlap; };
    return hidden(a) || hidden(b);
  };
  for (std::size_t a = 0; a < list.size();) {
    bool a_removed = false;
    for (std::size_t b = a + 1; b < list.size() && records[list[a]].end > records[list[b]].begin;) {
      if (!mostly_overlapping(list[a], list[b])) {
        ++b;
      } else if (records[list[a]].score < records[list[b]].score) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(a));
        a_removed = true;
        break;
      } else {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(b));
      }
    }
    if (!a_removed) ++a;
  }
  return list;
}

// Many records of one extent, as a long array gives, and few scores, so
// that ties and chains of removals are common; every record removed must go
// back to the pool.
TEST(RemoveHidden, FilterAgreesWithThePairwiseRule) {
  const SearchOptions options;
  SearchWorkspace workspace;
  Csat_garbagecollector pool;
  TestSequence seq(std::string(80, 'A'));
  CSearchController controller(options, workspace, pool, 1, seq.mol);
  std::mt19937 random(7);
  auto uniform = [&random](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(random); };
  for (int round = 0; round < 3000; ++round) {
    std::vector<Planned> records;
    const long count = uniform(0, 30);
    for (long i = 0; i < count; ++i) {
      const long unit = uniform(1, 6);
      const long begin = uniform(0, 10) == 0 && !records.empty() ? records.back().begin : uniform(0, 50);
      const long end = uniform(0, 3) == 0 && !records.empty() && records.back().begin == begin
                           ? records.back().end
                           : begin + unit + uniform(0, 25);
      records.push_back({begin, end, unit, static_cast<int>(uniform(0, 4))});
    }
    std::stable_sort(records.begin(), records.end(), [](const Planned& a, const Planned& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    plant(controller.imperfect_sats.sats, pool, seq, records);
    const std::size_t pool_before = pool.free_list.size();
    controller.remove_hidden(controller.imperfect_sats);
    std::vector<unsigned> left;
    for (const Csat* s : controller.imperfect_sats.sats) left.push_back(s->seed_number);
    ASSERT_EQ(left, survivors_by_pairwise_rule(records)) << "round " << round;
    ASSERT_EQ(pool.free_list.size(), pool_before + records.size() - left.size()) << "round " << round;
  }
}

}  // namespace
