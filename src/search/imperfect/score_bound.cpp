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
 * Longer words. Count instead the hits of words of h = g + 1 letters,
 * H_h: a run of r residues holds at least r - g of them, so r <= hits + g,
 * and every state scores at most
 *     H_h(x) + (s + 1) g - s g = H_h(x) + g,
 * whatever the number of errors. Such words are shared by chance about a
 * quarter as often, but they bound no reach, which stays that of the words
 * of g letters: the walk that cannot be at x0 + R scores at most
 * G = min(H(x0 + R) + g - 1, H_h(x0 + R) + g).
 *
 * Backward walk: the mirror image, from p leftwards. Its runs read left to
 * right are words of u at some phase too. It starts from the forward walk's
 * score, between 0 and G, and its states score more than -k as well, so
 * its gain stays above -k - G: with C' = g (g + k + G - 1) - 1 and H' the
 * hits of words lying wholly left of p, a walk that cannot be at p - R'
 * gains at most G' = min(H'(p - R') + g - 1, H'_h(p - R') + g).
 *
 * The record scores the forward gain plus the backward gain (the trimming of
 * flanking N's changes no score), so a candidate with G + G' < minScores[k]
 * and both reach conditions holding is rejected, whatever its length.
 * Nothing here depends on the depth of the look-ahead or on the choices it
 * makes, on how many N's are tolerated (an N is a hit in every word), on
 * whether N's are errors instead (then runs hold none), or on the score
 * reduction limit (it only lowers T's reach). Penalties of -2 or -3 give
 * words so short that nearly every unit shares them: nothing would settle,
 * so the sweep is not made; nor where minScores[k] leaves no room for the
 * 2 (g - 1) that the bound concedes.
 *
 * Counting. For a window of starts sliding by one, the sweep keeps, for
 * both word lengths, how many copies of each word lie inside the unit copy,
 * in the window ahead of it (R residues) and in the window behind it (R'),
 * and the number of hits ahead and behind among the words that the copy
 * holds: each slide moves six words of each length in or out, each in a
 * few operations. The words that wrap round the copy's end are added per
 * start. R and R' are fixed per unit length, long enough for the reach
 * conditions to hold with about k + k^2 / 400 hits of g letters (their
 * chance hits grow with k), which windows of complex sequence seldom hold;
 * the longer words then bound the gain within them.
 *
 * Two unit lengths at once. Every count above may be replaced by a larger
 * one: more hits only loosen the bound and lengthen the reach each window
 * allows. So the unit lengths k and k + 1 are swept together, with one copy,
 * that of k + 1 (its words include those of k's copy), one window ahead,
 * from k's copy's end to the farthest either reaches, and one window behind,
 * as far back as either reaches. Each keeps its own words wrapping round
 * its own copy's end, its own reaches and its own minimum score. The
 * shorter length's counts then take in a word more of the copy and a few
 * more words beside it, which settles a few starts fewer; but the count,
 * which is most of the sweep's work, is made once for both.
 */
#include "search/imperfect/score_bound.h"

#include <algorithm>
#include <climits>


void ScoreBound::SharedWords::start(long long length) {
  counts_.assign(std::size_t{1} << (2 * length), Counts{0, 0, 0});
  hits_ahead_ = hits_behind_ = wild_ahead_ = wild_behind_ = 0;
}

void ScoreBound::SharedWords::into_unit(std::uint32_t w) {
  if (w == wild_word) return;
  Counts& c = counts_[w];
  if (c.in_unit++ == 0) hits_ahead_ += c.ahead, hits_behind_ += c.behind;
}

void ScoreBound::SharedWords::out_of_unit(std::uint32_t w) {
  if (w == wild_word) return;
  Counts& c = counts_[w];
  if (--c.in_unit == 0) hits_ahead_ -= c.ahead, hits_behind_ -= c.behind;
}

void ScoreBound::SharedWords::into_window(Side side, std::uint32_t w) {
  if (w == wild_word) return void(++(side == Side::ahead ? wild_ahead_ : wild_behind_));
  Counts& c = counts_[w];
  ++(side == Side::ahead ? c.ahead : c.behind);
  if (c.in_unit != 0) ++(side == Side::ahead ? hits_ahead_ : hits_behind_);
}

void ScoreBound::SharedWords::out_of_window(Side side, std::uint32_t w) {
  if (w == wild_word) return void(--(side == Side::ahead ? wild_ahead_ : wild_behind_));
  Counts& c = counts_[w];
  --(side == Side::ahead ? c.ahead : c.behind);
  if (c.in_unit != 0) --(side == Side::ahead ? hits_ahead_ : hits_behind_);
}

// The words wrapping round the copy's end, from its last s residues and its
// first length - s, add their copies, even where the copy holds such a word
// too or it wraps twice: counted twice, it only loosens the bound.
template <long long length>
ScoreBound::SharedWords::Hits ScoreBound::SharedWords::hits(std::uint32_t last, std::uint32_t head) const {
  Hits hits{hits_ahead_ + wild_ahead_, hits_behind_ + wild_behind_};
  const std::uint64_t both = static_cast<std::uint64_t>(last) << (2 * length) | head;
  constexpr std::uint64_t mask = (std::uint64_t{1} << (2 * length)) - 1;
  for (long long s = 1; s < length; ++s) {
    const auto w = static_cast<std::uint32_t>((both >> (2 * s)) & mask);
    hits.ahead += counts_[w].ahead, hits.behind += counts_[w].behind;
  }
  return hits;
}

ScoreBound::ScoreBound(const char* first, const char* end, int mismatch_score, int indel_score)
    : first_(first),
      size_(static_cast<std::size_t>(end - first)),
      cheapest_error_(std::min(-static_cast<long long>(mismatch_score), -static_cast<long long>(indel_score))) {}

unsigned ScoreBound::word_length() const {
  const long long cheapest_error = cheapest_error_;
  const long long g = std::min<long long>(cheapest_error, 7);
  return g < 4 ? 0 : static_cast<unsigned>(g);
}

bool ScoreBound::plan(unsigned unit_length, int min_score, long long g, Length& length) const {
  const long long k = unit_length, m = min_score;
  // How many hits each window may hold for the bound to settle.
  const long long room = m - 2 * (g - 1) - 1;
  if (k < static_cast<long long>(shortest_unit) || k <= g + 1 || static_cast<long long>(size_) <= k || room < 0)
    return false;
  const long long per_window = std::max(room / 2, k + k * k / 400);
  // A start that settles gains at least g - 1 backward, so less than m - g forward.
  length = {k, m, g * (g + k - 1) + (g + 1) * per_window, g * (g + k + m - g - 1) + (g + 1) * per_window};
  return true;
}

long long ScoreBound::leave_out_settled(unsigned k, int min_score, int next_min_score, std::uint64_t* starts,
                                        long long from, long long to) {
  if (settled_next_for_ == Asked{k, min_score, from, to}) {
    settled_next_for_ = {0, 0, 0, 0};
    return leave_out_settled_next(starts, from, to);
  }
  settled_next_for_ = {0, 0, 0, 0};
  const long long g = word_length();
  Length lengths[2];
  if (g == 0 || !plan(k, min_score, g, lengths[0])) return 0;
  const int count = next_min_score != no_next_length && plan(k + 1, next_min_score, g, lengths[1]) ? 2 : 1;
  if (count == 2) settled_next_for_ = {k + 1, next_min_score, from, to};
  switch (g) {
    case 4: return sweep<4>(lengths, count, starts, from, to);
    case 5: return sweep<5>(lengths, count, starts, from, to);
    case 6: return sweep<6>(lengths, count, starts, from, to);
    default: return sweep<7>(lengths, count, starts, from, to);
  }
}

long long ScoreBound::leave_out_settled_next(std::uint64_t* starts, long long from, long long to) {
  long long cleared = 0;
  if (from >= to) return 0;
  for (auto w = static_cast<std::size_t>(from / 64); w <= static_cast<std::size_t>((to - 1) / 64); ++w) {
    cleared += __builtin_popcountll(starts[w] & settled_next_[w]);
    starts[w] &= ~settled_next_[w];
  }
  return cleared;
}

template <long long g>
long long ScoreBound::sweep(const Length* lengths, int count, std::uint64_t* starts, long long from, long long to) {
  return holds_others() ? sweep<g, true>(lengths, count, starts, from, to)
                        : sweep<g, false>(lengths, count, starts, from, to);
}

bool ScoreBound::holds_others() {
  if (others_ == Others::unknown) {
    const bool some =
        std::any_of(first_, first_ + size_, [](char c) { return c != 'A' && c != 'C' && c != 'G' && c != 'T'; });
    others_ = some ? Others::some : Others::none;
  }
  return others_ == Others::some;
}

template <long long g, bool with_others>
long long ScoreBound::sweep(const Length* lengths, int count, std::uint64_t* starts, long long from, long long to) {
  const long long n = static_cast<long long>(size_);
  const Length& shorter = lengths[0];
  const Length& longer = lengths[count - 1];
  constexpr long long h = g + 1;  // the longer words' length
  // The copy and windows of all the lengths swept, from a start.
  long long ahead_end = 0, behind_reach = 0;
  for (int i = 0; i < count; ++i) {
    ahead_end = std::max(ahead_end, lengths[i].k + lengths[i].ahead_reach);
    behind_reach = std::max(behind_reach, lengths[i].behind_reach);
  }
  const long long copy = longer.k, ahead_begin = shorter.k;
  std::uint64_t* settled_next = nullptr;
  if (count == 2) {
    settled_next_.resize(size_ / 64 + 1);
    if (from < to) std::fill(settled_next_.begin() + from / 64, settled_next_.begin() + (to - 1) / 64 + 1, 0);
    settled_next = settled_next_.data();
  }
  if (from + shorter.k >= n || from >= to) return 0;

  words_.start(g);
  longer_words_.start(h);
  // The first start's copy, the words ahead of it (from its end on) and those
  // behind it (ending before it), as the edges below leave them.
  using Cursor = WordCursor<h, with_others>;
  for (Cursor i(first_, n, from + ahead_begin); i.inside(g) && i.at() < from + ahead_end; i.advance()) {
    words_.into_window(SharedWords::Side::ahead, i.word(g));
    if (i.inside(h)) longer_words_.into_window(SharedWords::Side::ahead, i.word(h));
  }
  for (Cursor j(first_, n, from); j.at() <= from + copy - g; j.advance()) {
    words_.into_unit(j.word(g));
    if (j.at() <= from + copy - h) longer_words_.into_unit(j.word(h));
  }
  for (Cursor b(first_, n, std::max(0LL, from - behind_reach)); b.at() <= from - g; b.advance()) {
    words_.into_window(SharedWords::Side::behind, b.word(g));
    if (b.at() <= from - h) longer_words_.into_window(SharedWords::Side::behind, b.word(h));
  }

  // The edges of the windows, as the start moves on: the copy's first and
  // last word, the first word ahead and the one to enter, the first word
  // behind and the one to enter; and the last words of each length's own
  // copy. Each cursor reads the words of both lengths; a longer word ending
  // where a shorter one does starts a residue before it.
  struct Edges {
    Cursor copy_first, copy_last, ahead_first, ahead_next, behind_first, behind_next;
    Cursor shorter_last;  // moved only when two lengths are swept
    Edges(const char* first, long long n, const Length* lengths, long long copy, long long ahead_begin,
          long long ahead_end, long long behind, long long p)
        : copy_first(first, n, p), copy_last(first, n, p + copy - g), ahead_first(first, n, p + ahead_begin),
          ahead_next(first, n, p + ahead_end), behind_first(first, n, p - behind), behind_next(first, n, p + 1 - g),
          shorter_last(first, n, p + lengths[0].k - g) {}
    // Words of both lengths in or out of a window at one of its edges.
    void window_edge(SharedWords& words, SharedWords& longer, SharedWords::Side side, const Cursor& at, bool in,
                     bool longer_before) {
      auto move = [side, in](SharedWords& of, std::uint32_t w) {
        if (in)
          of.into_window(side, w);
        else
          of.out_of_window(side, w);
      };
      if (at.inside(g)) move(words, at.word(g));
      if (longer_before ? at.inside_before(h) : at.inside(h)) move(longer, longer_before ? at.word_before(h) : at.word(h));
    }
    void advance(SharedWords& words, SharedWords& longer, int count) {
      words.out_of_unit(copy_first.word(g));
      longer.out_of_unit(copy_first.word(h));
      copy_first.advance();
      copy_last.advance();
      words.into_unit(copy_last.word(g));
      longer.into_unit(copy_last.word_before(h));
      window_edge(words, longer, SharedWords::Side::ahead, ahead_first, false, false);
      ahead_first.advance();
      window_edge(words, longer, SharedWords::Side::ahead, ahead_next, true, false);
      ahead_next.advance();
      window_edge(words, longer, SharedWords::Side::behind, behind_first, false, false);
      behind_first.advance();
      window_edge(words, longer, SharedWords::Side::behind, behind_next, true, true);
      behind_next.advance();
      if (count == 2) shorter_last.advance();
    }
  };
  Edges edges(first_, n, lengths, copy, ahead_begin, ahead_end, behind_reach, from);
  // The last copy's words of each length: the longest's are the shared copy's.
  const Cursor* last_words[2] = {count == 2 ? &edges.shorter_last : &edges.copy_last, &edges.copy_last};
  long long settled = 0;
  for (long long p = from;; ++p) {
    const std::uint32_t head = edges.copy_first.word(g);
    for (int i = 0; i < count; ++i) {
      const long long k = lengths[i].k, m = lengths[i].min_score;
      const long long ahead_reach = lengths[i].ahead_reach, reach_behind = lengths[i].behind_reach;
      std::uint64_t& bits = (i == 0 ? starts : settled_next)[static_cast<std::size_t>(p / 64)];
      const std::uint64_t bit = std::uint64_t{1} << (p % 64);
      // The first length's starts to try only; the next length's starts are
      // not marked yet, so all of them. A copy with an N is never tried.
      if ((i == 0 && (bits & bit) == 0) || p + k >= n) continue;
      const std::uint32_t last = last_words[i]->word(g);
      if (last == wild_word || head == wild_word) continue;
      const SharedWords::Hits hits = words_.hits<g>(last, head);
      const bool ahead_reached =
          p + k + ahead_reach > n || ahead_reach > (g + 1) * hits.ahead + g * (g + k - 1) - 1;
      // Whether the walks gain less than the minimum score: by the shorter
      // words alone, or else with the longer ones, which cost more to count.
      auto gains_too_little = [&](SharedWords::Hits longer_hits) {
        const long long forward_gain = std::min(hits.ahead + g - 1, longer_hits.ahead + g);
        const bool behind_reached =
            p - reach_behind < 0 || reach_behind > (g + 1) * hits.behind + g * (g + k + forward_gain - 1) - 1;
        return behind_reached && forward_gain + std::min(hits.behind + g - 1, longer_hits.behind + g) < m;
      };
      constexpr long long uncounted = LLONG_MAX / 4;
      auto by_longer_words = [&]() {
        return longer_words_.hits<h>(last_words[i]->word_before(h), edges.copy_first.word(h));
      };
      if (ahead_reached && (gains_too_little({uncounted, uncounted}) || gains_too_little(by_longer_words()))) {
        if (i == 0) {
          bits &= ~bit;
          ++settled;
        } else {
          bits |= bit;
        }
      }
    }
    // The next start's copy would end at the last residue, or lies beyond the starts asked about.
    if (p + 1 + shorter.k >= n || p + 1 >= to) break;
    edges.advance(words_, longer_words_, count);
  }
  return settled;
}
