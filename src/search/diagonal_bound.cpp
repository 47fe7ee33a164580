/*
 * The shared words of a candidate copy tied to their diagonals.
 *
 * Take the copy [p, p + k) of a long unit, g the score bound's word length
 * (every error costs at least g), and a walk from the copy. Call its
 * diagonal at a state the text position of its edge less the unit phase it
 * expects there, modulo k: 0 at the start of either walk. A match, an N taken
 * or a mismatch keeps the diagonal, an insertion or a deletion moves it by
 * one. A hit is a word of g residues, at distance z from the walk's first
 * word outward, together with a diagonal on which it equals the unit written
 * out endlessly.
 *
 * A walk is greedy runs with an error between each two. A run keeps one
 * diagonal; each word lying inside it is a hit on that diagonal, so a
 * nonempty run of r residues holds h >= r - g + 1 hits, and scores at most
 * r <= h + g - 1. Call the runs holding hits hit runs. Between two hit runs
 * the walk takes e errors and n <= e - 1 nonempty runs without hits, each of
 * at most g - 1 residues; e is at least the distance d between the two
 * diagonals (round the k of them), and the L residues between the two runs
 * number at most e + (g - 1) n. Counting g - 1 with each nonempty run and -g
 * with each error, a step between hit runs costs g e - (g - 1)(n + 1) >= e,
 * hence at least c(L, d) = max(d, ceil((L + g - 1) / g)). Before the first
 * hit run, its distance z from the edge and its diagonal's distance d from 0
 * ask for e0 >= max(d, ceil(z / g)) errors (none when z and d are 0), and
 * there the count comes to g - 1 - e0; after the last hit run it only falls.
 * So every state of the walk scores at most g - 1 + V, where V is the best
 * over chains of hits, ordered outward, of the hits less the steps' costs (a
 * step to the next word on the same diagonal costs nothing; hits of one
 * distance do not chain). The chains of all such sequences are counted, not
 * only those a walk could take: a larger count bounds as well.
 *
 * Every state of the forward walk scores above -k (errors are taken only to
 * scores above T >= -L), and every state of the backward walk gains more
 * than -k - G, G the forward bound (it starts from the forward walk's score,
 * at most G). So a hit a walk takes has V > floor - g + 1 with floor -k or
 * -k - G; hits at or below that are dropped, and as c grows by one every g
 * residues, no hit beyond the reach of the last ones kept can be taken: the
 * scan outward stops there. The record scores the forward gain plus the
 * backward gain, so a candidate whose bounds add up to less than
 * minScores[k] is rejected. A word with an N, which would be a hit on every
 * diagonal, gives up the bound; so do hits too many to chain cheaply, and
 * chains that reach beyond the words looked at.
 *
 * Cost: the words ahead of and behind the copy that also lie inside it are
 * kept as bits, updated as the copy moves on (a word leaves it, a word enters
 * it, and the copies of those two words in the windows change); a start then
 * reads its hits off the bits, a few words of 64 at a time.
 */
#include "search/diagonal_bound.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "search/word_cursor.h"

namespace {

long long ceil_div(long long a, long long b) { return a <= 0 ? 0 : (a + b - 1) / b; }

// Windows longer than this are not kept (see start_sweep).
constexpr long long longest_window = 1 << 20;
// A walk costs about as much as its unit is long: a start whose walk reads
// more hits than this many per residue of the unit is walked instead.
constexpr long long most_hits_read_per_unit_residue = 2;

}  // namespace

