#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/file_identity.h"

namespace {

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
