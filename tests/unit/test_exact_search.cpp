#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "search/CSearchController.h"
#include "search/exact/N_locator.h"
#include "search/exact/exact_group_scan.h"
#include "random_sequence.h"
#include "reference_search.h"
#include "search_test_support.h"

namespace {

struct Found {
  long begin, end, unit_begin, unit_end, forward, backward;
  int score, Ns;
  auto fields() const { return std::tie(begin, end, unit_begin, unit_end, forward, backward, score, Ns); }
  bool operator==(const Found& o) const { return fields() == o.fields(); }
};

std::ostream& operator<<(std::ostream& os, const Found& f) {
  return os << "[" << f.begin << "," << f.end << ") unit [" << f.unit_begin << "," << f.unit_end << ") fwd "
            << f.forward << " bwd " << f.backward << " score " << f.score << " Ns " << f.Ns;
}

Found found(const Csat& s, const char* base) {
  return {s.sat_begin - base,        s.sat_end - base,           s.unit_begin - base, s.unit_end - base,
          s.unit_pos_forward - base, s.unit_pos_backward - base, s.score,             s.Ns};
}

// The search one step at a time, every start grown afresh: slow, and obviously right.
class ReferenceExactSearch {
 public:
  ReferenceExactSearch(const SearchOptions& options, const std::string& s, const Thresholds& thresholds,
                       const Thresholds& user)
      : options_(options), s_(s), n_(static_cast<long>(s.size())), thresholds_(thresholds), user_(user) {}

