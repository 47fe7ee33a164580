#include "repeats/unit_text.h"

#include "config/parameters.h"
#include "repeats/prime_factors.h"

bool make_unit_text(const Csat& sat, CDnaString& text) {
  const unsigned n = sat.unit_length();
  switch (global_report_unit_mode) {
    case 0:
      text.assign(sat.unit_begin, n);
      return !unit_splits_into_equal_pieces(text.data, n);
    case 2:
      return !text.setToMinAlphaRepModRevCompAndCyclicPermOf(sat.unit_begin, n);
    default:
      return !text.setToMinCyclicPermOf(sat.unit_begin, n);
  }
}
