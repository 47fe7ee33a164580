/*
 * Banded extension against a unit repeated endlessly.
 *
 * Cell (t, j) holds the best score of the first t residues against the first
 * j characters of the endless unit: +1 per match, `mismatch` per mismatch,
 * `indel` per insertion or deletion, 0 (or a mismatch) per N. Each row keeps
 * options.band_cells cells starting where the previous row's best cell
 * leads, so the cost per residue does not depend on the period. The walk
 * stops at the end of the text, at an N run longer than allowed, or once
 * every cell of a row lies more than x_drop below the best cell seen (cells
 * that far below are dropped on the way). The result is the best cell seen
 * and its path.
 *
 * Paths are traced one window of rows at a time: at a window's end the path
 * to that row's best cell is settled and the next window starts from that
 * cell alone. The end chosen is the best cell of the last window, or the best
 * point of the settled path when that scores higher.
 */
#include "search/arrays/wraparound_extension.h"

#include <algorithm>
#include <cstring>

namespace {

// Rows before a full window's end whose path is left to the next window.
constexpr std::size_t settled_margin = 1024;

class Extender {
 public:
  Extender(const char* text, std::size_t available, int direction, const EndlessUnit& unit,
           const ArraysOptions& options, ExtensionWorkspace& ws, std::size_t window_rows)
      : text_(text),
        available_(available),
        direction_(direction),
        unit_(unit),
        options_(options),
        ws_(ws),
        window_rows_(window_rows),
        x_drop_(options.x_drop()),
        width_(options.band_cells) {
    ws_.previous_row.assign(2 * widest_band + 2, dropped_cell);
    ws_.current_row.assign(2 * widest_band + 2, dropped_cell);
    ws_.trace.resize(window_rows_ + 1);
    ws_.band_start.resize(window_rows_ + 1);
    unroll();
    ws_.path.clear();
    unit_has_N_ = std::memchr(unit.unit, 'N', unit.length) != nullptr;
  }

  Extension run();

 private:
  char residue(std::size_t t) const { return text_[direction_ * static_cast<std::ptrdiff_t>(t)]; }
  char unit_char(long long j) const { return ws_.unrolled[static_cast<std::size_t>(j) % unit_.length]; }
  // Writes the endless unit out for one period and the widest band.
  void unroll();
  void start_window();
  // Fills row r + 1 of the window from row r with residue c; returns the row's best cell.
  int next_row(std::size_t r, char c, int& best_cell);
  // Appends the path from row 0 of the window towards cell (r, k), as far
  // as row `rows` of the window.
  void settle_path_to(std::size_t r, int k, std::size_t rows);

  const char* text_;
  std::size_t available_;
  int direction_;
  const EndlessUnit& unit_;
  const ArraysOptions& options_;
  ExtensionWorkspace& ws_;
  std::size_t window_rows_;
  long long x_drop_;
  int width_;
  bool unit_has_N_ = false;
  // The unit character of the column before the previous row's first cell.
  std::size_t band_char_ = 0;

