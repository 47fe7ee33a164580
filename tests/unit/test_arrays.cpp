// Search mode arrays: the banded extension against a plain wraparound
// alignment, and whole searches on planted arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "repeats/Csat.h"
#include "search/arrays/find_arrays.h"
#include "search/arrays/period_evidence.h"
#include "search/arrays/wraparound_extension.h"

namespace {

class Dna {
 public:
  explicit Dna(unsigned seed) : rng_(seed) {}
  double chance() { return std::uniform_real_distribution<double>(0, 1)(rng_); }
  char base() { return "ACGT"[rng_() % 4]; }
  std::string random(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += base();
    return s;
  }
  // A unit that is not a shorter one written out more than once.
  std::string unit(std::size_t n) {
    for (;;) {
      const std::string u = random(n);
      bool periodic = false;
      for (std::size_t p = 1; p < n; ++p) periodic |= n % p == 0 && u.compare(p, n - p, u, 0, n - p) == 0;
      if (!periodic) return u;
    }
  }
  // copies (a fraction allowed) of unit, each residue changed with chance
  // divergence: seven in ten substituted, the rest deleted or followed by an
  // inserted residue when indels are allowed.
  std::string array(const std::string& unit, double copies, double divergence, bool indels) {
    std::string s;
    const auto characters = static_cast<std::size_t>(copies * static_cast<double>(unit.size()));
    for (std::size_t i = 0; i < characters; ++i) {
      const char c = unit[i % unit.size()];
      const double r = chance();
      if (r >= divergence) {
        s += c;
      } else if (!indels || r < 0.7 * divergence) {
        char other;
        do other = base(); while (other == c);
        s += other;
      } else if (r < 0.85 * divergence) {
        continue;
      } else {
        s += c;
        s += base();
      }
    }
    return s;
  }

