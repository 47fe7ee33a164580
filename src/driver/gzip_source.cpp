#include "driver/gzip_source.h"

#include <algorithm>
#include <cstring>
#include <limits>

GzipSource::GzipSource(std::istream& compressed, const char* already_read, std::size_t count)
    : compressed_(compressed) {
  // 16 added to the window size: a gzip header and trailer, whose checksum
  // and length zlib then checks for us.
  if (inflateInit2(&zs_, 15 + 16) != Z_OK) {
    error_ = "not enough memory to decompress it";
    return;
  }
  count = std::min(count, input_size);
  std::memcpy(input_, already_read, count);
  zs_.next_in = input_;
  zs_.avail_in = static_cast<uInt>(count);
}

GzipSource::~GzipSource() { inflateEnd(&zs_); }

bool GzipSource::fill_input() {
  if (input_exhausted_) return false;
  compressed_.read(reinterpret_cast<char*>(input_), input_size);
  std::streamsize delivered = compressed_.gcount();
  if (delivered <= 0) {
    input_exhausted_ = true;
    if (compressed_.bad()) error_ = "the file could not be read";
    return false;
  }
  zs_.next_in = input_;
  zs_.avail_in = static_cast<uInt>(delivered);
  return true;
}

std::size_t GzipSource::fail(const std::string& why, std::size_t delivered) {
  if (error_.empty()) error_ = why;
  return delivered;
}

std::size_t GzipSource::read(char* out, std::size_t size) {
  if (failed()) return 0;
  size = std::min<std::size_t>(size, std::numeric_limits<uInt>::max());
  zs_.next_out = reinterpret_cast<Bytef*>(out);
  zs_.avail_out = static_cast<uInt>(size);
  while (zs_.avail_out > 0) {
    if (zs_.avail_in == 0 && !fill_input()) {
      if (failed()) return size - zs_.avail_out;
      if (member_ended_) break;  // the end of the text
    }
    if (member_ended_) {
      // More data after a complete member must be another member; anything
      // else is damage that inflate will now name.
      inflateReset(&zs_);
      member_ended_ = false;
    }
    int status = inflate(&zs_, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      member_ended_ = true;
    } else if (status == Z_BUF_ERROR && input_exhausted_) {
      return fail("the file is truncated", size - zs_.avail_out);
    } else if (status == Z_MEM_ERROR) {
      return fail("not enough memory to decompress it", size - zs_.avail_out);
    } else if (status != Z_OK) {
      return fail(std::string("damaged data: ") + (zs_.msg ? zs_.msg : "unknown fault"), size - zs_.avail_out);
    }
  }
  return size - zs_.avail_out;
}
