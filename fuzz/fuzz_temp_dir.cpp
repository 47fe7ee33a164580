#include "fuzz_temp_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string make_temp_dir() {
  struct stat info;
  std::string base = stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp";
  std::string pattern = base + "/velkor-fuzz-XXXXXX";
  if (!mkdtemp(&pattern[0])) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

struct TempDir {
  std::string path = make_temp_dir();
  ~TempDir() {
    std::string command = "rm -rf '" + path + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path.c_str());
  }
};

}  // namespace

const std::string& fuzz_temp_dir() {
  static TempDir dir;
  return dir.path;
}

void write_whole_file(const std::string& path, const void* data, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

std::string read_whole_file(const std::string& path) {
  std::string contents;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return contents;
  char block[65536];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, f)) > 0) contents.append(block, n);
  std::fclose(f);
  return contents;
}
