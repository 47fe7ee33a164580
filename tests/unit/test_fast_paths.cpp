// Each shortcut of the search must agree with the plain path it stands for.
// Random sequences (repeats, noise and N runs) are searched under random
// options, the shortcut and the plain path side by side. The search as a
// whole is compared with a plain reference in test_reference_search.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "config/parameters.h"
#include "search/N_locator.h"
#include "search/error_free_run.h"
#include "search/exact_group_scan.h"
#include "search/starts_to_try.h"
#include "search/shortcut_counts.h"
#include "search_test_support.h"

namespace {

// A test sequence as the range the searches walk.
struct Residues {
  TestSequence seq;
  const char* first;
  const char* end;
  explicit Residues(const std::string& text) : seq(text), first(seq.mol.residues), end(first + seq.mol.length) {}
  std::string text() const { return std::string(first, end); }
};

// The error-free run around the unit copy [p, p + k), counted from p.
std::pair<const char*, const char*> run_counted_from(const char* p, unsigned k, const Residues& r) {
  const char* run_end = p + k;
  while (run_end != r.end && *run_end == run_end[-static_cast<long>(k)]) ++run_end;
  const char* run_begin = p;
  while (run_begin != r.first && run_begin[-1] == run_begin[k - 1]) --run_begin;
  return {run_begin, run_end};
}

class FastPath : public SearchTest {
 protected:
  std::mt19937 rng{2024};

  void TearDown() override {
    CSearchController::leave_out_repeated_look_ahead = true;
    CSearchController::follow_earlier_walks = true;
    CSearchController::end_walks_that_cannot_regain_their_best = true;
    CSearchController::compare_sixteen_at_a_time = true;
    CSearchController::walk_points_kept_at_least = 65536;
    CSearchController::seeds_grown_at_once = 256;
    CSearchController::longest_error_list_kept = 16;
    SearchTest::TearDown();
  }

  unsigned below(unsigned n) { return static_cast<unsigned>(rng() % n); }

  void random_options() {
    fresh_defaults();
    global_mismatch_score = -2 - static_cast<int>(below(7));
    global_indel_score = -2 - static_cast<int>(below(7));
    global_maximum_recursion_depth = 1 + static_cast<int>(below(5));
    global_maximum_scorereduction = below(3) == 0 ? static_cast<int>(below(30)) - 5 : INT_MAX;
    global_Ns_allowed_in_a_row = static_cast<int>(below(4));
    global_treat_Ns_as_missense = below(5) == 0;
    global_min_score = static_cast<int>(below(16)) - 3;
    global_min_score_a = static_cast<int>(below(5));
    global_min_score_bx = static_cast<float>(below(3)) * 0.5f;
    global_min_length = static_cast<int>(below(12));
    global_max_unit_length = 8;  // the threshold tables must reach the unit lengths tried
  }

  static std::string options() {
    return " depth " + std::to_string(global_maximum_recursion_depth) + " m " + std::to_string(global_mismatch_score) +
           " g " + std::to_string(global_indel_score) + " R " + std::to_string(global_maximum_scorereduction) +
           " N " + std::to_string(global_Ns_allowed_in_a_row);
  }

  std::string random_unit(unsigned longest) {
    std::string unit;
    for (unsigned i = 1 + below(longest); i > 0; --i) unit += "ACGT"[below(4)];
    return unit;
  }

  // The first letters of the unit repeated, each one in rate changed into any
  // letter or N, or with indels also into an insertion or a deletion.
  void append_mutated(std::string& residues, const std::string& unit, unsigned letters, unsigned rate,
                      bool indels = false) {
    for (unsigned u = 0; u < letters;) {
      const unsigned pick = below(rate);
      switch (indels || pick == 0 ? pick : 3) {
        case 0: residues += "ACGTN"[below(5)]; ++u; break;  // mismatch or N
        case 1: residues += "ACGT"[below(4)]; break;        // insertion
        case 2: ++u; break;                                 // deletion
        default: residues += unit[u++ % unit.size()];
      }
    }
  }

