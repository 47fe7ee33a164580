#include "search/imperfect/starts_to_try.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <type_traits>

namespace {

constexpr std::uint64_t all_set = ~std::uint64_t{0};

// Bits 0 to n - 1.
std::uint64_t low_bits(std::size_t n) { return n >= 64 ? all_set : (std::uint64_t{1} << n) - 1; }

// The 128 bits of high and low combined with themselves shifted up by 1, 2,
// 4 ... and then by the rest: bit j of the high word comes to combine the
// bits from j - width + 1 to j (width <= 64).
template <class Width, class Combine>
__attribute__((always_inline)) inline std::uint64_t combine_up(std::uint64_t high, std::uint64_t low, Width width,
                                                               Combine combine) {
  auto combine_shifted = [&](std::size_t by) {
    high = combine(high, high << by | low >> (64 - by));
    low = combine(low, low << by);
  };
  std::size_t covered = 1;
  for (; 2 * covered <= width; covered *= 2) combine_shifted(covered);
  if (width > covered) combine_shifted(width - covered);
  return high;
}

// Calls f with the width as a constant where it is a common one: the
// doubling above then unrolls.
template <class F>
void with_width(std::size_t width, F f) {
  switch (width) {
    case 1: return f(std::integral_constant<std::size_t, 1>{});
    case 2: return f(std::integral_constant<std::size_t, 2>{});
    case 3: return f(std::integral_constant<std::size_t, 3>{});
    case 4: return f(std::integral_constant<std::size_t, 4>{});
    case 5: return f(std::integral_constant<std::size_t, 5>{});
    case 6: return f(std::integral_constant<std::size_t, 6>{});
    case 7: return f(std::integral_constant<std::size_t, 7>{});
    case 8: return f(std::integral_constant<std::size_t, 8>{});
    case 9: return f(std::integral_constant<std::size_t, 9>{});
    case 10: return f(std::integral_constant<std::size_t, 10>{});
    case 11: return f(std::integral_constant<std::size_t, 11>{});
    case 12: return f(std::integral_constant<std::size_t, 12>{});
    case 13: return f(std::integral_constant<std::size_t, 13>{});
    case 14: return f(std::integral_constant<std::size_t, 14>{});
    case 15: return f(std::integral_constant<std::size_t, 15>{});
    case 16: return f(std::integral_constant<std::size_t, 16>{});
    default: return f(width);
  }
}

// Bit j: residue 64 w + j is an N.
std::uint64_t N_word(const char* residues, std::size_t size, std::size_t w) {
  const std::size_t begin = 64 * w;
  std::uint64_t word = 0;
#ifdef __SSE2__
  if (begin + 64 <= size) {
    static const char sixteen_Ns[] = "NNNNNNNNNNNNNNNN";
    for (int part = 0; part < 4; ++part)
      word |= std::uint64_t{equal_16(residues + begin + 16 * part, sixteen_Ns)} << (16 * part);
    return word;
  }
#endif
  for (std::size_t i = begin; i < std::min(begin + 64, size); ++i)
    word |= std::uint64_t{residues[i] == 'N'} << (i - begin);
  return word;
}

// Bit j of word after word: the window of bits ending at j is all set. A
// window longer than a word needs the run of set bits carried over.
template <class Width>
class WindowEnds {
 public:
  explicit WindowEnds(Width window) : window_(window) {}
  std::uint64_t next(std::uint64_t here) {
    std::uint64_t ends;
    if (window_ <= 64) {
      ends = combine_up(here, previous_, window_, [](std::uint64_t a, std::uint64_t b) { return a & b; });
    } else {
      // Only the bits of the word's first run can end a run that long.
      const std::size_t first_run = here == all_set ? 64 : static_cast<std::size_t>(__builtin_ctzll(~here));
      const std::size_t window = window_;
      const std::size_t first_end = run_ + 1 >= window ? 0 : window - run_ - 1;
      ends = first_end >= first_run ? 0 : low_bits(first_run) & (all_set << first_end);
      run_ = here == all_set ? std::min(run_ + 64, window) : static_cast<std::size_t>(__builtin_clzll(~here));
    }
    previous_ = here;
    return ends;
  }

