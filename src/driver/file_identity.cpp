#include "driver/file_identity.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

FileIdentity existing(const struct stat& info) {
  FileIdentity id;
  if (S_ISREG(info.st_mode)) {
    id.kind = FileIdentity::EXISTING_FILE;
    id.device = info.st_dev;
    id.inode = info.st_ino;
  }
  return id;
}

FileIdentity new_file(const std::string& name) {
  std::string::size_type slash = name.rfind('/');
  std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  FileIdentity id;
  struct stat info {};
  if (base.empty() || base == "." || base == ".." || stat(directory.c_str(), &info) != 0) return id;
  id.kind = FileIdentity::NEW_FILE;
  id.device = info.st_dev;
  id.inode = info.st_ino;
  id.new_name = base;
  return id;
}

}  // namespace

FileIdentity identify_file(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) == 0) return existing(info);
  return errno == ENOENT ? new_file(name) : FileIdentity{};
}

FileIdentity identify_stream(FILE* stream) {
  struct stat info {};
  return fstat(fileno(stream), &info) == 0 ? existing(info) : FileIdentity{};
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return a.kind != FileIdentity::UNKNOWN && a.kind == b.kind && a.device == b.device && a.inode == b.inode &&
         a.new_name == b.new_name;
}
