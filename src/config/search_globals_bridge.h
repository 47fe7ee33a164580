#ifndef VELKOR_CONFIG_SEARCH_GLOBALS_BRIDGE_H
#define VELKOR_CONFIG_SEARCH_GLOBALS_BRIDGE_H

#include "config/run_options.h"

// The settings the search still reads as globals. Everything else reads the
// RunOptions value; these go once the search takes its options as a value.
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
extern bool global_remove_mostly_hidden;

// Copies the search's settings from options, once, after parsing.
void set_search_globals(const RunOptions& options);

// Sets the search's globals to the defaults (tests of the search).
void init_param();

#endif
