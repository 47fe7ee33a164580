#ifndef VELKOR_DRIVER_SEARCH_RECORD_H
#define VELKOR_DRIVER_SEARCH_RECORD_H

#include <cstdio>

#include "driver/CSequence_Mol.h"
#include "repeats/repeat_files.h"

// Searches one record and writes its report block to out, its repeats to
// files (null: no files for other tools) and its masked copy to masked
// (null: none).
void search_record(unsigned record_number, CSequence_Mol& seq, FILE* out, RepeatListener* files, FILE* masked);

#endif
