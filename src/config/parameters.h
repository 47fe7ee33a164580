#ifndef VELKOR_CONFIG_PARAMETERS_H
#define VELKOR_CONFIG_PARAMETERS_H

#include <string>
#include <vector>

#include "config/catalog_option.h"

// The run's configuration. Set once by read_and_init_parameters() before the
// first record is read; every other part of the program only reads them.
extern std::string global_input_filename;
extern std::string global_output_filename;
extern std::string global_bed_filename;  // empty: no BED file
extern std::string global_mask_filename;  // empty: the input's name with ".masked" appended; "-": standard output
extern std::string global_gff_filename;  // empty: no GFF3 file
extern std::vector<CatalogRequest> global_catalogs;  // in the order given
extern CatalogSettings global_catalog_settings;
extern std::string global_summary_filename;  // empty: no summary file
extern unsigned global_sequence_from;
extern unsigned global_sequence_to;
extern int global_search_mode;  // 0 exact, 1 extendExact, 2 imperfect, 3 arrays
extern unsigned global_min_unit_length;
extern unsigned global_max_unit_length;
extern int global_min_score;
extern int global_min_score_a;
extern float global_min_score_bx;
extern int global_min_length;
extern int global_min_length_a;
extern float global_min_length_bx;
extern int global_mismatch_score;
extern int global_indel_score;
extern int global_maximum_recursion_depth;
extern int global_maximum_scorereduction;
extern int global_Ns_allowed_in_a_row;
extern bool global_treat_Ns_as_missense;
extern int global_N_and_perfection_mode;  // 0 asMismatch, 1 asNeutral, 2 asMatch
extern float global_perfection_minimum;
extern int global_report_unit_mode;    // 0 as found, 1 normal form, 2 normal form with reverse complement
extern int global_print_sat_mode;      // 0 velkor, 1 extended velkor, 2 sputnik compatible
extern int global_print_sat_seq_mode;  // 0 nothing, 1 residues, 2 alignment
extern int global_flanking;
extern bool global_remove_mostly_hidden;
extern bool global_mask_repeats;
extern int global_mask_with;  // how repeats look in the masked file (MaskWith)
extern bool global_mask_keep_input;  // the masked file keeps the input's letters outside repeats
extern bool global_quiet;     // only error messages on standard error
extern unsigned global_threads;  // records searched at once; 0: one per core of the machine

enum SearchMode { SEARCH_EXACT = 0, SEARCH_EXTEND_EXACT = 1, SEARCH_IMPERFECT = 2, SEARCH_ARRAYS = 3 };
// MASK_LOWER soft-masks: repeats in lower case, everything else in upper case.
enum MaskWith { MASK_X = 0, MASK_N = 1, MASK_LOWER = 2 };

// The file name that stands for standard input (as the input) or standard
// output (as the report or the masked file).
constexpr const char* standard_stream_name = "-";

// Sets every parameter (except the file names) to its default.
void init_param();

// True when the command line asks for a quiet run. The banner is written
// before the command line is parsed, so it must be known beforehand.
bool quiet_requested(int argc, char** argv);

// Parses and validates the command line into the globals. Returns 0 to go
// on, or a negative exit code after writing its message to standard error.
int read_and_init_parameters(int argc, char** argv);

#endif
