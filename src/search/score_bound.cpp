/*
 * A bound on what a candidate copy of a long unit can score, and the sweep
 * that computes it for every start of one unit length at once.
 *
 * A rejected candidate leaves nothing behind that a later one depends on
 * (its record is reset for the next, no mark changes, the trails that its
 * walks would leave are only ever followed where a walk would choose alike,
 * and the start after it is judged by its walk only when it was walked), so
 * any candidate whose record provably scores below minScores[k] may be
 * passed over without its walks.
 *
 * Words. Let g = min(|mismatch score|, |indel score|, 7), at least 2 as the
 * option check keeps both penalties at -2 or below; every error then costs
 * at least g. A position i is a hit for the unit u (the copy [p, p + k))
 * when the g residues from i occur in u written out endlessly, or hold an N.
 * The words of u written out endlessly are those starting inside the copy:
 * k - g + 1 of them lie in it, g - 1 wrap round its end.
 *
 * Forward walk. It starts at x0 = p + k with score 0. Its path to any state
 * (edge x, s errors so far) is s + 1 greedy runs with one error between
 * each two. A run is a stretch of text that matches u at one phase, except
 * for tolerated N's, so each of its words that lies inside it is a hit: a
 * run of r residues holds at least r - g + 1 hits, so r <= hits + g - 1, and
 * runs are disjoint stretches. A run scores at most r (an N scores 0), an
 * error at most -g. With H(x) the hits in [x0, x):
 *     score <= H(x) + (s + 1)(g - 1) - s g = H(x) + g - 1 - s.
 * Every state scores more than -k: an error is applied only to a score
 * above T = max(-L, B - score reduction) >= -L, and runs only add. So
 * s <= H(x) + g + k - 2, and as mismatches and insertions take one residue
 * each and deletions none,
 *     x - x0 <= H(x) + s + (s + 1)(g - 1) <= (g + 1) H(x) + C,
 *     C = g (g + k - 1) - 1.
 * The edge moves one residue at a time, so if the walk cannot be at
 * x0 + R (R > (g + 1) H(x0 + R) + C, or x0 + R past the sequence's end),
 * it never gets beyond it, and every state, the one kept included, scores
 * at most G = H(x0 + R) + g - 1 (H grows with x).
 *
 * Backward walk: the mirror image, from p leftwards. Its runs read left to
 * right are words of u at some phase too. It starts from the forward walk's
 * score, between 0 and G, and its states score more than -k as well, so
 * its gain stays above -k - G: with C' = g (g + k + G - 1) - 1 and H' the
 * hits of words lying wholly left of p, a walk that cannot be at p - R'
 * gains at most H'(p - R') + g - 1.
 *
 * The record scores the forward gain plus the backward gain (the trimming of
 * flanking N's changes no score), so a candidate with
 *     G + H'(p - R') + g - 1 < minScores[k]
 * and both reach conditions holding is rejected, whatever its length.
 * Nothing here depends on the depth of the look-ahead or on the choices it
 * makes, on how many N's are tolerated (an N is a hit in every word), on
 * whether N's are errors instead (then runs hold none), or on the score
 * reduction limit (it only lowers T's reach). Penalties of -2 or -3 give
 * words so short that nearly every unit shares them: nothing would settle,
 * so the sweep is not made; nor where minScores[k] leaves no room for the
 * 2 (g - 1) that the bound concedes.
 *
 * Counting. For a window of starts sliding by one, the sweep keeps how many
 * copies of each word lie inside the unit copy, in the window ahead of it
 * (R residues) and in the window behind it (R'), and the number of hits
 * ahead and behind among the words that the copy holds: each slide moves
 * six words in or out, each in a few operations. The g - 1 words that wrap
 * round the copy's end are added per start. R and R' are fixed per unit
 * length, sized so that the reach conditions hold whenever the hits are few
 * enough for the bound to settle.
 */
#include "search/score_bound.h"

#include <algorithm>
#include <climits>

#include "config/parameters.h"

namespace {


}  // namespace

ScoreBound::ScoreBound(const char* first, const char* end)
    : first_(first), size_(static_cast<std::size_t>(end - first)) {}

unsigned ScoreBound::word_length() {
  const long long cheapest_error = std::min(-static_cast<long long>(global_mismatch_score),
                                            -static_cast<long long>(global_indel_score));
  const long long g = std::min<long long>(cheapest_error, 7);
  return g < 4 ? 0 : static_cast<unsigned>(g);
}

