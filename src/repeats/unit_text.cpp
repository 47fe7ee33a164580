#include "repeats/unit_text.h"

#include "config/parameters.h"
#include "repeats/prime_factors.h"

bool make_unit_text(const Csat& sat, CDnaString& text) {
  text.assign(sat.unit_begin, sat.unit_length());
  if (global_report_unit_mode == 0) return !unit_splits_into_equal_pieces(text.data, text.length);
  const CDnaString as_found(text);
  const bool periodic = global_report_unit_mode == 2 ? text.setToMinAlphaRepModRevCompAndCyclicPermOf(as_found)
                                                     : text.setToMinCyclicPermOf(as_found);
  return !periodic;
}
