#ifndef VELKOR_REPEATS_CSEQUENCE_MOL_H
#define VELKOR_REPEATS_CSEQUENCE_MOL_H

#include <string>

// One FASTA record as read: residues are only A, C, G, T and N, upper case,
// and not zero-terminated. One instance serves the whole run; its buffer
// only ever grows.
class CSequence_Mol {
 public:
  std::string name;
  char* residues = nullptr;
  unsigned length = 0;
  unsigned capacity = 0;
};

#endif
