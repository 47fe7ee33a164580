#include "repeats/CDnaString.h"

#include <algorithm>
#include <cstring>

namespace {

char complement(char residue) {
  switch (residue) {
    case 'A': return 'T';
    case 'C': return 'G';
    case 'G': return 'C';
    case 'T': return 'A';
    case 'N': return 'N';
    case 'B': return 'V';
    case 'V': return 'B';
    case 'D': return 'H';
    case 'H': return 'D';
    case 'K': return 'M';
    case 'M': return 'K';
    case 'R': return 'Y';
    case 'Y': return 'R';
    default: return '?';
  }
}

// Index of the alphabetically smallest rotation of s (the lowest such index),
// found in linear time by letting two candidate starts eliminate each other:
// when rotation i loses to rotation j at offset k, no start in i..i+k can be
// the smallest. Units may be long (--maxUnitLen has no upper bound), so the
// quadratic comparison of every rotation is avoided. *periodic is set when two
// different starts give the same rotation, i.e. s repeats a shorter string;
// a smallest rotation that occurs twice is never eliminated, so the two
// candidates always meet it.
unsigned smallest_rotation(const unsigned char* s, unsigned n, bool* periodic) {
  unsigned i = 0;
  unsigned j = 1;
  unsigned k = 0;
  *periodic = false;
  while (i < n && j < n && k < n) {
    // Both indices stay below 2n, so one subtraction wraps them.
    unsigned a = i + k >= n ? i + k - n : i + k;
    unsigned b = j + k >= n ? j + k - n : j + k;
    if (s[a] == s[b]) {
      ++k;
      continue;
    }
    if (s[a] > s[b]) {
      i += k + 1;
    } else {
      j += k + 1;
    }
    if (i == j) ++j;
    k = 0;
  }
  if (k == n && n > 1) *periodic = true;
  return i < j ? i : j;
}

}  // namespace

bool CDnaString::setToMinCyclicPermOf(const CDnaString& unit) {
  if (&unit == this) {
    const CDnaString copy(unit);
    return setToMinCyclicPermOf(copy.data, copy.length);
  }
  return setToMinCyclicPermOf(unit.data, unit.length);
}

bool CDnaString::setToMinAlphaRepModRevCompAndCyclicPermOf(const CDnaString& unit) {
  if (&unit == this) {
    const CDnaString copy(unit);
    return setToMinAlphaRepModRevCompAndCyclicPermOf(copy.data, copy.length);
  }
  return setToMinAlphaRepModRevCompAndCyclicPermOf(unit.data, unit.length);
}

bool CDnaString::setToMinCyclicPermOf(const char* unit, unsigned n) {
  bool periodic = false;
  const unsigned start = n ? smallest_rotation(reinterpret_cast<const unsigned char*>(unit), n, &periodic) : 0;
  reserve(std::size_t{n} + 1);
  if (n) {
    std::memcpy(data, unit + start, n - start);
    std::memcpy(data + (n - start), unit, start);
  }
  length = n;
  return periodic;
}

bool CDnaString::setToMinAlphaRepModRevCompAndCyclicPermOf(const char* unit, unsigned n) {
  // The reverse complement is built and rotated in this string itself, so a
  // string reused from unit to unit allocates nothing.
  reserve(std::size_t{n} + 1);
  for (unsigned i = 0; i < n; ++i) data[i] = complement(unit[n - 1 - i]);
  length = n;
  if (n == 0) return false;

  // The complement is one-to-one on the residue letters, so the reverse
  // complement is periodic exactly when unit is.
  bool periodic = false;
  const unsigned rc_start = smallest_rotation(reinterpret_cast<const unsigned char*>(data), n, &periodic);
  std::rotate(data, data + rc_start, data + n);

  bool unused;
  const unsigned start = smallest_rotation(reinterpret_cast<const unsigned char*>(unit), n, &unused);
  // The smallest rotation of unit is unit[start, n) followed by unit[0, start).
  int order = std::memcmp(data, unit + start, n - start);
  if (order == 0) order = std::memcmp(data + (n - start), unit, start);
  if (order > 0) {
    std::memcpy(data, unit + start, n - start);
    std::memcpy(data + (n - start), unit, start);
  }
  return periodic;
}
