// The words of equal residues are made 16 or 32 residues at a time inside
// the sequence and from shifted windows near its ends: every word must hold
// what comparing residue by residue gives, for any back, range and length.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "search/imperfect/equal_residues.h"

namespace {

std::uint64_t equal_word_by_residue(const std::string& s, std::size_t w, std::size_t back) {
  std::uint64_t word = 0;
  for (std::size_t j = 0; j < 64; ++j) {
    const std::size_t i = 64 * w + j;
    if (i >= back && i < s.size() && s[i] == s[i - back]) word |= std::uint64_t{1} << j;
  }
  return word;
}

class EqualResidues : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { compare_32_at_once = GetParam() && saved_; }
  void TearDown() override { compare_32_at_once = saved_; }
  const bool saved_ = compare_32_at_once;
};

TEST_P(EqualResidues, EveryWordAsResidueByResidue) {
  std::mt19937 rng(5);
  auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  std::size_t words_checked = 0, inner_words = 0;
  for (int round = 0; round < 3000; ++round) {
    // Repeats of short units with noise, so that equal residues come in runs.
    std::string s;
    const std::string unit = std::string("ACGTN").substr(below(4), 1 + below(2)) + "GA";
    const std::size_t size = 1 + below(below(2) == 0 ? 3000 : 200);
    for (std::size_t i = 0; i < size; ++i) s += below(8) == 0 ? "ACGTN"[below(5)] : unit[i % unit.size()];
    const int count = 1 + static_cast<int>(below(most_backs_at_once));
    std::size_t backs[most_backs_at_once];
    for (int b = 0; b < count; ++b) backs[b] = below(4) == 0 ? below(size + 70) : below(8);
    const std::size_t words = size / 64 + 1;
    const std::size_t first = below(2) == 0 ? 0 : below(words + 2), end = first + below(words + 3 - first);
    std::vector<std::vector<std::uint64_t>> made(static_cast<std::size_t>(count), std::vector<std::uint64_t>(end - first + 1));
    std::uint64_t* into[most_backs_at_once];
    for (int b = 0; b < count; ++b) into[b] = made[static_cast<std::size_t>(b)].data();
    equal_residue_words(s.data(), s.size(), first, end, backs, count, into);
    const std::size_t longest = *std::max_element(backs, backs + count);
    for (std::size_t w = first; w < end; ++w) {
      for (int b = 0; b < count; ++b) {
        ASSERT_EQ(made[static_cast<std::size_t>(b)][w - first], equal_word_by_residue(s, w, backs[b]))
            << "word " << w << " back " << backs[b] << " in " << s;
        ++words_checked;
      }
      inner_words += 64 * w >= longest && 64 * w + 64 <= size;
    }
  }
  EXPECT_GT(words_checked, 20000u);
  EXPECT_GT(inner_words, 5000u);
}

INSTANTIATE_TEST_SUITE_P(WideAndNarrow, EqualResidues, ::testing::Bool());

}  // namespace
