#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "captured_output.h"
#include "config/parameters.h"
#include "driver/masking.h"

namespace {

struct Extent {
  unsigned begin, end;  // offsets, half-open
};

// Masks a copy of residues over the given repeat extents (in the order of
// their starts, as the report hands them on) and returns the masked file.
std::string masked(std::string residues, const std::vector<Extent>& extents, int mask_with) {
  CSequence_Mol seq;
  seq.name = "r";
  seq.residues = &residues[0];
  seq.length = static_cast<unsigned>(residues.size());
  MaskedStretches stretches;
  for (const Extent& e : extents) {
    Csat sat;
    sat.reset(seq.residues + e.begin, seq.residues + e.end);
    stretches.add(sat, seq.residues);
  }
  stretches.mask(seq, mask_with);
  return captured([&](FILE* out) { write_masked_record(out, seq); });
}

// Every mode against the extents, overlapping and touching ones included:
// exactly the covered residues change, each in the mode's way.
TEST(Masking, EachModeCoversExactlyTheRepeats) {
  const std::string residues = "ACGTNACGTNACGTNACGTN";
  const std::vector<Extent> extents = {{1, 4}, {3, 7}, {7, 9}, {15, 20}};
  std::string covered(residues.size(), '.');
  for (const Extent& e : extents) covered.replace(e.begin, e.end - e.begin, e.end - e.begin, '#');

  struct Mode {
    int mask_with;
    char (*masked_residue)(char);
  } modes[] = {
      {MASK_X, [](char) { return 'X'; }},
      {MASK_N, [](char) { return 'N'; }},
      {MASK_LOWER, [](char c) { return static_cast<char>(c - 'A' + 'a'); }},
  };
  for (const Mode& mode : modes) {
    std::string expected = residues;
    for (std::size_t i = 0; i < residues.size(); ++i) {
      if (covered[i] == '#') expected[i] = mode.masked_residue(residues[i]);
    }
    EXPECT_EQ(masked(residues, extents, mode.mask_with), ">r\n" + expected + "\n") << mode.mask_with;
  }
  EXPECT_EQ(masked("ACGTN", {{0, 5}}, MASK_LOWER), ">r\nacgtn\n");
  EXPECT_EQ(masked("ACGTN", {}, MASK_LOWER), ">r\nACGTN\n");
}

TEST(Masking, LinesOf80) {
  const std::string residues(161, 'C');
  const std::string written = masked(residues, {{78, 83}}, MASK_LOWER);
  EXPECT_EQ(written, ">r\n" + std::string(78, 'C') + "cc\nccc" + std::string(77, 'C') + "\nC\n");
  const std::string line(80, 'A');
  EXPECT_EQ(masked(std::string(160, 'A'), {}, MASK_X), ">r\n" + line + "\n" + line + "\n");
}

}  // namespace
