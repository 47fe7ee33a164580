#include "driver/file_identity.h"

#include <sys/stat.h>

namespace {
FileIdentity identity_of(int stat_result, const struct stat& info) {
  FileIdentity id;
  if (stat_result == 0 && S_ISREG(info.st_mode)) {
    id.regular_file = true;
    id.device = info.st_dev;
    id.inode = info.st_ino;
  }
  return id;
}
}  // namespace

FileIdentity identify_file(const std::string& name) {
  struct stat info {};
  return identity_of(stat(name.c_str(), &info), info);
}

FileIdentity identify_stream(FILE* stream) {
  struct stat info {};
  return identity_of(fstat(fileno(stream), &info), info);
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return a.regular_file && b.regular_file && a.device == b.device && a.inode == b.inode;
}
