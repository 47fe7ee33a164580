#ifndef VELKOR_REPEATS_REPEAT_FIELDS_H
#define VELKOR_REPEATS_REPEAT_FIELDS_H

#include <string>

#include "driver/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"

// What the files written for other tools (BED, GFF3, the genotypers'
// catalogues, the summary) say about a repeat, worked out once for all of
// them: no two formats can then disagree on a name, a unit or a number.

// The name other tools know a record by: the first word of its FASTA name,
// as most of them take it. Leading blanks are passed over, and a name without
// a word gets a made-up one (record_N, N its number in the file), since an
// empty name would make a whole file unreadable.
std::string chromosome_name(const std::string& record_name, unsigned record_number);

struct RepeatFields {
  const Csat* sat = nullptr;
  const std::string* chrom = nullptr;
  unsigned start = 0;  // 0-based: the first residue
  unsigned end = 0;    // one past the last residue
  CDnaString unit;           // as the report shows it
  CDnaString forward_unit;   // as it reads on the forward strand at start
  char id[24] = {};          // unique in the run, the same in every file
  char copy_number[24] = {};  // normalised length / unit length, two decimals
  char perfection[24] = {};   // percent, three decimals, as in the report

  // Fills in everything but the unit texts, for repeat number n of the run.
  void describe(const Csat& repeat, const CSequence_Mol& seq, const std::string& chromosome, unsigned long long n);
};

#endif
