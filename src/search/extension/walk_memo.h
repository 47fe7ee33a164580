#ifndef VELKOR_SEARCH_EXTENSION_WALK_MEMO_H
#define VELKOR_SEARCH_EXTENSION_WALK_MEMO_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The trails of the walks of one direction over one sequence: the error
// points where a walk's choice depended only on its position and the unit
// ahead (when that holds is stated in follow_trail.h), with the
// error chosen at each. A later walk that reaches such a point with the same
// unit ahead would choose the same errors from there on, and follows the
// trail instead of choosing again.
class WalkMemo {
 public:
  // The error taken at a point, or, at a trail's last point, how the walk
  // went on: it ended there, or it chose its next error itself (it left the
  // points where choices depend on nothing else, or met an earlier trail).
  enum class Step : std::uint8_t { mismatch, insertion, deletion, walk_ended, walk_went_on };

  // The walk's state at a point: at an error point before the error is
  // taken, or where the walk ended. Kept small: a long array keeps one
  // point per error in each direction, and what is the same for many points
  // is kept with their trail.
  struct Point {
    std::uint32_t offset;  // of the walk's edge from the first residue
    std::uint32_t phase_reach_step;
    std::int32_t score;

    std::uint32_t phase() const { return phase_reach_step >> (reach_bits + step_bits); }  // of the unit position
    // How many unit steps ahead of the point the choice made there may have
    // read the unit; unknown_reach where that is not known.
    std::uint32_t reach() const { return (phase_reach_step >> step_bits) & unknown_reach; }
    Step step() const { return static_cast<Step>(phase_reach_step & ((1u << step_bits) - 1)); }
  };
  static constexpr unsigned step_bits = 3;
  static constexpr unsigned reach_bits = 8;
  static constexpr std::uint32_t unknown_reach = (1u << reach_bits) - 1;
  // Longer units leave no room for the reach and the step beside the phase.
  static constexpr unsigned longest_unit = UINT32_MAX >> (reach_bits + step_bits);
  static constexpr std::uint32_t no_point = UINT32_MAX;

  // Where a walk meets an earlier trail. The trail's unit may expect other
  // residues than the walk's at a few unit steps ahead of the point (counted
  // in the direction of the walk): the walk would still have chosen as the
  // trail did at every point whose choice read the unit less far ahead.
  struct Meeting {
    // Walks some starts apart differ at as many phases; beyond sixteen, the
    // differences lie too close together for a trail to be followed far.
    static constexpr unsigned most_differences = 16;
    std::uint32_t point = no_point;
    unsigned differences = 0;
    std::uint32_t difference_at[most_differences];
  };

  // The points of a trail lie together, from first_point to the next
  // trail's. Tolerated N's are rare, so the count taken is kept here: it is
  // the same at every error point of a trail (a walk opens a new trail
  // where it changes), and at its last point it is end_Ns.
  struct Trail {
    const char* unit_begin;
    unsigned unit_length;
    std::uint32_t first_point;
    std::int32_t Ns;
    std::int32_t end_Ns;
  };

  // What following the path from an error point on comes to. The path runs
  // over the rest of the point's trail and, where that trail's walk met an
  // earlier trail, on along that one. Scores, tolerated N's and unit phases
  // are counted from the point's; errors by kind (mismatch, insertion,
  // deletion), those taken to reach the state.
  struct PathAhead {
    struct State {
      std::uint32_t point;
      std::int32_t score, Ns;
      std::uint32_t phase_shift;  // added to the point's phase, modulo the unit length
      std::uint32_t errors[3];
    };
    State last;  // the path's last point: where its walk ended or chose again
    State best;  // the first point of highest score before the last one; point no_point if none
    std::int64_t lowest_score;  // of the points before the last one
  };

  // Forgets every trail; first is the sequence's first residue, backward
  // tells which way the walks go. At most most_points points are kept (and
  // two more to end a trail); a full memo keeps its trails but takes no
  // more. Summarised, the memo also keeps what the paths ahead of its points
  // are put together from; its walks meet only trails of the same unit
  // ahead, since a path ahead is followed without looking at its points.
  void reset(const char* first, std::size_t most_points, bool summarised, bool backward);
  void forget() { reset(first_, most_points_, summarised_, backward_); }
  bool full() const { return points_.size() >= most_points_; }

