/*
 * Dominated nodes: in the setting of repeated_nodes.h (the threshold -L
 * throughout a decision, negative penalties, a budget that cannot run out),
 * a node whose greedy run ends at an error point where a node completed
 * earlier in the decision had a score at least as high and a depth at most
 * as deep is not expanded, and is valued at its own score. Its true value is at most that of the completed node, which
 * lies under the same or an earlier error of the decision. By induction over
 * the visiting order, every value computed is at most the true one, and the
 * highest value over the errors tried so far is the true highest; as a later
 * error wins only with a strictly higher value, the chosen error is the same.
 * Completed nodes are remembered in a small table indexed by their error
 * point; a slot holds the last node stored there, and a node lost to an
 * overwritten slot is merely expanded again.
 */
#ifndef VELKOR_SEARCH_EXTENSION_COMPLETED_NODES_H
#define VELKOR_SEARCH_EXTENSION_COMPLETED_NODES_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

// The look-ahead nodes completed in the decision under way, by the error
// point where their greedy run ended. Entries of earlier decisions are told
// apart by their generation, so a decision starts without clearing anything.
class CompletedNodes {
 public:
  void start_decision() {
    if (++generation_ == 0) {  // after wrapping round, old entries could pass for new ones
      std::fill(std::begin(slots_), std::end(slots_), Entry{});
      generation_ = 1;
    }
  }

  bool dominated(const char* pos, const char* unit_pos, int score, int levels_left) const {
    const Entry& entry = slots_[slot(pos, unit_pos)];
    return entry.generation == generation_ && entry.pos == pos && entry.unit_pos == unit_pos &&
           entry.score >= score && entry.levels_left >= levels_left;
  }

  void add(const char* pos, const char* unit_pos, int score, int levels_left) {
    slots_[slot(pos, unit_pos)] = {pos, unit_pos, generation_, score, levels_left};
  }

 private:
  struct Entry {
    const char* pos;
    const char* unit_pos;
    std::uint32_t generation;
    int score;
    int levels_left;
  };
  // A decision at the default depth expands at most 120 nodes; the size is
  // not critical.
  static constexpr unsigned slot_bits = 9;

  // The nodes of a decision lie close together: neighbouring error points
  // get neighbouring slots.
  static std::size_t slot(const char* pos, const char* unit_pos) {
    return (reinterpret_cast<std::uintptr_t>(pos) * 8 + reinterpret_cast<std::uintptr_t>(unit_pos)) &
           ((std::size_t{1} << slot_bits) - 1);
  }

  Entry slots_[std::size_t{1} << slot_bits] = {};
  std::uint32_t generation_ = 0;
};
#endif
