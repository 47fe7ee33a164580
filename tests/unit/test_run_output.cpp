#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/file_identity.h"
#include "driver/masking.h"
#include "driver/output_stream.h"

namespace {

std::string file_content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Masking, CoversEveryRepeatAndWritesLinesOf80) {
  std::string residues(161, 'A');
  CSequence_Mol seq;
  seq.name = "rec 1";
  seq.residues = &residues[0];
  seq.length = 161;
  // Overlapping repeats, one ending at the last residue.
  Csat* first = sat_alloc.get_new(seq.residues + 1, seq.residues + 4);
  Csat* second = sat_alloc.get_new(seq.residues + 3, seq.residues + 6);
  Csat* last = sat_alloc.get_new(seq.residues + 159, seq.residues + 161);
  std::list<Csat*> repeats{first, second, last};

  std::string path = ::testing::TempDir() + "velkor_masked.fa";
  FILE* out = std::fopen(path.c_str(), "w");
  write_masked_record(out, seq, repeats);
  seq.length = 160;
  seq.name = "rec 2";
  write_masked_record(out, seq, {});
  seq.length = 0;
  seq.name = "";
  write_masked_record(out, seq, {});
  std::fclose(out);
  for (Csat* sat : repeats) sat_alloc.give_back(sat);

  std::string line80 = "AXXXXX" + std::string(74, 'A');
  std::string expected = ">rec 1\n" + line80 + "\n" + std::string(79, 'A') + "X\nX\n" + ">rec 2\n" + line80 + "\n" +
                         std::string(79, 'A') + "X\n" + ">\n";
  EXPECT_EQ(file_content(path), expected);
  std::remove(path.c_str());
}

TEST(OutputStream, FullDiskIsNeverTakenForSuccess) {
  OutputStream stream("output file");
  ASSERT_TRUE(stream.open("/dev/full"));
  std::fputs("report line\n", stream.file());
  EXPECT_TRUE(stream.written_so_far());  // still buffered
  EXPECT_FALSE(stream.flush());
  EXPECT_FALSE(stream.written_so_far());
  EXPECT_FALSE(stream.close());
  ::testing::internal::CaptureStderr();
  stream.report_write_error();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "\n\nSorry! Writing to the output file\n   \"/dev/full\"\nfailed: No space left on device.\n");

  OutputStream unused("masked file");
  EXPECT_TRUE(unused.flush());
  EXPECT_TRUE(unused.close());
}

TEST(FileIdentity, SameFileByAnyName) {
  std::string dir = ::testing::TempDir();
  std::string a = dir + "velkor_identity_a";
  std::string b = dir + "velkor_identity_b";
  std::fclose(std::fopen(a.c_str(), "w"));
  std::fclose(std::fopen(b.c_str(), "w"));
  EXPECT_TRUE(same_file(identify_file(a), identify_file(dir + "./velkor_identity_a")));
  EXPECT_FALSE(same_file(identify_file(a), identify_file(b)));
  EXPECT_FALSE(same_file(identify_file(a), identify_file(dir + "velkor_identity_missing")));
  // Files yet to be made are the same when their directory and name agree.
  EXPECT_TRUE(same_file(identify_file(dir + "velkor_identity_new"), identify_file(dir + "./velkor_identity_new")));
  EXPECT_FALSE(same_file(identify_file(dir + "velkor_identity_new"), identify_file(dir + "velkor_identity_new2")));
  EXPECT_FALSE(same_file(identify_file("/no/such/dir/x"), identify_file("/no/such/dir/x")));
  // Devices are no files that could be lost by truncation.
  EXPECT_FALSE(same_file(identify_file("/dev/null"), identify_file("/dev/null")));
  std::remove(a.c_str());
  std::remove(b.c_str());
}

}  // namespace
