#ifndef VELKOR_SEARCH_SEARCH_OPTIONS_H
#define VELKOR_SEARCH_SEARCH_OPTIONS_H

#include <climits>
#include <cstddef>

// Everything that decides what the three original search modes find, and
// how hard they work for it: built once for the run and passed to every
// search, so that a search reads no setting from anywhere else. The defaults
// are the program's own.
struct SearchOptions {
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
  // are treated as mismatches.
  int Ns_allowed_in_a_row = 4;
  bool treat_Ns_as_missense = false;

  // How many errors deep a walk looks ahead at an error point, and how far
  // below its best score it may fall.
  int maximum_recursion_depth = 5;
  int maximum_scorereduction = INT_MAX;

  // Of two mostly overlapping repeats only the higher-scoring one is kept.
  bool remove_mostly_hidden = true;

  // The shortcuts, each with the plain path it must agree with (false takes
  // the plain path). Their arguments are stated in the files named.
  bool pass_over_starts_sharing_a_walk = true;         // starts_sharing_a_walk.h
  bool settle_by_score_bound = true;                   // score_bound.cpp
  bool leave_out_repeated_look_ahead = true;           // repeated_nodes.h, completed_nodes.h
  bool follow_earlier_walks = true;                    // follow_trail.h
  bool end_walks_that_cannot_regain_their_best = true; // regain_best.h, regain_by_alignment.h
  bool compare_sixteen_at_a_time = true;               // greedy_run.h

  // Limits of the shortcuts' memory and work; tests make them small to
  // reach the code that runs when they are met.
  // Exact seeds of extendExact are grown this many at a time.
  std::size_t seeds_grown_at_once = 256;
  // A repeat kept by extendExact with a longer error list gives the list up
  // and is grown again if it survives the overlap removal; UINT_MAX keeps
  // every list.
  unsigned longest_error_list_kept = 16;
  // A record is cut into parts of at least this many starts with the
  // default unit lengths, fewer with longer ones.
  std::size_t starts_per_part = std::size_t{1} << 19;
  // The memo of earlier walks keeps this many points beyond one per 16
  // residues.
  std::size_t walk_points_kept_at_least = 65536;
};

#endif
