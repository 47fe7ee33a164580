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

namespace {

// value rounded to thousandths as "%.3f" rounds it, in *thousandths with the
// sign apart; false when value is one that only the C library rounds
// reliably: close to a half-way point between two results, of a million or
// more, or not finite.
bool thousandths_of(double value, std::uint32_t* thousandths) {
  // The result is the exact binary value rounded to thousandths. Below a
  // million the scaled value is a double under 2^30, within 2^-23 of the
  // exact product; only a fraction closer than that to one half could round
  // the other way, so the margin around one half is well above it.
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e6)) return false;  // also NaN
  const double scaled = magnitude * 1000.0;
  const auto whole = static_cast<std::uint32_t>(scaled);
  const double fraction = scaled - static_cast<double>(whole);
  constexpr double margin = 1e-6;
  if (fraction > 0.5 - margin && fraction < 0.5 + margin) return false;
  *thousandths = whole + (fraction > 0.5 ? 1 : 0);
  return true;
}

}  // namespace

// The characters are written where they stay: copying them as a word right
// after writing them one by one stalled the processor.
void TextBuffer::write_fixed3(char* out, unsigned length, std::uint32_t thousandths, bool negative) {
  char* const end = out + length;
  const std::uint32_t decimals = thousandths % 1000;
  end[-4] = '.';
  end[-3] = static_cast<char>('0' + decimals / 100);
  end[-2] = static_cast<char>('0' + decimals / 10 % 10);
  end[-1] = static_cast<char>('0' + decimals % 10);
  char* const begin = write_digits_before(end - 4, thousandths / 1000);
  if (negative) begin[-1] = '-';
}

void TextBuffer::append_fixed3(double value, unsigned width) {
  std::uint32_t thousandths;
  if (thousandths_of(value, &thousandths) && width <= NARROW_FIELD) {
    // printf keeps the sign of a negative value that rounds to zero, and of -0.
    const bool negative = std::signbit(value);
    const unsigned length = fixed3_length(thousandths, negative);
    const unsigned total = width > length ? width : length;
    char* const at = room(NARROW_FIELD);
    std::memset(at, ' ', NARROW_FIELD);
    write_fixed3(at + (total - length), length, thousandths, negative);
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
  // The perfection of every exact repeat: by far the commonest value.
  if (value == 100.0) {
    std::memcpy(out, "100.000", 7);
    return 7;
  }
  std::uint32_t thousandths;
  if (!thousandths_of(value, &thousandths)) return 0;
  const bool negative = std::signbit(value);
  const unsigned length = TextBuffer::fixed3_length(thousandths, negative);
  TextBuffer::write_fixed3(out, length, thousandths, negative);
  return length;
}
