#ifndef VELKOR_REPEATS_CDNASTRING_H
#define VELKOR_REPEATS_CDNASTRING_H

#include "repeats/faststring.h"

// Residue letters with the alphabetical normal forms of a repeat unit.
class CDnaString : public faststring {
 public:
  // Sets this string to the smallest cyclic rotation of unit; returns true
  // when unit is a whole repetition of a shorter string.
  bool setToMinCyclicPermOf(const CDnaString& unit);

  // Sets this string to the smallest of all cyclic rotations of unit and of
  // its reverse complement; returns true when unit is periodic.
  bool setToMinAlphaRepModRevCompAndCyclicPermOf(const CDnaString& unit);

  // The same for the n characters at unit, which must not lie in this
  // string. Nothing is allocated once the string has room for n + 1.
  bool setToMinCyclicPermOf(const char* unit, unsigned n);
  bool setToMinAlphaRepModRevCompAndCyclicPermOf(const char* unit, unsigned n);
};

#endif
