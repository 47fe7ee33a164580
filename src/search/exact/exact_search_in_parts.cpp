/*
 * The exact search of a long record cut into parts that can be searched at
 * once, gluing their repeats into exactly those of the whole search.
 *
 * A part searches the starts of one stretch of the record, for every unit
 * length in turn, with marks of its own; its repeats grow over the whole
 * record. For unit lengths of 2 and more the argument of the imperfect
 * search in parts (imperfect_search_in_parts.cpp) holds word for word: a start is
 * tried by the same four marks around its copy, more open marks never let
 * fewer starts be tried, a repeat grows by the residues alone and covers
 * (when it covers anything) its own copy, and a rejected candidate changes
 * nothing. So where neither neighbouring part keeps a repeat touching the
 * band from Y - 3 to Y + 2, the part before gives the repeats of the starts
 * before Y, the part after those from Y on.
 *
 * Unit length 1 reads no marks: its walk goes from a start to the next
 * position, or to the end of the repeat it kept, and past N's. If no repeat
 * kept reaches the band, no step of the walk over [a, b) leaps over Y, so
 * it comes to the first position from Y on that is no N, where the walk of
 * [Y, b) begins, and from there the two go alike; the walk of [a, Y) is
 * that of [a, b) up to there.
 */
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "search/exact/exact_search.h"
#include "search/exact/found_repeats.h"
#include "search/record_parts.h"

namespace {

struct ExactPart : PartOfRecord {
  FoundRepeats found{nullptr};
};

}  // namespace

void ExactSearch::search_in_parts(const Thresholds& thresholds, FoundRepeats& glued) {
  const CSequence_Mol& sequence = record_.sequence;
  SearchWorkspace& workspace = record_.workspace;
  const char* first = sequence.residues;
  ++workspace.counts.records_in_parts;
  CountsOfParts counts_of_parts;
  const std::function<void(ExactPart&)> let_go = [](ExactPart& part) { part.found.passes.clear(); };
  const std::function<void(ExactPart&, Csat_garbagecollector&)> search_part =
      [this, first, &thresholds, &let_go, &counts_of_parts](ExactPart& part, Csat_garbagecollector& records) {
    SearchWorkspace part_workspace;
    const RecordSearch part_record{record_.options, part_workspace, records, record_.number, record_.sequence,
                                   record_.progress, nullptr};
    ExactSearch search(part_record);
    part.found.seq_begin = first;
    // A stretch that repeats itself from further back than the overlap
    // would have each part that it reaches into scan it for every unit
    // length: such a part gives up, and is searched again with the part
    // before it.
    const bool searched = search.search_starts(thresholds, part.found, part.from, part.to,
                                                     static_cast<std::size_t>(part.before.to - part.before.from));
    counts_of_parts.add(part_workspace.counts);
    if (!searched) {
      let_go(part);
      part.ruled_out_before.push_back(part.before);
      return;
    }
    for (const auto& pass : part.found.passes) {
      for (const FoundRepeat& repeat : pass) part.rule_out(repeat.begin, repeat.end);
    }
  };
  std::vector<ExactPart> parts;
  const std::vector<const char*> glue = search_and_glue(parts, first, sequence.length, record_.parts(),
                                                        record_.run_parts, search_part, let_go, record_.records,
                                                        workspace.counts.parts_searched_again);
  workspace.counts += counts_of_parts.sum();

  // Unit length by unit length (each part's passes come in that order), the
  // repeats of each part whose unit lies between its glue points.
  std::vector<std::size_t> next_pass(parts.size(), 0);
  for (;;) {
    unsigned k = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const auto& passes = parts[i].found.passes;
      if (next_pass[i] < passes.size()) {
        const unsigned k_i = passes[next_pass[i]].front().unit_length;
        k = k == 0 ? k_i : std::min(k, k_i);
      }
    }
    if (k == 0) break;
    bool pass_begun = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      auto& passes = parts[i].found.passes;
      if (next_pass[i] == passes.size() || passes[next_pass[i]].front().unit_length != k) continue;
      const auto from = static_cast<std::uint32_t>(glue[i] - first);
      const auto to = static_cast<std::uint32_t>(glue[i + 1] - first);
      for (const FoundRepeat& repeat : passes[next_pass[i]]) {
        if (repeat.unit_begin < from || repeat.unit_begin >= to) continue;
        if (!pass_begun) glued.passes.emplace_back();
        pass_begun = true;
        glued.passes.back().push_back(repeat);
      }
      std::deque<FoundRepeat>().swap(passes[next_pass[i]]);
      ++next_pass[i];
    }
  }
}
