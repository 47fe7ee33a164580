/*
 * The greedy run of the extension: every matching residue and every
 * tolerated run of N's, taken without choice.
 *
 * Sixteen residues at a time: a unit of up to eight residues is written out
 * over and over, far enough that every unit phase has its next sixteen
 * characters in a row, forward and backward. One comparison of sixteen
 * residues with the sixteen characters of the phase ahead, and the count of
 * equal bytes in a row from the first, is the same as sixteen steps of the
 * run residue by residue, up to the first residue that is not a match. That
 * residue is left to the run residue by residue where it is a tolerated N,
 * and ends the run at an error point otherwise, as the run by residues
 * would; fewer than sixteen residues before the limit are taken one by one.
 * So the run ends at the same position, unit phase and score either way.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_GREEDY_RUN_H
#define VELKOR_SEARCH_EXTENSION_GREEDY_RUN_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "search/extension/extension_walk.h"
#include "search/shortcut_counts.h"

namespace {

// Length of the run of N's at pos, counted outward no further than one past
// the longest tolerated run: a longer run ends the walk anyway, and a huge
// run of N's must not be rescanned at every visit.
template <class Dir>
long long N_run_length(const char* pos, const char* limit, int Ns_allowed_in_a_row) {
  long long run = 0;
  while (run <= Ns_allowed_in_a_row && !Dir::at_limit(pos, limit) && *Dir::next_residue(pos) == 'N') {
    pos = Dir::step(pos);
    ++run;
  }
  return run;
}

// Units of up to this many residues are written out for the greedy runs
// below; a longer unit's text would take longer to write than its walks save.
constexpr std::ptrdiff_t longest_unit_written = 8;
// How far any phase's sixteen characters reach, in either direction.
constexpr std::ptrdiff_t unit_text_length(std::ptrdiff_t k) { return 2 * k + 16; }

// Entry i of a unit length's row: i modulo the unit length.
struct PhaseTable {
  unsigned char of[longest_unit_written + 1][unit_text_length(longest_unit_written)];
};
constexpr PhaseTable phase_table() {
  PhaseTable table{};
  for (std::ptrdiff_t k = 1; k <= longest_unit_written; ++k)
    for (std::ptrdiff_t i = 0; i < unit_text_length(k); ++i) table.of[k][i] = static_cast<unsigned char>(i % k);
  return table;
}
constexpr PhaseTable phases = phase_table();

// Of sixteen comparisons with the residues in the direction of a walk, how
// many match in a row from the first. Bit j is the j-th of them, or for the
// walk to the left bit 15 - j.
template <class Dir>
unsigned matches_in_a_row(std::uint32_t matching) {
  if (Dir::forward) return static_cast<unsigned>(__builtin_ctz(~matching));
  return static_cast<unsigned>(__builtin_clz((~matching & 0xFFFFu) << 16 | 0x8000u));
}

// A short unit written out over and over, so that a greedy run compares
// sixteen residues at once with the characters it expects of them. Where a
// run ends, no branch predictor can tell: residue by residue, nearly every
// look-ahead node paid a mispredicted branch for it. Written for a walk once
// it first decides: most walks never do.
class UnitText {
 public:
  bool written() const { return written_; }

  void write(const WalkRules& rules, const char* unit_begin, const char* unit_end) {
#ifdef __SSE2__
    const std::ptrdiff_t k = unit_end - unit_begin;
    if (!rules.compare_sixteen_at_a_time || k > longest_unit_written) return;
    // Eight characters of the unit from its first on, then the word written
    // at every whole number of units in it, as far as any phase reads.
    std::uint64_t word = 0;
    for (std::ptrdiff_t i = 0; i < k; ++i)
      word |= std::uint64_t{static_cast<unsigned char>(unit_begin[i])} << (8 * i);
    for (std::ptrdiff_t filled = k; filled < 8; filled *= 2) word |= word << (8 * filled);
    const std::ptrdiff_t whole_units = k * (8 / k);
    for (std::ptrdiff_t i = 0; i < unit_text_length(k); i += whole_units) std::memcpy(text_ + i, &word, 8);
    // Backward, phase p's sixteen characters end at p plus a whole number
    // of units of at least sixteen residues.
    backward_offset_ = k * ((16 + k - 1) / k);
    phases_ = phases.of[k];
    written_ = true;
    ++rules.counts->unit_texts_written;
#else
    static_cast<void>(rules);
    static_cast<void>(unit_begin);
    static_cast<void>(unit_end);
#endif
  }

#ifdef __SSE2__
  // How many residues match in a row of the sixteen from pos on (Forward)
  // or before pos (Backward), with the unit at phase ahead.
  template <class Dir>
  unsigned matches(const char* pos, std::ptrdiff_t phase) const {
    auto load = [](const char* y) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(y)); };
    const __m128i residues = load(Dir::forward ? pos : pos - 16);
    const __m128i expected = load(Dir::forward ? text_ + phase : text_ + phase + backward_offset_ - 15);
    return matches_in_a_row<Dir>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(residues, expected))));
  }
#endif

  // The phase after run matches from phase.
  template <class Dir>
  std::ptrdiff_t phase_after(std::ptrdiff_t phase, unsigned run) const {
    return phases_[Dir::forward ? phase + run : phase + backward_offset_ - run];
  }

 private:
  std::ptrdiff_t backward_offset_ = 0;
  const unsigned char* phases_ = nullptr;  // the row of the unit length
  bool written_ = false;
  // The last word written may reach up to seven characters further.
  char text_[unit_text_length(longest_unit_written) + 8];
};

// Takes every matching residue and every tolerated run of N's from pos on.
// Inlined: most look-ahead nodes do little else, so a call of its own would
// be a large part of their cost.
template <class Dir>
inline RunEnd greedy_run(const WalkRules& rules, const char*& pos, const char*& unit_pos, int& score, int& Ns,
                         const char* unit_begin, const char* unit_end, const char* limit, const UnitText& text) {
#ifdef __SSE2__
  // Walks of units read in part compare residue by residue: their units are
  // mostly too long for a text, and asking would cost their nodes more than
  // it saves.
  if (!Dir::tells_reach && text.written()) {
    std::ptrdiff_t phase = unit_pos - unit_begin;
    while (Dir::residues_left(pos, limit) >= 16) {
      const unsigned run = text.matches<Dir>(pos, phase);
      pos = Dir::forward ? pos + run : pos - run;
      score += static_cast<int>(run);
      phase = text.phase_after<Dir>(phase, run);
      if (run < 16) {
        unit_pos = unit_begin + phase;
        // A tolerated N is taken residue by residue, below.
        if (*Dir::next_residue(pos) != 'N' || !rules.Ns_tolerated) return RunEnd::error_point;
        break;
      }
    }
    unit_pos = unit_begin + phase;
  }
#endif
  while (!Dir::at_limit(pos, limit)) {
    const char residue = *Dir::next_residue(pos);
    if (residue == *unit_pos) {
      pos = Dir::step(pos);
      unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
      ++score;
      continue;
    }
    if (residue != 'N' || !rules.Ns_tolerated) return RunEnd::error_point;
    long long run = N_run_length<Dir>(pos, limit, rules.Ns_allowed_in_a_row);
    if (run > rules.Ns_allowed_in_a_row) return RunEnd::long_N_run;
    for (long long i = 0; i < run; ++i) {
      pos = Dir::step(pos);
      unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
    }
    Ns += static_cast<int>(run);
  }
  return RunEnd::sequence_limit;
}

}  // namespace

#endif
