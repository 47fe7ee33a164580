#ifndef VELKOR_DRIVER_SEARCH_RECORD_H
#define VELKOR_DRIVER_SEARCH_RECORD_H

#include <cstdio>

#include "driver/CSequence_Mol.h"
#include "driver/masking.h"
#include "repeats/repeat_files.h"

// Searches one record and writes its report block to out and its repeats to
// files (null: no files for other tools); then masks its residues and hands
// them to masked (null: no masked copy).
void search_record(unsigned record_number, CSequence_Mol& seq, FILE* out, RepeatListener* files,
                   MaskedRecords* masked);

#endif
