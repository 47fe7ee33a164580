// The score bound of long units against its plain form and against the
// records its settled starts grow into. (The search with every shortcut is
// compared with a plain one elsewhere.)
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "search/imperfect/score_bound.h"
#include "random_search.h"

namespace {

class ScoreBoundTest : public RandomSearch {
 protected:
  RandomSequence cuts{25};  // of the parts swept, apart so as not to change the sequences

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
    long long settled = 0, by_longer_words = 0, kept = 0, swept_with_the_next = 0;
  };
  struct Asked {
    unsigned k;
    bool with_next;
  };
  void check_sweeps(const std::string& residues, const std::vector<Asked>& asks, Counts& counts);
  void check_sweep(CSearchController& search, ScoreBound& whole_bound, ScoreBound& part_bound,
                   const std::string& residues, unsigned k, bool with_next, Counts& counts);
};

// A unit length swept: its minimum score and the windows the bound reads.
struct Swept {
  long long g, k, m, ahead_reach, behind_reach;  // g: the bound's word length
};
// Whether the bound settles anything for unit length k, and its windows.
bool plainly_swept(long long g, long long k, long long m, long long n, Swept& swept) {
  const long long room = m - 2 * (g - 1) - 1;
  if (g == 0 || k < ScoreBound::shortest_unit || k <= g + 1 || room < 0 || n <= k) return false;
  const long long per_window = std::max(room / 2, k + k * k / 400);
  swept = {g, k, m, g * (g + k - 1) + (g + 1) * per_window, g * (g + k + m - g - 1) + (g + 1) * per_window};
  return true;
}

// The bound for one start of unit length lengths[i], word by word, with the
// unit lengths swept together; also whether words of g letters alone settle it.
struct Settled {
  bool by_both_lengths = false, by_shorter_words = false;
};
Settled plainly_settled(const std::string& t, long long p, const std::vector<Swept>& lengths, std::size_t i) {
  const long long g = lengths[i].g, n = static_cast<long long>(t.size());
  const long long k = lengths[i].k, m = lengths[i].m;
  const long long ahead_reach = lengths[i].ahead_reach, behind_reach = lengths[i].behind_reach;
  long long copy = 0, ahead_begin = LLONG_MAX, ahead_end = 0, behind = 0;
  for (const Swept& swept : lengths) {
    copy = std::max(copy, swept.k);
    ahead_begin = std::min(ahead_begin, swept.k);
    ahead_end = std::max(ahead_end, swept.k + swept.ahead_reach);
    behind = std::max(behind, swept.behind_reach);
  }
  const std::string shared_copy = t.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(copy));
  const std::string unit = t.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(k));
  // The words wrapping round the unit's own copy's end, of g and g + 1 letters.
  std::vector<std::string> wrapping[2];
  for (long long length = g; length <= g + 1; ++length)
    for (long long s = 1; s < length; ++s)
      wrapping[length - g].push_back(unit.substr(unit.size() - s) + unit.substr(0, length - s));
  // A word counts once if the shared copy holds it, and once more for every
  // word wrapping round the unit's own copy's end that it equals.
  auto hit = [&](long long at, long long length) {
    if (at < 0 || at + length > n) return 0;
    const std::string word = t.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(length));
    if (word.find('N') != std::string::npos) return 1;
    int hits = shared_copy.find(word) != std::string::npos;
    for (const std::string& wraps : wrapping[length - g]) hits += word == wraps;
    return hits;
  };
  long long ahead = 0, behind_hits = 0, longer_ahead = 0, longer_behind = 0;
  for (long long at = p + ahead_begin; at < p + ahead_end; ++at) ahead += hit(at, g), longer_ahead += hit(at, g + 1);
  for (long long at = p - behind; at <= p - g; ++at) behind_hits += hit(at, g);
  for (long long at = p - behind; at <= p - g - 1; ++at) longer_behind += hit(at, g + 1);
  const long long gain = std::min(ahead + g - 1, longer_ahead + g);
  const bool ahead_reached = p + k + ahead_reach > n || ahead_reach > (g + 1) * ahead + g * (g + k - 1) - 1;
  const bool behind_reached =
      p - behind_reach < 0 || behind_reach > (g + 1) * behind_hits + g * (g + k + gain - 1) - 1;
  if (!ahead_reached || !behind_reached) return {};
  return {gain + std::min(behind_hits + g - 1, longer_behind + g) < m, ahead + behind_hits + 2 * (g - 1) < m};
}

