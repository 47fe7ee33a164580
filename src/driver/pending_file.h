#ifndef VELKOR_DRIVER_PENDING_FILE_H
#define VELKOR_DRIVER_PENDING_FILE_H

#include <cstdio>
#include <string>

// An output written beside its final name and renamed over it once the run
// is sure to produce something: a run that stops earlier (a bad input, an
// output that cannot be opened) then leaves the file that was there before,
// byte for byte, and no half-made new one. Devices and pipes have nothing to
// lose and are written directly, as is an existing file whose folder takes
// no new file.
class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() { discard(); }

  // Opens the file that will become name, or null with errno set. A
  // directory, or an existing file the user may not write, is refused here,
  // as writing it directly would be.
  FILE* open(const std::string& name);
  // Puts the written file in place of its final name; false with errno set.
  // Does nothing for a file written directly or already committed.
  bool commit();
  // Removes the written file unless it was committed.
  void discard();

 private:
  std::string temporary_;  // empty once committed, or when written directly
  std::string final_;
};

#endif
