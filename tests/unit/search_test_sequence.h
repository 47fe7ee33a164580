#ifndef VELKOR_TESTS_SEARCH_TEST_SEQUENCE_H
#define VELKOR_TESTS_SEARCH_TEST_SEQUENCE_H

#include <cstdlib>
#include <cstring>
#include <string>

#include "repeats/CSequence_Mol.h"

// A record whose residue buffer holds exactly its residues, so that the
// sanitizer build catches any read beyond either end.
class TestSequence {
 public:
  CSequence_Mol mol;

  explicit TestSequence(const std::string& residues, const std::string& name = "test") {
    mol.name = name;
    mol.length = static_cast<unsigned>(residues.size());
    mol.capacity = mol.length;
    mol.residues = static_cast<char*>(std::malloc(residues.empty() ? 1 : residues.size()));
    if (!residues.empty()) std::memcpy(mol.residues, residues.data(), residues.size());
  }
  TestSequence(const TestSequence&) = delete;
  TestSequence& operator=(const TestSequence&) = delete;
  ~TestSequence() { std::free(mol.residues); }

  // 0-based offset of a position in the residues.
  long at(const char* p) const { return p - mol.residues; }
};

#endif
