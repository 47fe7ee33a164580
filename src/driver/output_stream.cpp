#include "driver/output_stream.h"

#include <cerrno>
#include <cstring>
#include <stdio_ext.h>

namespace {
constexpr std::size_t write_block_size = 1 << 20;

// Only the run's thread writes to the output files: workers hand it their
// text. Once threads run, the C library would otherwise take the stream's
// lock in every call, which for the masked file's lines alone cost more
// than writing them.
void write_from_one_thread(FILE* file) { __fsetlocking(file, FSETLOCKING_BYCALLER); }
}

OutputStream::~OutputStream() {
  if (owned_) std::fclose(file_);
}

bool OutputStream::open(const std::string& name) {
  name_ = name;
  file_ = pending_.open(name);
  owned_ = file_ != nullptr;
  // A report of a whole genome runs to hundreds of megabytes: written in
  // blocks of the default few kilobytes, its system calls would take a
  // large share of the exact search's time. The C library ignores the size
  // asked for unless it is given the buffer too.
  if (owned_) {
    write_buffer_.reset(new char[write_block_size]);
    std::setvbuf(file_, write_buffer_.get(), _IOFBF, write_block_size);
    write_from_one_thread(file_);
  }
  return owned_;
}

bool OutputStream::commit() {
  errno = 0;
  if (!pending_.commit()) return record_failure();
  return true;
}

void OutputStream::use_standard_output() {
  file_ = stdout;
  owned_ = false;
  write_from_one_thread(file_);
}

bool OutputStream::record_failure() {
  if (error_ == 0) error_ = errno != 0 ? errno : EIO;
  return false;
}

bool OutputStream::written_so_far() {
  if (file_ && std::ferror(file_)) return record_failure();
  return error_ == 0;
}

bool OutputStream::flush() {
  if (!file_) return true;
  errno = 0;
  if (std::fflush(file_) != 0 || std::ferror(file_)) return record_failure();
  return error_ == 0;
}

bool OutputStream::close() {
  if (!flush()) return false;
  if (!owned_) return true;
  owned_ = false;
  errno = 0;
  if (std::fclose(file_) != 0) return record_failure();
  return true;
}

void OutputStream::report_write_error() const {
  if (!name_.empty()) {
    std::fprintf(stderr, "\n\nSorry! Writing to the %s\n   \"%s\"\nfailed: %s.\n", description_, name_.c_str(),
                 std::strerror(error_));
  } else {
    std::fprintf(stderr, "\n\nSorry! Writing the %s to standard output failed: %s.\n", description_,
                 std::strerror(error_));
  }
}
