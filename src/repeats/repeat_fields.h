#ifndef VELKOR_REPEATS_REPEAT_FIELDS_H
#define VELKOR_REPEATS_REPEAT_FIELDS_H

#include <cstddef>
#include <string>

#include "repeats/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/text_buffer.h"

// What the files written for other tools (BED, GFF3, the genotypers'
// catalogues, the summary) say about a repeat, worked out once for all of
// them: no two formats can then disagree on a name, a unit or a number.

// The name other tools know a record by: the first word of its FASTA name,
// as most of them take it. Leading blanks are passed over, and a name without
// a word gets a made-up one (record_N, N its number in the file), since an
// empty name would make a whole file unreadable.
std::string chromosome_name(const std::string& record_name, unsigned record_number);

// A short text made once and appended to many lines.
struct FieldText {
  char text[32];
  std::size_t length = 0;
  void append_to(TextBuffer& line) const { line.append(text, length); }
};

struct RepeatFields {
  const Csat* sat = nullptr;
  const std::string* chrom = nullptr;
  unsigned start = 0;  // 0-based: the first residue
  unsigned end = 0;    // one past the last residue
  CDnaString unit;          // as the report shows it
  CDnaString forward_unit;  // as it reads on the forward strand at start
  FieldText id;             // TR<n>: unique in the run, the GFF3 file's ID
  FieldText copy_number;    // normalised length / unit length, two decimals
  FieldText perfection;     // percent, three decimals, as in the report
  std::string locus_id;     // the name in the catalogues, made only when one is written

  // Fills in everything but the unit texts, for repeat number n of the run,
  // N's counted in the perfection as N_mode says.
  void describe(const Csat& repeat, const CSequence_Mol& seq, const std::string& chromosome, unsigned long long n,
                int N_mode);
};

// A column of a tab-separated line: the value and a tab.
void append_column(TextBuffer& line, const std::string& text);
void append_column(TextBuffer& line, const CDnaString& text);
void append_column(TextBuffer& line, const FieldText& text);
void append_column(TextBuffer& line, long long number);

// Writes normalised / unit_length as "%.2f" does into out (room for 32
// characters) and returns the number of characters, or 0, writing nothing,
// for a quotient that lies exactly half-way between two results (there only
// the C library knows which way the double rounds) or a negative length.
// Formatting a float was the dearest part of a BED line.
std::size_t copy_number_fast(int normalised, unsigned unit_length, char* out);

#endif
