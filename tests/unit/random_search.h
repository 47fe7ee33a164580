#ifndef VELKOR_TESTS_RANDOM_SEARCH_H
#define VELKOR_TESTS_RANDOM_SEARCH_H

#include <algorithm>
#include <climits>
#include <string>

#include "random_sequence.h"
#include "search_test_support.h"

// Random options and sequences for comparing whole searches, extremes
// included; the seed is fixed so that a failing round can be replayed.
class RandomSearch : public SearchTest {
 protected:
  RandomSequence random{4242};

  unsigned below(unsigned n) { return random.below(n); }

  // Units of one to six residues, or long units of 12 to 80 (a few unit
  // lengths at a time: the reference walks every start of each).
  void random_options(bool long_units) {
    options = SearchOptions();
    options.mismatch_score = -2 - static_cast<int>(below(9));
    options.indel_score = below(3) == 0 ? options.mismatch_score : -2 - static_cast<int>(below(9));
    options.maximum_recursion_depth = 1 + static_cast<int>(below(6));
    const unsigned reduction = below(6);
    options.maximum_scorereduction = reduction == 0   ? static_cast<int>(below(12)) - 2
                                    : reduction == 1 ? 10 + static_cast<int>(below(200))
                                                     : INT_MAX;
    options.Ns_allowed_in_a_row = static_cast<int>(below(6));
    options.treat_Ns_as_missense = below(5) == 0;
    const unsigned thresholds = below(8);
    options.min_score = thresholds == 0 ? -50 : thresholds == 1 ? 100 + static_cast<int>(below(200))
                                                               : static_cast<int>(below(40)) - 5;
    options.min_score_a = static_cast<int>(below(20)) - 10;
    options.min_score_bx = static_cast<float>(below(7)) * 0.5f - (below(6) == 0 ? 2.0f : 0.0f);
    options.min_length = below(3) == 0 ? 0 : static_cast<int>(below(60));
    if (long_units) {
      options.min_unit_length = 12 + below(66);
      options.max_unit_length = std::min(80u, options.min_unit_length + below(3));
    } else {
      options.min_unit_length = 1 + below(3);
      options.max_unit_length = options.min_unit_length + below(7 - options.min_unit_length);
    }
  }

  // Noise, AT-rich stretches, N runs and mutated arrays (satellites) of
  // units near the unit lengths searched.
  std::string random_sequence(bool long_units) {
    std::string residues;
    for (unsigned piece = 1 + below(5); piece > 0; --piece) {
      const unsigned kind = below(10);
      if (kind < 2) {
        residues += random.letters(5 + below(40));
      } else if (kind < 3) {
        residues += random.letters(10 + below(40), "AATTACGT", 8);
      } else if (kind < 4) {
        residues.append(1 + below(7), 'N');
      } else {
        const unsigned k = long_units ? std::max(12u, options.min_unit_length - 2 + below(5)) : 1 + below(6);
        const std::string unit = below(4) == 0 ? random.letters(k, "AT", 2) : random.letters(k);
        const unsigned copies = long_units ? 2 + below(3) : 3 + below(25);
        random.append_array(residues, unit, unit.size() * copies, 3 + below(40), below(2) == 0);
      }
    }
    return residues;
  }

  std::string options_text() const {
    return " units " + std::to_string(options.min_unit_length) + "-" + std::to_string(options.max_unit_length) +
           " depth " + std::to_string(options.maximum_recursion_depth) + " m " +
           std::to_string(options.mismatch_score) + " g " + std::to_string(options.indel_score) + " R " +
           std::to_string(options.maximum_scorereduction) + " N " + std::to_string(options.Ns_allowed_in_a_row) +
           (options.treat_Ns_as_missense ? " NsAsMissense" : "") + " s " + std::to_string(options.min_score) + " a " +
           std::to_string(options.min_score_a) + " b " + std::to_string(options.min_score_bx) + " l " +
           std::to_string(options.min_length);
  }
};

#endif