long long ScoreBound::leave_out_settled(unsigned unit_length, int min_score, std::vector<std::uint64_t>& starts) {
  const long long g = word_length(), k = unit_length, n = static_cast<long long>(size_), m = min_score;
  // How many hits each window may hold for the bound to settle.
  const long long room = m - 2 * (g - 1) - 1;
  if (g == 0 || k < static_cast<long long>(shortest_unit) || k <= g || n <= k || room < 0) return 0;
  const long long per_window = room / 2;
  const long long ahead_reach = g * (g + k - 1) + (g + 1) * per_window;
  const long long highest_forward_gain = per_window + g - 1;
  const long long behind_reach = g * (g + k + highest_forward_gain - 1) + (g + 1) * per_window;

  in_unit_.assign(std::size_t{1} << (2 * g), 0);
  ahead_.assign(in_unit_.size(), 0);
  behind_.assign(in_unit_.size(), 0);

  // Hits among the words of the copy that lie inside it, and the words with N.
  long long hits_ahead = 0, hits_behind = 0, wild_ahead = 0, wild_behind = 0;
  const auto into_unit = [&](const WordCursor& at) {
    const std::uint32_t w = at.word();
    if (w != WordCursor::wild && in_unit_[w]++ == 0) hits_ahead += ahead_[w], hits_behind += behind_[w];
  };
  const auto out_of_unit = [&](const WordCursor& at) {
    const std::uint32_t w = at.word();
    if (w != WordCursor::wild && --in_unit_[w] == 0) hits_ahead -= ahead_[w], hits_behind -= behind_[w];
  };
  const auto into_window = [&](const WordCursor& at, std::vector<std::uint32_t>& copies, long long& hits,
                               long long& wilds) {
    if (!at.inside()) return;
    const std::uint32_t w = at.word();
    if (w == WordCursor::wild) return void(++wilds);
    ++copies[w];
    if (in_unit_[w] != 0) ++hits;
  };
  const auto out_of_window = [&](const WordCursor& at, std::vector<std::uint32_t>& copies, long long& hits,
                                 long long& wilds) {
    if (!at.inside()) return;
    const std::uint32_t w = at.word();
    if (w == WordCursor::wild) return void(--wilds);
    --copies[w];
    if (in_unit_[w] != 0) --hits;
  };

  // Start 0: the copy's words, those ahead (from k on); none lie behind.
  for (WordCursor i(first_, n, g, k); i.inside() && i.at() < k + ahead_reach; i.advance())
    into_window(i, ahead_, hits_ahead, wild_ahead);
  for (WordCursor j(first_, n, g, 0); j.at() <= k - g; j.advance()) into_unit(j);
  diagonals_.start_sweep(first_, n, g, k, m, in_unit_.data());

  // The edges of the windows, as the start moves on.
  WordCursor copy_first(first_, n, g, 0), copy_last(first_, n, g, k - g);
  WordCursor ahead_first(first_, n, g, k), ahead_next(first_, n, g, k + ahead_reach);
  WordCursor behind_first(first_, n, g, -behind_reach), behind_next(first_, n, g, 1 - g);
  long long settled = 0;
  for (long long p = 0;; ++p) {
    std::uint64_t& bits = starts[static_cast<std::size_t>(p / 64)];
    const std::uint64_t bit = std::uint64_t{1} << (p % 64);
    if (bits & bit) {
      // The words wrapping round the copy's end: its last s residues, then
      // its first g - s.
      const std::uint32_t last = copy_last.word(), head = copy_first.word();
      const bool has_N = last == WordCursor::wild || head == WordCursor::wild;  // such a copy is never tried
      std::uint32_t wrapped[8] = {};
      long long wrapped_ahead = 0, wrapped_behind = 0;
      for (long long s = 1; s < g && !has_N; ++s) {
        const std::uint32_t w = (last & ((std::uint32_t{1} << (2 * s)) - 1)) << (2 * (g - s)) | head >> (2 * s);
        wrapped[s] = w;
        // Counted in for a moment, so that a word wrapping twice counts once.
        if (in_unit_[w]++ == 0) wrapped_ahead += ahead_[w], wrapped_behind += behind_[w];
      }
      for (long long s = 1; s < g && !has_N; ++s) --in_unit_[wrapped[s]];
      const long long ahead = hits_ahead + wild_ahead + wrapped_ahead;
      const long long behind = hits_behind + wild_behind + wrapped_behind;
      const long long forward_gain = ahead + g - 1;
      const bool ahead_reached = p + k + ahead_reach > n || ahead_reach > (g + 1) * ahead + g * (g + k - 1) - 1;
      const bool behind_reached =
          p - behind_reach < 0 || behind_reach > (g + 1) * behind + g * (g + k + forward_gain - 1) - 1;
      // Where the words shared are many, as on a satellite array, chaining
      // them costs more than the walks.
      if (!has_N && ((ahead_reached && behind_reached && forward_gain + behind + g - 1 < m) ||
                     (ahead + behind <= DiagonalBound::hits_worth_chaining_per_unit_residue * k && diagonals_.settles(p, wrapped)))) {
        bits &= ~bit;
        ++settled;
      }
    }
    if (p + 1 + k >= n) break;  // the next start's copy would end at the last residue
    out_of_unit(copy_first);
    copy_first.advance();
    copy_last.advance();
    into_unit(copy_last);
    diagonals_.copy_moved_to(p + 1);
    out_of_window(ahead_first, ahead_, hits_ahead, wild_ahead);
    ahead_first.advance();
    into_window(ahead_next, ahead_, hits_ahead, wild_ahead);
    ahead_next.advance();
    out_of_window(behind_first, behind_, hits_behind, wild_behind);
    behind_first.advance();
    into_window(behind_next, behind_, hits_behind, wild_behind);
    behind_next.advance();
  }
  return settled;
}