void DiagonalBound::start_sweep(const char* first, long long n, long long g, long long k, long long min_score,
                                const std::uint32_t* in_copy, long long p) {
  if (first != first_ || n != n_) {
    first_ = first;
    n_ = n;
    other_runs_.clear();
    for (long long i = 0; i < n; ++i) {
      if (WordCursor::letter_code(first[i]) >= 0) continue;
      if (!other_runs_.empty() && other_runs_.back().second == i)
        ++other_runs_.back().second;
      else
        other_runs_.push_back({i, i + 1});
    }
    shared_.assign(static_cast<std::size_t>(n / 64 + 1), 0);
  }
  in_copy_ = in_copy;
  g_ = g;
  k_ = k;
  min_score_ = min_score;
  // The reach of the forward walk's start, and of the backward walk's where
  // the forward walk gains no more than leaves room for it; and further as
  // far as hits worth the minimum score take it: where hits take it beyond,
  // they are too many to settle the start anyway.
  const long long room = g * (std::max(min_score, g) + 2);
  ahead_ = g * (g + k - 1) + g + room;
  behind_ = g * (k + std::max(min_score, g) - 1) + g + room;
  // Windows longer than this (units or minimum scores in the tens of
  // thousands) would take more memory than the walks they spare are worth.
  active_ = g + behind_ + k + ahead_ < longest_window;
  if (!active_) return;
  // ceil(d / g) for every distance d the windows hold.
  steps_.resize(static_cast<std::size_t>(std::max(ahead_, behind_) + 2 * g + 2));
  for (std::size_t d = 0; d < steps_.size(); ++d) steps_[d] = ceil_div(static_cast<long long>(d), g);
  last_in_copy_.assign(std::size_t{1} << (2 * g), -1);
  // Rings as long as a power of two, indexed by a mask: they hold every
  // position of the copy, and of the window.
  auto power_of_two = [](long long at_least) {
    std::size_t size = 1;
    while (static_cast<long long>(size) < at_least) size *= 2;
    return size;
  };
  before_in_copy_.assign(power_of_two(k), -1);
  copy_mask_ = before_in_copy_.size() - 1;
  last_in_window_.assign(std::size_t{1} << (2 * g), -1);
  before_in_window_.assign(power_of_two(g + behind_ + k + ahead_ + 1), -1);
  window_mask_ = before_in_window_.size() - 1;
  code_in_window_.assign(before_in_window_.size(), 0);
  wild_in_window_.assign(before_in_window_.size(), 0);
  // The window of the first start, from the word behind it that the bound
  // looks at first to its last word ahead.
  const long long lowest = std::max(0LL, p - g - behind_);
  entering_ = WordCursor(first, n, g, lowest);
  for (long long i = lowest; i <= p + k + ahead_ && i <= n - g; ++i) enter_window(i);
  for (long long y = p; y <= p + k - g; ++y) {
    if (wild_in_window_[static_cast<std::size_t>(y) & window_mask_]) continue;
    const std::uint32_t code = code_in_window_[static_cast<std::size_t>(y) & window_mask_];
    before_in_copy_[static_cast<std::size_t>(y) & copy_mask_] = last_in_copy_[code];
    last_in_copy_[code] = y;
  }
}

// Words enter the window one residue after the other, as the cursor moves.
// A word with another letter goes in no list: the starts that would see it
// give the bound up.
void DiagonalBound::enter_window(long long i) {
  const std::uint32_t code = entering_.word(g_);
  entering_.advance();
  const std::size_t slot = static_cast<std::size_t>(i) & window_mask_;
  const bool wild = code == WordCursor::wild;
  wild_in_window_[slot] = wild;
  std::uint64_t& bits = shared_[static_cast<std::size_t>(i / 64)];
  const std::uint64_t bit = std::uint64_t{1} << (i % 64);
  bits &= ~bit;
  if (wild) return;
  code_in_window_[slot] = code;
  before_in_window_[slot] = last_in_window_[code];
  last_in_window_[code] = i;
  if (in_copy_[code] != 0) bits |= bit;
}

void DiagonalBound::mark_copies_of(std::uint32_t code, bool shared, long long p) {
  for (long long i = last_in_window_[code]; i >= std::max(0LL, p - g_ - behind_);
       i = before_in_window_[static_cast<std::size_t>(i) & window_mask_]) {
    std::uint64_t& bits = shared_[static_cast<std::size_t>(i / 64)];
    const std::uint64_t bit = std::uint64_t{1} << (i % 64);
    bits = shared ? bits | bit : bits & ~bit;
  }
}

