#ifndef VELKOR_DRIVER_GZIP_SOURCE_H
#define VELKOR_DRIVER_GZIP_SOURCE_H

#include <zlib.h>

#include <cstddef>
#include <istream>
#include <string>

// Inflates gzip data read from a stream, a block at a time, so that a
// compressed genome never has to fit in memory. Concatenated gzip members
// (as block-compressing tools write them) read as one text. Damaged or cut
// short data is an error, never a quiet end of the text.
class GzipSource {
 public:
  static constexpr unsigned char magic[2] = {0x1f, 0x8b};

  // Bytes already taken from the stream to recognise the format are handed
  // in as the start of the compressed data.
  GzipSource(std::istream& compressed, const char* already_read, std::size_t count);
  GzipSource(const GzipSource&) = delete;
  GzipSource& operator=(const GzipSource&) = delete;
  ~GzipSource();

  // Writes up to size bytes of text to out and returns their number; 0 at
  // the end of the text or once an error was found.
  std::size_t read(char* out, std::size_t size);

  bool failed() const { return !error_.empty(); }
  // What went wrong, for a message to the user; empty while nothing did.
  const std::string& error() const { return error_; }

 private:
  bool fill_input();
  std::size_t fail(const std::string& why, std::size_t delivered);

  static constexpr std::size_t input_size = 1 << 18;

  std::istream& compressed_;
  z_stream zs_{};
  bool input_exhausted_ = false;
  bool member_ended_ = false;
  std::string error_;
  unsigned char input_[input_size];
};

#endif