 private:
  Width window_;
  std::uint64_t previous_ = 0;
  std::size_t run_ = 0;  // the set bits that end the previous word
};

// Bit s of word after word, from the first: some bit from s + lo to s + hi
// is set. Beyond a word, the last set bit seen before the word reaches as
// far as the width.
template <class Width>
class AnyWithin {
 public:
  // Asked word after word from first_word on.
  AnyWithin(long long lo, long long hi, Width width, std::size_t first_word)
      : lo_(lo), hi_(hi), width_(width), first_word_(first_word) {}
  std::uint64_t at(const PaddedBits& bits, std::size_t w) {
    const long long base = static_cast<long long>(64 * w);
    const std::uint64_t here = bits.word_from(base + hi_);
    if (width_ <= 64) {
      // Asked word after word, the word before is the one read last.
      const std::uint64_t before = w == next_word_ ? last_read_ : bits.word_from(base - 64 + hi_);
      last_read_ = here;
      next_word_ = w + 1;
      return combine_up(here, before, width_, [](std::uint64_t a, std::uint64_t b) { return a | b; });
    }
    if (w == first_word_) {
      // Bits before the first word's reach its starts too.
      const long long p = bits.last_set_in(base + lo_, base + hi_);
      if (p != LLONG_MIN) last_set_ = p - hi_;
    }
    std::uint64_t any = here == 0 ? 0 : all_set << __builtin_ctzll(here);
    const long long reach = last_set_ + static_cast<long long>(width_) - 1 - base;
    if (reach >= 0) any |= low_bits(static_cast<std::size_t>(reach) + 1);
    if (here != 0) last_set_ = base + 63 - __builtin_clzll(here);
    return any;
  }

 private:
  long long lo_, hi_;
  Width width_;
  std::size_t first_word_;
  long long last_set_ = LLONG_MIN / 2;  // as the start s whose s + hi it is
  std::size_t next_word_ = SIZE_MAX;    // the word whose word before was read last
  std::uint64_t last_read_ = 0;
};

// The stretch ends of a rule in the words [first, end), word by word, from
// the residues equal to those each of its backs before them. A stretch that
// began before the first word is not seen: the words a window's length
// after it are right.
void mark_stretch_ends(const ConcernedStarts& rule, const PaddedBits* const equal[3], PaddedBits& ends,
                       std::size_t first, std::size_t end) {
  with_width(static_cast<std::size_t>(rule.window), [&](auto window) {
    using Window = WindowEnds<decltype(window)>;
    Window windows[3] = {Window(window), Window(window), Window(window)};
    const auto from = static_cast<std::size_t>(rule.from);
    for (std::size_t w = first; w < end; ++w) {
      // Bits below `from` are no stretch's.
      const std::uint64_t counted = 64 * w >= from ? all_set : 64 * w + 64 <= from ? 0 : all_set << (from - 64 * w);
      std::uint64_t stretch_ends = 0;
      for (int b = 0; b < rule.back_count; ++b) stretch_ends |= windows[b].next(equal[b]->word(w) & counted);
      ends[w] = stretch_ends;
    }
  });
}

// Reaches and windows beyond the sequence's length change nothing, and
// extreme penalties make them huge: they are cut to that length.
ConcernedStarts within(const ConcernedStarts& rule, long long length) {
  auto cut = [&](long long x) { return std::min(std::max(x, -length - 1), length + 1); };
  ConcernedStarts cut_rule = rule;
  cut_rule.window = cut(rule.window);
  cut_rule.lo = cut(rule.lo);
  cut_rule.hi = cut(rule.hi);
  cut_rule.N_lo = cut(rule.N_lo);
  cut_rule.N_hi = cut(rule.N_hi);
  cut_rule.all_below = cut(rule.all_below);
  return cut_rule;
}

}  // namespace

StartsToTry::StartsToTry(const char* first, const char* end, const char* from, const char* to,
                         std::size_t chunk_words)
    : first_(first),
      size_(static_cast<std::size_t>(end - first)),
      chunk_words_(chunk_words),
      has_N_(size_ != 0 && std::memchr(first, 'N', size_) != nullptr),
      words_(size_ / 64 + 1),
      begin_(static_cast<std::size_t>(from - first)),
      end_(static_cast<std::size_t>(to - first)),
      begin_word_(std::min(begin_ / 64, words_)),
      end_word_(std::max(begin_word_, std::min(words_, (end_ + 63) / 64))),
      starts_(new std::uint64_t[words_]) {}

