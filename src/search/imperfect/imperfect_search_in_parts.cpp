/*
 * The imperfect search of a long record cut into parts that can be searched
 * at once, gluing their records into exactly those of the whole search.
 *
 * A part searches the starts of one stretch of the record, for every unit
 * length in turn, as the whole search does, but with an anchor map of its
 * own: its walks read the whole record, yet only the repeats it accepts
 * cover residues. Whether a start is tried depends only on the marks of the
 * residue before its copy, of the copy's first and last residues and of the
 * residue after it, and more open marks never let fewer starts be tried;
 * how a candidate grows depends on the residues alone, and a rejected one
 * changes nothing.
 *
 * Quiet point. Let Y be a residue such that neither the search of the
 * starts [a, Y) nor that of [Y, b) accepts a repeat covering a residue of
 * the band from Y - 3 to Y + 2. Then the search of [a, b) accepts exactly
 * the repeats of both, in the same order (unit length by unit length, and
 * within one, by start). By induction over the trials in that order, with
 * the marks of [a, b) those of [a, Y) left of the band, open in it, and
 * those of [Y, b) right of it. A repeat covers its own copy, so one that
 * [a, Y) accepts lies wholly left of the band, one that [Y, b) accepts
 * wholly right of it, and the error positions each opens again lie within
 * it or at its end, in the band at worst, where they change nothing. A
 * start from Y on reads marks from Y - 1 on, the same in [a, b) as in
 * [Y, b). A start before Y reads marks that are the same as in [a, Y),
 * except right of the band, where [a, b) may have covered some: there it
 * may be tried in [a, Y) and not in [a, b), but never the other way round,
 * and were [a, Y) to accept it, its copy would reach into the band. So it
 * is rejected, or not tried, in both. The same induction, run on one part
 * with a quiet point inside, splits its records at the point.
 *
 * So the parts overlap: part i searches from its cut c_i to `overlap`
 * starts past the next cut. Where neither of two neighbouring parts covers
 * the band around some Y between the cut and the end of the overlap, the
 * part before gives its repeats from starts before Y, the part after those
 * from Y on; glued, they are the whole search's. Two parts whose overlap
 * holds no such Y (an array longer than the overlap) are searched again as
 * one part; at worst, all of them make the whole search.
 */
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "search/imperfect/imperfect_search.h"
#include "search/record_parts.h"

namespace {

// What one part's search leaves: its records in the order accepted, where
// each pass's end, and those of its records whose error lists were let go.
struct PartRecords : PartOfRecord {
  SatList sats;
  std::vector<std::size_t> pass_ends;
  std::vector<Csat*> lists_let_go;
};

// The parts' records go back to the record's pool unless they are glued.
struct HeldParts {
  explicit HeldParts(Csat_garbagecollector& pool) : records(pool) {}
  HeldParts(const HeldParts&) = delete;
  HeldParts& operator=(const HeldParts&) = delete;
  ~HeldParts() {
    for (PartRecords& part : parts) records.give_back_all(part.sats);
  }
  Csat_garbagecollector& records;
  std::vector<PartRecords> parts;
};

}  // namespace

std::vector<std::size_t> ImperfectSearch::search_in_parts() {
  const CSequence_Mol& sequence = record_.sequence;
  SearchWorkspace& workspace = record_.workspace;
  const char* first = sequence.residues;
  ++workspace.counts.records_in_parts;
  CountsOfParts counts_of_parts;
  const std::function<void(PartRecords&, Csat_garbagecollector&)> search_part =
      [this, first, &counts_of_parts](PartRecords& part, Csat_garbagecollector& records) {
    SearchWorkspace part_workspace;
    const RecordSearch part_record{record_.options, part_workspace, records, record_.number, record_.sequence,
                                   record_.progress, nullptr};
    ExtensionAlignment extension(record_.options, part_workspace, record_.sequence);
    CsatContainer sats(&records);
    ImperfectSearch search(part_record, extension, sats);
    part.pass_ends = search.search_unit_lengths_in_turn(part.from, part.to);
    part.sats.swap(sats.sats);
    part.lists_let_go.swap(search.error_lists_let_go_);
    for (const Csat* sat : part.sats) part.rule_out(sat->sat_begin - first, sat->sat_end - first);
    counts_of_parts.add(part_workspace.counts);
  };
  Csat_garbagecollector& own_records = record_.records;
  const std::function<void(PartRecords&)> let_go = [&own_records](PartRecords& part) {
    own_records.give_back_all(part.sats);
  };
  HeldParts held(own_records);
  const std::vector<const char*> glue = search_and_glue(held.parts, first, sequence.length, record_.parts(),
                                                        record_.run_parts, search_part, let_go, own_records,
                                                        workspace.counts.parts_searched_again);
  workspace.counts += counts_of_parts.sum();

  std::vector<std::size_t> pass_ends;
  SatList& glued = result_.sats;
  std::size_t found = 0;
  for (const PartRecords& part : held.parts) found += part.sats.size();
  glued.reserve(glued.size() + found);
  std::vector<std::size_t> read(held.parts.size(), 0);  // of each part's records
  for (std::size_t pass = 0; pass < held.parts[0].pass_ends.size(); ++pass) {
    for (std::size_t i = 0; i < held.parts.size(); ++i) {
      PartRecords& part = held.parts[i];
      for (; read[i] < part.pass_ends[pass]; ++read[i]) {
        Csat*& sat = part.sats[read[i]];
        if (sat->unit_begin < glue[i] || sat->unit_begin >= glue[i + 1]) continue;
        glued.push_back(sat);
        sat = nullptr;
      }
    }
    pass_ends.push_back(glued.size());
  }
  for (std::size_t i = 0; i < held.parts.size(); ++i) {
    PartRecords& part = held.parts[i];
    for (Csat* sat : part.lists_let_go) {
      if (sat->unit_begin >= glue[i] && sat->unit_begin < glue[i + 1]) error_lists_let_go_.push_back(sat);
    }
    part.sats.erase(std::remove(part.sats.begin(), part.sats.end(), nullptr), part.sats.end());
  }
  return pass_ends;
}