  // The point of an earlier trail at edge, when that trail had the same unit
  // ahead as [unit_begin, unit_begin + k) from unit_pos, or, where units
  // may differ, one that differs at a few unit steps at most, none of them
  // read by the choice made there. Units may differ only where a memo is not
  // summarised and the caller's choices read less far ahead than k.
  Meeting find(const char* edge, const char* unit_begin, const char* unit_pos, unsigned k,
               bool units_may_differ) const;
  // Whether the walk that met the trail would choose as the trail did at its
  // point i: its unit is the same as far as that choice read it.
  bool chosen_alike(const Meeting& meeting, std::uint32_t i) const {
    return meeting.differences == 0 || differences_unread(meeting, i);
  }

  // A walk opens a trail at its first point, and adds the points where it
  // chose an error, which go in the index that find searches. Its last point
  // says how it went on from there; met is the point of an earlier trail that
  // the walk went on along, if it did.
  void open_trail(const char* unit_begin, unsigned k);
  // reach is that of the choice made at the point.
  void add(const char* edge, const char* unit_pos, int score, int Ns, Step step, std::uint32_t reach = unknown_reach,
           std::uint32_t met = no_point);
  // Whether path_ahead can tell of a point: in a summarised memo, for the
  // error points of ended trails.
  bool path_known(std::uint32_t point) const { return summarised_ && trail_number(point) < trail_ends_.size(); }
  PathAhead path_ahead(std::uint32_t point) const;

  const Point& point(std::uint32_t i) const { return points_[i]; }
  const Trail& trail_of(std::uint32_t point) const { return trails_[trail_number(point)]; }
  const char* first() const { return first_; }

 private:
  // The builtin calls a library routine on processors that may lack the
  // instruction, which costs twice as much.
  static unsigned bits_set(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<unsigned>((x * 0x0101010101010101ull) >> 56);
  }
  std::uint32_t trail_number(std::uint32_t point) const {
    const std::uint64_t opened_up_to_point = trail_opens_[point / 64] & (~std::uint64_t{0} >> (63 - point % 64));
    return trails_before_[point / 64] + bits_set(opened_up_to_point) - 1;
  }
  std::uint32_t last_point_of(std::uint32_t trail) const {
    return (trail + 1 < trails_.size() ? trails_[trail + 1].first_point : static_cast<std::uint32_t>(points_.size())) -
           1;
  }
  bool differences_unread(const Meeting& meeting, std::uint32_t i) const;
  void push_point(std::uint32_t offset, std::uint32_t phase, std::uint32_t reach, int score, Step step);
  // Steps from phase `from` on to phase `to` of a unit of length k.
  static std::uint32_t steps_on(std::uint32_t from, std::uint32_t to, unsigned k) {
    return to >= from ? to - from : to + k - from;
  }
  // The same in the direction of the walks.
  std::uint32_t steps_between(std::uint32_t from, std::uint32_t to, unsigned k) const {
    return backward_ ? steps_on(to, from, k) : steps_on(from, to, k);
  }
  void summarise_last_trail(std::uint32_t met);
  void index(std::uint32_t point, unsigned k);
  std::size_t slot_of(std::uint32_t offset) const;

  const char* first_ = nullptr;
  std::size_t most_points_ = 0;
  std::vector<Point> points_;
  std::vector<Trail> trails_;
  // A summarised memo keeps, for every sixteenth point, what lies after it on
  // its trail: the errors to the trail's last point, and the first point of
  // highest score and the lowest score among the points after it that lie
  // before the path's last one. A path ahead is put together from the next
  // such checkpoint and at most fifteen points before it.
  struct TrailAhead {
    std::uint32_t errors[3];
    std::uint32_t best;
    std::int64_t lowest_score;
  };
  static constexpr std::uint32_t checkpoint_every = 16;
  // Where a trail's walk met an earlier trail, the path goes on as the met
  // point's does, and is kept with the trail in its unit phases.
  struct TrailEnd {
    bool goes_on;
    PathAhead beyond;
  };
  bool summarised_ = false;
  bool backward_ = false;
  std::vector<TrailAhead> checkpoints_;
  std::vector<TrailEnd> trail_ends_;
  // Which trail a point lies on, counted without a search: a bit per point,
  // set where a trail opens, and per 64 points the trails opened before.
  std::vector<std::uint64_t> trail_opens_;
  std::vector<std::uint32_t> trails_before_;
  // Open addressing by edge offset; a slot holds a point number or no_point.
  std::vector<std::uint32_t> slots_;
  std::size_t indexed_ = 0;
};

#endif
