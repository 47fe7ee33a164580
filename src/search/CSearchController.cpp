#include "search/CSearchController.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "config/parameters.h"
#include "config/unit_length_floor.h"
#include "repeats/allocation.h"

thread_local int* CSearchController::minScores_user = nullptr;
thread_local int* CSearchController::minLengths_user = nullptr;
thread_local int* CSearchController::minScores_intern = nullptr;
thread_local int* CSearchController::minLengths_intern = nullptr;
thread_local int* CSearchController::minScores = nullptr;
thread_local int* CSearchController::minLengths = nullptr;

namespace {
// Number of unit lengths the tables cover (index 0 included). The tables
// only ever need unit lengths that fit into a sequence, so they grow with the
// longest sequence seen instead of being sized by --maxUnitLen, which has no
// upper bound. Every entry is a fixed function of its unit length, so growing
// them later gives the same values as building them all at once.
thread_local std::size_t table_entries = 0;

void grow_table(int*& table, std::size_t entries) {
  table = static_cast<int*>(checked_realloc(table, sizeof(int) * entries));
}

// Each thread that searches records builds its own tables; they are freed
// when it ends.
struct TablesOfThisThread {
  ~TablesOfThisThread() { CSearchController::discard_tables(); }
};
thread_local TablesOfThisThread tables_of_this_thread;
}  // namespace

void CSearchController::cover_unit_lengths(unsigned longest_unit) {
  std::size_t entries = static_cast<std::size_t>(longest_unit) + 1;
  if (entries <= table_entries) return;
  static_cast<void>(&tables_of_this_thread);  // makes the thread free its tables when it ends
  grow_table(minScores_user, entries);
  grow_table(minLengths_user, entries);
  grow_table(minScores_intern, entries);
  grow_table(minLengths_intern, entries);
  for (std::size_t k = table_entries; k < entries; ++k) {
    double unit_length = static_cast<double>(k);
    minScores_user[k] = unit_length_floor(global_min_score, global_min_score_a, global_min_score_bx, unit_length);
    minLengths_user[k] = unit_length_floor(global_min_length, global_min_length_a, global_min_length_bx, unit_length);
    minScores_intern[k] = static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(4, k), INT_MAX));
    minLengths_intern[k] = 0;
  }
  table_entries = entries;
}

void CSearchController::discard_tables() {
  for (int** table : {&minScores_user, &minLengths_user, &minScores_intern, &minLengths_intern}) {
    std::free(*table);
    *table = nullptr;
  }
  minScores = minLengths = nullptr;
  table_entries = 0;
}

CSearchController::CSearchController(unsigned number, CSequence_Mol& seq)
    : sequence_number(number), sequence(seq), walk_alignment(seq.residues, seq.residues + seq.length) {
  cover_unit_lengths(std::min(global_max_unit_length, seq.length));
  minScores = minScores_user;
  minLengths = minLengths_user;
}
