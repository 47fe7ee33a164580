#include "repeats/unit_text.h"

#include <cstring>

#include "repeats/prime_factors.h"

bool make_unit_text(const Csat& sat, CDnaString& text, int unit_mode) {
  const unsigned n = sat.unit_length();
  switch (unit_mode) {
    case 0:
      text.assign(sat.unit_begin, n);
      return !unit_splits_into_equal_pieces(text.data, n);
    case 2:
      return !text.setToMinAlphaRepModRevCompAndCyclicPermOf(sat.unit_begin, n);
    default:
      return !text.setToMinCyclicPermOf(sat.unit_begin, n);
  }
}

void make_forward_unit_text(const Csat& sat, CDnaString& text) {
  const unsigned n = sat.unit_length();
  text.reserve(std::size_t{n} + 1);
  text.length = n;
  if (n == 0) return;
  // unit_pos_backward is the unit character before the first residue.
  const unsigned first = static_cast<unsigned>(sat.unit_pos_backward - sat.unit_begin + 1) % n;
  std::memcpy(text.data, sat.unit_begin + first, n - first);
  std::memcpy(text.data + (n - first), sat.unit_begin, first);
}

bool UnitTextCache::make(const Csat& sat, CDnaString& text) {
  const unsigned n = sat.unit_length();
  // An empty unit would read as an empty slot.
  if (n == 0 || n > LONGEST_REMEMBERED) return make_unit_text(sat, text, mode_);
  std::uint64_t unit = 0;
  for (unsigned i = 0; i < n; ++i) unit = unit << 8 | static_cast<unsigned char>(sat.unit_begin[i]);
  Slot& slot = slots_[(unit * 0x9E3779B97F4A7C15ull) >> (64 - SLOT_BITS)];
  // Whole words are copied: the text has room for them beyond its length.
  text.reserve(LONGEST_REMEMBERED + 1);
  if (slot.unit != unit) {
    slot.unit = unit;
    slot.shown = make_unit_text(sat, text, mode_);
    std::memcpy(&slot.text, text.data, LONGEST_REMEMBERED);
    return slot.shown;
  }
  std::memcpy(text.data, &slot.text, LONGEST_REMEMBERED);
  text.length = n;
  return slot.shown;
}
