#ifndef VELKOR_REPEATS_UNIT_TEXT_H
#define VELKOR_REPEATS_UNIT_TEXT_H

#include "repeats/CDnaString.h"
#include "repeats/Csat.h"

// The unit text as the report shows it, in the unit mode of the run; false
// when the unit is a whole repetition of a shorter string, which every
// output leaves out. A text reused from repeat to repeat keeps its buffer.
bool make_unit_text(const Csat& sat, CDnaString& text);

#endif
