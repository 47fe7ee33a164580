#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/prime_factors.h"
#include "repeats/unit_text.h"

namespace {

CDnaString dna(const std::string& text) {
  CDnaString s;
  s.assign(text.data(), static_cast<unsigned>(text.size()));
  return s;
}

std::string text_of(const CDnaString& s) { return std::string(s.data, s.length); }

std::vector<std::string> all_units(const std::string& letters, unsigned min_length, unsigned max_length) {
  std::vector<std::string> units, shorter = {""};
  for (unsigned length = 1; length <= max_length; ++length) {
    std::vector<std::string> longer;
    for (const std::string& prefix : shorter) {
      for (char letter : letters) longer.push_back(prefix + letter);
    }
    if (length >= min_length) units.insert(units.end(), longer.begin(), longer.end());
    shorter.swap(longer);
  }
  return units;
}

// "rotation periodic reverse-complemented periodic": the smallest rotation of
// a unit, the smallest of those and of its reverse complement's rotations,
// and whether the unit is some shorter piece repeated (1) or not (0).
std::string normal_forms(const std::string& unit_text) {
  const CDnaString unit = dna(unit_text);
  // Reused from call to call, as the report reuses its unit text: nothing
  // of an earlier unit may show through.
  static CDnaString rotation, both;
  const bool rotation_periodic = rotation.setToMinCyclicPermOf(unit);
  const bool both_periodic = both.setToMinAlphaRepModRevCompAndCyclicPermOf(unit);
  EXPECT_EQ(text_of(unit), unit_text) << "the unit itself must not change";
  return text_of(rotation) + " " + std::to_string(rotation_periodic) + " " + text_of(both) + " " +
         std::to_string(both_periodic);
}

std::string by_definition(const std::string& unit) {
  auto smallest = [](const std::string& s, bool& periodic) {
    std::string best = s;
    for (size_t k = 1; k < s.size(); ++k) {
      std::string rotation = s.substr(k) + s.substr(0, k);
      periodic = periodic || rotation == s;
      best = std::min(best, rotation);
    }
    return best;
  };
  std::string reverse_complement;
  for (auto it = unit.rbegin(); it != unit.rend(); ++it) {
    const char c = *it;
    reverse_complement += c == 'A' ? 'T' : c == 'C' ? 'G' : c == 'G' ? 'C' : c == 'T' ? 'A' : 'N';
  }
  bool periodic = false, reverse_complement_periodic = false;
  const std::string rotation = smallest(unit, periodic);
  const std::string both = std::min(rotation, smallest(reverse_complement, reverse_complement_periodic));
  return rotation + " " + std::to_string(periodic) + " " + both + " " + std::to_string(reverse_complement_periodic);
}

}  // namespace

// The linear-time rotation search against the definition, for every unit of
// up to seven letters over A, C, G, N, T and, for more ways of being
// periodic, every unit of eight to fourteen letters over A and C.
TEST(NormalForm, AgreesWithDefinitionOnAllShortUnits) {
  for (const auto& units : {all_units("ACGNT", 1, 7), all_units("AC", 8, 14)}) {
    for (const std::string& unit : units) ASSERT_EQ(normal_forms(unit), by_definition(unit)) << unit;
  }
}

TEST(NormalForm, LongUnitsAndSelfAssignment) {
  const std::string smallest = std::string(20000, 'A') + "C";  // worst case for a quadratic search
  EXPECT_EQ(normal_forms(smallest.substr(7) + smallest.substr(0, 7)), smallest + " 0 " + smallest + " 0");

  CDnaString s = dna("TGCA");
  EXPECT_FALSE(s.setToMinAlphaRepModRevCompAndCyclicPermOf(s));
  EXPECT_EQ(text_of(s), "ATGC");
  EXPECT_FALSE(s.setToMinCyclicPermOf(s));
  EXPECT_EQ(text_of(s), "ATGC");
}

// A unit is left out when it is some shorter piece repeated; a single letter
// a prime number of times is not tested, as the mononucleotide search covers it.
TEST(PrimeFactors, EqualPieces) {
  auto splits = [](const std::string& unit) {
    return unit_splits_into_equal_pieces(unit.data(), static_cast<unsigned>(unit.size()));
  };
  auto by_definition = [](const std::string& unit) {
    const size_t n = unit.size();
    bool prime = n > 1;
    for (size_t d = 2; d < n; ++d) prime = prime && n % d != 0;
    for (size_t d = 1; d < n && !prime; ++d) {
      if (n % d == 0 && unit.substr(d) == unit.substr(0, n - d)) return true;
    }
    return false;
  };
  for (const std::string& unit : all_units("AC", 1, 16)) ASSERT_EQ(splits(unit), by_definition(unit)) << unit;

  // Beyond the table the answer must be the same as within it.
  auto repeated = [](const std::string& piece, int times) {
    std::string unit;
    for (int i = 0; i < times; ++i) unit += piece;
    return unit;
  };
  std::string last_changed = repeated("ACGTTGCAAGT", 1001);  // 11011 = 7 * 11^2 * 13
  last_changed.back() = 'A';
  const std::string half = std::string(5003, 'C') + std::string(5003, 'G');
  const std::pair<std::string, bool> long_units[] = {
      {repeated("ACGTTGCAAGT", 1001), true},
      {last_changed, false},
      {half + half, true},  // 20012 = 2^2 * 5003
      {half + std::string(10006, 'T'), false},
      {std::string(10007, 'A'), false},  // a prime length beyond the table
      // 10041 = 3 * 3347: three pieces, or 3347 pieces found after trial division.
      {repeated(std::string(3346, 'A') + "C", 3), true},
      {repeated("ACG", 3347), true},
  };
  for (const auto& u : long_units) EXPECT_EQ(splits(u.first), u.second) << u.first.size();
}

// Remembered texts must be those worked out afresh: units met first, again,
// and after another took their slot; a few longer ones are never remembered.
TEST(UnitTextCache, AgreesWithMakingEveryTextAfresh) {
  std::vector<std::string> units = all_units("ACGTN", 1, 6);
  for (const char* unit : {"ACGTACGTA", "ACACACACAC", "AACCGGTTA", "AAAAAAAA", "ACGTTGCA"}) units.push_back(unit);

  for (int mode : {0, 1, 2}) {
    UnitTextCache cache(mode);
    CDnaString afresh, remembered;
    for (int pass = 0; pass < 3; ++pass) {
      for (std::size_t n = 0; n < units.size(); ++n) {
        // Forwards, backwards, then strides that mix long and short units.
        const std::size_t i = pass == 0 ? n : pass == 1 ? units.size() - 1 - n : n * 7919 % units.size();
        const std::string& text = units[i];
        Csat sat;
        sat.reset(text.data(), text.data() + text.size());
        const bool shown = make_unit_text(sat, afresh, mode);
        ASSERT_EQ(cache.make(sat, remembered), shown) << text << " in unit mode " << mode;
        if (shown) {
          ASSERT_EQ(text_of(remembered), text_of(afresh)) << text << " in unit mode " << mode;
        }
      }
    }
  }
}
