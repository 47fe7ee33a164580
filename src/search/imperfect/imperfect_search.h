#ifndef VELKOR_SEARCH_IMPERFECT_IMPERFECT_SEARCH_H
#define VELKOR_SEARCH_IMPERFECT_IMPERFECT_SEARCH_H

#include <cstddef>
#include <vector>

#include "repeats/Csat.h"
#include "search/extension/alignment_bound.h"
#include "search/extension/extension_alignment.h"
#include "search/record_search.h"

class CAnchorSeq;
class StartsToTry;
class ScoreBound;

// Search mode imperfect over one record (the rule is stated in
// complete_imperfect_search.cpp), its candidates grown by extension.
class ImperfectSearch {
 public:
  // The records go to result.
  ImperfectSearch(const RecordSearch& record, ExtensionAlignment& extension, CsatContainer& result);
  ImperfectSearch(const ImperfectSearch&) = delete;
  ImperfectSearch& operator=(const ImperfectSearch&) = delete;

  // The records of the record in order, in parts where the record asks for them.
  void search();

 private:
  std::vector<std::size_t> search_in_parts();
  // Searches the starts from `from` to before `to` for every unit length in
  // turn; returns where each pass's records end in the result.
  std::vector<std::size_t> search_unit_lengths_in_turn(const char* from, const char* to);
  // A unit needs at least one residue after its first copy, so the longest
  // unit worth trying is one shorter than the sequence; the threshold tables
  // reach that far.
  unsigned longest_unit_searched() const;
  void unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, StartsToTry& starts, SatList& result);
  void one_unit_len_complete_imperfect_search(unsigned unit_length, CAnchorSeq& anchors, StartsToTry& starts,
                                              ScoreBound& score_bound, AlignmentBound& alignment_bound,
                                              SatList& result);
  void grow_error_lists_again();

  const RecordSearch record_;
  ExtensionAlignment& extension_;
  CsatContainer& result_;
  // Accepted repeats whose long error lists were let go, to be grown again
  // once the overlap removal has chosen among them.
  std::vector<Csat*> error_lists_let_go_;
};

#endif
