#ifndef VELKOR_DRIVER_INPUT_LETTERS_H
#define VELKOR_DRIVER_INPUT_LETTERS_H

#include <cstdio>
#include <memory>
#include <string>

#include "driver/CFile.h"
#include "repeats/CSequence_Mol.h"

// The masked file that keeps the input's own letters: a repeat's residues
// are masked, all others are written as the input has them, lower case and
// IUPAC codes included, for tools that read the masked file in place of the
// input. The reader normalises what it stores, so the letters are read
// again from the input file, record by record as the masked file needs them.
class InputLetters {
 public:
  // False, with a message, where the input cannot be read twice (standard
  // input or a pipe) or opened again.
  bool open(const std::string& name);
  // Writes record number `record_number` (asked for in increasing order):
  // its header as seq has it, then its letters in lines of 80. A residue of
  // seq in lower case lies in a repeat (masked with MASK_LOWER) and is
  // written as mask_with (a MaskWith) says. False, with a message, where
  // the input no longer holds what was searched.
  bool write_record(FILE* out, const CSequence_Mol& seq, unsigned record_number, int mask_with);

 private:
  bool skip_to_record(unsigned record_number);

  std::unique_ptr<CFile> in_;
  std::string name_;
  unsigned records_begun_ = 0;  // headers read so far
};

#endif