  // The records of a search in mode imperfect or extendExact, in order and,
  // where asked for, after the overlap removal, found with a shortcut off
  // and then on (where it stays): they must be the same.
  std::vector<std::string> records[2];
  template <typename Shortcut>
  void expect_same_records(Shortcut use, const std::string& residues, bool extend_exact, bool remove_hidden = false) {
    for (bool on : {false, true}) {
      use(on);
      records[on] = imperfect_records(residues, extend_exact, remove_hidden);
    }
    ASSERT_EQ(records[false], records[true]) << residues << " extendExact " << extend_exact << options();
  }

  // Stretches of noise, of mutated repeats of short units and of N's.
  std::string random_sequence() {
    std::string residues;
    for (unsigned piece = 1 + below(6); piece > 0; --piece) {
      const unsigned kind = below(10);
      if (kind < 3) {
        for (unsigned i = 1 + below(40); i > 0; --i) residues += "ACGT"[below(4)];
      } else if (kind < 4) {
        residues.append(1 + below(6), 'N');
      } else {
        append_mutated(residues, random_unit(7), 5 + below(60), 12);
      }
    }
    return residues;
  }
};

// The one-error test reads the matches behind each error sixteen residues at
// a time; it must settle exactly the runs that counting them one by one
// settles, for units shorter and longer than sixteen, next to N's and near
// the sequence's ends.
TEST_F(FastPath, OneErrorTestAgreesWithCountingEachMatch) {
  unsigned settled = 0, left = 0;
  for (int round = 0; round < 400; ++round) {
    random_options();
    global_max_unit_length = 20;
    // Penalties of up to -24 let an error need up to 24 matches behind it:
    // beyond sixteen, and the masks' last bits.
    if (below(3) == 0) {
      global_mismatch_score = -2 - static_cast<int>(below(23));
      global_indel_score = -2 - static_cast<int>(below(23));
    }
    std::string residues;
    for (unsigned pieces = 1 + below(6); pieces > 0; --pieces) {
      residues += random_sequence();
      append_mutated(residues, random_unit(20), 20 + below(80), 3 + below(10), below(2) == 0);
    }
    Residues r(residues);
    CSearchController search(1, r.seq.mol);
    for (unsigned k = 1; k <= 20 && k < r.seq.mol.length; ++k) {
      OneErrorTest one_error(k, r.first, r.end);
      for (const char* p = r.first; p + k < r.end; ++p) {
        const auto run = run_counted_from(p, k, r);
        const bool fails = one_error.fails(run.first, run.second);
        ASSERT_EQ(fails, one_error.fails_plainly(run.first, run.second))
            << "k " << k << " at " << r.seq.at(p) << " in " << residues << options();
        ++(fails ? settled : left);
      }
    }
  }
  EXPECT_GT(settled, 100000u);
  EXPECT_GT(left, 100000u);
}

// The starts marked to try, unit length after unit length as the search
// marks them: every start left out must be settled by its run, be a copy of
// one letter or hold an N, and the runs read from the marks must be the runs counted
// afresh.
TEST_F(FastPath, StartsLeftOutAreSettledByTheirRuns) {
  unsigned left_out = 0, marked = 0;
  for (int round = 0; round < 3000; ++round) {
    random_options();
    global_max_unit_length = 16;
    std::string residues;
    for (unsigned pieces = 1 + below(8); pieces > 0; --pieces) residues += random_sequence();
    Residues r(residues);
    CSearchController search(1, r.seq.mol);
    StartsToTry starts(r.first, r.end);
    for (unsigned k = 1; k <= 16 && k < r.seq.mol.length; ++k) {
      SCOPED_TRACE("k " + std::to_string(k) + " in " + residues + options());
      const ErrorFreeRunTest error_free(k);
      const OneErrorTest one_error(k, r.first, r.end);
      starts.mark(k, error_free.starts_to_try(), one_error.starts_to_try());
      for (const char* p = r.first; p + k < r.end; ++p) {
        const auto run = run_counted_from(p, k, r);
        ASSERT_EQ(std::make_pair(starts.run_begin(p), starts.run_end(p)), run) << r.seq.at(p);
        if (starts.first_from(p) == p) {
          ++marked;
          continue;
        }
        ++left_out;
        const bool one_letter = k > 1 && std::all_of(p, p + k, [&](char c) { return c == *p; });
        const bool holds_N = std::memchr(p, 'N', k) != nullptr;
        ASSERT_TRUE(one_letter || holds_N || error_free.fails(run.first, run.second, r.first, r.end) ||
                    one_error.fails(run.first, run.second))
            << "left out " << r.seq.at(p);
      }
    }
  }
  EXPECT_GT(left_out, 1000000u);
  EXPECT_GT(marked, 100000u);
}

// The exact search asks for the next group to judge, and for a group's end,
// from every group start it reaches; the scans that take many positions at
// once must give what the position-by-position ones give, for thresholds
// below, within and beyond what one step of the scan can see.
TEST_F(FastPath, GroupScanAgreesWithThePlainScan) {
  unsigned passed_over = 0, found = 0;
  for (int round = 0; round < 400; ++round) {
    // Long perfect stretches carry runs over several steps of the scan.
    std::string residues = random_sequence();
    if (below(2) == 0) {
      const std::string unit = random_sequence().substr(0, 1 + below(8));
      for (unsigned i = 0, n = 64 + below(250); i < n; ++i) residues += unit[i % unit.size()];
      residues += random_sequence();
    }
    Residues r(residues);
    const NLocator Ns(r.first, r.end);
    for (unsigned k = 1; k <= 8 && k < r.seq.mol.length; ++k) {
      // Mostly the usual few, now and then about one step of the scan or more.
      const unsigned pick = below(8);
      const std::ptrdiff_t needed = pick == 0   ? static_cast<std::ptrdiff_t>(below(140)) - 2
                                    : pick == 1 ? 60 + below(8)
                                                : 1 + below(12);
      ExactGroupScan scan(k, needed, below(2) == 0, Ns, r.first, r.end);
      for (const char* g = r.first; g + k < r.end; ++g) {
        if (g != r.first && g[-1] == g[k - 1] && g[-1] != 'N') continue;  // not a group start
        ASSERT_EQ(scan.last_start(g), scan.last_start_plainly(g)) << "k " << k << " from " << r.seq.at(g);
        const char* plain = scan.next_group_to_judge_plainly(g);
        ASSERT_EQ(scan.next_group_to_judge(g), plain)
            << "k " << k << " needed " << needed << " from " << r.seq.at(g) << " in " << residues;
        // Its end may be known from the scan that found it.
        ASSERT_EQ(scan.last_start(plain), scan.last_start_plainly(plain)) << "k " << k << " at " << r.seq.at(plain);
        passed_over += plain > g;
        found += plain + k < r.end;
      }
    }
  }
  EXPECT_GT(passed_over, 100000u);
  EXPECT_GT(found, 100000u);
}

// Both searches that grow repeats over errors let long error lists go and
// grow the survivors of the overlap removal again; after the run driver's
// removal the records must be those that keeping every list gives, in order.
// Long mutated arrays make repeats that overlap a lot.
TEST_F(FastPath, ErrorListsRebuiltAfterTheOverlapRemovalEqualKeptLists) {
  unsigned rebuilt = 0;
  for (int round = 0; round < 800; ++round) {
    random_options();
    global_remove_mostly_hidden = below(4) != 0;
    std::string residues = random_sequence();
    if (below(2) == 0) append_mutated(residues, random_unit(4), 100 + below(300), 15);
    const unsigned kept = below(3);
    auto rebuild = [kept](bool on) { CSearchController::longest_error_list_kept = on ? kept : UINT_MAX; };
    ASSERT_NO_FATAL_FAILURE(expect_same_records(rebuild, residues, below(2) == 0, true));
    for (const std::string& record : records[true]) rebuilt += std::count(record.begin(), record.end(), '(') > 2;
  }
  CSearchController::longest_error_list_kept = 16;
  EXPECT_GT(rebuilt, 1000u);
}

// extendExact grows exact repeats with the same extension as the search
// compared with the reference. Its records with every shortcut of the
// extension on must be those of the plain path, every switch off. Long
// arrays (some next to each other or broken by a few residues) and shallow
// look-aheads raise scores high enough for trails and for paths taken at
// once; a small memo fills up; units longer than a decision reads meet
// trails where they differ only beyond that; depth 10 looks ahead without
// leaving nodes out.
TEST_F(FastPath, ExtendExactFindsWhatThePlainExtensionFinds) {
  const ShortcutCounts before = shortcut_counts;
  for (int round = 0; round < 500; ++round) {
    random_options();
    const bool deep = below(20) == 0;
    global_maximum_recursion_depth = deep ? 10 : 1 + static_cast<int>(below(4));
    if (below(2) == 0) global_indel_score = global_mismatch_score;
    const bool long_units = below(4) == 0;
    if (long_units) global_max_unit_length = 24;
    std::string residues = random_sequence();
    const std::string unit = random_unit(long_units ? 24 : 6);
    for (unsigned arrays = 1 + below(3); arrays > 0; --arrays) {
      append_mutated(residues, unit, (deep ? 40 : 60) + below(deep ? 60 : 300), 4 + below(30), below(2) == 0);
      if (below(3) == 0) {
        for (unsigned junk = below(12); junk > 0; --junk) residues += "ACGT"[below(4)];
        append_mutated(residues, below(2) == 0 ? unit : random_unit(6), 10 + below(60), 4 + below(30), true);
      }
      residues += random_sequence();
    }
    if (below(3) == 0) CSearchController::walk_points_kept_at_least = below(40);
    // Seeds grown in batches, the backward walks in reverse.
    if (below(2) == 0) CSearchController::seeds_grown_at_once = 1 + below(8);
    auto shortcuts = [](bool on) {
      CSearchController::leave_out_repeated_look_ahead = on;
      CSearchController::follow_earlier_walks = on;
      CSearchController::end_walks_that_cannot_regain_their_best = on;
      CSearchController::compare_sixteen_at_a_time = on;
    };
    ASSERT_NO_FATAL_FAILURE(expect_same_records(shortcuts, residues, true, below(2) == 0));
    CSearchController::walk_points_kept_at_least = 65536;
    CSearchController::seeds_grown_at_once = 256;
  }
  const ShortcutCounts& after = shortcut_counts;
  EXPECT_GT(after.trails_followed - before.trails_followed, 1000);
  EXPECT_GT(after.paths_taken_at_once - before.paths_taken_at_once, 1000);
  EXPECT_GT(after.walks_ended_unable_to_regain - before.walks_ended_unable_to_regain, 1000);
  EXPECT_GT(after.walks_ended_after_one_error - before.walks_ended_after_one_error, 1000);
  EXPECT_GT(after.unit_texts_written - before.unit_texts_written, 1000);
  EXPECT_GT(after.look_ahead_nodes_left_out - before.look_ahead_nodes_left_out, 10000);
  EXPECT_GT(after.look_ahead_nodes_dominated - before.look_ahead_nodes_dominated, 10000);
}

// The next N from every position must be the first that reading on meets,
// wherever the N's lie with respect to the blocks that the locator passes
// over: none at all, many blocks without any, runs across block edges, N's at
// the very start and end, and sequences of N only.
TEST_F(FastPath, NLocatorFindsTheNextNAsReadingOnDoes) {
  for (int round = 0; round < 24; ++round) {
    std::string residues(round == 0 ? 0 : 1 + below(60000), 'A');
    for (char& residue : residues) residue = "ACGT"[below(4)];
    const unsigned runs = round % 4 == 0 ? 0 : below(12);
    for (unsigned r = 0; r < runs && !residues.empty(); ++r) {
      // Near a block edge half of the time.
      std::size_t at = below(2) == 0 ? below(static_cast<unsigned>(residues.size()))
                                     : (below(16) * 4096 + residues.size() - 3 + below(6)) % residues.size();
      for (unsigned n = 1 + below(8); n > 0 && at < residues.size(); --n) residues[at++] = 'N';
    }
    if (round % 5 == 1) residues.front() = residues.back() = 'N';
    if (round == 23) residues.assign(9000, 'N');
    Residues r(residues);  // nothing beyond the last residue to read by mistake
    const NLocator Ns(r.first, r.end);
    const char* next = r.end;  // the first N at or after p, found reading backwards
    for (const char* p = r.end; p >= r.first; --p) {
      if (p < r.end && *p == 'N') next = p;
      ASSERT_EQ(Ns.first_N_from(p), next) << "round " << round << " from " << r.seq.at(p);
      if (p == r.first) break;
    }
  }
}

}  // namespace
