#include "config/search_globals_bridge.h"

unsigned global_min_unit_length;
unsigned global_max_unit_length;
int global_min_score;
int global_min_score_a;
float global_min_score_bx;
int global_min_length;
int global_min_length_a;
float global_min_length_bx;
int global_mismatch_score;
int global_indel_score;
int global_maximum_recursion_depth;
int global_maximum_scorereduction;
int global_Ns_allowed_in_a_row;
bool global_treat_Ns_as_missense;
bool global_remove_mostly_hidden;

void set_search_globals(const RunOptions& options) {
  global_min_unit_length = options.min_unit_length;
  global_max_unit_length = options.max_unit_length;
  global_min_score = options.min_score;
  global_min_score_a = options.min_score_a;
  global_min_score_bx = options.min_score_bx;
  global_min_length = options.min_length;
  global_min_length_a = options.min_length_a;
  global_min_length_bx = options.min_length_bx;
  global_mismatch_score = options.mismatch_score;
  global_indel_score = options.indel_score;
  global_maximum_recursion_depth = options.maximum_recursion_depth;
  global_maximum_scorereduction = options.maximum_scorereduction;
  global_Ns_allowed_in_a_row = options.Ns_allowed_in_a_row;
  global_treat_Ns_as_missense = options.treat_Ns_as_missense;
  global_remove_mostly_hidden = options.remove_mostly_hidden;
}

void init_param() { set_search_globals(RunOptions()); }
