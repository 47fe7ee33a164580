#ifndef VELKOR_DRIVER_OUTPUT_STREAM_H
#define VELKOR_DRIVER_OUTPUT_STREAM_H

#include <cstdio>
#include <memory>
#include <string>

// A stream the run writes to: the report or the masked-sequence file. A
// failed write (a full disk) is caught with its cause, so that the run never
// declares success over output that did not reach the disk.
class OutputStream {
 public:
  explicit OutputStream(const char* description) : description_(description) {}
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;
  ~OutputStream();

  // Opens name for writing, truncating it; false if it cannot be opened.
  bool open(const std::string& name);
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
  // Outlives file_: the destructor closes it first. Not zeroed, so that its
  // pages take memory only once output reaches them.
  std::unique_ptr<char[]> write_buffer_;
};

#endif
