#ifndef VELKOR_REPEATS_UNIT_TEXT_H
#define VELKOR_REPEATS_UNIT_TEXT_H

#include <cstdint>

#include "repeats/CDnaString.h"
#include "repeats/Csat.h"

// The unit text as the report shows it in unit_mode (0 as found, 1 normal
// form, 2 normal form with reverse complement); false when the unit is a
// whole repetition of a shorter string, which every output leaves out. A
// text reused from repeat to repeat keeps its buffer.
bool make_unit_text(const Csat& sat, CDnaString& text, int unit_mode);

// The unit as it reads on the forward strand where the repeat starts: the
// rotation of the unit found whose first character is the one the ideal
// repeat aligns with the repeat's first residue. Tools that read the
// sequence itself (genotypers, a strand-aware user) need this one, since the
// normal form may be rotated or read off the other strand.
void make_forward_unit_text(const Csat& sat, CDnaString& text);

// make_unit_text for many repeats in a row. A report names the same few
// short units again and again, and working out a normal form costs more than
// writing the rest of the entry, so the texts of short units are remembered.
// Large: one lasts a whole run, for each thread that writes entries.
class UnitTextCache {
 public:
  explicit UnitTextCache(int unit_mode) : mode_(unit_mode) {}
  bool make(const Csat& sat, CDnaString& text);

 private:
  int mode_;
  // A unit of at most 8 letters, none of them a zero byte, is one 64-bit
  // word, and so is its text.
  static constexpr unsigned LONGEST_REMEMBERED = 8;
  static constexpr unsigned SLOT_BITS = 12;
  struct Slot {
    std::uint64_t unit = 0;  // 0: empty
    std::uint64_t text = 0;
    bool shown = false;
  };
  Slot slots_[1u << SLOT_BITS];
};

#endif
