#include "search/extension/walk_memo.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

std::uint32_t offset_from(const char* first, const char* p) { return static_cast<std::uint32_t>(p - first); }

std::uint32_t phase_of(const char* unit_begin, const char* unit_pos) {
  return static_cast<std::uint32_t>(unit_pos - unit_begin);
}

// The residues from x and y on, up to n of them, that are alike: compared a
// word at a time, since units of some hundred residues are compared whole.
std::uint32_t alike_for(const char* x, const char* y, std::uint32_t n) {
  std::uint32_t i = 0;
  for (; n - i >= 8; i += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, x + i, 8);
    std::memcpy(&b, y + i, 8);
    if (a != b) break;
  }
  while (i < n && x[i] == y[i]) ++i;
  return i;
}

// Where two units, read cyclically from the given phases in the direction
// of the walks, expect different residues: false when they differ at more
// than `most` unit steps. Walks of different seeds of one repeat mostly hold
// rotations of one unit; walks from neighbouring starts of one long unit
// length hold units that differ at one phase.
bool unit_differences(const char* unit_a, std::uint32_t phase_a, const char* unit_b, std::uint32_t phase_b,
                      unsigned k, bool backward, unsigned most, WalkMemo::Meeting& meeting) {
  meeting.differences = 0;
  if (unit_a == unit_b && phase_a == phase_b) return true;
  // Read forward, in stretches that neither unit wraps within.
  for (std::uint32_t step = 0; step < k;) {
    const std::uint32_t stretch = std::min({k - step, k - phase_a, k - phase_b});
    const std::uint32_t alike = alike_for(unit_a + phase_a, unit_b + phase_b, stretch);
    const std::uint32_t moved = alike < stretch ? alike + 1 : stretch;
    if (alike < stretch) {
      if (meeting.differences == most) return false;
      // A walk going backward meets what lies s steps forward k - s steps on.
      const std::uint32_t forward_step = step + alike;
      meeting.difference_at[meeting.differences++] = backward && forward_step != 0 ? k - forward_step : forward_step;
    }
    // No stretch reads past either unit's end, so a phase at most reaches k.
    step += moved;
    phase_a += moved;
    phase_b += moved;
    if (phase_a == k) phase_a = 0;
    if (phase_b == k) phase_b = 0;
  }
  return true;
}

}  // namespace

void WalkMemo::reset(const char* first, std::size_t most_points, bool summarised, bool backward) {
  first_ = first;
  backward_ = backward;
  most_points_ = most_points;
  summarised_ = summarised;
  checkpoints_.clear();
  trail_ends_.clear();
  points_.clear();
  trails_.clear();
  trail_opens_.clear();
  trails_before_.clear();
  std::fill(slots_.begin(), slots_.end(), no_point);
  indexed_ = 0;
}