 private:
  std::mt19937 rng_;
};

ArraysOptions options_with(unsigned min_period, unsigned max_period) {
  ArraysOptions options;
  options.min_period = min_period;
  options.max_period = max_period;
  return options;
}

// The plain alignment from the rules: cyclic columns, every cell of every
// row, no band; cells that fall x_drop below the best seen are dropped, and
// the alignment ends when a row has none left. Returns the best score of
// any prefix of text (read in direction) against the unit repeated
// endlessly from first_column on.
long long wraparound_best(const char* text, std::size_t available, int direction, const std::string& unit,
                          unsigned first_column, const ArraysOptions& options) {
  const std::size_t d = unit.size();
  std::string ideal;  // the unit in reading order
  for (std::size_t k = 0; k < d; ++k) {
    ideal += unit[direction > 0 ? (first_column + k) % d : (first_column + d - k) % d];
  }
  const long long none = LLONG_MIN / 4;
  // score[c]: best so far with ideal character c expected next.
  std::vector<long long> score(d, none), next(d);
  auto close_deletions = [&](std::vector<long long>& row) {
    for (int round = 0; round < 2; ++round) {
      for (std::size_t c = 0; c < d; ++c) {
        row[(c + 1) % d] = std::max(row[(c + 1) % d], row[c] + options.indel);
      }
    }
  };
  score[0] = 0;
  close_deletions(score);
  long long best = 0;
  for (std::size_t t = 0; t < available; ++t) {
    const char residue = text[direction * static_cast<std::ptrdiff_t>(t)];
    for (std::size_t c = 0; c < d; ++c) {
      const std::size_t before = (c + d - 1) % d;
      next[c] = std::max(score[before] + residue_score(residue, ideal[before], options), score[c] + options.indel);
    }
    close_deletions(next);
    score.swap(next);
    best = std::max(best, *std::max_element(score.begin(), score.end()));
    bool live = false;
    for (long long& cell : score) {
      if (cell < best - options.x_drop()) cell = none;
      live |= cell != none;
    }
    if (!live) break;
  }
  return best;
}

// Scores a path as the extension walked it.
long long path_score(const char* text, int direction, const EndlessUnit& unit, const std::vector<unsigned char>& path,
                     const ArraysOptions& options, std::size_t& residues, std::size_t& characters) {
  long long score = 0;
  residues = characters = 0;
  for (unsigned char step : path) {
    if (step == STEP_DIAGONAL) {
      score += residue_score(text[direction * static_cast<std::ptrdiff_t>(residues)], unit.at(characters), options);
      ++residues;
      ++characters;
    } else {
      score += options.indel;
      if (step == STEP_INSERTION) ++residues; else ++characters;
    }
  }
  return score;
}

TEST(ArraysExtension, AgreesWithThePlainWraparoundAlignment) {
  // Mismatches milder than indels let the best path run furthest from the
  // row's best cell: the default scores and the stricter ones, several seeds.
  for (const int mismatch : {-2, -3, -5}) {
  for (const unsigned seed : {47u, 3u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u}) {
  Dna dna(seed);
  ArraysOptions options = options_with(1, 2000);
  options.mismatch = mismatch;
  ExtensionWorkspace workspace;
  int compared = 0, stopped_early = 0;
  for (int round = 0; round < 300; ++round) {
    const unsigned d = 1 + static_cast<unsigned>(dna.chance() * (round % 3 == 0 ? 8 : 60));
    const std::string unit = dna.random(d);
    const double divergence = (round % 4) * 0.04;
    // Planted rounds start in the array; the others are random throughout.
    const bool planted = round % 5 != 4;
    std::string text = planted ? dna.array(unit, 2 + dna.chance() * 6, divergence, round % 2 == 0) : "";
    text += dna.random(40 + round % 50);
    const int direction = round % 2 == 0 ? +1 : -1;
    if (direction < 0) std::reverse(text.begin(), text.end());
    const char* start = direction > 0 ? text.data() : text.data() + text.size() - 1;
    const unsigned first_column = direction > 0 ? 0 : d - 1;
    const EndlessUnit endless{unit.data(), d, first_column, direction};
    const Extension fast = extend_along_unit(start, text.size(), direction, endless, options, workspace);
    const long long plain = wraparound_best(start, text.size(), direction, unit, first_column, options);
    ASSERT_EQ(fast.score, plain) << "seed " << seed << " mismatch " << mismatch << " round " << round << " unit "
                                 << unit << " text " << text;
    std::size_t residues = 0, characters = 0;
    EXPECT_EQ(path_score(start, direction, endless, workspace.path, options, residues, characters), fast.score);
    EXPECT_EQ(residues, fast.residues);
    EXPECT_EQ(characters, fast.unit_characters);
    ++compared;
    if (fast.residues + 10 < text.size()) ++stopped_early;
  }
  EXPECT_EQ(compared, 300);
  EXPECT_GT(stopped_early, 100);  // the early stop was tried, not just the text's end
  }
  }
}

TEST(ArraysExtension, SettlesLongArraysOneWindowAtATime) {
  Dna dna(3);
  const ArraysOptions options = options_with(1, 2000);
  ExtensionWorkspace workspace;
  for (unsigned d : {1u, 5u, 31u, 171u}) {
    const std::string unit = dna.random(d);
    const std::string text = dna.array(unit, 4000.0 / d, 0.02, false) + dna.random(200);
    const EndlessUnit endless{unit.data(), d, 0, +1};
    const Extension whole = extend_along_unit(text.data(), text.size(), +1, endless, options, workspace);
    const Extension windowed = extend_along_unit(text.data(), text.size(), +1, endless, options, workspace, 64);
    EXPECT_EQ(windowed.score, whole.score) << d;
    EXPECT_EQ(windowed.residues, whole.residues) << d;
    std::size_t residues = 0, characters = 0;
    EXPECT_EQ(path_score(text.data(), +1, endless, workspace.path, options, residues, characters), windowed.score);
    EXPECT_EQ(residues, windowed.residues);
  }
}

TEST(ArraysExtension, StopsAtAnNRunLongerThanAllowed) {
  ArraysOptions options = options_with(1, 10);
  options.Ns_in_a_row = 3;
  ExtensionWorkspace workspace;
  const std::string unit = "ACG";
  const EndlessUnit endless{unit.data(), 3, 0, +1};
  const std::string bridged = "ACGACGNNNACGACGACGACG";
  EXPECT_EQ(extend_along_unit(bridged.data(), bridged.size(), +1, endless, options, workspace).residues,
            bridged.size());
  const std::string cut = "ACGACGNNNNACGACGACGACG";
  const Extension stopped = extend_along_unit(cut.data(), cut.size(), +1, endless, options, workspace);
  EXPECT_EQ(stopped.residues, 6u);
  EXPECT_EQ(stopped.score, 6);
}

TEST(ArraysExtension, VectorRowMatchesTheCellByCellRow) {
  // Rows as the extension meets them: live cells a few penalties apart,
  // dropped cells among them, N in the residues or the unit, and penalties
  // from mild to the largest allowed.
  Dna dna(11);
  int compared = 0, with_deletions = 0;
  for (int round = 0; round < 3000; ++round) {
    ArraysOptions options = options_with(1, 100);
    options.mismatch = round % 7 == 0 ? ArraysOptions::most_penalty : -1 - static_cast<int>(dna.chance() * 6);
    options.indel = round % 11 == 0 ? ArraysOptions::most_penalty : -1 - static_cast<int>(dna.chance() * 6);
    options.Ns_tolerated = round % 3 != 0;
    const int width = 16 + 8 * (round % 3);
    int diagonal[widest_band + 1];
    for (int& cell : diagonal) {
      cell = dna.chance() < 0.15 ? dropped_cell : static_cast<int>(dna.chance() * 40) - 20;
    }
    char chars[widest_band];
    for (char& c : chars) c = dna.chance() < 0.03 ? 'N' : dna.base();
    const bool unit_has_N = std::find(chars, chars + width, 'N') != chars + width;
    const char c = dna.chance() < 0.05 ? 'N' : dna.base();
    int vector_row[widest_band], plain_row[widest_band];
    const BandRow fast = next_band_row(width, diagonal, chars, c, unit_has_N, options, vector_row);
    const BandRow plain = next_band_row_plain(width, diagonal, chars, c, options, plain_row);
    ASSERT_TRUE(std::equal(vector_row, vector_row + width, plain_row)) << "round " << round;
    ASSERT_EQ(fast.best, plain.best) << "round " << round;
    ASSERT_EQ(fast.best_cell, plain.best_cell) << "round " << round;
    ASSERT_EQ(fast.trace, plain.trace) << "round " << round;
    ++compared;
    with_deletions += (plain.trace >> widest_band) != 0;
  }
  EXPECT_EQ(compared, 3000);
  EXPECT_GT(with_deletions, 1000);
}

// The period evidence as the rule states it: each period's evidence and
// where it was last added to, checked against the floor at every reading.
class PlainPeriodEvidence {
 public:
  PlainPeriodEvidence(unsigned min_period, unsigned max_period)
      : min_period_(min_period), max_period_(max_period), evidence_(max_period + 1, 0), last_(max_period + 1, -1) {}
  int at(unsigned d, long long position) const {
    if (last_[d] < floor_ || last_[d] > position) return 0;
    return static_cast<int>(std::max(0LL, evidence_[d] - (position - last_[d])));
  }
  unsigned add_match(unsigned d, long long start) {
    if (last_[d] > start) return 0;
    evidence_[d] = at(d, start) + 40;
    last_[d] = start;
    if (evidence_[d] <= 40) return 0;
    const unsigned reach = std::min(8u, 1 + d / 128);
    int sum = 0, most = 0;
    unsigned candidate = d;
    for (unsigned x = std::max(min_period_, d > reach ? d - reach : 1u); x <= std::min(max_period_, d + reach); ++x) {
      sum += at(x, start);
      if (at(x, start) > most) {
        most = at(x, start);
        candidate = x;
      }
    }
    return sum >= 320 ? candidate : 0;
  }
  void quiet_around(unsigned d, long long until) {
    const unsigned reach = std::min(8u, 1 + d / 128);
    for (unsigned x = std::max(min_period_, d - reach); x <= std::min(max_period_, d + reach); ++x) {
      evidence_[x] = 0;
      last_[x] = until;
    }
  }
  long long floor_ = 0;

