#include "repeats/prime_factors.h"

#include <cstring>

namespace {

using PrimeFactorTable = std::array<std::array<int, PRIME_FACTOR_COLUMNS>, PRIME_FACTOR_ROWS>;

constexpr PrimeFactorTable make_prime_factor_table() {
  PrimeFactorTable table{};
  for (unsigned p = 2; p < PRIME_FACTOR_ROWS; ++p) {
    if (table[p][0] != 0) continue;  // a smaller prime divides p
    for (unsigned multiple = 2 * p; multiple < PRIME_FACTOR_ROWS; multiple += p) {
      unsigned column = 0;
      while (table[multiple][column] != 0) ++column;
      table[multiple][column] = static_cast<int>(p);
    }
  }
  return table;
}

// Unit is p equal pieces exactly when it equals itself shifted by one piece.
bool equal_pieces(const char* unit, unsigned length, unsigned p) {
  const unsigned piece = length / p;
  return std::memcmp(unit, unit + piece, length - piece) == 0;
}

}  // namespace

constexpr PrimeFactorTable primeFactors = make_prime_factor_table();

bool unit_splits_into_equal_pieces(const char* unit, unsigned length) {
  if (length < PRIME_FACTOR_ROWS) {
    for (int p : primeFactors[length]) {
      if (p == 0) return false;
      if (equal_pieces(unit, length, static_cast<unsigned>(p))) return true;
    }
    return false;
  }
  // Beyond the table the same primes come from trial division.
  unsigned rest = length;
  for (unsigned p = 2; p <= rest / p; ++p) {
    if (rest % p != 0) continue;
    if (equal_pieces(unit, length, p)) return true;
    while (rest % p == 0) rest /= p;
  }
  return rest > 1 && rest < length && equal_pieces(unit, length, rest);
}
