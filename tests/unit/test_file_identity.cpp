#include <gtest/gtest.h>

#include "driver/file_identity.h"

namespace {

// Whole runs already refuse an output named like the input by another path;
// what they never meet are names that can be no file at all.
TEST(FileIdentity, NamesThatCanBeNoFileAreNeverTheSame) {
  EXPECT_FALSE(same_file(identify_file("/no/such/dir/x"), identify_file("/no/such/dir/x")));
  // Devices are no files that could be lost by truncation.
  EXPECT_FALSE(same_file(identify_file("/dev/null"), identify_file("/dev/null")));
}

}  // namespace
