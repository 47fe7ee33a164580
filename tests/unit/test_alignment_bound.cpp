// The alignment bound of long units against the walks it stands in for and
// against the whole table of the alignment, worked out plainly. (The search
// with it is compared with a plain one elsewhere.)
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "random_search.h"
#include "search/extension/alignment_bound.h"

namespace {

// A target this far is worked out in 16-bit cells; near ones in bytes.
constexpr int far_target = 10000;

// The highest score of the paths that stay above floor, from a walk's state:
// the residues outward from edge (edge[0] ahead, edge[-1] behind) against the
// unit [p, p + k) written out endlessly from phase, over the whole table.
long long plainly_highest_gain_on(const SearchOptions& options, const std::string& t, long edge, long p, long k,
                                  long phase, bool ahead, long long floor) {
  const long n = static_cast<long>(t.size());
  const long residues = ahead ? n - edge : edge;
  auto residue = [&](long i) {
    return ahead ? t[static_cast<std::size_t>(edge + i)] : t[static_cast<std::size_t>(edge - 1 - i)];
  };
  auto unit = [&](long m) {
    const long at = ahead ? (phase + m) % k : ((phase - m) % k + k) % k;
    return t[static_cast<std::size_t>(p + at)];
  };
  const long long mismatch = options.mismatch_score, indel = options.indel_score;
  // Each unit character beyond the residues taken is a deletion, at -2 or less.
  const long most_units = residues + (residues - floor) / 2 + 1;
  constexpr long long none = LLONG_MIN / 4;
  std::vector<std::vector<long long>> score(static_cast<std::size_t>(residues + 1),
                                            std::vector<long long>(static_cast<std::size_t>(most_units + 1), none));
  long long best = 0;
  for (long i = 0; i <= residues; ++i) {
    for (long m = 0; m <= most_units; ++m) {
      long long here = i == 0 && m == 0 ? 0 : none;
      auto from = [&](long ii, long mm, long long step) {
        const long long before = score[static_cast<std::size_t>(ii)][static_cast<std::size_t>(mm)];
        if (before != none) here = std::max(here, before + step);
      };
      if (i > 0 && m > 0) {
        const char r = residue(i - 1);
        from(i - 1, m - 1, r == unit(m - 1) ? 1 : r == 'N' ? 0 : mismatch);
      }
      if (i > 0) from(i - 1, m, indel);
      if (m > 0) from(i, m - 1, indel);
      if (here <= floor) continue;
      score[static_cast<std::size_t>(i)][static_cast<std::size_t>(m)] = here;
      best = std::max(best, here);
    }
  }
  return best;
}

long long plainly_highest_gain(const SearchOptions& options, const std::string& t, long p, long k, bool ahead,
                               long long floor) {
  return ahead ? plainly_highest_gain_on(options, t, p + k, p, k, 0, true, floor)
               : plainly_highest_gain_on(options, t, p, p, k, k - 1, false, floor);
}

class AlignmentBoundTest : public RandomSearch {};

// Each start's walks, as the search grows them, against the bounds of their
// sides; the starts the bound settles, alone or in stretches, against the
// minimum score.
TEST_F(AlignmentBoundTest, WalksGainNoMoreThanTheBound) {
  long long bounded_ahead = 0, bounded_behind = 0, settled = 0, kept = 0, stretches = 0;
  for (int round = 0; round < 60; ++round) {
    random_options(true);
    if (round % 4 == 0) options.min_unit_length = 20 + below(40), options.max_unit_length = options.min_unit_length;
    const std::string residues = random_sequence(true);
    TestSequence seq(residues);
    // Unit lengths past the longest searched too: the tables reach them.
    const long longest = std::min<long>(options.max_unit_length + 2, 80);
    options.max_unit_length = static_cast<unsigned>(longest);
    CSearchController search(options, workspace, pool, 1, seq.mol);
    const int* min_scores = search.user_thresholds().min_scores;
    const char* first = seq.mol.residues;
    AlignmentBound bound(first, first + seq.mol.length, options.mismatch_score, options.indel_score);
    const long n = static_cast<long>(residues.size());
    for (long k = std::max<long>(AlignmentBound::shortest_unit, options.min_unit_length - 2); k <= longest; ++k) {
      for (long p = 0; p + k < n; ++p) {
        if (residues.find('N', static_cast<std::size_t>(p)) < static_cast<std::size_t>(p + k)) continue;
        const int unit = static_cast<int>(k);
        int forward_gain = 0;
        Csat* sat = grown_copy(search, p, k, &forward_gain);
        const int backward_gain = sat->score - forward_gain;
        const int ahead = bound.highest_gain(AlignmentBound::Side::ahead, first + p, unit, -unit, far_target);
        if (ahead < far_target) {
          ++bounded_ahead;
          ASSERT_LE(forward_gain, ahead) << "at " << p << " k " << k << " " << residues << options_text();
          const int behind =
              bound.highest_gain(AlignmentBound::Side::behind, first + p, unit, -unit - ahead, far_target);
          if (behind < far_target) {
            ++bounded_behind;
            ASSERT_LE(backward_gain, behind) << "at " << p << " k " << k << " " << residues << options_text();
          }
        }
        const int min_score = min_scores[static_cast<std::size_t>(k)];
        if (bound.settles(first + p, static_cast<unsigned>(k), min_score)) {
          ++settled;
          ASSERT_LT(sat->score, min_score) << "settled at " << p << " k " << k << " " << residues << options_text();
        } else {
          ++kept;
        }
        pool.give_back(sat);
      }
    }
    stretches += bound.stretches_settled();
  }
  EXPECT_GT(bounded_ahead, 20000);
  EXPECT_GT(bounded_behind, 10000);
  EXPECT_GT(settled, 5000);
  EXPECT_GT(kept, 1000);
  EXPECT_GT(stretches, 1500);
}

// The banded rows, in bytes or 16-bit cells, wherever they neither give up
// nor reach the target: from a copy's edge (also where bytes are outgrown) or
// a walk's state, what the table gives; for a stretch, no less than each start's.
TEST_F(AlignmentBoundTest, RowsGiveWhatTheWholeTableGives) {
  long long from_copy = 0, from_state = 0, stretch_starts = 0, redone = 0;
  for (int round = 0; round < 60; ++round) {
    random_options(true);
    if (round % 10 == 3) options.mismatch_score = INT_MIN;  // any mismatch ends a path
    std::string residues = random_sequence(true);
    // Now and then an array whose score outgrows a byte.
    const long array_start = static_cast<long>(residues.size());
    const std::string array_unit = random.letters(20 + below(40));
    const bool with_array = round % 4 == 2;
    if (with_array) random.append_array(residues, array_unit, 8 * array_unit.size(), 40 + below(100), below(2) == 0);
    TestSequence seq(residues);
    const char* first = seq.mol.residues;
    AlignmentBound bound(first, first + seq.mol.length, options.mismatch_score, options.indel_score,
                         round % 4 == 0);
    const long n = static_cast<long>(residues.size());
    for (int probe = 0; probe < 90; ++probe) {
      const int kind = probe % 10 == 9 ? 2 : probe % 2;  // from a copy, from a walk's state, a stretch
      const bool in_array = with_array && kind == 0;
      const long k = in_array ? static_cast<long>(array_unit.size()) : 20 + static_cast<long>(below(60));
      const long starts = kind == 2 ? 2 + static_cast<long>(below(static_cast<unsigned>(k / 4))) : 1;
      if (k + starts - 1 >= n) break;
      const bool ahead = below(2) == 0;
      const auto side = ahead ? AlignmentBound::Side::ahead : AlignmentBound::Side::behind;
      // Floors this deep leave only 16-bit cells.
      const int floor = kind == 1 ? -1 - static_cast<int>(below(probe % 4 == 1 ? 300 : 40))
                                  : -static_cast<int>(k) - static_cast<int>(below(20)) - (probe % 4 == 1 ? 250 : 0);
      const int target = below(2) == 0 ? 1 + static_cast<int>(below(150)) : far_target;
      const std::string probed = " k " + std::to_string(k) + (ahead ? " ahead" : " behind") + " floor " +
                                 std::to_string(floor) + " " + residues + options_text();
      if (kind == 1) {
        const long p = static_cast<long>(below(static_cast<unsigned>(n - k)));
        const long edge = static_cast<long>(below(static_cast<unsigned>(n + 1)));
        const long phase = static_cast<long>(below(static_cast<unsigned>(k)));
        const int fast = bound.highest_gain_on(side, first + edge, first + p, static_cast<int>(k),
                                               static_cast<int>(phase), ahead ? n - edge : edge, floor, target);
        if (fast >= target) continue;
        ++from_state;
        ASSERT_EQ(fast, plainly_highest_gain_on(options, residues, edge, p, k, phase, ahead, floor))
            << "edge " << edge << " unit at " << p << " phase " << phase << probed;
        continue;
      }
      const long p = in_array ? array_start + static_cast<long>(below(static_cast<unsigned>(3 * k)))
                              : static_cast<long>(below(static_cast<unsigned>(n - k - starts + 1))) +
                                    (ahead ? 0 : starts - 1);
      const int fast = bound.highest_gain(side, first + p, static_cast<int>(k), floor, target,
                                          static_cast<int>(starts));
      // Reached, or given up: no claim but that the walks may get there.
      if (fast >= target) continue;
      if (kind == 0) {
        ++from_copy;
        ASSERT_EQ(fast, plainly_highest_gain(options, residues, p, k, ahead, floor)) << "at " << p << probed;
      }
      for (long g = 0; kind == 2 && g < starts; ++g) {
        ++stretch_starts;
        ASSERT_LE(plainly_highest_gain(options, residues, ahead ? p + g : p - g, k, ahead, floor), fast)
            << "start " << g << " of " << starts << " at " << p << probed;
      }
    }
    redone += bound.redone_in_wider_cells();
  }
  EXPECT_GT(from_copy, 1000);
  EXPECT_GT(from_state, 1500);
  EXPECT_GT(stretch_starts, 2000);
  EXPECT_GT(redone, 10);
}

// Up to a dozen unit characters left out in a row cross a row's comparisons
// of eight; cheap deletions keep long runs of them alive.
TEST_F(AlignmentBoundTest, DeletionsInARowAsTheWholeTable) {
  long long compared = 0;
  for (int round = 0; round < 300; ++round) {
    options.indel_score = -2 - static_cast<int>(below(3));
    options.mismatch_score = -6;
    const long k = 20 + static_cast<long>(below(40));
    const std::string unit = random.letters(static_cast<unsigned>(k));
    std::string written;
    while (written.size() < 4 * unit.size()) written += unit;
    const long matched = static_cast<long>(below(static_cast<unsigned>(2 * k)));
    const long left_out = 1 + static_cast<long>(below(12));
    const std::string residues = random.letters(10) + unit +
                                 written.substr(0, static_cast<std::size_t>(matched)) +
                                 written.substr(static_cast<std::size_t>(matched + left_out)) + random.letters(10);
    TestSequence seq(residues);
    AlignmentBound bound(seq.mol.residues, seq.mol.residues + seq.mol.length, options.mismatch_score,
                         options.indel_score, false);
    const int floor = -static_cast<int>(k);
    const int target = round % 2 == 0 ? far_target : 250 - static_cast<int>(k);
    const int fast = bound.highest_gain(AlignmentBound::Side::ahead, seq.mol.residues + 10, static_cast<int>(k),
                                        floor, target);
    if (fast >= target) continue;
    ++compared;
    ASSERT_EQ(fast, plainly_highest_gain(options, residues, 10, k, true, floor))
        << residues << " g " << options.indel_score;
  }
  EXPECT_GT(compared, 200);
}

// A backward walk may sink below -L from where it starts, by as much as the
// forward walk gained: eight mismatches in a row behind a copy of 20 whose
// forward walk gains 50, then four copies more. The record passes a minimum
// of 60 that neither walk reaches alone.
TEST_F(AlignmentBoundTest, BackwardWalkSinksByTheForwardGain) {
  options.min_score = 60;
  options.min_score_a = 0;
  options.min_score_bx = 0;
  options.max_unit_length = 20;
  const std::string unit = "ACGTTGCAAGCTTCGAACGT";
  std::string residues = "GGGGGGGGGG";
  for (int copy = 0; copy < 5; ++copy) residues += unit;
  for (std::size_t i = residues.size() - 8; i < residues.size(); ++i) residues[i] = residues[i] == 'A' ? 'C' : 'A';
  residues += unit + unit + unit + unit.substr(0, 10) + "GGGGGGGGGG";
  TestSequence seq(residues);
  CSearchController search(options, workspace, pool, 1, seq.mol);
  ASSERT_EQ(search.user_thresholds().min_scores[20], 60);
  const char* copy = seq.mol.residues + 10 + 5 * unit.size();
  Csat* sat = pool.get_new(copy, copy + unit.size());
  search.extension.extend_imperfect_forward(*sat, seq.mol.residues + seq.mol.length);
  EXPECT_EQ(sat->score, 50);
  search.extension.extend_imperfect_backward(*sat, seq.mol.residues - 1);
  EXPECT_GE(sat->score, 60) << describe(*sat, seq.mol.residues);
  pool.give_back(sat);
  AlignmentBound bound(seq.mol.residues, seq.mol.residues + seq.mol.length, options.mismatch_score,
                       options.indel_score, false);
  EXPECT_FALSE(bound.settles(copy, static_cast<unsigned>(unit.size()), 60));
}

}  // namespace