void DiagonalBound::copy_moved_to(long long p) {
  if (!active_) return;
  // Both words lie in the window, which reaches behind the copy.
  const std::size_t left = static_cast<std::size_t>(p - 1) & window_mask_;
  const long long entered = p + k_ - g_;
  if (!wild_in_window_[left] && in_copy_[code_in_window_[left]] == 0) mark_copies_of(code_in_window_[left], false, p);
  const std::size_t slot = static_cast<std::size_t>(entered) & window_mask_;
  if (!wild_in_window_[slot]) {
    const std::uint32_t code = code_in_window_[slot];
    before_in_copy_[static_cast<std::size_t>(entered) & copy_mask_] = last_in_copy_[code];
    last_in_copy_[code] = entered;
    mark_copies_of(code, true, p);
  }
  if (p + k_ + ahead_ <= n_ - g_) enter_window(p + k_ + ahead_);
}

bool DiagonalBound::settles(long long p, const std::uint32_t* wrapped) {
  if (!active_) return false;
  // The backward walk's bound is at least g - 1.
  const long long forward = highest_gain(true, p, wrapped, -k_, ahead_, min_score_ - 2 * g_ + 1);
  if (forward < 0) return false;
  const long long backward = highest_gain(false, p, wrapped, -k_ - forward, behind_, min_score_ - forward - g_);
  return backward >= 0 && forward + backward < min_score_;
}

