#ifndef VELKOR_REPEATS_TEXT_BUFFER_H
#define VELKOR_REPEATS_TEXT_BUFFER_H

#include <cstddef>
#include <cstdio>
#include <cstring>

// Report text built by hand and written with one fwrite. A report holds
// hundreds of thousands of entries; formatting each through printf cost more
// than finding them. The buffer is kept between entries, so once it has
// grown to the longest entry nothing is allocated any more. Sizes are
// 64-bit: an alignment of a repeat spanning most of a long record is three
// times that record.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  ~TextBuffer();

  void clear() { size_ = 0; }
  std::size_t size() const { return size_; }
  const char* data() const { return data_; }

  // Makes room for n more characters at the end and returns where they go.
  char* extend(std::size_t n) {
    char* at = room(n);
    size_ += n;
    return at;
  }

  void append(const char* text, std::size_t n) {
    if (n) std::memcpy(extend(n), text, n);
  }
  // For string literals: their length is known here, so the copy is inlined.
  template <std::size_t N>
  void append(const char (&literal)[N]) {
    std::memcpy(extend(N - 1), literal, N - 1);
  }
  void append(char c) { *extend(1) = c; }
  void append_blanks(std::size_t n) {
    if (n) std::memset(extend(n), ' ', n);
  }

  // value right-aligned in width columns, as "%*lld" writes it.
  void append_int(long long value, unsigned width = 0);
  // value with three decimals right-aligned in width columns, as "%*.3f"
  // writes it.
  void append_fixed3(double value, unsigned width);

  void write_to(FILE* out) const { std::fwrite(data_, 1, size_, out); }

 private:
  // Where the next n characters would go, with room for them.
  char* room(std::size_t n) {
    if (capacity_ - size_ < n) grow(n);
    return data_ + size_;
  }
  void grow(std::size_t n);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Writes value as "%.3f" does into out (room for 16 characters) and returns
// the number of characters, or 0, writing nothing, when value is one that
// only the C library rounds reliably: close to a half-way point between two
// results, of a million or more, or not finite.
std::size_t fixed3_fast(double value, char* out);

#endif
