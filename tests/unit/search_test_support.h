#ifndef VELKOR_TESTS_SEARCH_TEST_SUPPORT_H
#define VELKOR_TESTS_SEARCH_TEST_SUPPORT_H

#include <deque>
#include <list>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "repeats/Csat.h"
#include "search/CSearchController.h"
#include "search/search_options.h"
#include "search/search_workspace.h"
#include "search_test_sequence.h"

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

inline std::vector<std::string> describe_all(const SatList& sats, const char* residues) {
  std::vector<std::string> texts;
  for (const Csat* sat : sats) texts.push_back(describe(*sat, residues));
  return texts;
}

// Every test starts from the default options, which it changes as it
// needs, and searches with a worker state and a record pool of its own,
// whose counts it reads.
class SearchTest : public ::testing::Test {
 protected:
  SearchOptions options;
  SearchWorkspace workspace;
  Csat_garbagecollector pool;
  // The pools of the threads that search parts: their records are glued
  // into the test's and given back to its pool, so they live as long.
  std::deque<Csat_garbagecollector> thread_pools;

  // Ways to run the parts of a record searched in parts: in turn on this
  // thread, or each on a thread of its own with a pool of its own.
  RunParts parts_in_turn() {
    return [this](std::vector<PartTask>& tasks) {
      for (PartTask& task : tasks) task(pool);
    };
  }
  RunParts parts_on_threads() {
    return [this](std::vector<PartTask>& tasks) {
      std::vector<std::thread> threads;
      for (PartTask& task : tasks) {
        Csat_garbagecollector& records = thread_pools.emplace_back();
        threads.emplace_back([&task, &records] { task(records); });
      }
      for (std::thread& thread : threads) thread.join();
    };
  }

  // The records of a search in mode imperfect or extendExact, in order and,
  // where asked for, after the overlap removal.
  std::vector<std::string> imperfect_records(const std::string& residues, bool extend_exact,
                                             bool remove_hidden = false) {
    TestSequence seq(residues);
    CSearchController search(options, workspace, pool, 1, seq.mol);
    extend_exact ? search.search_exact_and_extend_to_imperfect_repeats() : search.complete_imperfect_search();
    if (remove_hidden) search.remove_hidden(search.imperfect_sats);
    return describe_all(search.imperfect_sats.sats, seq.mol.residues);
  }

  // The records of mode imperfect in order, each with its unit's place;
  // run_parts, if given, searches the record in parts.
  std::vector<std::string> records_with_unit_place(const std::string& residues,
                                                   RunParts run_parts = nullptr) {
    TestSequence seq(residues);
    CSearchController search(options, workspace, pool, 1, seq.mol);
    search.run_parts = std::move(run_parts);
    search.complete_imperfect_search();
    std::vector<std::string> records;
    for (const Csat* sat : search.imperfect_sats.sats)
      records.push_back(describe(*sat, seq.mol.residues) + " @" + std::to_string(sat->unit_begin - seq.mol.residues));
    return records;
  }
};

// The copy [p, p + k) grown forward, then backward, its flanking N's
// trimmed, as both imperfect searches grow a candidate; forward_gain, if
// given, takes the score of the forward walk alone. The record comes from
// the search's pool, to which the caller gives it back.
inline Csat* grown_copy(CSearchController& search, long p, long k, int* forward_gain = nullptr) {
  const char* first = search.sequence.residues;
  Csat* sat = search.records.get_new(first + p, first + p + k);
  search.extension.extend_imperfect_forward(*sat, first + search.sequence.length);
  if (forward_gain) *forward_gain = sat->score;
  search.extension.extend_imperfect_backward(*sat, first - 1);
  sat->trim_flanking_Ns();
  return sat;
}

#endif