std::size_t WalkMemo::slot_of(std::uint32_t offset) const {
  // Fibonacci hashing spreads the neighbouring offsets of one trail.
  return static_cast<std::size_t>((offset * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
}

WalkMemo::Meeting WalkMemo::find(const char* edge, const char* unit_begin, const char* unit_pos, unsigned k,
                                  bool units_may_differ) const {
  Meeting meeting;
  if (slots_.empty()) return meeting;
  const std::uint32_t offset = offset_from(first_, edge);
  for (std::size_t s = slot_of(offset);; s = (s + 1) & (slots_.size() - 1)) {
    const std::uint32_t i = slots_[s];
    if (i == no_point) return meeting;
    const Point& p = points_[i];
    if (p.offset != offset) continue;
    const Trail& trail = trail_of(i);
    if (trail.unit_length != k) continue;
    const unsigned most = units_may_differ && !summarised_ ? Meeting::most_differences : 0;
    meeting.point = i;
    if (!unit_differences(trail.unit_begin, p.phase(), unit_begin, phase_of(unit_begin, unit_pos), k, backward_, most,
                          meeting) ||
        !chosen_alike(meeting, i))
      meeting.point = no_point;
    return meeting;
  }
}

bool WalkMemo::differences_unread(const Meeting& meeting, std::uint32_t i) const {
  const std::uint32_t reach = points_[i].reach();
  if (reach == unknown_reach) return false;
  const unsigned k = trail_of(i).unit_length;
  // The differences recur every k steps.
  const std::uint32_t taken = steps_between(points_[meeting.point].phase(), points_[i].phase(), k);
  for (unsigned d = 0; d < meeting.differences; ++d)
    if (steps_on(taken, meeting.difference_at[d], k) <= reach) return false;
  return true;
}

void WalkMemo::index(std::uint32_t point, unsigned k) {
  // Three slots in four may be taken: a point costs less than the slots
  // kept free for it, and most searches that miss end at a free slot soon.
  if (4 * (indexed_ + 1) > 3 * slots_.size()) {
    // Grown by doubling and filled again: the cost is spread over the points.
    slots_.assign(std::max<std::size_t>(1024, 2 * slots_.size()), no_point);
    indexed_ = 0;
    for (std::size_t t = 0; t < trails_.size(); ++t) {
      const std::uint32_t end = t + 1 < trails_.size() ? trails_[t + 1].first_point : point;
      for (std::uint32_t i = trails_[t].first_point; i < end; ++i)
        if (points_[i].step() <= Step::deletion) index(i, trails_[t].unit_length);
    }
  }
  const Point& p = points_[point];
  std::size_t s = slot_of(p.offset);
  for (; slots_[s] != no_point; s = (s + 1) & (slots_.size() - 1)) {
    const std::uint32_t q = slots_[s];
    // One trail per edge and unit length is enough to meet. Where units may
    // differ, the latest is likeliest to differ least from the next walk's:
    // neighbouring starts come one after the other. A summarised memo keeps
    // the first, whose paths reach furthest.
    if (points_[q].offset == p.offset && trail_of(q).unit_length == k) {
      if (!summarised_) slots_[s] = point;
      return;
    }
  }
  slots_[s] = point;
  ++indexed_;
}

void WalkMemo::open_trail(const char* unit_begin, unsigned k) {
  trails_.push_back({unit_begin, k, static_cast<std::uint32_t>(points_.size()), 0, 0});
}

void WalkMemo::push_point(std::uint32_t offset, std::uint32_t phase, std::uint32_t reach, int score, Step step) {
  const std::size_t i = points_.size();
  const bool opens_trail = trails_.back().first_point == i;
  if (i % 64 == 0) {
    trail_opens_.push_back(0);
    trails_before_.push_back(static_cast<std::uint32_t>(trails_.size() - opens_trail));
  }
  if (opens_trail) trail_opens_.back() |= std::uint64_t{1} << (i % 64);
  points_.push_back(
      {offset, (phase << reach_bits | std::min(reach, unknown_reach)) << step_bits | static_cast<std::uint32_t>(step),
       score});
}

void WalkMemo::add(const char* edge, const char* unit_pos, int score, int Ns, Step step, std::uint32_t reach,
                   std::uint32_t met) {
  Trail* trail = &trails_.back();
  const std::uint32_t offset = offset_from(first_, edge);
  const std::uint32_t phase = phase_of(trail->unit_begin, unit_pos);
  if (step > Step::deletion) {
    trail->end_Ns = Ns;
    push_point(offset, phase, unknown_reach, score, step);
    if (summarised_) summarise_last_trail(met);
    return;
  }
  if (points_.size() == trail->first_point) {
    trail->Ns = Ns;
  } else if (Ns != trail->Ns) {
    // The walk took N's since its last error: it goes on in a new trail.
    trail->end_Ns = Ns;
    push_point(offset, phase, unknown_reach, score, Step::walk_went_on);
    if (summarised_) summarise_last_trail(no_point);
    open_trail(trail->unit_begin, trail->unit_length);
    trail = &trails_.back();
    trail->Ns = Ns;
  }
  push_point(offset, phase, reach, score, step);
  index(static_cast<std::uint32_t>(points_.size() - 1), trail->unit_length);
}

// Puts the path ahead of a point together: the points after it on its trail,
// up to the next checkpoint one by one, and the path beyond the trail.
WalkMemo::PathAhead WalkMemo::path_ahead(std::uint32_t point) const {
  using State = PathAhead::State;
  const std::uint32_t trail_index = trail_number(point);
  const Trail& trail = trails_[trail_index];
  const TrailEnd& end = trail_ends_[trail_index];
  const std::uint32_t last = last_point_of(trail_index);
  // What lies after a point on the trail, to its last point.
  auto trail_ahead = [&](std::uint32_t from) {
    TrailAhead ahead{{0, 0, 0}, no_point, INT64_MAX};
    for (std::uint32_t p = from; p < last;) {
      if (p % checkpoint_every == 0) {
        const TrailAhead& rest = checkpoints_[p / checkpoint_every];
        for (int kind = 0; kind < 3; ++kind) ahead.errors[kind] += rest.errors[kind];
        if (rest.best != no_point && (ahead.best == no_point || points_[rest.best].score > points_[ahead.best].score))
          ahead.best = rest.best;
        ahead.lowest_score = std::min(ahead.lowest_score, rest.lowest_score);
        break;
      }
      ++ahead.errors[static_cast<unsigned>(points_[p].step())];
      ++p;
      if (p == last && !end.goes_on) break;
      const std::int32_t score = points_[p].score;
      if (ahead.best == no_point || score > points_[ahead.best].score) ahead.best = p;
      ahead.lowest_score = std::min<std::int64_t>(ahead.lowest_score, score);
    }
    return ahead;
  };
  const TrailAhead ahead = trail_ahead(point);
  const std::int64_t base = points_[point].score;
  const std::int32_t end_Ns = trail.end_Ns - trail.Ns;
  const std::int32_t to_last = static_cast<std::int32_t>(points_[last].score - base);
  // A state beyond the trail's last point, seen from the point.
  auto moved_back = [&](State state) {
    state.score += to_last;
    state.Ns += end_Ns;
    for (int kind = 0; kind < 3; ++kind) state.errors[kind] += ahead.errors[kind];
    return state;
  };
  PathAhead path;
  path.lowest_score = ahead.lowest_score == INT64_MAX ? INT64_MAX : ahead.lowest_score - base;
  if (end.goes_on) {
    path.last = moved_back(end.beyond.last);
    if (end.beyond.lowest_score != INT64_MAX)
      path.lowest_score = std::min(path.lowest_score, to_last + end.beyond.lowest_score);
  } else {
    path.last = {last, to_last, end_Ns, 0, {ahead.errors[0], ahead.errors[1], ahead.errors[2]}};
  }
  path.best.point = no_point;
  if (ahead.best != no_point) {
    const bool at_last = ahead.best == last;
    const TrailAhead after_best = at_last ? TrailAhead{{0, 0, 0}, no_point, 0} : trail_ahead(ahead.best);
    path.best = {ahead.best, static_cast<std::int32_t>(points_[ahead.best].score - base), at_last ? end_Ns : 0, 0,
                 {ahead.errors[0] - after_best.errors[0], ahead.errors[1] - after_best.errors[1],
                  ahead.errors[2] - after_best.errors[2]}};
  }
  if (end.goes_on && end.beyond.best.point != WalkMemo::no_point) {
    const State beyond_best = moved_back(end.beyond.best);
    if (path.best.point == no_point || beyond_best.score > path.best.score) path.best = beyond_best;
  }
  return path;
}

// Keeps what the trail the walk has just ended needs for paths ahead: its
// checkpoints, worked out back from its last point, and where it goes on.
void WalkMemo::summarise_last_trail(std::uint32_t met) {
  const Trail& trail = trails_.back();
  const std::uint32_t last = static_cast<std::uint32_t>(points_.size() - 1);
  TrailEnd end{met != no_point, {}};
  if (end.goes_on) {
    end.beyond = path_ahead(met);
    const unsigned k = trail.unit_length;
    const std::uint32_t link_shift = (points_[last].phase() + k - points_[met].phase()) % k;
    for (PathAhead::State* state : {&end.beyond.last, &end.beyond.best})
      state->phase_shift = static_cast<std::uint32_t>((std::uint64_t{state->phase_shift} + link_shift) % k);
  }
  trail_ends_.push_back(end);
  checkpoints_.resize(last / checkpoint_every + 1);
  TrailAhead ahead{{0, 0, 0}, no_point, INT64_MAX};
  for (std::uint32_t i = last; i-- > trail.first_point;) {
    if (i + 1 < last || end.goes_on) {
      const std::int32_t score = points_[i + 1].score;
      if (ahead.best == no_point || score >= points_[ahead.best].score) ahead.best = i + 1;
      ahead.lowest_score = std::min<std::int64_t>(ahead.lowest_score, score);
    }
    ++ahead.errors[static_cast<unsigned>(points_[i].step())];
    if (i % checkpoint_every == 0) checkpoints_[i / checkpoint_every] = ahead;
  }
}
