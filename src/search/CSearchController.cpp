#include "search/CSearchController.h"

#include <algorithm>

#include "config/parameters.h"
#include "config/unit_length_floor.h"
#include "repeats/allocation.h"

int* CSearchController::minScores_user = nullptr;
int* CSearchController::minLengths_user = nullptr;
int* CSearchController::minScores_intern = nullptr;
int* CSearchController::minLengths_intern = nullptr;
int* CSearchController::minScores = nullptr;
int* CSearchController::minLengths = nullptr;

namespace {
// Number of unit lengths the tables cover (index 0 included). The tables
// only ever need unit lengths that fit into a sequence, so they grow with the
// longest sequence seen instead of being sized by --maxUnitLen, which has no
// upper bound. Every entry is a fixed function of its unit length, so growing
// them later gives the same values as building them all at once.
unsigned table_entries = 0;

void grow_table(int*& table, unsigned entries) {
  table = static_cast<int*>(checked_realloc(table, sizeof(int) * static_cast<std::size_t>(entries)));
}
}  // namespace

CSearchController::CSearchController(unsigned number, CSequence_Mol& seq) : sequence_number(number), sequence(seq) {
  unsigned longest_unit = std::min(global_max_unit_length, seq.length);
  if (table_entries == 0 || longest_unit >= table_entries) {
    unsigned entries = longest_unit + 1;
    grow_table(minScores_user, entries);
    grow_table(minLengths_user, entries);
    grow_table(minScores_intern, entries);
    grow_table(minLengths_intern, entries);
    for (unsigned k = table_entries; k < entries; ++k) {
      minScores_user[k] = unit_length_floor(global_min_score, global_min_score_a, global_min_score_bx, k);
      minLengths_user[k] = unit_length_floor(global_min_length, global_min_length_a, global_min_length_bx, k);
      minScores_intern[k] = std::max(4, static_cast<int>(k));  // k <= record length < 2^31
      minLengths_intern[k] = 0;
    }
    table_entries = entries;
  }
  minScores = minScores_user;
  minLengths = minLengths_user;
}
