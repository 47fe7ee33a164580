// The marking works on words of bits, chunk by chunk; windows and reaches
// longer than a word, or past either end of a chunk, are where it could slip.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "search/CAnchorSeq.h"
#include "search/imperfect/starts_to_try.h"

namespace {

bool stretch_ends_at(const std::string& s, const ConcernedStarts& rule, long long i) {
  for (int b = 0; b < rule.back_count; ++b) {
    const long long back = rule.backs[b];
    bool all_equal = i - rule.window + 1 >= std::max(rule.from, back);
    for (long long j = i - rule.window + 1; all_equal && j <= i; ++j) all_equal = s[j] == s[j - back];
    if (all_equal) return true;
  }
  return false;
}

bool concerned(const std::string& s, const ConcernedStarts& rule, long long start) {
  if (start < rule.all_below) return true;
  const long long n = static_cast<long long>(s.size());
  for (long long i = std::max(0LL, start + rule.lo); i <= std::min(n - 1, start + rule.hi); ++i)
    if (stretch_ends_at(s, rule, i)) return true;
  if (!rule.Ns_concern) return false;
  for (long long i = std::max(0LL, start + rule.N_lo); i <= std::min(n - 1, start + rule.N_hi); ++i)
    if (s[i] == 'N') return true;
  return false;
}

// A copy of one letter, of a unit longer than one, is never tried.
bool one_letter_copy(const std::string& s, long long p, long long k) {
  if (k < 2 || p + k > static_cast<long long>(s.size())) return false;
  return std::all_of(s.begin() + p, s.begin() + p + k, [&](char c) { return c == s[static_cast<std::size_t>(p)]; });
}

class Marking : public ::testing::Test {
 protected:
  std::mt19937 rng{77};
  long long below(long long n) { return static_cast<long long>(rng() % static_cast<unsigned long long>(n)); }

  // Windows and reaches mostly short, now and then beyond a word.
  long long length() { return below(4) == 0 ? 50 + below(150) : 1 + below(12); }

  ConcernedStarts random_rule(long long k, long long n) {
    if (below(8) == 0) return ConcernedStarts::all();
    ConcernedStarts rule = ConcernedStarts::all();
    rule.back_count = static_cast<int>(1 + below(3));
    for (int b = 0; b < rule.back_count; ++b) rule.backs[b] = std::max(1LL, k - 1 + b);
    rule.from = k + 1 + below(3);
    rule.window = length();
    rule.lo = below(2) == 0 ? -length() : below(10);
    rule.hi = rule.lo + length() - 1;
    rule.Ns_concern = below(2) == 0;
    rule.N_lo = -length();
    rule.N_hi = rule.N_lo + length() + length();
    rule.all_below = below(3) == 0 ? below(n + 1) : 0;
    return rule;
  }

