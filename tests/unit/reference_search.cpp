#include "reference_search.h"

#include <algorithm>
#include <cmath>


namespace reference {
namespace {

enum class RunEnd { sequence_limit, long_N_run, error_point };
enum class Error { none, mismatch, insertion, deletion };

// One direction of growth over the residues. A walk's edge is the record's
// end going right and its begin going left; the next residue is the one at
// the edge going right and the one before it going left.
struct Walker {
  const SearchOptions& options;
  const std::string& residues;
  const Record& unit;  // only its unit is read
  bool forward;

  long length() const { return static_cast<long>(residues.size()); }
  long unit_length() const { return unit.unit_length; }
  bool at_limit(long edge) const { return forward ? edge == length() : edge == 0; }
  char next_residue(long edge) const { return residues[static_cast<std::size_t>(forward ? edge : edge - 1)]; }
  long step(long edge) const { return forward ? edge + 1 : edge - 1; }
  long unit_step(long phase) const {
    return forward ? (phase + 1) % unit_length() : (phase + unit_length() - 1) % unit_length();
  }
  char unit_char(long phase) const { return residues[static_cast<std::size_t>(unit.unit_begin + phase)]; }

  bool Ns_tolerated() const { return options.Ns_allowed_in_a_row != 0 && !options.treat_Ns_as_missense; }

  // Takes every match and every tolerated run of N's.
  RunEnd greedy_run(long& edge, long& phase, long long& score, int& Ns) const {
    while (!at_limit(edge)) {
      const char residue = next_residue(edge);
      if (residue == unit_char(phase)) {
        edge = step(edge);
        phase = unit_step(phase);
        ++score;
      } else if (residue == 'N' && Ns_tolerated()) {
        long run = 0;
        for (long e = edge; !at_limit(e) && next_residue(e) == 'N'; e = step(e)) ++run;
        if (run > options.Ns_allowed_in_a_row) return RunEnd::long_N_run;
        for (long i = 0; i < run; ++i) {
          edge = step(edge);
          phase = unit_step(phase);
        }
        Ns += static_cast<int>(run);
      } else {
        return RunEnd::error_point;
      }
    }
    return RunEnd::sequence_limit;
  }

  long long threshold(long long best_score) const {
    return std::max<long long>(-unit_length(), best_score - static_cast<long long>(options.maximum_scorereduction));
  }

  long long look_ahead(long edge, long phase, long long score, int depth, long long best_score) const {
    int Ns_ignored = 0;
    if (greedy_run(edge, phase, score, Ns_ignored) == RunEnd::long_N_run) return score;
    if (depth == options.maximum_recursion_depth || at_limit(edge)) return score;
    best_score = std::max(best_score, score);
    const long long T = threshold(best_score);
    long long value = score;
    if (score + options.mismatch_score > T)
      value = std::max(value, look_ahead(step(edge), unit_step(phase), score + options.mismatch_score, depth + 1,
                                         best_score));
    if (score + options.indel_score > T) {
      value = std::max(value, look_ahead(step(edge), phase, score + options.indel_score, depth + 1, best_score));
      value = std::max(value, look_ahead(edge, unit_step(phase), score + options.indel_score, depth + 1, best_score));
    }
    return value;
  }

  long& edge_of(Record& r) const { return forward ? r.end : r.begin; }
  long& phase_of(Record& r) const { return forward ? r.phase_forward : r.phase_backward; }

  void apply(Record& r, Error error) const {
    long& edge = edge_of(r);
    long& phase = phase_of(r);
    const long residue_at = forward ? edge : edge - 1;
    switch (error) {
      case Error::mismatch:
        r.score += options.mismatch_score;
        ++r.mismatches;
        r.missense.push_back({residue_at, 'M'});
        edge = step(edge);
        phase = unit_step(phase);
        break;
      case Error::insertion:
        r.score += options.indel_score;
        ++r.insertions;
        r.missense.push_back({residue_at, 'I'});
        edge = step(edge);
        break;
      case Error::deletion:
        r.score += options.indel_score;
        ++r.deletions;
        r.missense.push_back({edge, 'D'});
        phase = unit_step(phase);
        break;
      case Error::none:
        break;
    }
  }