  std::vector<Found> run() {
    std::vector<Found> result;
    long first_k = std::max<long>(1, options_.min_unit_length);
    long last_k = std::min<long>(options_.max_unit_length, n_);
    for (long p = skip_N(0); first_k == 1 && last_k >= 1 && p + 1 < n_;) {
      Found f = grow(p, 1);
      if (accepted(f, 1)) result.push_back(f);
      p = skip_N(accepted(f, 1) ? f.end : p + 1);
    }
    std::vector<bool> covered(static_cast<std::size_t>(n_), false);
    auto open = [&](long x) { return x < 0 || x >= n_ || !covered[static_cast<std::size_t>(x)]; };
    for (long k = std::max<long>(2, first_k); k <= last_k; ++k) {
      for (long i = 0; i + k < n_; ++i) {
        if (!((open(i) && (open(i + k - 1) || open(i + k))) || (open(i - 1) && open(i + k - 1)))) continue;
        const std::string unit = s_.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(k));
        if (unit.find('N') != std::string::npos) continue;
        if (unit == std::string(unit.size(), unit[0])) continue;
        Found f = grow(i, k);
        if (!accepted(f, k)) continue;
        if (f.score >= user_.min_scores[k] && f.end - f.begin >= user_.min_lengths[k]) {
          for (long x = f.begin; x < f.end; ++x) covered[static_cast<std::size_t>(x)] = true;
        }
        result.push_back(f);
      }
    }
    std::stable_sort(result.begin(), result.end(), [](const Found& a, const Found& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    return result;
  }

 private:
  const SearchOptions& options_;
  const std::string& s_;
  long n_;
  Thresholds thresholds_, user_;

  char at(long x) const { return s_[static_cast<std::size_t>(x)]; }
  long skip_N(long p) const {
    while (p < n_ && at(p) == 'N') ++p;
    return p;
  }
  bool accepted(const Found& f, long k) const {
    return f.score >= thresholds_.min_scores[k] && f.end - f.begin >= thresholds_.min_lengths[k];
  }

  Found grow(long p, long k) const {
    reference::Record r = reference::copy_at(p, k);
    reference::grow_without_errors(options_, s_, r);
    return {r.begin, r.end, p, p + k, p + r.phase_forward, p + r.phase_backward, static_cast<int>(r.score), r.Ns};
  }
};

// Random DNA with planted perfect repeats, runs of equal letters and N runs:
// the material on which the shortcuts of the search could go wrong. Now and
// then a repeat or an N run reaches over many steps of the group scan.
std::string random_genome(RandomSequence& random, std::size_t length) {
  std::string s;
  while (s.size() < length) {
    const unsigned kind = random.below(6), long_one = kind == 5 ? 1 + random.below(4) : 0;  // 1: an N run
    if (kind < 2) {
      s += random.letters(1 + random.below(8));
    } else if (kind == 3) {
      s.append(1 + random.below(12), "ACGT"[random.below(4)]);
    } else if (kind == 4 || long_one == 1) {
      s.append(kind == 4 ? 1 + random.below(4) : 20 + random.below(100), 'N');
    } else {
      const std::string unit = random.letters(1 + random.below(long_one ? 12 : 7));
      const std::size_t length_of_array =
          long_one ? 64 + random.below(300) : unit.size() * (1 + random.below(6)) + random.below(unit.size());
      random.append_array(s, unit, length_of_array, 1u << 30, false);
    }
  }
  s.resize(length);
  return s;
}

using ExactSearch = SearchTest;

// Against the step-by-step search, and searched in parts against the whole.

TEST_F(ExactSearch, MatchesTheStepByStepSearchOnRandomGenomes) {
  struct Setting {
    unsigned min_k, max_k;
    int min_score;
    float score_per_unit_residue;
    int Ns_in_a_row;
    bool Ns_as_missense, intern_thresholds;  // the latter as the seed search of the extending mode runs it
    int min_length;
  };
  const Setting settings[] = {
      {1, 6, 6, 1, 4, false, false, 1},   {1, 6, 2, 1, 4, false, false, 1},  {2, 9, 3, 1, 2, false, false, 1},
      {1, 4, 20, 1, 4, false, false, 1},  {1, 6, 6, 1, 0, false, false, 1},  {1, 6, 6, 1, 4, true, false, 1},
      {3, 5, 4, 1, 1, false, false, 1},   {1, 8, 12, 1, 4, false, true, 1},  {1, 3, 1, 1, 30, false, false, 1},
      {1, 5, 0, 0, 3, false, false, 1},   {2, 4, -3, 0, 2, false, false, 1},  // every unit copy is kept
      {1, 6, 2, 1, 4, false, false, 15}, {2, 5, 0, 0, 0, false, false, 9},
      // Long units, and groups that must hold more than one step of the scan.
      {1, 20, 70, 1, 4, false, false, 1}, {4, 14, 16, 0, 2, false, false, 40},
  };
  RandomSequence random(20240611);
  for (const Setting& st : settings) {
    options = SearchOptions();
    options.min_unit_length = st.min_k;
    options.max_unit_length = st.max_k;
    options.min_score = st.min_score;
    options.min_score_a = 0;
    options.min_score_bx = st.score_per_unit_residue;
    options.Ns_allowed_in_a_row = st.Ns_in_a_row;
    options.treat_Ns_as_missense = st.Ns_as_missense;
    options.min_length = st.min_length;
    for (int round = 0; round < 40; ++round) {
      std::string s = random_genome(random, round % 4 == 3 ? 1000 + random.below(3000) : random.below(400));
      TestSequence seq(s);
      CSearchController controller(options, workspace, pool, 1, seq.mol);
      const Thresholds thresholds =
          st.intern_thresholds ? controller.internal_thresholds() : controller.user_thresholds();
      std::vector<Found> expected = ReferenceExactSearch(options, s, thresholds, controller.user_thresholds()).run();
      CsatContainer result(&pool);
      AppendRecords into_result(result.sats);
      controller.exact_search_2(thresholds, into_result);
      std::vector<Found> actual;
      for (const Csat* r : result.sats) actual.push_back(found(*r, seq.mol.residues));
      ASSERT_EQ(actual, expected) << "sequence " << s << " unit lengths " << st.min_k << ".." << st.max_k;

      // Searched in parts as short as 20 starts, in turn or on threads.
      options.starts_per_part = 20 + random.below(static_cast<unsigned>(s.size()) / 2 + 1);
      CSearchController in_parts_search(options, workspace, pool, 1, seq.mol);
      in_parts_search.run_parts = random.below(4) == 0 ? parts_on_threads() : parts_in_turn();
      CsatContainer parts_result(&pool);
      AppendRecords into_parts_result(parts_result.sats);
      in_parts_search.exact_search_2(thresholds, into_parts_result);
      std::vector<Found> glued;
      for (const Csat* r : parts_result.sats) glued.push_back(found(*r, seq.mol.residues));
      ASSERT_EQ(glued, actual) << "sequence " << s << " starts per part " << options.starts_per_part;
    }
  }
  EXPECT_GT(workspace.counts.records_in_parts, 300);
  EXPECT_GT(workspace.counts.parts_searched_again, 150);
}

// The exact search asks for the next group to judge, and for a group's end,
// from every group start it reaches; the scans that take many positions at
// once must give what the position-by-position ones give, for thresholds
// below, within and beyond what one step of the scan can see; a part's scan
// must find the groups that start before its end.
TEST(ExactGroupScanTest, AgreesWithThePlainScan) {
  RandomSequence random(2024);
  unsigned passed_over = 0, found = 0;
  for (int round = 0; round < 400; ++round) {
    const std::string residues = random_genome(random, 1 + random.below(600));
    TestSequence seq(residues);
    const char* first = seq.mol.residues;
    const char* end = first + seq.mol.length;
    const NLocator Ns(first, end);
    for (unsigned k = 1; k <= 8 && k < seq.mol.length; ++k) {
      // Mostly the usual few, now and then about one step of the scan or more.
      const unsigned pick = random.below(8);
      const std::ptrdiff_t needed = pick == 0   ? static_cast<std::ptrdiff_t>(random.below(140)) - 2
                                    : pick == 1 ? 60 + random.below(8)
                                                : 1 + random.below(12);
      const bool Ns_bridged = random.below(2) == 0;
      ExactGroupScan scan(k, needed, Ns_bridged, Ns, first, end);
      // A part's scan, which must find the same groups that start before its end.
      ExactGroupScan part_scan(k, needed, Ns_bridged, Ns, first, end);
      const char* part_end = first + random.below(static_cast<unsigned>(seq.mol.length));
      part_scan.judge_groups_starting_before(part_end);
      for (const char* g = first; g + k < end; ++g) {
        if (g != first && g[-1] == g[k - 1] && g[-1] != 'N') continue;  // not a group start
        ASSERT_EQ(scan.last_start(g), scan.last_start_plainly(g)) << "k " << k << " from " << seq.at(g);
        const char* plain = scan.next_group_to_judge_plainly(g);
        ASSERT_EQ(scan.next_group_to_judge(g), plain)
            << "k " << k << " needed " << needed << " from " << seq.at(g) << " in " << residues;
        if (g < part_end) {
          const char* in_part = part_scan.next_group_to_judge(g);
          ASSERT_EQ(part_scan.next_group_to_judge_plainly(g), in_part);
          if (plain < part_end) ASSERT_EQ(in_part, plain) << "k " << k << " part end " << seq.at(part_end);
          else ASSERT_GE(in_part, part_end);
        }
        // Its end may be known from the scan that found it.
        ASSERT_EQ(scan.last_start(plain), scan.last_start_plainly(plain)) << "k " << k << " at " << seq.at(plain);
        passed_over += plain > g;
        found += plain + k < end;
      }
    }
  }
  EXPECT_GT(passed_over, 100000u);
  EXPECT_GT(found, 100000u);
}

// The next N from every position must be the first that reading on meets,
// wherever the N's lie with respect to the blocks that the locator passes
// over: none at all, many blocks without any, runs across block edges, N's at
// the very start and end, and sequences of N only.
TEST(NLocatorTest, FindsTheNextNAsReadingOnDoes) {
  RandomSequence random(7);
  for (int round = 0; round < 24; ++round) {
    std::string residues = round == 0 ? "" : random.letters(1 + random.below(60000));
    const unsigned runs = round % 4 == 0 ? 0 : random.below(12);
    for (unsigned r = 0; r < runs && !residues.empty(); ++r) {
      // Near a block edge half of the time.
      const auto size = static_cast<unsigned>(residues.size());
      unsigned at = random.below(2) == 0 ? random.below(size)
                                         : (random.below(16) * 4096 + size - 3 + random.below(6)) % size;
      for (unsigned n = 1 + random.below(8); n > 0 && at < size; --n) residues[at++] = 'N';
    }
    if (round % 5 == 1) residues.front() = residues.back() = 'N';
    if (round == 23) residues.assign(9000, 'N');
    TestSequence seq(residues);  // nothing beyond the last residue to read by mistake
    const char* first = seq.mol.residues;
    const char* end = first + seq.mol.length;
    const NLocator Ns(first, end);
    const char* next = end;  // the first N at or after p, found reading backwards
    for (const char* p = end; p >= first; --p) {
      if (p < end && *p == 'N') next = p;
      ASSERT_EQ(Ns.first_N_from(p), next) << "round " << round << " from " << seq.at(p);
      if (p == first) break;
    }
  }
}

}  // namespace
