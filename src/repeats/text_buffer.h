#ifndef VELKOR_REPEATS_TEXT_BUFFER_H
#define VELKOR_REPEATS_TEXT_BUFFER_H

#include <cstddef>
#include <cstdint>
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

  // value right-aligned in width columns, as "%*lld" writes it. Nearly every
  // number of a report is a small count or position in a narrow column, so
  // that case is formatted inline in 32-bit arithmetic.
  void append_int(long long value, unsigned width = 0) {
    if (value >= 0 && value <= static_cast<long long>(UINT32_MAX) && width <= NARROW_FIELD) {
      append_narrow_uint(static_cast<std::uint32_t>(value), width);
    } else {
      append_any_int(value, width);
    }
  }
  // value with three decimals right-aligned in width columns, as "%*.3f"
  // writes it.
  void append_fixed3(double value, unsigned width);

  // Writes the digits of value backwards, two at a time, ending just before
  // end; returns where they start. 32-bit values take cheaper divisions.
  // Public for lines laid out in advance, whose blanks are already there.
  template <typename Unsigned>
  static char* write_digits_before(char* end, Unsigned value) {
    while (value >= 100) {
      end -= 2;
      std::memcpy(end, DIGIT_PAIRS + 2 * (value % 100), 2);
      value /= 100;
    }
    if (value >= 10) {
      end -= 2;
      std::memcpy(end, DIGIT_PAIRS + 2 * value, 2);
    } else {
      *--end = static_cast<char>('0' + value);
    }
    return end;
  }

  void write_to(FILE* out) const {
    if (size_ != 0) std::fwrite(data_, 1, size_, out);  // an empty buffer may have no storage yet
  }

 private:
  // Where the next n characters would go, with room for them.
  char* room(std::size_t n) {
    if (capacity_ - size_ < n) grow(n);
    return data_ + size_;
  }
  void grow(std::size_t n);

  // A narrow field is blanked with one fixed-size store, which the compiler
  // writes inline; a call to memset would cost as much as the digits.
  static constexpr unsigned NARROW_FIELD = 16;  // more than the 10 digits of a 32-bit value
  void append_narrow_uint(std::uint32_t value, unsigned width) {
    const unsigned digits = decimal_digits(value);
    const unsigned total = width > digits ? width : digits;
    char* const at = room(NARROW_FIELD);
    std::memset(at, ' ', NARROW_FIELD);
    write_digits_before(at + total, value);
    size_ += total;
  }
  void append_any_int(long long value, unsigned width);
  friend std::size_t fixed3_fast(double value, char* out);  // shares the digit writer

  // "%.3f" of a value of thousandths / 1000 below a million, with its sign
  // apart: its number of characters, and the characters written at out.
  static unsigned fixed3_length(std::uint32_t thousandths, bool negative) {
    return decimal_digits(thousandths / 1000) + 4 + (negative ? 1 : 0);
  }
  static void write_fixed3(char* out, unsigned length, std::uint32_t thousandths, bool negative);

  static unsigned decimal_digits(std::uint32_t value) {
    static constexpr std::uint32_t POWERS_OF_TEN[10] = {1,      10,      100,      1000,      10000,
                                                        100000, 1000000, 10000000, 100000000, 1000000000};
    // bits * 1233 / 4096 is log10(2^bits) rounded down, or one less than the
    // digits of value; the table decides which. Zero counts as one digit.
    const unsigned bits = 32 - static_cast<unsigned>(__builtin_clz(value | 1));
    const unsigned guess = (bits * 1233) >> 12;
    return guess + ((value | 1) >= POWERS_OF_TEN[guess] ? 1 : 0);
  }
  static constexpr char DIGIT_PAIRS[201] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";

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