 private:
  unsigned min_period_, max_period_;
  std::vector<long long> evidence_, last_;
};

TEST(ArraysScan, PeriodEvidenceMatchesThePlainRule) {
  // Matches thick around a few periods and thin elsewhere, calls raising the
  // floor past the matches, and candidates quieting their neighbours.
  Dna dna(5);
  const unsigned min_period = 3, max_period = 1200;
  PeriodEvidence fast;
  fast.reset(min_period, max_period);
  PlainPeriodEvidence plain(min_period, max_period);
  int candidates = 0, below_floor = 0;
  long long start = 0;
  for (int step = 0; step < 200000; ++step) {
    start += dna.chance() < 0.6 ? 1 : 0;
    const unsigned hub = step / 5000 % 2 == 0 ? 40 : 1000;
    const unsigned d = dna.chance() < 0.5 ? hub - 2 + static_cast<unsigned>(dna.chance() * 5)
                                         : min_period + static_cast<unsigned>(dna.chance() * (max_period - min_period));
    below_floor += start < plain.floor_;
    const unsigned candidate = fast.add_match(d, start);
    ASSERT_EQ(candidate, plain.add_match(d, start)) << "step " << step;
    if (candidate != 0) {
      ++candidates;
      const long long until = start + static_cast<long long>(dna.chance() * 200);
      fast.quiet_around(candidate, until);
      plain.quiet_around(candidate, until);
      if (dna.chance() < 0.5) {
        const long long floor = start + static_cast<long long>(dna.chance() * 300) - 50;
        fast.raise_floor(floor);
        plain.floor_ = std::max(plain.floor_, floor);
      }
    }
  }
  EXPECT_GT(candidates, 100);
  EXPECT_GT(below_floor, 1000);  // matches the floor made worthless were met
}

// Walks a record as the alignment printer does and checks that its fields,
// its error list and its unit phases tell the same alignment.
void expect_consistent(const Csat& sat, const ArraysOptions& options) {
  const unsigned d = sat.unit_length();
  const char* u = sat.unit_pos_backward + 1 == sat.unit_end ? sat.unit_begin : sat.unit_pos_backward + 1;
  auto advance = [&] { u = u + 1 == sat.unit_end ? sat.unit_begin : u + 1; };
  long long score = 0;
  int mismatches = 0, insertions = 0, deletions = 0, Ns = 0;
  unsigned e = 0;
  for (const char* q = sat.sat_begin; q != sat.sat_end;) {
    if (e < sat.missense.count && sat.missense.items[e].position == q) {
      const char kind = sat.missense.items[e++].kind;
      if (kind == 'M') {
        EXPECT_TRUE(*q != *u || *q == 'N');
        score += options.mismatch;
        ++mismatches;
        ++q;
        advance();
      } else if (kind == 'I') {
        score += options.indel;
        ++insertions;
        ++q;
      } else {
        score += options.indel;
        ++deletions;
        advance();
      }
      continue;
    }
    if (*q == 'N') {
      ++Ns;
    } else {
      EXPECT_EQ(*q, *u) << "at " << (q - sat.sat_begin);
      ++score;
    }
    ++q;
    advance();
  }
  EXPECT_EQ(e, sat.missense.count);
  EXPECT_EQ(u, sat.unit_pos_forward);
  EXPECT_EQ(score, sat.score);
  EXPECT_EQ(mismatches, sat.mismatches);
  EXPECT_EQ(insertions, sat.insertions);
  EXPECT_EQ(deletions, sat.deletions);
  EXPECT_EQ(Ns, sat.Ns);
  EXPECT_GE(d, options.min_period);
  EXPECT_LE(d, options.max_period);
}

// A search's records, each checked as it is made; they go back to the pool
// before the units they point into are gone.
class Search : public RecordSink {
 public:
  ~Search() {
    for (Csat* sat : sats) pool_.give_back(sat);
  }
  void take(Csat* sat) override { sats.push_back(sat); }