void StartsToTry::mark(unsigned k, const ConcernedStarts& error_free, const ConcernedStarts& one_error) {
  const std::size_t words = words_;
  k_ = k;
  covered_left_out_ = false;
  const ConcernedStarts cut_rules[2] = {within(error_free, static_cast<long long>(size_)),
                                        within(one_error, static_cast<long long>(size_))};
  const ConcernedStarts* rules[2] = {&cut_rules[0], &cut_rules[1]};
  // The reach of a copy, for its N's, and how far the bits a chunk's marks
  // are made from reach beyond it, in words: a stretch's window and the
  // reach of its end behind, the reach ahead, and the copy's length for its
  // copies of one letter.
  long long farthest = k, nearest = 0;
  std::size_t behind = 1, ahead = (k + 127) / 64 + 1;
  for (const ConcernedStarts* rule : rules) {
    farthest = std::max({farthest, rule->hi, rule->N_hi});
    nearest = std::min({nearest, rule->lo, rule->N_lo});
    if (rule->all_below >= static_cast<long long>(size_)) continue;
    behind = std::max(behind, static_cast<std::size_t>(rule->window + std::max(0LL, -rule->lo) + 127) / 64 + 1);
    ahead = std::max(ahead, static_cast<std::size_t>(std::max(0LL, rule->hi) + 127) / 64 + 1);
  }
  const std::size_t padding = static_cast<std::size_t>(std::max(farthest, -nearest) + 127) / 64;
  if (has_N_ && padding > N_padding_) {
    // Only the words of N's that the starts marked can reach: beyond them,
    // the padding reads as no N, as it does beyond the record's ends.
    const std::size_t lowest = begin_word_ > padding ? begin_word_ - padding : 0;
    const std::size_t highest = std::min(words, end_word_ + padding);
    Ns_.reset(static_cast<long long>(lowest), highest - lowest, padding);
    N_padding_ = padding;
    for (std::size_t w = lowest; w < highest; ++w) Ns_[static_cast<long long>(w)] = N_word(first_, size_, w);
    N_words_.reset(static_cast<long long>(lowest / 64), (highest + 63) / 64 - lowest / 64, padding / 64 + 1);
    for (std::size_t w = lowest; w < highest; ++w)
      N_words_[static_cast<long long>(w / 64)] |= std::uint64_t{Ns_[static_cast<long long>(w)] != 0} << (w % 64);
  }
  // Long reaches (extreme penalties) make the margins long: the chunks grow
  // with them, so that each word is worked out three times at most.
  const std::size_t chunk = std::max(chunk_words_, behind + ahead);
  for (std::size_t from = begin_word_; from < end_word_; from += chunk)
    mark_chunk(from, std::min(end_word_, from + chunk), rules, behind, ahead, padding);
  if (begin_word_ < end_word_) {
    if (end_word_ == words) starts_[words - 1] &= low_bits(size_ % 64);
    starts_[begin_word_] &= ~low_bits(begin_ % 64);
    if (end_ % 64 != 0 && end_ / 64 < end_word_) starts_[end_ / 64] &= low_bits(end_ % 64);
  }
}

void StartsToTry::mark_chunk(std::size_t from, std::size_t to, const ConcernedStarts* const rules[2],
                             std::size_t behind, std::size_t ahead, std::size_t padding) {
  const std::size_t words = words_;
  const std::size_t first_made = from > behind ? from - behind : 0, end_made = std::min(words, to + ahead);
  const auto first_word = static_cast<long long>(first_made);
  make_equal_bits(rules, first_word, end_made - first_made);
  // Whether the words of N's from first to last hold one (those just
  // outside the sequence hold none): for a word of starts, a few words; for
  // a chunk, any number.
  auto N_in_few_words = [&](long long first, long long last) {
    return (N_words_.word_from(first) & low_bits(static_cast<std::size_t>(last - first + 1))) != 0;
  };
  auto N_in_words = [&](long long first, long long last) {
    for (; last - first >= 64; first += 64)
      if (N_words_.word_from(first) != 0) return true;
    return N_in_few_words(first, last);
  };
  std::fill(&starts_[from], &starts_[0] + to, all_set);
  for (int r = 0; r < 2; ++r) {
    const ConcernedStarts& rule = *rules[r];
    if (rule.all_below >= static_cast<long long>(size_)) continue;
    const PaddedBits* equal[3];
    for (int b = 0; b < rule.back_count; ++b) equal[b] = &equal_bits(rule.backs[b]);
    stretch_ends_.reset(first_word, end_made - first_made, padding);
    mark_stretch_ends(rule, equal, stretch_ends_, first_made, end_made);
    const auto all_below = static_cast<std::size_t>(std::max(0LL, rule.all_below));
    with_width(static_cast<std::size_t>(rule.hi - rule.lo + 1), [&](auto width) {
      AnyWithin<decltype(width)> near_ends(rule.lo, rule.hi, width, from);
      AnyWithin<std::size_t> near_Ns(rule.N_lo, rule.N_hi, static_cast<std::size_t>(rule.N_hi - rule.N_lo + 1),
                                     from);
      // N's are few: a chunk, or a word of starts, far from all of them
      // need not ask, unless the reach is longer than a word and carries
      // its last N along.
      const long long first_N_word = (rule.N_lo - 63) / 64 - 1, last_N_word = (rule.N_hi + 63) / 64 + 1;
      const auto first = static_cast<long long>(from), last = static_cast<long long>(to) - 1;
      const bool Ns_concern =
          has_N_ && rule.Ns_concern && N_in_words(first + first_N_word, last + last_N_word);
      const bool ask_always = rule.N_hi - rule.N_lo + 1 > 64;
      for (std::size_t w = from; w < to; ++w) {
        std::uint64_t concerned = near_ends.at(stretch_ends_, w);
        const auto word = static_cast<long long>(w);
        if (Ns_concern && (ask_always || N_in_few_words(word + first_N_word, word + last_N_word)))
          concerned |= near_Ns.at(Ns_, w);
        if (64 * w < all_below) concerned |= low_bits(all_below - 64 * w);
        starts_[w] &= concerned;
      }
    });
  }
  // A copy of one letter is never tried: its repeat is the one-letter
  // unit's. Its residues each equal the one before, k - 1 times in a row.
  if (k_ >= 2) {
    const PaddedBits& equal_to_previous = equal_bits(1);
    stretch_ends_.reset(first_word, end_made - first_made, padding);
    with_width(k_ - 1, [&](auto window) {
      WindowEnds<decltype(window)> one_letter(window);
      for (std::size_t w = first_made; w < end_made; ++w) {
        const auto word = static_cast<long long>(w);
        stretch_ends_[word] = one_letter.next(equal_to_previous.word(word));
      }
    });
    for (std::size_t w = from; w < to; ++w)
      starts_[w] &= ~stretch_ends_.word_from(static_cast<long long>(64 * w + k_ - 1));
  }
  // Nor is a copy that holds an N.
  const long long last_N_word = (static_cast<long long>(k_) + 63) / 64 + 1;
  if (has_N_ && N_in_words(static_cast<long long>(from) - 1, static_cast<long long>(to) - 1 + last_N_word)) {
    with_width(k_, [&](auto width) {
      AnyWithin<decltype(width)> holds_N(0, static_cast<long long>(k_) - 1, width, from);
      // As for the rules' reach of N's.
      const bool ask_always = k_ > 64;
      for (std::size_t w = from; w < to; ++w) {
        const auto word = static_cast<long long>(w);
        if (ask_always || N_in_few_words(word - 1, word + last_N_word)) starts_[w] &= ~holds_N.at(Ns_, w);
      }
    });
  }
}

