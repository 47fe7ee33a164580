#ifndef VELKOR_SEARCH_SEARCH_OPTIONS_H
#define VELKOR_SEARCH_SEARCH_OPTIONS_H

#include <cstddef>

#include "config/search_settings.h"

// Everything that decides what the three original search modes find, and
// how hard they work for it: built once for the run and passed to every
// search, so that a search reads no setting from anywhere else: the
// command line's settings and the shortcuts' switches and limits. The
// defaults are the program's own.
struct SearchOptions : SearchSettings {
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
