#ifndef VELKOR_DRIVER_RESIDUE_BUFFER_H
#define VELKOR_DRIVER_RESIDUE_BUFFER_H

#include <cstdlib>

#include "driver/CFile.h"
#include "repeats/CSequence_Mol.h"
#include "driver/huge_pages.h"

// The residue buffer of a sequence, refilled by every record read into it.
// Should the first allocation fail, the reader starts small and grows it as
// it needs.
class ResidueBuffer {
 public:
  explicit ResidueBuffer(CSequence_Mol& seq) : seq_(seq) {
    seq_.residues = static_cast<char*>(std::malloc(initial_residue_capacity));
    seq_.capacity = seq_.residues ? initial_residue_capacity : 0;
    ask_for_huge_pages(seq_.residues, seq_.capacity);
    seq_.length = 0;
  }
  ResidueBuffer(const ResidueBuffer&) = delete;
  ResidueBuffer& operator=(const ResidueBuffer&) = delete;
  ~ResidueBuffer() { std::free(seq_.residues); }

 private:
  CSequence_Mol& seq_;
};

#endif