  ArraysSearchCounts run(const std::string& residues, const ArraysOptions& options) {
    ArraysWorkspace workspace;
    const std::size_t before = sats.size();
    const ArraysSearchCounts counts = find_arrays(residues.data(), residues.size(), options, workspace, units_, pool_, *this);
    for (std::size_t i = before; i < sats.size(); ++i) {
      expect_consistent(*sats[i], options);
      if (i > before) {
        EXPECT_FALSE(lessThan_sat(sats[i], sats[i - 1]));
      }
    }
    return counts;
  }

  SatList sats;

 private:
  Csat_garbagecollector pool_;
  ConsensusUnits units_;
};

struct Planted {
  std::size_t begin, end;
  unsigned period;
};

// Random residues with arrays planted among them, gap of them after each.
struct Genome {
  Genome(Dna& random, std::size_t lead, std::size_t between) : dna(random), gap(between), residues(dna.random(lead)) {}

  Dna& dna;
  const std::size_t gap;
  std::string residues;
  std::vector<Planted> planted;

  void plant(const std::string& unit, double copies, double divergence, bool indels = false) {
    const std::string array = dna.array(unit, copies, divergence, indels);
    planted.push_back({residues.size(), residues.size() + array.size(), static_cast<unsigned>(unit.size())});
    residues += array + dna.random(gap);
  }
};

// Each planted array is one call covering at least 95 % of it, with its
// period (or one within period_slack of it).
void expect_one_call_each(const std::string& residues, const std::vector<Planted>& planted, const SatList& sats,
                          unsigned period_slack = 0) {
  for (const Planted& p : planted) {
    int calls = 0;
    for (const Csat* sat : sats) {
      const std::size_t b = static_cast<std::size_t>(sat->sat_begin - residues.data());
      const std::size_t e = static_cast<std::size_t>(sat->sat_end - residues.data());
      const std::size_t shared = std::min(e, p.end) > std::max(b, p.begin) ? std::min(e, p.end) - std::max(b, p.begin) : 0;
      if (shared == 0) continue;
      ++calls;
      EXPECT_GE(shared * 100, 95 * (p.end - p.begin))
          << "period " << p.period << " at " << p.begin << "-" << p.end << ": call " << b << "-" << e;
      EXPECT_LE(sat->unit_length(), p.period + period_slack) << "at " << p.begin;
      EXPECT_GE(sat->unit_length() + period_slack, p.period) << "at " << p.begin;
    }
    EXPECT_EQ(calls, 1) << "period " << p.period << " at " << p.begin;
  }
}

// Searches the genome and expects one call for each planted array, of its
// period; returns what the search counted.
ArraysSearchCounts expect_planted_arrays_called(const Genome& genome, const ArraysOptions& options) {
  Search search;
  const ArraysSearchCounts counts = search.run(genome.residues, options);
  expect_one_call_each(genome.residues, genome.planted, search.sats);
  return counts;
}

TEST(ArraysSearch, CallsEachPlantedArrayOnceWithItsPeriod) {
  Dna dna(11);
  for (double divergence : {0.0, 0.05, 0.10}) {
    Genome genome(dna, 500, 300);
    for (unsigned d : {2u, 6u, 7u, 13u, 47u, 171u, 600u, 1500u}) genome.plant(dna.unit(d), std::max(3.5, 400.0 / d), divergence);
    SCOPED_TRACE(divergence);
    expect_planted_arrays_called(genome, options_with(1, 2000));
  }
}

// Copies with indels of their own outvote the first copy's length, though
// not always to the residue: a period within 1 % of the planted one.
TEST(ArraysSearch, FollowsCopiesThatDifferInLength) {
  Dna dna(5);
  Genome genome(dna, 400, 400);
  for (unsigned d : {20u, 171u, 900u}) genome.plant(dna.unit(d), d < 100 ? 15 : 6, 0.06, true);
  Search search;
  search.run(genome.residues, options_with(1, 2000));
  for (const Planted& p : genome.planted) {
    expect_one_call_each(genome.residues, {p}, search.sats, std::max(1u, p.period / 100));
  }
}

// Indels scattered over neighbouring columns outvote no single column, so
// the majority alone keeps a unit a residue or two off the copies' length;
// the consensus is pulled to the copies' average length. Over many arrays
// of five copies with indels, most get their period to the residue.
TEST(ArraysSearch, TakesTheCopiesLengthDespiteScatteredIndels) {
  unsigned exact = 0, arrays = 0;
  for (unsigned seed = 1; seed <= 30; ++seed) {
    Dna dna(seed);
    for (unsigned d : {60u, 171u, 450u, 900u}) {
      const std::string array = dna.array(dna.unit(d), 5, 0.08, true);
      Search search;
      search.run(dna.random(400) + array + dna.random(400), options_with(1, 2000));
      ++arrays;
      for (const Csat* sat : search.sats) exact += sat->length() * 10 >= array.size() * 9 && sat->unit_length() == d;
    }
  }
  EXPECT_GT(exact * 2, arrays);
}

// Of a period and its multiples, the shortest that scores as well is
// reported, unless the multiple's copies agree far better.
TEST(ArraysSearch, ReportsTheShortestPeriodUnlessAHigherOrderAgreesFarBetter) {
  {
    // A dinucleotide array, a hexanucleotide one whose unit is nearly two
    // halves alike, and a higher-order repeat: three monomers of 60 that
    // differ by a quarter, the 180 of them copied at 1 %.
    Dna dna(8);
    const std::string monomer = dna.unit(60);
    std::string order = monomer;
    for (int m = 0; m < 2; ++m) order += dna.array(monomer, 1, 0.25, false);
    Genome genome(dna, 300, 300);
    genome.plant("AC", 40, 0.01);
    genome.plant("ACTACG", 20, 0.01);
    genome.plant(order, 8, 0.01);
    SCOPED_TRACE("shortest period");
    expect_planted_arrays_called(genome, options_with(1, 2000));
  }
  // Monomers of 95 that differ by 6 %, alike enough for an array of their
  // own, in units of nine copied at 0.5 %: the unit of 855 is the period.
  // Beside it, simple arrays as diverged as those monomers, whose longer
  // multiples agree no better, keep their period.
  Dna dna(21);
  Genome genome(dna, 400, 400);
  const std::string monomer = dna.unit(95);
  std::string order;
  for (int m = 0; m < 9; ++m) order += dna.array(monomer, 1, 0.06, true);
  const std::string simple[] = {dna.unit(40), dna.unit(170)};
  genome.plant(order, 4.5, 0.005);
  genome.plant(simple[0], 30, 0.06);
  genome.plant(simple[1], 12, 0.06);
  SCOPED_TRACE("higher order");
  EXPECT_GE(expect_planted_arrays_called(genome, options_with(1, 2000)).longer_periods, 1);
}

TEST(ArraysSearch, FindsNothingInRandomDnaAndKeepsToItsPeriods) {
  Dna dna(21);
  Search random;
  const ArraysSearchCounts counts = random.run(dna.random(200000), options_with(7, 2000));
  EXPECT_LE(random.sats.size(), 2u);
  EXPECT_GT(counts.candidates, 0);  // chance evidence was weighed and turned down
  // Only periods from 7 on: a mononucleotide run is not called at all.
  const std::string run = dna.random(100) + std::string(60, 'A') + dna.random(100);
  Search none;
  none.run(run, options_with(7, 50));
  // Periods shorter than a one-letter word's reach: the run is no array of
  // period 2 or 3 either (the tables are that short, which the scan must heed).
  none.run(run, options_with(2, 3));
  EXPECT_TRUE(none.sats.empty());
}

// Under 1.8 copies an array is called only when its copies agree well: a
// close duplication of 1.75 copies is one call, one whose copies differ by a
// fifth, like two neighbouring copies of an old interspersed repeat, is none.
TEST(ArraysSearch, CallsFewerCopiesOnlyWhenTheyAgreeWell) {
  Dna dna(31);
  const ArraysOptions options = options_with(7, 2000);
  for (unsigned d : {90u, 130u, 300u}) {
    const std::string unit = dna.unit(d);
    const std::string flank = dna.random(300);
    const std::string close = flank + unit + dna.array(unit, 0.75, 0.04, false) + dna.random(300);
    const std::string far = flank + unit + dna.array(unit, 0.75, 0.22, false) + dna.random(300);
    Search close_calls, far_calls;
    close_calls.run(close, options);
    far_calls.run(far, options);
    SCOPED_TRACE(d);
    expect_one_call_each(close, {{flank.size(), flank.size() + d + d * 3 / 4, d}}, close_calls.sats);
    EXPECT_TRUE(far_calls.sats.empty());
  }
}

TEST(ArraysSearch, ThresholdsFollowTheUnitLength) {
  ArraysOptions options;
  options.min_score = 10;
  options.min_score_a = 0;
  options.min_score_b = 1.5f;
  EXPECT_EQ(options.min_score_for(2), 10);
  EXPECT_EQ(options.min_score_for(7), 11);
  EXPECT_EQ(options.min_score_for(100), 150);
  // A perfect array of period 40 and 2 copies scores 80: under a minimum
  // of 1.5 per unit character (60) it is called, under 2.5 (100) it is not.
  Dna dna(2);
  const std::string unit = dna.random(40);
  const std::string residues = dna.random(200) + unit + unit + dna.random(200);
  for (float b : {1.5f, 2.5f}) {
    options = options_with(1, 100);
    options.min_score = 0;
    options.min_score_b = b;
    Search search;
    search.run(residues, options);
    std::size_t long_calls = 0;
    for (const Csat* sat : search.sats) long_calls += sat->unit_length() == 40;
    EXPECT_EQ(long_calls, b < 2 ? 1u : 0u) << b;
  }
}

}  // namespace