long long DiagonalBound::highest_gain(bool forward, long long p, const std::uint32_t* wrapped, long long floor,
                                      long long window, long long enough) {
  const long long g = g_, k = k_;
  // The words looked at, as residues: those from lowest to highest start.
  const long long lowest = forward ? p + k : std::max(0LL, p - g - window);
  const long long highest = forward ? std::min(p + k + window, n_ - g) : p - g;
  if (lowest > highest) return g - 1;
  // The first run of other letters that ends after the lowest word begins.
  const auto other = std::upper_bound(other_runs_.begin(), other_runs_.end(), lowest,
                                      [](long long i, const std::pair<long long, long long>& run) { return i < run.second; });
  if (other != other_runs_.end() && other->first < highest + g) return -1;
  auto z_of = [&](long long i) { return forward ? i - (p + k) : (p - g) - i; };
  auto diagonal_of = [k](long long d) { return (d % k + k) % k; };
  auto distance = [k](long long a, long long b) {
    const long long d = std::llabs(a - b);
    return std::min(d, k - d);
  };

  // Words wrapping round the unit's end are few: found among the window's
  // words first, and taken in turn with the others.
  wrapped_hits_.clear();
  for (long long s = 1; s < g; ++s)
    for (long long i = last_in_window_[wrapped[s]]; i >= lowest;
         i = before_in_window_[static_cast<std::size_t>(i) & window_mask_])
      if (i <= highest) wrapped_hits_.push_back({z_of(i), diagonal_of(i - p + s), 0});
  std::sort(wrapped_hits_.begin(), wrapped_hits_.end(), [](const Hit& a, const Hit& b) { return a.z < b.z; });

  const long long dead_at = floor - g + 1;  // a hit valued this or lower is never taken
  auto reach_of = [&](long long z, long long value) { return z + 1 + g * (value + g - floor - 1) + g; };
  long long reach = g * (g - floor - 1) + g;  // of the walk's start
  long long best = 0, hits_read = 0;
  // The hits before the last few kept are only counted for what the
  // residues since ask of them, whatever their diagonal: a looser bound, so
  // still a bound, and chaining every hit with every earlier one cost more
  // than the walks it saved.
  // Kept as the highest g v + z + 1 over them: then v + 1 - ceil((z' - z - 1) / g)
  // is at most floor((g v + z + 1 + g - z') / g).
  long long older = LLONG_MIN / 4;
  auto floor_div = [g](long long a) { return a >= 0 ? a / g : -((-a + g - 1) / g); };
  std::size_t alive_count = 0;  // hits ever kept; the last hits_chained of them are in alive_
  group_.clear();
  // Hits of one distance do not chain with each other: each distance's are
  // valued against the hits before, then kept.
  enum class Go { on, stop, give_up };
  auto close_group = [&]() {
    for (const Hit& h : group_) {
      best = std::max(best, h.value);
      reach = std::max(reach, reach_of(h.z, h.value));
    }
    for (const Hit& h : group_) {
      // The oldest of the hits chained gives way.
      Hit& slot = alive_[alive_count % hits_chained];
      if (alive_count >= hits_chained) older = std::max(older, g * slot.value + slot.z + 1);
      slot = h;
      ++alive_count;
    }
    group_.clear();
    // The words beyond the window were not looked at; and past enough, the
    // start cannot settle.
    return reach > window || best > enough ? Go::give_up : Go::on;
  };
  auto take = [&](long long z, long long diagonal) {
    if (!group_.empty() && group_.front().z != z && close_group() == Go::give_up) return Go::give_up;
    if (z > reach) return Go::stop;
    if (++hits_read > most_hits_read_per_unit_residue * k) return Go::give_up;
    long long value =
        1 - (z == 0 && diagonal == 0 ? 0 : std::max(distance(0, diagonal), steps_[static_cast<std::size_t>(z)]));
    value = std::max(value, floor_div(older + g - z) + 1);
    for (std::size_t a = 0; a < std::min(alive_count, hits_chained); ++a) {
      const Hit& earlier = alive_[a];
      if (z == earlier.z + 1 && diagonal == earlier.diagonal) {
        value = std::max(value, earlier.value + 1);
        continue;
      }
      // c(L, d) is at least what the residues between ask; most earlier
      // hits fail on that alone.
      const long long for_residues = std::max(1LL, steps_[static_cast<std::size_t>(z - earlier.z - 1)]);
      if (earlier.value + 1 - for_residues <= value) continue;
      value = std::max(value, earlier.value + 1 - std::max(for_residues, distance(earlier.diagonal, diagonal)));
    }
    if (value > dead_at) group_.push_back({z, diagonal, value});
    return Go::on;
  };
  std::size_t next_wrapped = 0;
  // Every hit of word i, after the wrapped hits nearer the walk's start.
  auto take_word = [&](long long i) {
    const long long z = z_of(i);
    for (; next_wrapped < wrapped_hits_.size() && wrapped_hits_[next_wrapped].z <= z; ++next_wrapped) {
      const Go go = take(wrapped_hits_[next_wrapped].z, wrapped_hits_[next_wrapped].diagonal);
      if (go != Go::on) return go;
    }
    const std::uint32_t code = code_in_window_[static_cast<std::size_t>(i) & window_mask_];
    for (long long y = last_in_copy_[code]; y >= p; y = before_in_copy_[static_cast<std::size_t>(y) & copy_mask_]) {
      const Go go = take(z, diagonal_of(i - y));
      if (go != Go::on) return go;
    }
    return Go::on;
  };
  // Words lying inside the copy too, read off the bits in the walk's order.
  const long long first_word = lowest / 64, last_word = highest / 64;
  auto bits_of = [&](long long w) {
    std::uint64_t bits = shared_[static_cast<std::size_t>(w)];
    if (w == first_word) bits &= ~std::uint64_t{0} << (lowest % 64);
    if (w == last_word && highest % 64 != 63) bits &= (std::uint64_t{1} << (highest % 64 + 1)) - 1;
    return bits;
  };
  Go go = Go::on;
  if (forward) {
    for (long long w = first_word; w <= last_word && go == Go::on; ++w)
      for (std::uint64_t bits = bits_of(w); bits != 0 && go == Go::on; bits &= bits - 1)
        go = take_word(64 * w + __builtin_ctzll(bits));
  } else {
    for (long long w = last_word; w >= first_word && go == Go::on; --w)
      for (std::uint64_t bits = bits_of(w); bits != 0 && go == Go::on;
           bits &= ~(std::uint64_t{1} << (63 - __builtin_clzll(bits))))
        go = take_word(64 * w + 63 - __builtin_clzll(bits));
  }
  for (; go == Go::on && next_wrapped < wrapped_hits_.size(); ++next_wrapped)
    go = take(wrapped_hits_[next_wrapped].z, wrapped_hits_[next_wrapped].diagonal);
  if (go != Go::give_up && close_group() == Go::give_up) go = Go::give_up;
  return go == Go::give_up ? -1 : g - 1 + best;
}
