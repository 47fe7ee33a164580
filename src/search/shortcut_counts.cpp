#include "search/shortcut_counts.h"

ShortcutCounts& ShortcutCounts::operator+=(const ShortcutCounts& other) {
  runs_too_weak_without_error += other.runs_too_weak_without_error;
  runs_too_weak_with_one_error += other.runs_too_weak_with_one_error;
  walks_ended_after_one_error += other.walks_ended_after_one_error;
  walks_ended_unable_to_regain += other.walks_ended_unable_to_regain;
  walks_ended_out_of_alignment_reach += other.walks_ended_out_of_alignment_reach;
  unit_texts_written += other.unit_texts_written;
  look_ahead_nodes_left_out += other.look_ahead_nodes_left_out;
  look_ahead_nodes_dominated += other.look_ahead_nodes_dominated;
  trails_followed += other.trails_followed;
  paths_taken_at_once += other.paths_taken_at_once;
  forward_walks_starts_may_share += other.forward_walks_starts_may_share;
  starts_settled_by_score_bound += other.starts_settled_by_score_bound;
  starts_settled_by_alignment_bound += other.starts_settled_by_alignment_bound;
  records_in_parts += other.records_in_parts;
  parts_searched_again += other.parts_searched_again;
  return *this;
}
