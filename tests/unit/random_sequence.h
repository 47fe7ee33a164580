#ifndef VELKOR_TESTS_RANDOM_SEQUENCE_H
#define VELKOR_TESTS_RANDOM_SEQUENCE_H

#include <cstddef>
#include <random>
#include <string>

// The pieces that the randomised search tests build their sequences from,
// drawn from one seeded stream so that a failing round can be replayed.
class RandomSequence {
 public:
  explicit RandomSequence(unsigned seed) : rng_(seed) {}

  unsigned below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  std::string letters(unsigned n, const char* alphabet = "ACGT", unsigned size = 4) {
    std::string text;
    for (unsigned i = 0; i < n; ++i) text += alphabet[below(size)];
    return text;
  }

  // The unit written out over `unit_characters` characters, each one in
  // `rate` changed into a letter or an N, or, with indels, an inserted
  // letter or a deleted unit character.
  void append_array(std::string& residues, const std::string& unit, std::size_t unit_characters, unsigned rate,
                    bool indels) {
    for (std::size_t u = 0; u < unit_characters;) {
      const unsigned pick = below(rate);
      switch (indels || pick == 0 ? pick : 3) {
        case 0: residues += "ACGTN"[below(5)]; ++u; break;
        case 1: residues += "ACGT"[below(4)]; break;
        case 2: ++u; break;
        default: residues += unit[u++ % unit.size()];
      }
    }
  }

 private:
  std::mt19937 rng_;
};

#endif
