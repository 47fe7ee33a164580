#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "driver/CFile.h"
#include "driver/input_problem.h"

namespace {

class InputProblemTest : public ::testing::Test {
 protected:
  std::string path_ = ::testing::TempDir() + "velkor_problem_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                      std::to_string(getpid()) + ".fa";

  void TearDown() override { std::remove(path_.c_str()); }

  // What the run says about an input holding content, read as far as it goes.
  std::string problem_of(const std::string& content) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    auto in = std::make_unique<CFile>();
    in->open(path_.c_str());
    CSequence_Mol seq;
    seq.residues = static_cast<char*>(std::malloc(16));
    seq.capacity = 16;
    FastaResult result = FastaResult::RECORD;
    while (!in->at_end() && result == FastaResult::RECORD) {
      seq.name.clear();
      seq.length = 0;
      result = read_fasta_record(*in, seq);
    }
    std::free(seq.residues);
    EXPECT_EQ(result, FastaResult::FORMAT_ERROR) << content;
    return describe_input_problem(*in, path_);
  }
};

TEST_F(InputProblemTest, CompressedFormatsAreNamedByTheirFirstBytes) {
  const struct {
    std::string start;
    const char* name;
  } formats[] = {{"BZh91AY&SY", "bzip2"},
                 {std::string("\xFD" "7zXZ\0\0\x04", 8), "xz"},
                 {"\x28\xB5\x2F\xFD\x24\x00", "zstd"},
                 {"PK\x03\x04\x14\x00", "zip"},
                 {"\x1F\x9D\x90>a", "compress"}};
  for (const auto& format : formats) {
    EXPECT_NE(problem_of(format.start + "rest of the data").find(std::string("compressed with ") + format.name),
              std::string::npos)
        << format.name;
  }
}

TEST_F(InputProblemTest, EachCauseGetsItsOwnWords) {
  EXPECT_EQ(problem_of(""), "The file is empty.\n");
  EXPECT_EQ(problem_of("\n\n# notes\n"), "The file holds no record: no line starts with '>'.\n");
  EXPECT_EQ(problem_of("ACGT\n"), "Line 1, column 1 holds 'A' where a record's header line, starting with '>', "
                                  "must come.\n");
  // M, K and V are nucleotide codes too: the first letter that is not stops it.
  const std::string protein = problem_of(">p\nMKVLS\n");
  EXPECT_EQ(protein.rfind("Line 2, column 4 holds 'L'", 0), 0u) << protein;
  EXPECT_NE(protein.find("protein"), std::string::npos);
  // A digit is no residue, but no hint of protein either.
  const std::string digit = problem_of(">a\nAC\nA1\n");
  EXPECT_EQ(digit.rfind("Line 3, column 2 holds '1'", 0), 0u) << digit;
  EXPECT_EQ(digit.find("protein"), std::string::npos);
  EXPECT_EQ(problem_of(">a\nAC\x01\n").rfind("Line 2, column 3 holds the byte 0x01", 0), 0u);
}

}  // namespace
