#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "repeats/repeat_fields.h"
#include "repeats/text_buffer.h"

namespace {

template <class Append>
std::string appended(Append append) {
  TextBuffer text;
  append(text);
  return std::string(text.data(), text.size());
}

void expect_int_as_printf(long long value, unsigned width) {
  char printed[64];
  std::snprintf(printed, sizeof printed, "%*lld", static_cast<int>(width), value);
  ASSERT_EQ(appended([&](TextBuffer& t) { t.append_int(value, width); }), printed) << value << " width " << width;
}

void expect_fixed3_as_printf(double value, unsigned width = 7) {
  char printed[512];
  std::snprintf(printed, sizeof printed, "%*.3f", static_cast<int>(width), value);
  ASSERT_EQ(appended([&](TextBuffer& t) { t.append_fixed3(value, width); }), printed) << std::hexfloat << value;
}

}  // namespace

// The digit count of a value decides its field; it changes at the powers of
// ten, in 32 and in 64 bits, for every width up to beyond the widest field
// formatted inline.
TEST(TextBuffer, IntegersAsPrintfWritesThem) {
  std::vector<long long> values = {0, INT_MAX, INT_MIN, LLONG_MAX, LLONG_MIN, LLONG_MIN + 1, 123456789,
                                   4294967294LL, 4294967295LL, 4294967296LL};  // the 32-bit edge
  unsigned long long power = 1;
  for (int exponent = 0; exponent <= 18; ++exponent, power *= 10) {
    for (long long step = -2; step <= 2; ++step) values.push_back(static_cast<long long>(power) + step);
  }
  for (long long value : values) {
    for (unsigned width = 0; width <= 34; ++width) {
      ASSERT_NO_FATAL_FAILURE(expect_int_as_printf(value, width));
      if (value != LLONG_MIN) {
        ASSERT_NO_FATAL_FAILURE(expect_int_as_printf(-value, width));
      }
    }
  }
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    // Spread over every magnitude, not only over the largest ones.
    const long long value = static_cast<long long>(random()) >> (random() % 64);
    ASSERT_NO_FATAL_FAILURE(expect_int_as_printf(value, static_cast<unsigned>(random() % 12)));
  }
}

TEST(TextBuffer, FixedPointAsPrintfWritesIt) {
  // Every perfection of small counts, computed as the record computes it.
  for (int judged = 1; judged <= 2000; ++judged) {
    for (int matched = -judged / 8; matched <= judged; ++matched) {
      expect_fixed3_as_printf(static_cast<double>(matched) / judged * 100.0);
    }
  }
  // Exact ties, among them 0.0625 and 0.1875, are rounded to even by
  // printf; a step of a few ulps either side decides the other way.
  for (long long k = -20000; k <= 20000; ++k) {
    double value = (static_cast<double>(k) + 0.5) / 1000.0;
    for (int step = 0; step < 4; ++step) value = std::nextafter(value, -1e9);
    for (int step = 0; step < 8; ++step, value = std::nextafter(value, 1e9)) expect_fixed3_as_printf(value);
  }
  // Well away from one half the fast way is taken.
  char text[16];
  EXPECT_NE(fixed3_fast(96.61016949152543, text), 0u);

  const double inf = std::numeric_limits<double>::infinity();
  for (double value : {0.0, -0.0, 100.0, -100.0, -0.0001 /* rounds to zero but keeps its sign */, 0.0004999, 99.9995,
                       999.9996, 999999.9994, 999999.9996, 1e6, -1e6, 1e15, 1e300, -1e300,
                       std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(), inf, -inf,
                       std::numeric_limits<double>::quiet_NaN()}) {
    for (unsigned width : {0u, 7u, 12u}) expect_fixed3_as_printf(value, width);
  }
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> percent(-150.0, 150.0);
  std::uniform_real_distribution<double> wide(-2e6, 2e6);
  for (int i = 0; i < 100000; ++i) {
    expect_fixed3_as_printf(percent(random));
    expect_fixed3_as_printf(wide(random));
  }
  // Any bit pattern at all, finite or not; most are far beyond the fast way.
  for (int i = 0; i < 10000; ++i) {
    const unsigned long long bits = random();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    expect_fixed3_as_printf(any);
  }
}

namespace {

// Half-way quotients, the only ones the fast way leaves to printf, are met
// where the double is exact (powers of two) and where it is not (40, 200).
TEST(CopyNumber, FastWayAgreesWithPrintf) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> short_length(0, 5000), any_length(0, INT_MAX);
  std::uniform_int_distribution<unsigned> short_unit(1, 12), any_unit(1, 100000);
  unsigned fast = 0, tried = 0;
  auto check = [&](int normalised, unsigned unit_length) {
    char expected[64], written[32];
    std::snprintf(expected, sizeof expected, "%.2f", static_cast<double>(normalised) / unit_length);
    const std::size_t n = copy_number_fast(normalised, unit_length, written);
    ++tried;
    if (n == 0) return;
    ++fast;
    ASSERT_EQ(std::string(written, n), expected) << normalised << " / " << unit_length;
  };
  for (int i = 0; i < 200000; ++i) check(short_length(random), short_unit(random));
  for (int i = 0; i < 100000; ++i) check(any_length(random), any_unit(random));
  for (unsigned unit_length : {8u, 16u, 40u, 200u, 400u}) {
    for (int normalised = 0; normalised < 2000; ++normalised) check(normalised, unit_length);
  }
  EXPECT_GT(fast, tried * 9 / 10);
  char text[32];
  EXPECT_EQ(copy_number_fast(1, 8, text), 0u);  // 0.125: half-way
  EXPECT_EQ(copy_number_fast(-1, 2, text), 0u);
}

}  // namespace