  // The window: its row 0 is the cell (t0_, j0_) with score base_.
  std::size_t t0_ = 0;
  long long j0_ = 0;
  long long base_ = 0;
  long long best_ = 0;  // best score seen anywhere
  // The settled path: its score so far and its best point.
  long long settled_score_ = 0;
  Extension settled_best_;
  std::size_t settled_best_steps_ = 0;
};

void Extender::unroll() {
  ws_.unrolled.resize(unit_.length + widest_band);
  char* out = ws_.unrolled.data();
  const char* end = out + ws_.unrolled.size();
  std::size_t column = unit_.first_column;
  while (out != end) {
    const std::size_t n = std::min<std::size_t>(unit_.direction > 0 ? unit_.length - column : column + 1, end - out);
    if (unit_.direction > 0) {
      out = std::copy(unit_.unit + column, unit_.unit + column + n, out);
      column = 0;
    } else {
      out = std::reverse_copy(unit_.unit + column + 1 - n, unit_.unit + column + 1, out);
      column = unit_.length - 1;
    }
  }
}

void Extender::start_window() {
  ws_.band_start[0] = j0_;
  band_char_ = static_cast<std::size_t>((j0_ + unit_.length - 1) % unit_.length);
  std::uint64_t deletions = 0;
  for (int k = 0; k < width_; ++k) {
    long long score = static_cast<long long>(k) * options_.indel;
    ws_.previous_row[1 + k] = base_ + score >= best_ - x_drop_ ? static_cast<int>(score) : dropped_cell;
    if (k > 0) deletions |= std::uint64_t(1) << k;
  }
  ws_.trace[0] = deletions << widest_band;
}

int Extender::next_row(std::size_t r, char c, int& best_cell) {
  const long long previous_start = ws_.band_start[r];
  // The band starts where the previous row's best cell leads, never further back.
  const int shift = std::max(0, best_cell + 1 - width_ / 2);
  ws_.band_start[r + 1] = previous_start + shift;
  // Kept without dividing: a division per row costs as much as the row's cells.
  band_char_ += static_cast<std::size_t>(shift);
  while (band_char_ >= unit_.length) band_char_ -= unit_.length;
  // Cells -1 and width_ on of both rows are padding, always dropped.
  const int* prev = ws_.previous_row.data() + 1;
  const BandRow row = next_band_row(width_, prev + shift - 1, ws_.unrolled.data() + band_char_, c, unit_has_N_, options_,
                                    ws_.current_row.data() + 1);
  ws_.trace[r + 1] = row.trace;
  best_cell = row.best_cell;
  return row.best;
}

void Extender::settle_path_to(std::size_t r, int k, std::size_t rows) {
  ws_.traced.clear();
  long long j = ws_.band_start[r] + k;
  while (r > 0 || j != j0_) {
    const int cell = static_cast<int>(j - ws_.band_start[r]);
    const AlignmentStep step = step_into(ws_.trace[r], cell);
    ws_.traced.push_back(step);
    if (step != STEP_INSERTION) --j;
    if (step != STEP_DELETION) --r;
  }
  // Replayed forward, keeping the best point of the settled path.
  std::size_t t = t0_;
  long long column = j0_;
  for (auto it = ws_.traced.rbegin(); it != ws_.traced.rend() && t < t0_ + rows; ++it) {
    const unsigned char step = *it;
    ws_.path.push_back(step);
    if (step == STEP_DIAGONAL) {
      settled_score_ += residue_score(residue(t), unit_char(column), options_);
      ++t;
      ++column;
    } else {
      settled_score_ += options_.indel;
      if (step == STEP_INSERTION) ++t; else ++column;
    }
    if (settled_score_ > settled_best_.score) {
      settled_best_ = {settled_score_, t, static_cast<std::size_t>(column)};
      settled_best_steps_ = ws_.path.size();
    }
  }
  t0_ = t;
  j0_ = column;
}

Extension Extender::run() {
  start_window();
  int window_best = dropped_cell;
  std::size_t window_best_row = 0;
  int window_best_cell = 0;
  int last_best_cell = 0;
  std::size_t r = 0;
  std::size_t Ns_in_a_row = 0;
  for (;;) {
    const std::size_t t = t0_ + r;
    if (t == available_) break;
    if (r == window_rows_) {
      // The window is full: the paths to its last row's cells have met long
      // before it, so the path to the best of them is settled up to a margin
      // before that row, and the walk goes on from there alone.
      // Where the best cell seen lies before that margin, the walk goes on
      // from it instead, so that the best cell stays on the settled path.
      const std::size_t margin_row = window_rows_ - std::min(window_rows_ / 2, settled_margin);
      if (base_ + window_best == best_ && window_best_row <= margin_row) {
        settle_path_to(window_best_row, window_best_cell, window_best_row);
      } else {
        settle_path_to(r, last_best_cell, margin_row);
      }
      base_ = settled_score_;
      // The rows after the settled point are walked again: the best to
      // fall from is the best before it.
      best_ = settled_best_.score;
      r = 0;
      window_best = dropped_cell;
      start_window();
      last_best_cell = 0;
      Ns_in_a_row = 0;
      while (Ns_in_a_row < t0_ && residue(t0_ - 1 - Ns_in_a_row) == 'N') ++Ns_in_a_row;
      continue;
    }
    const char c = residue(t);
    Ns_in_a_row = c == 'N' ? Ns_in_a_row + 1 : 0;
    if (options_.Ns_tolerated && Ns_in_a_row > options_.Ns_in_a_row) break;
    int best_cell = last_best_cell;
    const int row_best = next_row(r, c, best_cell);
    if (row_best <= dropped_cell || base_ + row_best < best_ - x_drop_) break;
    if (base_ + row_best > best_) best_ = base_ + row_best;
    if (row_best > window_best) {
      window_best = row_best;
      window_best_row = r + 1;
      window_best_cell = best_cell;
    }
    const long long floor = best_ - x_drop_ - base_;
    for (int k = 1; k <= width_; ++k) {
      if (ws_.current_row[k] < floor) ws_.current_row[k] = dropped_cell;
    }
    std::swap(ws_.previous_row, ws_.current_row);
    last_best_cell = best_cell;
    ++r;
  }
  if (window_best > dropped_cell && base_ + window_best > settled_best_.score) {
    settle_path_to(window_best_row, window_best_cell, window_best_row);
    return {settled_score_, t0_, static_cast<std::size_t>(j0_)};
  }
  ws_.path.resize(settled_best_steps_);
  return settled_best_;
}

}  // namespace

Extension extend_along_unit(const char* text, std::size_t available, int direction, const EndlessUnit& unit,
                            const ArraysOptions& options, ExtensionWorkspace& workspace, std::size_t window_rows) {
  return Extender(text, available, direction, unit, options, workspace, window_rows).run();
}
