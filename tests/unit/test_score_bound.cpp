// The score bound of long units: every start it settles must grow into a
// record below the minimum score, and its sweep must settle just what
// counting the shared words of each start afresh settles. (The search with every shortcut is
// compared with a plain one elsewhere.) Random sequences hold noise, N runs
// and mutated arrays of long units and satellites; options are drawn at
// random, extremes included.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "config/parameters.h"
#include "search/score_bound.h"
#include "random_sequence.h"
#include "search_test_support.h"

namespace {

class ScoreBoundTest : public SearchTest {
 protected:
  RandomSequence random{24};
  RandomSequence cuts{25};  // of the parts swept, apart so as not to change the sequences

  void TearDown() override {
    CSearchController::settle_by_score_bound = true;
    SearchTest::TearDown();
  }

  unsigned below(unsigned n) { return random.below(n); }

  int penalty() {
    const unsigned pick = below(10);
    if (pick == 0) return -2;
    if (pick == 1) return INT_MIN / 2;  // far beyond any score
    return -3 - static_cast<int>(below(8));
  }

  void random_options(unsigned longest_unit) {
    fresh_defaults();
    global_mismatch_score = penalty();
    global_indel_score = below(3) == 0 ? global_mismatch_score : penalty();
    global_maximum_recursion_depth = 1 + static_cast<int>(below(6));
    const unsigned reduction = below(4);
    global_maximum_scorereduction = reduction == 0 ? static_cast<int>(below(40)) - 5 : INT_MAX;
    global_Ns_allowed_in_a_row = static_cast<int>(below(6));
    global_treat_Ns_as_missense = below(5) == 0;
    const unsigned thresholds = below(5);
    global_min_score = thresholds == 0 ? static_cast<int>(below(300)) - 20 : 6;
    global_min_score_a = static_cast<int>(below(10)) - 5;
    global_min_score_bx = thresholds == 1 ? 0.0f : static_cast<float>(below(5)) * 0.5f;
    global_min_length = static_cast<int>(below(30));
    global_max_unit_length = longest_unit;
  }

  // Noise (some of it AT-rich, where chance words are common), N runs and
  // arrays of units from 12 to longest_unit residues.
  std::string random_sequence(unsigned longest_unit) {
    std::string residues;
    for (unsigned piece = 1 + below(5); piece > 0; --piece) {
      const unsigned kind = below(8);
      if (kind < 2) {
        residues += random.letters(20 + below(300));
      } else if (kind < 3) {
        residues += random.letters(20 + below(200), "AATTACGT", 8);
      } else if (kind < 4) {
        residues.append(1 + below(7), 'N');
      } else {
        // Units of two letters hold each word many times: many hits at one position.
        const unsigned length = 12 + below(longest_unit - 11);
        const std::string unit = below(3) == 0 ? random.letters(length, "AT", 2) : random.letters(length);
        random.append_array(residues, unit, unit.size() * (2 + below(5)), 4 + below(40), true);
      }
    }
    return residues;
  }

  // Bit s for every start of unit length k whose copy holds no N.
  static std::vector<std::uint64_t> all_starts(const std::string& residues, unsigned k) {
    std::vector<std::uint64_t> starts(residues.size() / 64 + 1, 0);
    for (std::size_t s = 0; s + k < residues.size(); ++s)
      if (residues.find('N', s) >= s + k)
        starts[s / 64] |= std::uint64_t{1} << (s % 64);
    return starts;
  }

  static bool set(const std::vector<std::uint64_t>& bits, std::size_t s) { return (bits[s / 64] >> (s % 64)) & 1; }

  struct Counts {
    long long settled = 0, by_longer_words = 0, kept = 0;
  };
  // Sweeps the starts of unit length k and grows each start it settles.
  void check_sweep(const std::string& residues, unsigned k, Counts& counts);
};

// The bound worked out for one start from its argument alone, word by word:
// the hits of words of g and of g + 1 letters in the windows ahead of and
// behind the copy, the reach conditions and the final sum. Also tells
// whether the words of g letters alone settle it.
struct Settled {
  bool by_both_lengths = false, by_shorter_words = false;
};
Settled plainly_settled(const std::string& t, long long p, long long k, long long m) {
  const long long g = ScoreBound::word_length(), n = static_cast<long long>(t.size());
  const long long room = m - 2 * (g - 1) - 1;
  if (g == 0 || k < ScoreBound::shortest_unit || k <= g + 1 || room < 0) return {};
  const long long per_window = std::max(room / 2, k + k * k / 400);
  const long long ahead_reach = g * (g + k - 1) + (g + 1) * per_window;
  const long long behind_reach = g * (g + k + m - g - 1) + (g + 1) * per_window;
  const std::string unit = t.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(k));
  // A word counts once if the copy holds it, and once more for every word
  // wrapping round the copy's end that it equals.
  auto hit = [&](long long i, long long length) {
    if (i < 0 || i + length > n) return 0;
    const std::string word = t.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(length));
    if (word.find('N') != std::string::npos) return 1;
    int hits = unit.find(word) != std::string::npos;
    for (long long s = 1; s < length; ++s) hits += word == unit.substr(unit.size() - s) + unit.substr(0, length - s);
    return hits;
  };
  long long ahead = 0, behind = 0, longer_ahead = 0, longer_behind = 0;
  for (long long i = p + k; i < p + k + ahead_reach; ++i) ahead += hit(i, g), longer_ahead += hit(i, g + 1);
  for (long long i = p - behind_reach; i <= p - g; ++i) behind += hit(i, g);
  for (long long i = p - behind_reach; i <= p - g - 1; ++i) longer_behind += hit(i, g + 1);
  const long long gain = std::min(ahead + g - 1, longer_ahead + g);
  const bool ahead_reached = p + k + ahead_reach > n || ahead_reach > (g + 1) * ahead + g * (g + k - 1) - 1;
  const bool behind_reached = p - behind_reach < 0 || behind_reach > (g + 1) * behind + g * (g + k + gain - 1) - 1;
  if (!ahead_reached || !behind_reached) return {};
  return {gain + std::min(behind + g - 1, longer_behind + g) < m, ahead + behind + 2 * (g - 1) < m};
}