void ScoreBoundTest::check_sweeps(const std::string& residues, const std::vector<Asked>& asks, Counts& counts) {
  TestSequence seq(residues);
  CSearchController search(options, workspace, pool, 1, seq.mol);
  // One bound for all sweeps, as the search keeps one: what a sweep leaves
  // in it must not change the next.
  ScoreBound whole_bound(seq.mol.residues, seq.mol.residues + seq.mol.length, options.mismatch_score,
                         options.indel_score);
  ScoreBound part_bound = whole_bound;
  for (const Asked& ask : asks) check_sweep(search, whole_bound, part_bound, residues, ask.k, ask.with_next, counts);
}

void ScoreBoundTest::check_sweep(CSearchController& search, ScoreBound& whole_bound, ScoreBound& part_bound,
                                 const std::string& residues, unsigned k, bool with_next, Counts& counts) {
  SCOPED_TRACE("k " + std::to_string(k) + (with_next ? " and the next" : "") + " in " + residues);
  const char* first = search.sequence.residues;
  const auto n = static_cast<unsigned>(residues.size());
  // The unit lengths asked for, their minimum scores and the lengths swept
  // with each: k with k + 1 where the next is asked for and both can settle.
  const std::vector<unsigned> asked = with_next ? std::vector<unsigned>{k, k + 1} : std::vector<unsigned>{k};
  std::vector<int> min_scores;
  std::vector<std::vector<Swept>> swept_with(asked.size());
  for (std::size_t a = 0; a < asked.size(); ++a) {
    min_scores.push_back(search.user_thresholds().min_scores[asked[a]]);
    Swept swept{};
    if (plainly_swept(whole_bound.word_length(), asked[a], min_scores[a], n, swept)) swept_with[a].push_back(swept);
  }
  if (with_next && !swept_with[0].empty() && !swept_with[1].empty()) {
    swept_with[0].push_back(swept_with[1][0]);
    swept_with[1] = swept_with[0];
  }
  auto sweep = [&](ScoreBound& bound, unsigned from, unsigned to) {
    std::vector<std::vector<std::uint64_t>> starts;
    for (std::size_t a = 0; a < asked.size(); ++a) {
      starts.push_back(all_starts(residues, asked[a]));
      const int next = a + 1 < asked.size() ? min_scores[a + 1] : ScoreBound::no_next_length;
      bound.leave_out_settled(asked[a], min_scores[a], next, starts.back().data(), from, to);
    }
    return starts;
  };
  const std::vector<std::vector<std::uint64_t>> settled = sweep(whole_bound, 0, n);
  // A sweep over a part of a record settles just what the whole sweep
  // settles there; short parts see the windows as their first start sets them up.
  auto sweep_part = [&](unsigned from, unsigned to) {
    const std::vector<std::vector<std::uint64_t>> some = sweep(part_bound, from, to);
    for (std::size_t a = 0; a < asked.size(); ++a) {
      const std::vector<std::uint64_t> before = all_starts(residues, asked[a]);
      for (std::size_t s = 0; s < n; ++s)
        ASSERT_EQ(set(some[a], s), s >= from && s < to ? set(settled[a], s) : set(before, s))
            << "unit length " << asked[a] << " at " << s << " of [" << from << ", " << to << ")";
    }
  };
  for (int part = 0; part < 4; ++part) {
    const unsigned from = cuts.below(n);
    ASSERT_NO_FATAL_FAILURE(sweep_part(from, from + cuts.below(n - from + 1)));
  }
  for (unsigned from = cuts.below(8); from < n; from += 1 + cuts.below(8))
    ASSERT_NO_FATAL_FAILURE(sweep_part(from, std::min(n, from + 2)));
  for (std::size_t a = 0; a < asked.size(); ++a) {
    const unsigned length = asked[a];
    const std::vector<std::uint64_t> before = all_starts(residues, length);
    const std::vector<Swept>& together = swept_with[a];
    const auto own = static_cast<std::size_t>(
        std::find_if(together.begin(), together.end(), [&](const Swept& w) { return w.k == length; }) -
        together.begin());
    for (std::size_t s = 0; s + length < residues.size(); ++s) {
      if (!set(before, s)) {
        ASSERT_FALSE(set(settled[a], s));
        continue;
      }
      const bool settled_here = !set(settled[a], s);
      const Settled plainly =
          own < together.size() ? plainly_settled(residues, static_cast<long long>(s), together, own) : Settled{};
      ASSERT_EQ(settled_here, plainly.by_both_lengths) << "unit length " << length << " at " << s;
      if (!settled_here) {
        ++counts.kept;
        continue;
      }
      ++counts.settled;
      counts.by_longer_words += plainly.by_both_lengths && !plainly.by_shorter_words;
      counts.swept_with_the_next += together.size() == 2;
      Csat* sat = grown_copy(search, static_cast<long>(s), length);
      ASSERT_LT(sat->score, min_scores[a]) << "settled at " << s << ", grows to " << describe(*sat, first);
      pool.give_back(sat);
    }
  }
}