// On a repeat-rich genome, many of the starts the loop came to lay under
// the repeats of shorter units, each a pass over the loop's tests.
void StartsToTry::leave_out_covered(const CAnchorSeq& anchors) {
  with_width(k_, [&](auto k) {
    // In locals: the stores could otherwise change them, as far as the compiler knows.
    std::uint64_t* const starts = starts_.get();
    const std::size_t end_word = end_word_;
    for (std::size_t w = begin_word_; w < end_word; ++w) starts[w] &= anchors.candidate_starts(w, k);
  });
  covered_left_out_ = true;
}

// The starts whose copies have the opened residue at an edge, or just
// outside one, may be tried again: those the marks took for settled are
// judged so by the loop, but copies of one letter and copies that hold an
// N are never tried.
void StartsToTry::reconsider_around(const char* opened) {
  if (!covered_left_out_) return;
  const long long x = opened - first_, k = static_cast<long long>(k_);
  for (const long long s : {x - k, x - k + 1, x, x + 1}) {
    if (s < static_cast<long long>(begin_) || s >= static_cast<long long>(end_) || s + k >= static_cast<long long>(size_))
      continue;
    const char* copy = first_ + s;
    if (std::count(copy, copy + k, *copy) == k || std::memchr(copy, 'N', k_) != nullptr) continue;
    starts_[static_cast<std::size_t>(s) / 64] |= std::uint64_t{1} << (s % 64);
  }
}

void StartsToTry::make_equal_bits(const ConcernedStarts* const rules[2], long long first_word, std::size_t words) {
  std::size_t backs[most_backs_at_once];
  int count = 0;
  auto ask_for = [&](long long back) {
    if (std::find(backs, backs + count, static_cast<std::size_t>(back)) == backs + count)
      backs[count++] = static_cast<std::size_t>(back);
  };
  for (int r = 0; r < 2; ++r) {
    if (rules[r]->all_below >= static_cast<long long>(size_)) continue;
    for (int b = 0; b < rules[r]->back_count; ++b) ask_for(rules[r]->backs[b]);
  }
  if (k_ >= 2) ask_for(1);
  std::uint64_t* words_of[most_backs_at_once];
  for (int b = 0; b < count; ++b) {
    equal_[b].back = static_cast<long long>(backs[b]);
    equal_[b].bits.reset(first_word, words, 0);
    words_of[b] = &equal_[b].bits[first_word];
  }
  for (int b = count; b < most_backs_at_once; ++b) equal_[b].back = -1;
  equal_residue_words(first_, size_, static_cast<std::size_t>(first_word),
                      static_cast<std::size_t>(first_word) + words, backs, count, words_of);
}

const PaddedBits& StartsToTry::equal_bits(long long back) const {
  return std::find_if(std::begin(equal_), std::end(equal_),
                      [back](const EqualBits& known) { return known.back == back; })
      ->bits;
}
