#include "repeats/text_buffer.h"

#include <cmath>
#include <cstdlib>

#include "repeats/allocation.h"

namespace {

unsigned decimal_digits_64(unsigned long long value) {
  unsigned digits = 1;
  for (; value >= 10000; value /= 10000) digits += 4;
  return digits + (value >= 10) + (value >= 100) + (value >= 1000);
}

}  // namespace

TextBuffer::~TextBuffer() { std::free(data_); }

void TextBuffer::grow(std::size_t n) {
  std::size_t capacity = capacity_ ? 2 * capacity_ : 256;
  if (capacity < size_ + n) capacity = size_ + n;
  data_ = static_cast<char*>(checked_realloc(data_, capacity));
  capacity_ = capacity;
}

void TextBuffer::append_any_int(long long value, unsigned width) {
  // As in a narrow field, with wider fields getting their extra leading
  // blanks first.
  constexpr unsigned FIELD = 32;  // more than 20 digits and a sign
  if (width > FIELD) {
    append_blanks(width - FIELD);
    width = FIELD;
  }
  // Negated in unsigned arithmetic, which also holds the most negative value.
  const unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  const unsigned used = decimal_digits_64(magnitude) + (value < 0 ? 1 : 0);
  const unsigned total = width > used ? width : used;
  char* const at = room(FIELD);
  std::memset(at, ' ', FIELD);
  char* const begin = write_digits_before(at + total, magnitude);
  if (value < 0) begin[-1] = '-';
  size_ += total;
}

void TextBuffer::append_fixed3(double value, unsigned width) {
  char text[NARROW_FIELD];
  const std::size_t n = fixed3_fast(value, text);
  if (n != 0 && width <= NARROW_FIELD) {
    // As a narrow integer field; the text is copied as a whole word, and
    // what lands beyond the field is not kept.
    const std::size_t total = width > n ? width : n;
    char* const at = room(2 * NARROW_FIELD);
    std::memset(at, ' ', NARROW_FIELD);
    std::memcpy(at + (total - n), text, NARROW_FIELD);
    size_ += total;
    return;
  }
  const int w = static_cast<int>(width);
  const int needed = std::snprintf(nullptr, 0, "%*.3f", w, value);
  // snprintf ends with a zero byte, which the buffer does not keep.
  char* at = extend(static_cast<std::size_t>(needed) + 1);
  std::snprintf(at, static_cast<std::size_t>(needed) + 1, "%*.3f", w, value);
  size_ -= 1;
}

std::size_t fixed3_fast(double value, char* out) {
  // The result is the exact binary value rounded to thousandths. Below a
  // million the scaled value is a double under 2^30, within 2^-23 of the
  // exact product; only a fraction closer than that to one half could round
  // the other way, so the margin around one half is well above it.
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e6)) return 0;  // also NaN
  const double scaled = magnitude * 1000.0;
  const auto whole = static_cast<unsigned long long>(scaled);
  const double fraction = scaled - static_cast<double>(whole);
  constexpr double margin = 1e-6;
  if (fraction > 0.5 - margin && fraction < 0.5 + margin) return 0;
  const unsigned long long thousandths = whole + (fraction > 0.5 ? 1 : 0);

  // At most 11 characters end at text + 16; the whole word from their start
  // lies within text.
  char text[32];
  char* const end = text + 16;
  char* begin = end - 4;
  const auto decimals = static_cast<unsigned>(thousandths % 1000);
  begin[0] = '.';
  begin[1] = static_cast<char>('0' + decimals / 100);
  begin[2] = static_cast<char>('0' + decimals / 10 % 10);
  begin[3] = static_cast<char>('0' + decimals % 10);
  begin = TextBuffer::write_digits_before(begin, thousandths / 1000);
  // printf keeps the sign of a negative value that rounds to zero, and of -0.
  if (std::signbit(value)) *--begin = '-';
  std::memcpy(out, begin, 16);
  return static_cast<std::size_t>(end - begin);
}