  std::string random_sequence() {
    std::string s;
    const long long n = 1 + below(below(4) == 0 ? 2000 : 140);
    while (static_cast<long long>(s.size()) < n) {
      const long long kind = below(6);
      if (kind == 0) {
        s.append(static_cast<std::size_t>(1 + below(5)), 'N');
      } else if (kind < 3) {
        const std::string unit = std::string("ACGT").substr(static_cast<std::size_t>(below(3)), 1 + below(2)) + "A";
        for (long long i = below(200); i > 0; --i) s += unit[static_cast<std::size_t>(i) % unit.size()];
      } else {
        for (long long i = 1 + below(30); i > 0; --i) s += "ACGT"[below(below(2) == 0 ? 2 : 4)];
      }
    }
    s.resize(static_cast<std::size_t>(n));
    return s;
  }
};

TEST_F(Marking, MarksExactlyTheStartsThatBothRulesConcern) {
  long long marked = 0, left_out = 0;
  for (int round = 0; round < 1500; ++round) {
    const std::string s = random_sequence();
    const long long n = static_cast<long long>(s.size());
    // Chunks as short as the rules' margins let them be, now and then.
    StartsToTry starts(s.data(), s.data() + n, below(2) == 0 ? 1 : StartsToTry::default_chunk_words);
    // Unit length after unit length, as the search marks them.
    for (long long k = 1; k <= 7 && k < n; ++k) {
      const ConcernedStarts first = random_rule(k, n), second = random_rule(k, n);
      starts.mark(static_cast<unsigned>(k), first, second);
      for (long long p = 0; p < n; ++p) {
        const bool expected = concerned(s, first, p) && concerned(s, second, p) && !one_letter_copy(s, p, k) &&
                              s.find('N', static_cast<std::size_t>(p)) >= static_cast<std::size_t>(p + k);
        ASSERT_EQ(starts.first_from(s.data() + p) == s.data() + p, expected)
            << "start " << p << " k " << k << " in " << s << " window " << first.window << "/" << second.window;
        ++(expected ? marked : left_out);
      }
      ASSERT_EQ(starts.first_from(s.data() + n), s.data() + n);
    }
  }
  EXPECT_GT(marked, 100000);
  EXPECT_GT(left_out, 100000);
}

// Error-free runs are read sixteen residues at a comparison.
TEST_F(Marking, ErrorFreeRunsAsCountedResidueByResidue) {
  long long long_runs = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string s = random_sequence();
    const long long n = static_cast<long long>(s.size());
    const char* first = s.data();
    for (long long k = 1; k <= 40 && k < n; k += 1 + below(3)) {
      StartsToTry starts(first, first + n);
      starts.mark(static_cast<unsigned>(k), ConcernedStarts::all(), ConcernedStarts::all());
      for (long long p = 0; p + k < n; ++p) {
        long long end = p + k, begin = p + k - 1;
        while (end < n && s[end] == s[end - k]) ++end;
        while (begin >= k && s[begin] == s[begin - k]) --begin;
        begin += 1 - k;
        ASSERT_EQ(starts.run_end(first + p) - first, end) << "start " << p << " k " << k << " in " << s;
        ASSERT_EQ(starts.run_begin(first + p) - first, begin) << "start " << p << " k " << k << " in " << s;
        long_runs += end - begin > k + 40;
      }
    }
  }
  EXPECT_GT(long_runs, 100000);
}

// Starts left out under covered marks must come back wherever a mark
// opens again and lets their copy be tried.
TEST_F(Marking, StartsUnderCoveredMarksComeBackWhereAMarkOpens) {
  long long taken_back = 0;
  for (int round = 0; round < 600; ++round) {
    const std::string s = random_sequence();
    const long long n = static_cast<long long>(s.size());
    const char* first = s.data();
    for (long long k = 2; k <= 7 && k < n; ++k) {
      StartsToTry starts(first, first + n);
      starts.mark(static_cast<unsigned>(k), ConcernedStarts::all(), ConcernedStarts::all());
      CAnchorSeq anchors(first, static_cast<unsigned>(n));
      for (long long covers = below(4); covers > 0; --covers) {
        const long long begin = below(n);
        anchors.cover(first + begin, first + std::min(n, begin + 1 + below(below(2) == 0 ? 80 : 8)));
      }
      starts.leave_out_covered(anchors);
      for (long long change = below(12); change > 0; --change) {
        const long long at = below(n);
        if (below(3) == 0) {
          anchors.cover(first + at, first + std::min(n, at + 1 + below(20)));
        } else {
          taken_back += !anchors.open(first + at);
          anchors.open_at(first + at);
          starts.reconsider_around(first + at);
        }
      }
      for (long long p = 0; p + k < n; ++p) {
        const bool marked_by_rules = !one_letter_copy(s, p, k) &&
                                     s.find('N', static_cast<std::size_t>(p)) >= static_cast<std::size_t>(p + k);
        if (marked_by_rules && anchors.candidate_marks_open(first + p, first + p + k)) {
          ASSERT_EQ(starts.first_from(first + p), first + p) << "start " << p << " k " << k << " in " << s;
        }
      }
    }
  }
  EXPECT_GT(taken_back, 1000);
}

}  // namespace
