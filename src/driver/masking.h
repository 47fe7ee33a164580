#ifndef VELKOR_DRIVER_MASKING_H
#define VELKOR_DRIVER_MASKING_H

#include <cstdio>

#include "driver/CSequence_Mol.h"
#include "repeats/Csat.h"

// Overwrites the residues of every repeat with 'X' (in the sequence buffer
// itself) and writes the record as FASTA in lines of 80 residues.
void write_masked_record(FILE* out, CSequence_Mol& seq, const SatList& repeats);

#endif
