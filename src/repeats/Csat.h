#ifndef VELKOR_REPEATS_CSAT_H
#define VELKOR_REPEATS_CSAT_H

#include <cstdio>
#include <vector>

#include "repeats/fastvector.h"

class CSequence_Mol;

// One alignment error: kind 'M' mismatch and 'I' insertion name the residue
// itself, 'D' deletion names the residue before which the unit character is
// missing.
struct missense_entry {
  const char* position;
  char kind;
};

// One tandem repeat found in the current sequence. All pointers point into
// the residues of that sequence; the unit is the first copy of it there.
class Csat {
 public:
  const char* sat_begin = nullptr;          // first residue
  const char* sat_end = nullptr;            // one past the last residue
  const char* unit_pos_forward = nullptr;   // unit character expected at sat_end
  const char* unit_pos_backward = nullptr;  // unit character expected at sat_begin - 1
  const char* unit_begin = nullptr;
  const char* unit_end = nullptr;
  int score = 0;
  int mismatches = 0;
  int insertions = 0;
  int deletions = 0;
  int Ns = 0;
  // Which of the exact repeats grown in search mode extendExact this record
  // grew from, counted in the order they were found; fills the room before
  // missense that alignment leaves unused anyway.
  unsigned seed_number = 0;
  fastvector<missense_entry> missense;

  // Orders missense entries by position; a deletion comes before a mismatch
  // or insertion at the same residue, since the alignment printer must meet
  // it before it steps over that residue.
  struct lessThan_missense {
    bool operator()(const missense_entry& x, const missense_entry& y) const {
      if (x.position != y.position) return x.position < y.position;
      return x.kind == 'D' && y.kind != 'D';
    }
  };

  // Turns the record into one copy of the unit [b, e), score 0, no errors.
  void reset(const char* b, const char* e) {
    sat_begin = unit_pos_forward = unit_begin = b;
    sat_end = unit_end = e;
    unit_pos_backward = e - 1;
    score = mismatches = insertions = deletions = Ns = 0;
    missense.clear();
  }

  // Makes this record a copy of other, reusing this record's missense buffer.
  void copy_from(const Csat& other);

  // Drops tolerated N's at both ends, right end first: a repeat never begins
  // or ends with N. Callers guarantee the unit copy itself holds no N.
  void trim_flanking_Ns();

  unsigned unit_length() const { return static_cast<unsigned>(unit_end - unit_begin); }
  unsigned length() const { return static_cast<unsigned>(sat_end - sat_begin); }
  int normalised_length() const { return static_cast<int>(length()) - insertions + deletions; }
  unsigned start_position(const char* residues) const { return static_cast<unsigned>(sat_begin - residues) + 1; }
  unsigned end_position(const char* residues) const { return static_cast<unsigned>(sat_end - residues); }
  // Percentage of the ideal repeat's characters matched, N's counted as
  // N_mode says (0 as mismatches, 1 neutral, 2 as matches); 0 when no
  // character is left to judge.
  double perfection(int N_mode) const;
};

// The records a search hands on. An array of pointers rather than a linked
// list: a long array of repeats gives hundreds of thousands of records, and
// a list node cost three times the pointer it held.
using SatList = std::vector<Csat*>;

// Takes the records of a search one at a time, in the order of lessThan_sat,
// and with them the duty to give them back to the pool.
class RecordSink {
 public:
  virtual void take(Csat* sat) = 0;

 protected:
  ~RecordSink() = default;
};

// Appends the records taken to a list, which then holds them.
class AppendRecords : public RecordSink {
 public:
  explicit AppendRecords(SatList& list) : list_(list) {}
  void take(Csat* sat) override { list_.push_back(sat); }

 private:
  SatList& list_;
};

// Sort order of result lists: by start, then by end. Used with a stable sort.
// Inline: a genome's records are sorted, and a call per comparison would cost
// more than the comparison.
inline bool lessThan_sat(const Csat* a, const Csat* b) {
  if (a->sat_begin != b->sat_begin) return a->sat_begin < b->sat_begin;
  return a->sat_end < b->sat_end;
}

// A pool of repeat records, one per thread that searches: records are
// recycled, and the record given back last is handed out first. A record may
// be given back to another pool than its maker's (the parts of one record are
// searched on several threads), so the blocks a pool made are freed with it:
// the pools that share records must all outlive every record they handed out.
class Csat_garbagecollector {
 public:
  SatList free_list;

  Csat_garbagecollector() = default;
  Csat_garbagecollector(const Csat_garbagecollector&) = delete;
  Csat_garbagecollector& operator=(const Csat_garbagecollector&) = delete;
  ~Csat_garbagecollector();

  // Throws FailedAllocation when no record can be made.
  Csat* get_new(const char* begin, const char* end);
  // Never fail, so that destructors can give records back.
  void give_back(Csat* sat);
  void give_back_all(const SatList& sats);

 private:
  // Records are made a block at a time: hundreds of thousands of them may be
  // alive at once, and one allocation each would add a heap header to each.
  static constexpr unsigned records_per_block = 512;
  std::vector<Csat*> blocks_;
  Csat* last_block_ = nullptr;
  unsigned unused_in_last_block_ = 0;
};

// A result list of one search; hands all its records back to the pool when destroyed.
class CsatContainer {
 public:
  SatList sats;
  Csat_garbagecollector* pool;

  explicit CsatContainer(Csat_garbagecollector* p) : pool(p) {}
  CsatContainer(const CsatContainer&) = delete;
  CsatContainer& operator=(const CsatContainer&) = delete;
  ~CsatContainer() { pool->give_back_all(sats); }
};

#endif
