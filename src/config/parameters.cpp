#include "config/parameters.h"

std::string global_input_filename;
std::string global_output_filename;
std::string global_bed_filename;
unsigned global_sequence_from;
unsigned global_sequence_to;
int global_search_mode;
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
int global_N_and_perfection_mode;
float global_perfection_minimum;
int global_report_unit_mode;
int global_print_sat_mode;
int global_print_sat_seq_mode;
int global_flanking;
bool global_remove_mostly_hidden;
bool global_mask_repeats;

void init_param() {
  global_sequence_from = 1;
  global_sequence_to = 4294967295u;
  global_search_mode = SEARCH_IMPERFECT;
  global_min_unit_length = 1;
  global_max_unit_length = 6;
  global_min_score = 6;
  global_min_score_a = 0;
  global_min_score_bx = 1.0f;
  global_min_length = 1;
  global_min_length_a = 0;
  global_min_length_bx = 0.0f;
  global_mismatch_score = -6;
  global_indel_score = -6;
  global_maximum_recursion_depth = 5;
  global_maximum_scorereduction = 2147483647;
  global_Ns_allowed_in_a_row = 4;
  global_treat_Ns_as_missense = false;
  global_N_and_perfection_mode = 0;
  global_perfection_minimum = 0.0f;
  global_report_unit_mode = 2;
  global_print_sat_mode = 1;
  global_print_sat_seq_mode = 2;
  global_flanking = 0;
  global_remove_mostly_hidden = true;
  global_mask_repeats = false;
}
