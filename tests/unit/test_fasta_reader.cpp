#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "driver/CFile.h"
#include "driver/input_problem.h"

namespace {

using Record = std::pair<std::string, std::string>;  // name, residues

struct ReadOutcome {
  std::vector<Record> records;
  FastaResult last = FastaResult::RECORD;
  unsigned line = 0;
  std::string decompression_error;
  CFile::Rejection rejection;
  std::string problem;  // what a run says about an input it could not read
  // Plain and compressed text alike, the rejection and its words aside.
  bool operator==(const ReadOutcome& o) const {
    return records == o.records && last == o.last && line == o.line && decompression_error == o.decompression_error;
  }
};

// Record after record until the end of the file or the first failure, as a run reads.
ReadOutcome read_path(const std::string& path, unsigned start_capacity = 16, unsigned max_length = longest_record) {
  auto in = std::make_unique<CFile>();
  in->open(path.c_str());
  EXPECT_FALSE(in->failed());
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
  if (in->decompression_error()) outcome.decompression_error = in->decompression_error();
  outcome.rejection = in->rejection();
  if (outcome.last != FastaResult::RECORD) outcome.problem = describe_input_problem(*in, path);
  std::free(seq.residues);
  return outcome;
}

std::string gzip(const std::string& text) {
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&zs, static_cast<uLong>(text.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

class FastaReaderTest : public ::testing::Test {
 protected:
  // One file per test and process: suites of several builds may run at once.
  std::string path_ = ::testing::TempDir() + "velkor_reader_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                      std::to_string(getpid()) + ".fa";

  void TearDown() override { std::remove(path_.c_str()); }

  ReadOutcome read_all(const std::string& content, unsigned start_capacity = 16,
                       unsigned max_length = longest_record) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return read_path(path_, start_capacity, max_length);
  }

  void expect_format_error_at(const std::string& content, unsigned line) {
    ReadOutcome outcome = read_all(content);
    EXPECT_EQ(outcome.last, FastaResult::FORMAT_ERROR) << content;
    EXPECT_EQ(outcome.line, line) << content;
  }

  void expect_same_as_plain(const std::string& text) {
    ReadOutcome plain = read_all(text);
    ReadOutcome compressed = read_all(gzip(text));
    EXPECT_TRUE(compressed == plain) << "line " << compressed.line << " vs " << plain.line << ", "
                                     << compressed.records.size() << " vs " << plain.records.size() << " records";
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
    // Compressed, the same text must read the same, error line included.
    expect_same_as_plain(with_line_ends(input, line_end));
    expect_same_as_plain(with_line_ends(bad, line_end));
  }
  for (const char* text : {">one desc\nACGTN\nacgu\n\n>\n>three\nGG\n>four", "\r\n>a\r\nAC\rGT\r\n>b\r", "", "x"}) {
    expect_same_as_plain(text);
  }
}

TEST_F(FastaReaderTest, FormatErrorsNameTheirLine) {
  for (const char* bad : {"E", "F", "I", "J", "L", "O", "P", "Q", "Z", "e", "1", ".", ">", "#", "\x80", "\xff"}) {
    expect_format_error_at(std::string(">a\nAC\nAC") + bad + "GT\nAC\n", 3);
  }
  const std::pair<std::string, unsigned> cases[] = {
      {std::string(">a\nAC\nA\0C\n", 10), 3},
      {">a\nAC\n  >b\nAC\n", 3},  // a '>' after leading blanks starts no header
      {">a\r\nACGT\r\nACGT\r\n1", 4},
      // Sequence before any header: the line reached is named.
      {"\n\n  \n", 4},
      {"# comment\n\nACGT\n>a\n", 3},
      {"\r\n\r\nACGT\r\n", 3},
  };
  for (const auto& c : cases) expect_format_error_at(c.first, c.second);
}

// CR LF pairs and the look-ahead after a lone CR straddle the block ends;
// plain or compressed, every line end counts once.
TEST_F(FastaReaderTest, LineEndsAcrossBlocksAreCountedOnce) {
  const std::string first = ">a\r\n";
  const std::string second(CFile::buffer_size - first.size() - 1, 'A');  // its line's CR ends the block
  ASSERT_EQ((first + second + "\r")[CFile::buffer_size - 1], '\r');
  for (const std::string& input : {first + second + "\r\nAC\r\nACG@T\r\n", first + second + "\rAC\rACG@T\r"}) {
    expect_format_error_at(input, 4);
    expect_same_as_plain(input);
  }
  ReadOutcome outcome = read_all(first + second + "\r\n>b\r\nTT\r\n");
  EXPECT_EQ(outcome.records, (std::vector<Record>{{"a", second}, {"b", "TT"}}));
}

// The reader takes residue letters a block at a time; here they are judged
// one by one. The first text, without errors, spans several compressed chunks.
TEST_F(FastaReaderTest, BlockwiseReadingEqualsReadingCharacterByCharacter) {
  std::mt19937 random(2024);
  auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
  // Lower case a is the most common letter; one character in twenty is
  // skipped or, rarely, invalid.
  const std::string letters = "ACGTNacgtnUuRyXbdaa", read_as = "ACGTNACGTNTTNNNNNAA";
  const char* line_ends[] = {"\n", "\r\n", "\r"};
  for (int round = 0; round < 60; ++round) {
    const unsigned line_end_kind = below(4);  // 3: mixed
    auto line_end = [&] { return line_ends[line_end_kind == 3 ? below(3) : line_end_kind]; };
    std::string text;
    std::vector<Record> records;
    unsigned line = 1, error_line = 0;
    std::size_t records_before_error = 0;
    for (unsigned record = round == 0 ? 4 : 1 + below(4); record > 0; --record, ++line) {
      records.push_back({"r" + std::to_string(record) + " x", ""});
      text += ">" + records.back().first + line_end();
      // Now and then a line longer than a whole block of the file.
      const unsigned longest = round != 0 && below(8) == 0 ? 3 * CFile::buffer_size / 2 : 90;
      for (unsigned n = round == 0 ? 6000 : below(5); n > 0; --n) {
        ++line;
        for (unsigned i = below(longest); i > 0; --i) {
          const unsigned pick = below(20);
          if (pick < letters.size()) {
            text += letters[pick];
            records.back().second += read_as[pick];
          } else if (error_line == 0 && round != 0 && below(200) == 0) {
            text += "@1%"[below(3)];
            error_line = line;
            records_before_error = records.size() - 1;
          } else {
            text += " \t-*"[below(4)];
          }
        }
        text += line_end();
      }
    }
    if (round == 0) {
      ASSERT_GT(gzip(text).size(), 2u << 18);
    }
    if (error_line != 0) records.resize(records_before_error);
    const ReadOutcome outcome = read_all(text, below(40));
    ASSERT_EQ(outcome.records, records);
    ASSERT_EQ(outcome.last, error_line == 0 ? FastaResult::RECORD : FastaResult::FORMAT_ERROR);
    ASSERT_TRUE(error_line == 0 || outcome.line == error_line) << "error reported on line " << outcome.line;
    if (round % 6 == 0) expect_same_as_plain(text);  // compressing is the slow part
  }
}

// Growth is capped at the limit instead of doubling past it.
TEST_F(FastaReaderTest, BufferGrowthStopsAtTheLimit) {
  EXPECT_EQ(read_all(">fits\nACGTACGTAC\n", 6, 10).records, (std::vector<Record>{{"fits", "ACGTACGTAC"}}));
  ReadOutcome outcome = read_all(">ok\nAC\n>too long\nACGTACGTACG\n", 6, 10);
  EXPECT_EQ(outcome.last, FastaResult::RECORD_TOO_LONG);
  EXPECT_EQ(outcome.records.size(), 1u);
  // No first buffer at all.
  EXPECT_EQ(read_all(">a\nACGTACGTAC\n", 0).records, (std::vector<Record>{{"a", "ACGTACGTAC"}}));
}

TEST_F(FastaReaderTest, GzipConcatenatedMembersReadAsOneText) {
  ReadOutcome outcome = read_all(gzip(">a\nAC") + gzip("GT\n>b\n") + gzip("TT\n"));
  EXPECT_EQ(outcome.last, FastaResult::RECORD);
  EXPECT_EQ(outcome.records, (std::vector<Record>{{"a", "ACGT"}, {"b", "TT"}}));
  EXPECT_EQ(outcome.decompression_error, "");
}

// Damaged data must end in an error, never in a run that looks complete.
TEST_F(FastaReaderTest, GzipCutOrDamagedDataIsAnError) {
  const std::string whole = gzip(">a\nACGTACGTACGTAAAAAAAAAAAAAA\n>b\nTTTTGGGGCCCC\n");
  std::vector<std::string> damaged = {whole + "garbage after the end"};
  for (std::size_t size = 2; size < whole.size(); ++size) damaged.push_back(whole.substr(0, size));
  // Past the ten bytes of the header (whose time stamp and system byte
  // carry no text), every changed byte must be noticed.
  for (std::size_t i = 10; i < whole.size(); ++i) {
    damaged.push_back(whole);
    damaged.back()[i] = static_cast<char>(whole[i] ^ 0x21);
  }
  for (const std::string& bytes : damaged) {
    ReadOutcome outcome = read_all(bytes);
    EXPECT_EQ(outcome.last, FastaResult::FORMAT_ERROR);
    EXPECT_FALSE(outcome.decompression_error.empty());
  }
  EXPECT_NE(read_all(whole.substr(0, whole.size() - 1)).decompression_error.find("truncated"), std::string::npos);
}

// The column must be right wherever the line began: in the same block, at
// the very end of the one before, or several blocks back in one long line.
TEST_F(FastaReaderTest, TheRejectedCharacterIsPlacedByLineAndColumn) {
  const std::size_t block = CFile::buffer_size;
  struct Case {
    std::string text;
    unsigned line;
    std::uint64_t column;
  };
  const std::string header = ">a\n";
  std::string ends_at_boundary = header + std::string(block - header.size() - 1, 'A') + "\nACJ\n";
  std::vector<Case> cases = {
      {">a\nACGT\nACJT\n", 3, 3},
      {header + std::string(2 * block + 5000, 'C') + "J\n", 2, 2 * block + 5001},
      {ends_at_boundary, 3, 3},
      {ends_at_boundary.substr(0, block - 1) + "\n\n\n" + ends_at_boundary.substr(block - 1), 6, 3},
  };
  for (const Case& c : cases) {
    for (const char* line_end : {"\n", "\r\n"}) {
      for (bool compressed : {false, true}) {
        const std::string text = with_line_ends(c.text, line_end);
        const CFile::Rejection rejection = read_all(compressed ? gzip(text) : text).rejection;
        EXPECT_TRUE(rejection.set);
        EXPECT_FALSE(rejection.header_expected);
        EXPECT_EQ(rejection.character, 'J');
        EXPECT_EQ(rejection.line, c.line) << line_end << compressed;
        EXPECT_EQ(rejection.column, c.column) << c.line << " " << compressed << " " << (line_end[1] != 0);
      }
    }
  }
}

TEST_F(FastaReaderTest, CompressedFormatsAreNamedByTheirFirstBytes) {
  const struct {
    std::string start;
    const char* name;
  } formats[] = {{"BZh91AY&SY", "bzip2"},
                 {std::string("\xFD" "7zXZ\0\0\x04", 8), "xz"},
                 {"\x28\xB5\x2F\xFD\x24\x00", "zstd"},
                 {"PK\x03\x04\x14\x00", "zip"},
                 {"\x1F\x9D\x90>a", "compress"}};
  for (const auto& format : formats) {
    EXPECT_NE(read_all(format.start + "rest of the data").problem.find(std::string("compressed with ") + format.name),
              std::string::npos)
        << format.name;
  }
}

// An input without records is told from one without a header, and a wrong
// character is named with its place.
TEST_F(FastaReaderTest, EachProblemGetsItsOwnWords) {
  EXPECT_EQ(read_all("").problem, "The file is empty.\n");
  EXPECT_EQ(read_all("\n\n# notes\n").problem, "The file holds no record: no line starts with '>'.\n");
  EXPECT_EQ(read_all("\n  ACGT\n").problem,
            "Line 2, column 3 holds 'A' where a record's header line, starting with '>', must come.\n");
  // M, K and V are nucleotide codes too: the first letter that is not stops it.
  const std::string protein = read_all(">p\nMKVLS\n").problem;
  EXPECT_EQ(protein.rfind("Line 2, column 4 holds 'L'", 0), 0u) << protein;
  EXPECT_NE(protein.find("protein"), std::string::npos);
  // A digit is no residue, but no hint of protein either.
  const std::string digit = read_all(">a\nAC\nA1\n").problem;
  EXPECT_EQ(digit.rfind("Line 3, column 2 holds '1'", 0), 0u) << digit;
  EXPECT_EQ(digit.find("protein"), std::string::npos);
  EXPECT_EQ(read_all(">a\nAC\x01\n").problem.rfind("Line 2, column 3 holds the byte 0x01", 0), 0u);
}

}  // namespace
