#ifndef VELKOR_CONFIG_SEARCH_SETTINGS_H
#define VELKOR_CONFIG_SEARCH_SETTINGS_H

#include <climits>

// The score reduction that sets no limit.
constexpr int no_score_reduction_limit = INT_MAX;

// What the command line decides about the three original search modes, with
// the program's defaults: the run's options hold it, and the search's
// options value is built from it.
struct SearchSettings {
  // Scoring: a match scores +1, a tolerated N 0.
  int mismatch_score = -6;
  int indel_score = -6;

  // A repeat of unit length k is kept when its score reaches
  // max(min_score, ceil(min_score_a + min_score_bx * k)) and its normalised
  // length the same form of the min_length values.
  int min_score = 6;
  int min_score_a = 0;
  float min_score_bx = 1.0f;
  int min_length = 1;
  int min_length_a = 0;
  float min_length_bx = 0.0f;

  unsigned min_unit_length = 1;
  unsigned max_unit_length = 6;

  // Runs of at most this many N's stand in for unit residues, unless N's
  // are treated as mismatches. Never negative.
  int Ns_allowed_in_a_row = 4;
  bool treat_Ns_as_missense = false;

  // How many errors deep a walk looks ahead at an error point, and how far
  // below its best score it may fall.
  int maximum_recursion_depth = 5;
  int maximum_scorereduction = no_score_reduction_limit;

  // Of two mostly overlapping repeats only the higher-scoring one is kept.
  bool remove_mostly_hidden = true;
};

#endif
