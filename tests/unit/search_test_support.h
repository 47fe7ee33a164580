#ifndef VELKOR_TESTS_SEARCH_TEST_SUPPORT_H
#define VELKOR_TESTS_SEARCH_TEST_SUPPORT_H

#include <cstdlib>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "driver/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "search/CSearchController.h"

// A record whose residue buffer is exactly as long as the sequence, so that
// the address sanitizer catches any read past either end.
class TestSequence {
 public:
  CSequence_Mol mol;
  explicit TestSequence(const std::string& residues) {
    mol.name = "test";
    mol.length = static_cast<unsigned>(residues.size());
    mol.capacity = mol.length;
    mol.residues = static_cast<char*>(std::malloc(residues.empty() ? 1 : residues.size()));
    if (!residues.empty()) std::memcpy(mol.residues, residues.data(), residues.size());
  }
  TestSequence(const TestSequence&) = delete;
  TestSequence& operator=(const TestSequence&) = delete;
  ~TestSequence() { std::free(mol.residues); }
};

// "[begin,end) unit score mis/ins/del/N entries", offsets from the first residue.
inline std::string describe(const Csat& sat, const char* residues) {
  std::string text = "[" + std::to_string(sat.sat_begin - residues) + "," + std::to_string(sat.sat_end - residues) +
                     ") " + std::string(sat.unit_begin, sat.unit_end) + " " + std::to_string(sat.score) + " " +
                     std::to_string(sat.mismatches) + "/" + std::to_string(sat.insertions) + "/" +
                     std::to_string(sat.deletions) + "/" + std::to_string(sat.Ns);
  for (const missense_entry& e : sat.missense)
    text += " (" + std::to_string(e.position - residues) + "," + std::string(1, e.kind) + ")";
  return text;
}

inline std::vector<std::string> describe_all(const std::list<Csat*>& sats, const char* residues) {
  std::vector<std::string> texts;
  for (const Csat* sat : sats) texts.push_back(describe(*sat, residues));
  return texts;
}

// Puts threshold tables of the test's own into force for one controller and
// restores the run's tables afterwards, whatever thresholds other tests of
// this binary built them with.
class ThresholdOverride {
 public:
  ThresholdOverride(std::vector<int> user_scores, std::vector<int> user_lengths)
      : scores(std::move(user_scores)), lengths(std::move(user_lengths)) {
    for (std::size_t k = 0; k < scores.size(); ++k) intern_scores.push_back(k < 4 ? 4 : static_cast<int>(k));
    intern_lengths.assign(scores.size(), 0);
    CSearchController::minScores_user = scores.data();
    CSearchController::minLengths_user = lengths.data();
    CSearchController::minScores_intern = intern_scores.data();
    CSearchController::minLengths_intern = intern_lengths.data();
    CSearchController::minScores = scores.data();
    CSearchController::minLengths = lengths.data();
  }
  ~ThresholdOverride() {
    CSearchController::minScores_user = saved[0];
    CSearchController::minLengths_user = saved[1];
    CSearchController::minScores_intern = saved[2];
    CSearchController::minLengths_intern = saved[3];
    CSearchController::minScores = saved[4];
    CSearchController::minLengths = saved[5];
  }
  ThresholdOverride(const ThresholdOverride&) = delete;
  ThresholdOverride& operator=(const ThresholdOverride&) = delete;

 private:
  int* saved[6] = {CSearchController::minScores_user,   CSearchController::minLengths_user,
                   CSearchController::minScores_intern, CSearchController::minLengths_intern,
                   CSearchController::minScores,        CSearchController::minLengths};
  std::vector<int> scores, lengths, intern_scores, intern_lengths;
};

#endif