  void walk(Record& r) const {
    Record saved = r;
    long long best_score = r.score;
    for (;;) {
      if (greedy_run(edge_of(r), phase_of(r), r.score, r.Ns) != RunEnd::error_point) {
        if (r.score <= best_score) r = saved;  // finish: only a strictly better state stays
        return;
      }
      if (r.score > best_score) {
        saved = r;
        best_score = r.score;
      }
      const long long T = threshold(best_score);
      const long edge = edge_of(r), phase = phase_of(r);
      Error chosen = Error::none;
      long long chosen_value = 0;
      auto consider = [&](Error error, long next_edge, long next_phase, long long start_score) {
        const long long value = look_ahead(next_edge, next_phase, start_score, 1, best_score);
        if (chosen == Error::none || value > chosen_value) {
          chosen = error;
          chosen_value = value;
        }
      };
      if (r.score + options.mismatch_score > T)
        consider(Error::mismatch, step(edge), unit_step(phase), r.score + options.mismatch_score);
      if (r.score + options.indel_score > T) {
        consider(Error::insertion, step(edge), phase, r.score + options.indel_score);
        consider(Error::deletion, edge, unit_step(phase), r.score + options.indel_score);
      }
      if (chosen == Error::none) {
        if (r.score < best_score) r = saved;  // stop: an equal state stays
        return;
      }
      apply(r, chosen);
    }
  }
};

void trim_flanking_Ns(const std::string& residues, Record& r) {
  while (residues[static_cast<std::size_t>(r.end - 1)] == 'N') {
    --r.end;
    r.phase_forward = (r.phase_forward + r.unit_length - 1) % r.unit_length;
    --r.Ns;
  }
  while (residues[static_cast<std::size_t>(r.begin)] == 'N') {
    ++r.begin;
    r.phase_backward = (r.phase_backward + 1) % r.unit_length;
    --r.Ns;
  }
}

bool sorted_before(const std::pair<long, char>& x, const std::pair<long, char>& y) {
  return x.first != y.first ? x.first < y.first : x.second == 'D' && y.second != 'D';
}

// One pass over every start of unit length k, marks as the accepted
// repeats leave them (1 open, 0 covered; a guard at each end).
void search_unit_length(const SearchOptions& options, const std::string& residues, long k, std::vector<char>& open,
                        int min_score, int min_length, std::vector<Record>& found) {
  const long n = static_cast<long>(residues.size());
  auto mark = [&](long p) { return open[static_cast<std::size_t>(p + 1)] != 0; };
  for (long p = 0; p + k < n; ++p) {
    const long q = p + k;
    const bool marks_allow = (mark(p) && (mark(q - 1) || mark(q))) || (mark(p - 1) && mark(q - 1));
    const std::string copy = residues.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(k));
    const bool one_letter = k > 1 && copy.find_first_not_of(copy[0]) == std::string::npos;
    if (!marks_allow || copy.find('N') != std::string::npos || one_letter) continue;
    Record r = copy_at(p, k);
    grow(options, residues, r);
    if (r.score < min_score || r.end - r.begin - r.insertions + r.deletions < min_length) continue;
    std::sort(r.missense.begin(), r.missense.end(), sorted_before);
    for (long i = r.begin; i < r.end; ++i) open[static_cast<std::size_t>(i + 1)] = 0;
    for (const auto& error : r.missense) open[static_cast<std::size_t>(error.first + 1)] = 1;
    found.push_back(r);
  }
}

}  // namespace

Record copy_at(long p, long k) {
  Record r;
  r.begin = r.unit_begin = p;
  r.end = p + k;
  r.unit_length = k;
  r.phase_forward = 0;
  r.phase_backward = k - 1;
  return r;
}

void grow(const SearchOptions& options, const std::string& residues, Record& record) {
  Walker{options, residues, record, true}.walk(record);
  Walker{options, residues, record, false}.walk(record);
  trim_flanking_Ns(residues, record);
}

void grow_without_errors(const SearchOptions& options, const std::string& residues, Record& record) {
  for (const bool forward : {true, false}) {
    const Walker walker{options, residues, record, forward};
    walker.greedy_run(walker.edge_of(record), walker.phase_of(record), record.score, record.Ns);
  }
  trim_flanking_Ns(residues, record);
}

long long look_ahead(const SearchOptions& options, const std::string& residues, const Record& unit, bool forward,
                     long pos, long phase, long long score, int depth, long long best_score) {
  return Walker{options, residues, unit, forward}.look_ahead(pos, phase, score, depth, best_score);
}

std::vector<Record> imperfect_search(const SearchOptions& options, const std::string& residues) {
  // The user's minimum score and normalised length for unit length k.
  auto at_least = [](int floor, int a, float b, long k) {
    return std::max(floor, static_cast<int>(std::ceil(a + static_cast<double>(b) * static_cast<double>(k))));
  };
  std::vector<Record> found;
  std::vector<char> open(residues.size() + 2, 1);
  for (long k = std::max(1L, static_cast<long>(options.min_unit_length));
       k <= static_cast<long>(options.max_unit_length); ++k) {
    if (k == 2) std::fill(open.begin(), open.end(), 1);  // what unit length 1 covered is open again
    search_unit_length(options, residues, k, open,
                       at_least(options.min_score, options.min_score_a, options.min_score_bx, k),
                       at_least(options.min_length, options.min_length_a, options.min_length_bx, k), found);
  }
  std::stable_sort(found.begin(), found.end(), [](const Record& a, const Record& b) {
    return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
  });
  return found;
}

std::string describe(const Record& r, const std::string& residues, bool with_errors) {
  std::string text = "[" + std::to_string(r.begin) + "," + std::to_string(r.end) + ") " +
                     residues.substr(static_cast<std::size_t>(r.unit_begin), static_cast<std::size_t>(r.unit_length)) +
                     " " + std::to_string(r.score) + " " + std::to_string(r.mismatches) + "/" +
                     std::to_string(r.insertions) + "/" + std::to_string(r.deletions) + "/" + std::to_string(r.Ns);
  if (with_errors)
    for (const auto& error : r.missense)
      text += " (" + std::to_string(error.first) + "," + std::string(1, error.second) + ")";
  return text + " @" + std::to_string(r.unit_begin);
}

}  // namespace reference
