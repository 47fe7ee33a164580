#ifndef VELKOR_REPEATS_PRIME_FACTORS_H
#define VELKOR_REPEATS_PRIME_FACTORS_H

#include <array>

// Row n lists in ascending order the distinct primes that divide n and are
// smaller than n, padded with zeros; every row ends with a zero.
constexpr unsigned PRIME_FACTOR_ROWS = 10001;
constexpr unsigned PRIME_FACTOR_COLUMNS = 6;
extern const std::array<std::array<int, PRIME_FACTOR_COLUMNS>, PRIME_FACTOR_ROWS> primeFactors;

// True when the unit consists of p equal pieces for some prime p < length
// that divides length. A unit that is one letter repeated a prime number of
// times does not count; the searches never make such a unit.
bool unit_splits_into_equal_pieces(const char* unit, unsigned length);

#endif
