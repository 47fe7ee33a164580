#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "driver/CFile.h"

namespace {

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

// All a run learns from reading a whole input.
struct Outcome {
  std::vector<std::string> records;  // name, a blank, residues
  FastaResult last = FastaResult::RECORD;
  unsigned line = 0;
  std::string decompression_error;
  bool operator==(const Outcome& o) const {
    return records == o.records && last == o.last && line == o.line && decompression_error == o.decompression_error;
  }
};

Outcome read_all(const std::string& path) {
  auto in = std::make_unique<CFile>();
  in->open(path.c_str());
  EXPECT_FALSE(in->failed());
  CSequence_Mol seq;
  seq.residues = static_cast<char*>(std::malloc(16));
  seq.capacity = 16;
  Outcome outcome;
  while (!in->at_end()) {
    seq.name.clear();
    seq.length = 0;
    outcome.last = read_fasta_record(*in, seq);
    if (outcome.last != FastaResult::RECORD) break;
    outcome.records.push_back(seq.name + " " + std::string(seq.residues, seq.length));
  }
  outcome.line = in->line;
  if (in->decompression_error()) outcome.decompression_error = in->decompression_error();
  std::free(seq.residues);
  return outcome;
}

class GzipInputTest : public ::testing::Test {
 protected:
  std::string path_ = ::testing::TempDir() + "velkor_gzip_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name();

  void TearDown() override { std::remove(path_.c_str()); }

  Outcome read_bytes(const std::string& bytes) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return read_all(path_);
  }

  // Compressed text must read exactly like the text itself.
  void expect_same_as_plain(const std::string& text) {
    Outcome plain = read_bytes(text);
    Outcome compressed = read_bytes(gzip(text));
    EXPECT_TRUE(compressed == plain) << "line " << compressed.line << " vs " << plain.line << ", "
                                     << compressed.records.size() << " vs " << plain.records.size() << " records";
  }

  // Damaged data must end in an error, never in a run that looks complete.
  void expect_refused(const std::string& bytes) {
    Outcome outcome = read_bytes(bytes);
    EXPECT_EQ(outcome.last, FastaResult::FORMAT_ERROR);
    EXPECT_FALSE(outcome.decompression_error.empty());
  }
};

TEST_F(GzipInputTest, ReadsLikeThePlainText) {
  expect_same_as_plain(">one desc\nACGTN\nacgu\n\n>\n>three\nGG\n>four");
  expect_same_as_plain("\r\n# comment\r\n>a\r\nAC\rGT\r\n>b\r");
  expect_same_as_plain(">a\nACGT\nACGT\n\nACJT\nACGT\n");  // the error names line 5 either way
  expect_same_as_plain("");
  expect_same_as_plain("x");
}

TEST_F(GzipInputTest, LineEndsAcrossBlocksCountAsInThePlainText) {
  // Lines of every length and every line-end convention over several
  // blocks, so that CR LF pairs and look-aheads straddle block ends; an
  // invalid character near the end must be found on the same line.
  std::mt19937 random(11);
  const char* line_ends[] = {"\n", "\r\n", "\r"};
  std::string text = ">chr1 many lines\n";
  while (text.size() < 2 * CFile::buffer_size + 5000) {
    text += std::string(random() % 120, "ACGT"[random() % 4]);
    text += line_ends[random() % 3];
  }
  expect_same_as_plain(text + ">chr2\r\nACGT\r\n");
  expect_same_as_plain(text + "AC!GT\n");
  // A CR LF whose CR ends the first block exactly.
  std::string exact = ">a\r\n" + std::string(CFile::buffer_size - 5, 'A') + "\r\nAC\r\nAC@\r\n";
  ASSERT_EQ(exact[CFile::buffer_size - 1], '\r');
  expect_same_as_plain(exact);
}

TEST_F(GzipInputTest, ConcatenatedMembersReadAsOneText) {
  Outcome outcome = read_bytes(gzip(">a\nAC") + gzip("GT\n>b\n") + gzip("TT\n"));
  EXPECT_EQ(outcome.last, FastaResult::RECORD);
  EXPECT_EQ(outcome.records, (std::vector<std::string>{"a ACGT", "b TT"}));
  EXPECT_EQ(outcome.decompression_error, "");
}

TEST_F(GzipInputTest, TruncatedDataIsAnErrorWhereverItIsCut) {
  const std::string whole = gzip(">a\nACGTACGTACGT\n>b\nTTTTGGGG\n");
  for (std::size_t size = 2; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    expect_refused(whole.substr(0, size));
  }
  EXPECT_NE(read_bytes(whole.substr(0, whole.size() - 1)).decompression_error.find("truncated"), std::string::npos);
}

TEST_F(GzipInputTest, DamagedDataIsAnError) {
  const std::string whole = gzip(">a\nACGTACGTACGTAAAAAAAAAAAAAA\n>b\nTTTTGGGGCCCC\n");
  // Past the ten bytes of the header (whose time stamp and system byte
  // carry no text), every changed byte must be noticed.
  for (std::size_t i = 10; i < whole.size(); ++i) {
    SCOPED_TRACE(i);
    std::string damaged = whole;
    damaged[i] = static_cast<char>(damaged[i] ^ 0x21);
    expect_refused(damaged);
  }
  expect_refused(whole + "garbage after the end");
}

TEST_F(GzipInputTest, PipesAreReadInBothFormats) {
  // A pipe cannot seek back, so telling the format must not need that.
  for (const std::string& bytes : {std::string(">p\nACGT\n"), gzip(">p\nACGT\n")}) {
    std::remove(path_.c_str());
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
    std::thread writer([&] {
      FILE* f = std::fopen(path_.c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    });
    Outcome outcome = read_all(path_);
    writer.join();
    EXPECT_EQ(outcome.records, std::vector<std::string>{"p ACGT"});
    EXPECT_EQ(outcome.last, FastaResult::RECORD);
  }
}

}  // namespace