// Every start the sweep settles grows, in full, into a record below the
// minimum score; the sweep settles just the starts that working the plain
// bound out afresh settles.
TEST_F(ScoreBoundTest, SettledStartsGrowBelowTheMinimumScore) {
  Counts counts;
  for (int round = 0; round < 16; ++round) {
    random_options(true);
    if (below(10) == 0) options.mismatch_score = INT_MIN / 2;  // far beyond any score
    const unsigned longest = options.max_unit_length;
    std::string residues = random_sequence(true) + random_sequence(true);
    // Half the rounds without N's, which the sweep reads without looking for them.
    if (round % 2 == 0) residues.erase(std::remove(residues.begin(), residues.end(), 'N'), residues.end());
    std::vector<Asked> asks;
    for (unsigned k = ScoreBound::shortest_unit; k <= longest && k < residues.size(); k += 1 + below(4))
      asks.push_back({k, k < longest && below(2) == 0});
    check_sweeps(residues, asks, counts);
  }
  EXPECT_GT(counts.settled, 3000);
  EXPECT_GT(counts.by_longer_words, 1000);
  EXPECT_GT(counts.kept, 3000);
  EXPECT_GT(counts.swept_with_the_next, 1000);
}

// Two units and `extra` residues, give or take a few, with a minimum score
// of k + extra: no point to spare, so a bound one point too low settles it.
// Arrays longer by a word or more reach the words wrapping round the copy's end.
TEST_F(ScoreBoundTest, NoPointToSpareInsideExactArrays) {
  Counts counts;
  for (const unsigned k : {12u, 20u, 33u, 50u}) {
    for (const unsigned extra : {0u, 9u}) {
      for (int more = -3; more <= 3; ++more) {
        options = SearchOptions();
        options.max_unit_length = k;
        options.min_score_a = static_cast<int>(extra);
        std::string residues = random.letters(150);
        random.append_array(residues, random.letters(k), 2 * k + extra + static_cast<unsigned>(more + 3) - 3,
                            1u << 30, false);
        residues += random.letters(150);
        check_sweeps(residues, {{k, false}}, counts);
      }
    }
  }
  EXPECT_GT(counts.settled, 5000);
  EXPECT_GT(counts.kept, 20);
}

}  // namespace
