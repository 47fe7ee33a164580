#include "repeats/entry_columns.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

// Most entries are short exact repeats, for which writing the columns field
// by field, each with its own room check and blanks, cost more than finding
// the repeat. When every number fits its column, a line of blanks and
// separators is copied at once and the digits are written into it.

namespace {

constexpr unsigned NAME_WIDTH = 16;
// The names of the short units right-aligned in their field, copied in one piece.
constexpr char NAME_FIELDS[7][NAME_WIDTH + 1] = {
    " ***  ERROR  ***", "  mononucleotide", "    dinucleotide", "   trinucleotide",
    " tetranucleotide", " pentanucleotide", "  hexanucleotide",
};

const char* short_unit_name(unsigned unit_length) {
  const char* name = NAME_FIELDS[unit_length];
  while (*name == ' ') ++name;
  return name;
}

// The name right-aligned in 16 columns, or "%5u-nucleotide" for long units.
void append_name_field(TextBuffer& text, unsigned unit_length) {
  if (unit_length < 7) {
    text.append(NAME_FIELDS[unit_length], NAME_WIDTH);
  } else {
    text.append_int(unit_length, 5);
    text.append("-nucleotide");
  }
}

// The common columns with every field blank. Each number ends at its offset.
constexpr char COMMON_COLUMNS[] =
    "                 "  // name, blank
    "          : "       // start
    "          | "       // end
    "       bp | "       // length
    "       BP | "       // normalised length
    "       pt | "       // score
    "        % | ";      // perfection
constexpr std::size_t COMMON_WIDTH = sizeof COMMON_COLUMNS - 1;
static_assert(COMMON_WIDTH == 89, "the fields of the common columns");
constexpr std::size_t START_END = 26, END_END = 38, LENGTH_END = 47, NORMALISED_END = 59, SCORE_END = 71,
                      PERFECTION_END = 84;

constexpr std::uint32_t FITS_9 = 999999999, FITS_6 = 999999, FITS_3 = 999;
bool fits(int value, std::uint32_t largest) {
  return value >= 0 && static_cast<std::uint32_t>(value) <= largest;
}

}  // namespace

void append_common_columns_plainly(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, int N_mode) {
  append_name_field(text, sat.unit_length());
  text.append(' ');
  text.append_int(sat.start_position(seq.residues), 9);
  text.append(" : ");
  text.append_int(sat.end_position(seq.residues), 9);
  text.append(" | ");
  text.append_int(sat.length(), 6);
  text.append(" bp | ");
  text.append_int(sat.normalised_length(), 6);
  text.append(" BP | ");
  text.append_int(sat.score, 6);
  text.append(" pt | ");
  text.append_fixed3(sat.perfection(N_mode), 7);
  text.append(" % | ");
}

void append_common_columns(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, int N_mode) {
  const unsigned unit_length = sat.unit_length();
  const unsigned start = sat.start_position(seq.residues);
  const unsigned end = sat.end_position(seq.residues);
  const unsigned length = sat.length();
  const int normalised = sat.normalised_length();
  // The perfection is written after blanks, so that its field can be copied
  // in one piece of a size known here.
  constexpr std::size_t PERFECTION_WIDTH = 7;
  char perfection[PERFECTION_WIDTH + 16];
  std::memset(perfection, ' ', PERFECTION_WIDTH);
  const std::size_t perfection_width = fixed3_fast(sat.perfection(N_mode), perfection + PERFECTION_WIDTH);
  if (unit_length == 0 || unit_length > 99999 || start > FITS_9 || end > FITS_9 || length > FITS_6 ||
      !fits(normalised, FITS_6) || !fits(sat.score, FITS_6) || perfection_width == 0 ||
      perfection_width > PERFECTION_WIDTH) {
    append_common_columns_plainly(text, sat, seq, N_mode);
    return;
  }
  char* const line = text.extend(COMMON_WIDTH);
  std::memcpy(line, COMMON_COLUMNS, COMMON_WIDTH);
  if (unit_length < 7) {
    std::memcpy(line, NAME_FIELDS[unit_length], NAME_WIDTH);
  } else {
    TextBuffer::write_digits_before(line + 5, unit_length);
    std::memcpy(line + 5, "-nucleotide", 11);
  }
  TextBuffer::write_digits_before(line + START_END, start);
  TextBuffer::write_digits_before(line + END_END, end);
  TextBuffer::write_digits_before(line + LENGTH_END, length);
  TextBuffer::write_digits_before(line + NORMALISED_END, static_cast<std::uint32_t>(normalised));
  TextBuffer::write_digits_before(line + SCORE_END, static_cast<std::uint32_t>(sat.score));
  std::memcpy(line + (PERFECTION_END - PERFECTION_WIDTH), perfection + perfection_width, PERFECTION_WIDTH);
}

namespace {

// The error counts with every field blank, the N's last.
constexpr char ERROR_COUNTS[] = "    mis |     ins |     del |     N | ";
constexpr std::size_t MISMATCHES_END = 3, INSERTIONS_END = 13, DELETIONS_END = 23, NS_END = 33;
constexpr std::size_t ERROR_COUNTS_WIDTH = sizeof ERROR_COUNTS - 1, WITHOUT_NS_WIDTH = 30;

}  // namespace

void append_error_counts_plainly(TextBuffer& text, const Csat& sat, bool N_column) {
  text.append_int(sat.mismatches, 3);
  text.append(" mis | ");
  text.append_int(sat.insertions, 3);
  text.append(" ins | ");
  text.append_int(sat.deletions, 3);
  text.append(" del | ");
  if (N_column) {
    text.append_int(sat.Ns, 3);
    text.append(" N | ");
  }
}

void append_error_counts(TextBuffer& text, const Csat& sat, bool N_column) {
  const bool with_Ns = N_column;
  if (!fits(sat.mismatches, FITS_3) || !fits(sat.insertions, FITS_3) || !fits(sat.deletions, FITS_3) ||
      (with_Ns && !fits(sat.Ns, FITS_3))) {
    append_error_counts_plainly(text, sat, N_column);
    return;
  }
  // Copies of a size known here are inlined.
  char* const line = text.extend(with_Ns ? ERROR_COUNTS_WIDTH : WITHOUT_NS_WIDTH);
  if (with_Ns) {
    std::memcpy(line, ERROR_COUNTS, ERROR_COUNTS_WIDTH);
  } else {
    std::memcpy(line, ERROR_COUNTS, WITHOUT_NS_WIDTH);
  }
  TextBuffer::write_digits_before(line + MISMATCHES_END, static_cast<std::uint32_t>(sat.mismatches));
  TextBuffer::write_digits_before(line + INSERTIONS_END, static_cast<std::uint32_t>(sat.insertions));
  TextBuffer::write_digits_before(line + DELETIONS_END, static_cast<std::uint32_t>(sat.deletions));
  if (with_Ns) TextBuffer::write_digits_before(line + NS_END, static_cast<std::uint32_t>(sat.Ns));
}

void append_repeat_name(TextBuffer& text, unsigned unit_length) {
  if (unit_length < 7) {
    const char* name = short_unit_name(unit_length);
    text.append(name, std::strlen(name));
  } else {
    text.append_int(unit_length);
    text.append("-nucleotide");
  }
}
