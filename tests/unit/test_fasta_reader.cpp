#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "driver/CFile.h"

namespace {

struct Record {
  std::string name;
  std::string residues;
  bool operator==(const Record& o) const { return name == o.name && residues == o.residues; }
};

struct ReadOutcome {
  std::vector<Record> records;
  FastaResult last = FastaResult::RECORD;
  unsigned line = 0;
};

// Reads a whole input the way the run does: record after record until the
// end of the file or the first failure.
class FastaReaderTest : public ::testing::Test {
 protected:
  // One file per test: the tests may run in parallel.
  std::string path_ = ::testing::TempDir() + "velkor_reader_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".fa";

  void TearDown() override { std::remove(path_.c_str()); }

  ReadOutcome read_all(const std::string& content, unsigned start_capacity = 16,
                       unsigned max_length = longest_record) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);

    auto in = std::make_unique<CFile>();
    in->open(path_.c_str());
    CSequence_Mol seq;
    seq.residues = static_cast<char*>(std::malloc(start_capacity));
    seq.capacity = start_capacity;
    ReadOutcome outcome;
    while (!in->at_end()) {
      seq.name.clear();
      seq.length = 0;
      outcome.last = read_fasta_record(*in, seq, max_length);
      if (outcome.last != FastaResult::RECORD) break;
      EXPECT_LE(seq.length, seq.capacity);
      outcome.records.push_back({seq.name, std::string(seq.residues, seq.length)});
    }
    outcome.line = in->line;
    std::free(seq.residues);
    return outcome;
  }

  void expect_format_error_at(const std::string& content, unsigned line) {
    ReadOutcome outcome = read_all(content);
    EXPECT_EQ(outcome.last, FastaResult::FORMAT_ERROR) << content;
    EXPECT_EQ(outcome.line, line) << content;
  }
};

std::string with_line_ends(std::string text, const std::string& line_end) {
  std::string converted;
  for (char c : text) converted += c == '\n' ? line_end : std::string(1, c);
  return converted;
}

TEST_F(FastaReaderTest, EveryLineEndConventionGivesTheSameRecordsAndLines) {
  const std::string input = "\n# comment\n>one  \nACGT\nAC\n\n>\n>three\nGG\n>four";
  std::vector<Record> expected = {{"one  ", "ACGTAC"}, {"", ""}, {"three", "GG"}, {"four", ""}};
  const std::string bad = ">a\nACGT\nACGT\n\nACJT\nACGT\n";
  for (const char* line_end : {"\n", "\r\n", "\r"}) {
    ReadOutcome outcome = read_all(with_line_ends(input, line_end));
    EXPECT_EQ(outcome.last, FastaResult::RECORD);
    EXPECT_EQ(outcome.records, expected);
    expect_format_error_at(with_line_ends(bad, line_end), 5);
  }
}

TEST_F(FastaReaderTest, InvalidCharactersStopWithTheirLine) {
  for (const char* bad : {"E", "F", "I", "J", "L", "O", "P", "Q", "Z", "e", "1", ".", ">", "#", "\x80", "\xff"}) {
    expect_format_error_at(std::string(">a\nAC\nAC") + bad + "GT\nAC\n", 3);
  }
  expect_format_error_at(std::string(">a\nAC\nA\0C\n", 10), 3);
  // A '>' after leading blanks is no header: the line is a sequence line.
  expect_format_error_at(">a\nAC\n  >b\nAC\n", 3);
  // An invalid last byte, after a line end of its own.
  expect_format_error_at(">a\r\nACGT\r\nACGT\r\n1", 4);
}

TEST_F(FastaReaderTest, MissingHeaderNamesTheLineReached) {
  expect_format_error_at("\n\n  \n", 4);
  expect_format_error_at("# comment\n\nACGT\n>a\n", 3);
  expect_format_error_at("\r\n\r\nACGT\r\n", 3);
}

TEST_F(FastaReaderTest, LineEndsSplitAcrossBlocksAreCountedOnce) {
  // The CR LF of line 2 straddles the end of the first block: the CR is its
  // last byte and the LF the first byte of the next one.
  std::string first = ">a\r\n";
  std::string second(CFile::buffer_size - first.size() - 1, 'A');
  std::string input = first + second + "\r\nAC\r\nACG@T\r\n";
  ASSERT_EQ(input[CFile::buffer_size - 1], '\r');
  expect_format_error_at(input, 4);

  // The same with a lone CR, whose look-ahead crosses the block boundary.
  input = first + second + "\rAC\rACG@T\r";
  expect_format_error_at(input, 4);

  ReadOutcome outcome = read_all(first + second + "\r\n>b\r\nTT\r\n");
  ASSERT_EQ(outcome.records.size(), 2u);
  EXPECT_EQ(outcome.records[0].residues, second);
  EXPECT_EQ(outcome.records[1], (Record{"b", "TT"}));
}

// Growth is capped at the limit instead of doubling past it.
TEST_F(FastaReaderTest, BufferGrowthStopsAtTheLimit) {
  ReadOutcome outcome = read_all(">fits\nACGTACGTAC\n", 6, 10);
  ASSERT_EQ(outcome.last, FastaResult::RECORD);
  EXPECT_EQ(outcome.records[0].residues, "ACGTACGTAC");

  outcome = read_all(">ok\nAC\n>too long\nACGTACGTACG\n", 6, 10);
  EXPECT_EQ(outcome.last, FastaResult::RECORD_TOO_LONG);
  EXPECT_EQ(outcome.records.size(), 1u);

  // No first buffer at all.
  outcome = read_all(">a\nACGTACGTAC\n", 0);
  EXPECT_EQ(outcome.records[0].residues, "ACGTACGTAC");
}

TEST_F(FastaReaderTest, ArbitraryBytesNeverBreakTheReader) {
  // Mostly FASTA-like bytes with some of everything else, so that records,
  // line ends of every kind and errors all occur.
  static const char bytes[] = ">>\n\n\r\r#ACGTNacgtnUuRyX- \t*E1\x00\x80\xff";
  const std::string alphabet(bytes, sizeof bytes - 1);
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string input;
    std::size_t size = random() % 200;
    for (std::size_t i = 0; i < size; ++i) input += alphabet[random() % alphabet.size()];
    ReadOutcome outcome = read_all(input, 1 + random() % 5, 64);
    unsigned line_ends = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
      line_ends += input[i] == '\n' || (input[i] == '\r' && (i + 1 == input.size() || input[i + 1] != '\n'));
    }
    EXPECT_LE(outcome.line, line_ends + 1);
    for (const Record& r : outcome.records) {
      EXPECT_EQ(r.residues.find_first_not_of("ACGTN"), std::string::npos);
    }
  }
}

}  // namespace
