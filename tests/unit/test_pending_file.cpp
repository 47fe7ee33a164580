#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/pending_file.h"

namespace {

class PendingFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/velkor_pending_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir_ = folder;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string path(const char* name) const { return dir_ + "/" + name; }
  static void write(const std::string& name, const std::string& text) { std::ofstream(name) << text; }
  static std::string read(const std::string& name) {
    std::ostringstream text;
    text << std::ifstream(name).rdbuf();
    return text.str();
  }
  // Every name in the folder, hidden ones included: nothing may be left behind.
  std::string listing() const {
    std::string names;
    FILE* ls = popen(("ls -A '" + dir_ + "'").c_str(), "r");
    for (int c; (c = std::fgetc(ls)) != EOF;) names += static_cast<char>(c);
    pclose(ls);
    return names;
  }
  // Writes text through pending as a run writes an output, not yet committed.
  static void write_pending(PendingFile& pending, const std::string& name, const char* text) {
    FILE* file = pending.open(name);
    ASSERT_NE(file, nullptr);
    std::fputs(text, file);
    std::fclose(file);
  }

  std::string dir_;
};

TEST_F(PendingFileTest, OldFileStaysUntilCommitAndNothingIsLeftWhenDiscarded) {
  write(path("out.txt"), "last run\n");
  {
    PendingFile pending;
    write_pending(pending, path("out.txt"), "half a run\n");
    EXPECT_EQ(read(path("out.txt")), "last run\n");
  }
  EXPECT_EQ(read(path("out.txt")), "last run\n");
  EXPECT_EQ(listing(), "out.txt\n");
}

// The mode is kept, a link stays a link (the file it points to is the one
// replaced) and a new file appears only on commit.
TEST_F(PendingFileTest, CommitReplacesTheFileAsTheUserHasIt) {
  write(path("out.txt"), "last run\n");
  chmod(path("out.txt").c_str(), 0640);
  write(path("target.txt"), "last run\n");
  ASSERT_EQ(symlink("target.txt", path("link.txt").c_str()), 0);
  PendingFile out, link, created;
  write_pending(out, path("out.txt"), "this run\n");
  write_pending(link, path("link.txt"), "this run\n");
  write_pending(created, path("new.txt"), "");
  EXPECT_EQ(access(path("new.txt").c_str(), F_OK), -1);
  ASSERT_TRUE(out.commit() && link.commit() && created.commit());
  EXPECT_EQ(read(path("out.txt")), "this run\n");
  EXPECT_EQ(read(path("target.txt")), "this run\n");
  EXPECT_EQ(read(path("new.txt")), "");
  struct stat status;
  ASSERT_EQ(stat(path("out.txt").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
  ASSERT_EQ(lstat(path("link.txt").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(listing(), "link.txt\nnew.txt\nout.txt\ntarget.txt\n");
}

// Devices are written directly: the end-to-end run whose report goes to
// /dev/full shows it.
TEST_F(PendingFileTest, RefusesWhatCouldNotBeWrittenInPlace) {
  PendingFile pending;
  EXPECT_EQ(pending.open(dir_), nullptr);  // a folder
  EXPECT_EQ(pending.open(path("no_such_dir/out.txt")), nullptr);
  // Running as root, the system lets every file be written.
  if (geteuid() != 0) {
    write(path("read_only.txt"), "kept\n");
    chmod(path("read_only.txt").c_str(), 0444);
    EXPECT_EQ(pending.open(path("read_only.txt")), nullptr);
    EXPECT_EQ(read(path("read_only.txt")), "kept\n");
  }
}

}  // namespace
