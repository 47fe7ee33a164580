#ifndef VELKOR_DRIVER_OUTPUT_STREAM_H
#define VELKOR_DRIVER_OUTPUT_STREAM_H

#include <cstdio>
#include <memory>
#include <string>

#include "driver/pending_file.h"

// A stream the run writes to: the report, the masked-sequence file or a file
// for other tools. A failed write (a full disk) is caught with its cause, so
// that the run never declares success over output that did not reach the
// disk. A file opened by name takes the place of the file of that name only
// when committed; until then, and for good if the run stops first, the file
// that was there stays as it was.
class OutputStream {
 public:
  explicit OutputStream(const char* description) : description_(description) {}
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;
  ~OutputStream();

  // Opens a file that becomes name when committed; false if it cannot be
  // opened.
  bool open(const std::string& name);
  // Puts the file opened in place of its name; false if that failed.
  bool commit();
  void use_standard_output();
  FILE* file() const { return file_; }

  // False once any write to the stream has failed.
  bool written_so_far();
  // Pushes buffered output to the system; false if any write failed.
  bool flush();
  // Flushes and closes (standard output is only flushed); true when nothing
  // was opened at all.
  bool close();
  // Message on standard error naming the stream and the cause.
  void report_write_error() const;

 private:
  bool record_failure();

  const char* description_;
  std::string name_;
  FILE* file_ = nullptr;
  bool owned_ = false;
  int error_ = 0;
  PendingFile pending_;  // removes what was written unless committed
  // Outlives file_: the destructor closes it first. Not zeroed, so that its
  // pages take memory only once output reaches them.
  std::unique_ptr<char[]> write_buffer_;
};

#endif
