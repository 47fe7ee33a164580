#ifndef VELKOR_DRIVER_MASKING_H
#define VELKOR_DRIVER_MASKING_H

#include <cstdint>
#include <cstdio>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"

// The stretches of a sequence that its repeats cover, gathered while the
// report is written: masking overwrites the residues, which the report and
// the BED file show, so it must wait until they are done. Repeats come in
// order of their starts, so overlapping ones merge into one stretch.
class MaskedStretches {
 public:
  void add(const Csat& sat, const char* residues);
  // Masks the stretches in the sequence buffer itself, as mask_with (a
  // MaskWith) says.
  void mask(CSequence_Mol& seq, int mask_with) const;

 private:
  struct Stretch {
    std::uint32_t begin, end;  // offsets from the first residue
  };
  std::vector<Stretch> stretches_;
};

// Writes a record whose residues are masked already as FASTA, in lines of
// 80 residues.
void write_masked_record(FILE* out, const CSequence_Mol& seq);

// Takes each record searched once its residues are masked.
class MaskedRecords {
 public:
  virtual ~MaskedRecords() = default;
  virtual void take(const CSequence_Mol& seq) = 0;
};

#endif
