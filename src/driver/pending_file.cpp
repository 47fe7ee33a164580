#include "driver/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// The folder of a path and the name within it.
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A symbolic link is kept: the file it points to is the one replaced.
std::string resolved(const std::string& name) {
  char path[PATH_MAX];
  return realpath(name.c_str(), path) ? std::string(path) : name;
}

// Creates a file of its own beside path, hidden, named after it and after
// this process; returns its descriptor or -1 with errno set.
int create_beside(const std::string& path, std::string& created) {
  const std::string stem = folder_of(path) + "/." + base_of(path) + ".velkor-" + std::to_string(getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    created = stem + std::to_string(attempt);
    // 0666 as fopen() uses, so that the umask decides as it always did.
    const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

FILE* PendingFile::open(const std::string& name) {
  discard();
  final_ = name;
  struct stat target;
  const bool exists = ::stat(name.c_str(), &target) == 0;
  struct stat link;
  const bool dangling_link = !exists && ::lstat(name.c_str(), &link) == 0;
  if (exists && S_ISDIR(target.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  if (dangling_link || (exists && !S_ISREG(target.st_mode))) return std::fopen(name.c_str(), "w");
  // Renaming would replace a file the user has made read-only.
  if (exists && ::access(name.c_str(), W_OK) != 0) return nullptr;

  if (exists) final_ = resolved(name);
  std::string created;
  const int fd = create_beside(final_, created);
  if (fd < 0) return exists ? std::fopen(name.c_str(), "w") : nullptr;
  if (exists) ::fchmod(fd, target.st_mode & 07777);  // a failure leaves the umask's choice
  FILE* file = ::fdopen(fd, "w");
  if (!file) {
    const int error = errno;
    ::close(fd);
    ::unlink(created.c_str());
    errno = error;
    return nullptr;
  }
  temporary_ = created;
  return file;
}

bool PendingFile::commit() {
  if (temporary_.empty()) return true;
  if (::rename(temporary_.c_str(), final_.c_str()) != 0) return false;
  temporary_.clear();
  return true;
}

void PendingFile::discard() {
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  temporary_.clear();
}
