#include "driver/search_parameters.h"

SearchOptions search_options_of(const RunOptions& run) {
  SearchOptions options;
  options.mismatch_score = run.mismatch_score;
  options.indel_score = run.indel_score;
  options.min_score = run.min_score;
  options.min_score_a = run.min_score_a;
  options.min_score_bx = run.min_score_bx;
  options.min_length = run.min_length;
  options.min_length_a = run.min_length_a;
  options.min_length_bx = run.min_length_bx;
  options.min_unit_length = run.min_unit_length;
  options.max_unit_length = run.max_unit_length;
  options.Ns_allowed_in_a_row = run.Ns_allowed_in_a_row;
  options.treat_Ns_as_missense = run.treat_Ns_as_missense;
  options.maximum_recursion_depth = run.maximum_recursion_depth;
  options.maximum_scorereduction = run.maximum_scorereduction;
  options.remove_mostly_hidden = run.remove_mostly_hidden;
  return options;
}
