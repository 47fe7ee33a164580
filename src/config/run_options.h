#ifndef VELKOR_CONFIG_RUN_OPTIONS_H
#define VELKOR_CONFIG_RUN_OPTIONS_H

#include <string>
#include <vector>

#include "config/catalog_option.h"
#include "config/search_settings.h"

enum SearchMode { SEARCH_EXACT = 0, SEARCH_EXTEND_EXACT = 1, SEARCH_IMPERFECT = 2, SEARCH_ARRAYS = 3 };
// MASK_LOWER soft-masks: repeats in lower case, everything else in upper case.
enum MaskWith { MASK_X = 0, MASK_N = 1, MASK_LOWER = 2 };

// The file name that stands for standard input (as the input) or standard
// output (as the report or the masked file).
constexpr const char* standard_stream_name = "-";

// The record number that stands for the last record of the file.
constexpr unsigned last_record = 4294967295u;

// Everything the command line decides, with the defaults of a run without
// options. Made once by read_run_options() and then only read.
struct RunOptions : SearchSettings {
  std::string input_filename;
  std::string output_filename;   // empty: standard output
  std::string bed_filename;      // empty: no BED file
  std::string mask_filename;     // empty: the input's name with ".masked" appended; "-": standard output
  std::string gff_filename;      // empty: no GFF3 file
  std::vector<CatalogRequest> catalogs;  // in the order given
  CatalogSettings catalog_settings;
  std::string summary_filename;  // empty: no summary file
  unsigned sequence_from = 1;
  unsigned sequence_to = last_record;
  int search_mode = SEARCH_IMPERFECT;
  int N_and_perfection_mode = 0;  // 0 asMismatch, 1 asNeutral, 2 asMatch
  float perfection_minimum = 0.0f;
  int report_unit_mode = 2;    // 0 as found, 1 normal form, 2 normal form with reverse complement
  int print_sat_mode = 1;      // 0 velkor, 1 extended velkor, 2 sputnik compatible
  int print_sat_seq_mode = 2;  // 0 nothing, 1 residues, 2 alignment
  int flanking = 0;            // never negative
  bool mask_repeats = false;
  int mask_with = MASK_X;  // how repeats look in the masked file
  bool mask_keep_input = false;  // the masked file keeps the input's letters outside repeats
  bool quiet = false;            // only error messages on standard error
  unsigned threads = 1;          // records searched at once; 0: one per core of the machine
};

// True when the command line asks for a quiet run. The banner is written
// before the command line is parsed, so it must be known beforehand.
bool quiet_requested(int argc, char** argv);

// Parses and validates the command line into options. Returns 0 to go on,
// or a negative exit code after writing its message to standard error.
// Parse errors, --help and --version end the process inside the parser.
int read_run_options(int argc, char** argv, RunOptions& options);

#endif