void ScoreBoundTest::check_sweep(const std::string& residues, unsigned k, Counts& counts) {
  SCOPED_TRACE("k " + std::to_string(k) + " in " + residues);
  TestSequence seq(residues);
  CSearchController search(1, seq.mol);
  const char* first = seq.mol.residues;
  const char* end = first + seq.mol.length;
  ScoreBound bound(first, end);
  std::vector<std::uint64_t> starts = all_starts(residues, k);
  const std::vector<std::uint64_t> before = starts;
  const int min_score = CSearchController::minScores[k];
  bound.leave_out_settled(k, min_score, starts.data(), 0, static_cast<long long>(residues.size()));
  // A sweep over some of the starts only (a part of a record searched on its
  // own) settles those of them that the whole sweep settles, and no other:
  // over random stretches, and over short ones, whose starts all see the
  // windows as the sweep's first start sets them up.
  const auto n = static_cast<unsigned>(residues.size());
  auto sweep_part = [&](unsigned from, unsigned to) {
    std::vector<std::uint64_t> some = before;
    ScoreBound(first, end).leave_out_settled(k, min_score, some.data(), from, to);
    for (std::size_t s = 0; s < n; ++s)
      ASSERT_EQ(set(some, s), s >= from && s < to ? set(starts, s) : set(before, s))
          << "at " << s << " of [" << from << ", " << to << ")";
  };
  for (int part = 0; part < 4; ++part) {
    const unsigned from = cuts.below(n);
    ASSERT_NO_FATAL_FAILURE(sweep_part(from, from + cuts.below(n - from + 1)));
  }
  for (unsigned from = cuts.below(8); from < n; from += 1 + cuts.below(8))
    ASSERT_NO_FATAL_FAILURE(sweep_part(from, std::min(n, from + 2)));
  for (std::size_t s = 0; s + k < residues.size(); ++s) {
    if (!set(before, s)) {
      ASSERT_FALSE(set(starts, s));
      continue;
    }
    const bool settled_here = !set(starts, s);
    const Settled plainly = plainly_settled(residues, static_cast<long long>(s), k, min_score);
    ASSERT_EQ(settled_here, plainly.by_both_lengths) << "at " << s;
    if (!settled_here) {
      ++counts.kept;
      continue;
    }
    ++counts.settled;
    counts.by_longer_words += plainly.by_both_lengths && !plainly.by_shorter_words;
    Csat* sat = sat_alloc.get_new(first + s, first + s + k);
    search.extend_imperfect_forward(*sat, end);
    search.extend_imperfect_backward(*sat, first - 1);
    sat->trim_flanking_Ns();
    ASSERT_LT(sat->score, min_score) << "settled at " << s << ", grows to " << describe(*sat, first);
    sat_alloc.give_back(sat);
  }
}

// Every start the sweep settles grows, in full, into a record below the
// minimum score; the sweep settles just the starts that working the plain
// bound out afresh settles.
TEST_F(ScoreBoundTest, SettledStartsGrowBelowTheMinimumScore) {
  Counts counts;
  for (int round = 0; round < 16; ++round) {
    const unsigned longest = 12 + below(70);
    random_options(longest);
    std::string residues = random_sequence(longest);
    // Half the rounds without N's, which the sweep reads without looking for them.
    if (round % 2 == 0) residues.erase(std::remove(residues.begin(), residues.end(), 'N'), residues.end());
    for (unsigned k = ScoreBound::shortest_unit; k <= longest && k < residues.size(); k += 1 + below(4))
      check_sweep(residues, k, counts);
  }
  EXPECT_GT(counts.settled, 3000);
  EXPECT_GT(counts.by_longer_words, 1000);
  EXPECT_GT(counts.kept, 3000);
}

// An exact array of two units, `extra` residues and a few more or less,
// between noise, with a minimum score of k + extra: a start inside it grows
// to a record that the bound meets with no point to spare on either side,
// so a bound one point too low settles it. Arrays longer than two units by
// a word or more reach the words wrapping round the copy's end.
TEST_F(ScoreBoundTest, NoPointToSpareInsideExactArrays) {
  Counts counts;
  for (const unsigned k : {12u, 20u, 33u, 50u}) {
    for (const unsigned extra : {0u, 9u}) {
      for (int more = -3; more <= 3; ++more) {
        fresh_defaults();
        global_max_unit_length = k;
        global_min_score_a = static_cast<int>(extra);
        std::string residues = random.letters(150);
        random.append_array(residues, random.letters(k), 2 * k + extra + static_cast<unsigned>(more + 3) - 3,
                            1u << 30, false);
        residues += random.letters(150);
        check_sweep(residues, k, counts);
      }
    }
  }
  EXPECT_GT(counts.settled, 5000);
  EXPECT_GT(counts.kept, 20);
}

}  // namespace
