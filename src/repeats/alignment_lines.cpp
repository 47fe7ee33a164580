#include "repeats/alignment_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "config/parameters.h"
#include "repeats/repeat_flanks.h"

std::size_t AlignmentLines::window = 1 << 16;

namespace {

std::size_t distance(const char* begin, const char* end) { return static_cast<std::size_t>(end - begin); }

// The end of the missense entries that the alignment applies. The walk along
// the repeat meets entries only in list order, so the first one it cannot
// meet (behind the walk, or not before the end of the repeat) holds back
// every later one. Counts the deletions among the applied entries, each of
// which adds a column.
const missense_entry* applied_entries_end(const Csat& sat, std::size_t* deletions) {
  const char* q = sat.sat_begin;
  *deletions = 0;
  const missense_entry* entry = sat.missense.begin();
  for (; entry != sat.missense.end(); ++entry) {
    if (entry->position < q || entry->position >= sat.sat_end) break;
    if (entry->kind == 'M' || entry->kind == 'I') {
      q = entry->position + 1;
    } else {
      q = entry->position;
      ++*deletions;
    }
  }
  return entry;
}

// Fills the n characters at out with the unit repeated endlessly, beginning
// at unit character phase. Whole copies are doubled from what is already
// written, so a long run costs a few copies instead of one per column.
void fill_with_unit(char* out, std::size_t n, const char* unit, std::size_t unit_length, std::size_t phase) {
  const std::size_t first = std::min(n, unit_length - phase);
  std::memcpy(out, unit + phase, first);
  std::size_t done = first;
  while (done < n) {
    // out[first, done) is a whole number of unit copies (or none yet).
    const std::size_t copies = done - first;
    const std::size_t chunk = std::min(n - done, copies == 0 ? unit_length : copies);
    std::memcpy(out + done, copies == 0 ? unit : out + first, chunk);
    done += chunk;
  }
}

// The match marks of n residues aligned with the unit without error; an N,
// which the search tolerated, is marked apart from a match.
void mark_matches(char* out, const char* residues, std::size_t n) {
  std::memset(out, '|', n);
  for (const char* N = static_cast<const char*>(std::memchr(residues, 'N', n)); N != nullptr;
       N = static_cast<const char*>(std::memchr(N + 1, 'N', distance(N + 1, residues + n)))) {
    out[N - residues] = '*';
  }
}

// What every line of one alignment shares.
struct Layout {
  bool with_flanks;
  Flanks flanks;
  const missense_entry* applied_end;
  std::size_t piece;     // the most columns appended before the text is looked at
  std::size_t flush_at;  // text size at which it is passed on to the stream
};

enum class Line { residues, matches, units };

// One line of the alignment, appended run of columns by run of columns:
// between two applied entries every column is plain.
template <Line LINE>
class LineWriter {
 public:
  LineWriter(TextBuffer& text, FILE* out, const Layout& layout, const Csat& sat)
      : text_(text),
        out_(out),
        layout_(layout),
        unit_(sat.unit_begin),
        unit_length_(sat.unit_length()),
        phase_(distance(sat.unit_begin, sat.unit_pos_backward) + 1) {
    if (phase_ == unit_length_) phase_ = 0;
  }

  // Residues shown beside the repeat, or a colon, with nothing below them.
  void add_aside(const char* residues, std::size_t n) {
    add_columns(n, [&](char* at, std::size_t offset, std::size_t piece) {
      if constexpr (LINE == Line::residues) {
        std::memcpy(at, residues + offset, piece);
      } else {
        std::memset(at, ' ', piece);
      }
    });
  }

  // Residues aligned with the unit without error.
  void add_plain(const char* residues, std::size_t n) {
    add_columns(n, [&](char* at, std::size_t offset, std::size_t piece) {
      if constexpr (LINE == Line::residues) {
        std::memcpy(at, residues + offset, piece);
      } else if constexpr (LINE == Line::matches) {
        mark_matches(at, residues + offset, piece);
      } else {
        fill_with_unit(at, piece, unit_, unit_length_, phase_);
        phase_ = (phase_ + piece) % unit_length_;
      }
    });
  }

  void add_mismatch(char residue) { add_error(residue, true); }
  void add_insertion(char residue) { add_error(residue, false); }
  void add_deletion() { add_error('-', true); }

  void end_line() {
    text_.append('\n');
    pass_on_if_full();
  }

 private:
  template <typename Fill>
  void add_columns(std::size_t n, Fill fill) {
    for (std::size_t done = 0; done < n;) {
      const std::size_t piece = std::min(n - done, layout_.piece);
      fill(text_.extend(piece), done, piece);
      done += piece;
      pass_on_if_full();
    }
  }

  // A column that is not a match; its unit character, if it has one, is the
  // next one of the unit.
  void add_error(char residue, bool has_unit_character) {
    if constexpr (LINE == Line::residues) {
      text_.append(residue);
    } else if constexpr (LINE == Line::matches) {
      text_.append(' ');
    } else {
      text_.append(has_unit_character ? next_unit_character() : '-');
    }
    pass_on_if_full();
  }

  char next_unit_character() {
    const char c = unit_[phase_];
    if (++phase_ == unit_length_) phase_ = 0;
    return c;
  }

  void pass_on_if_full() {
    if (text_.size() >= layout_.flush_at) {
      text_.write_to(out_);
      text_.clear();
    }
  }

  TextBuffer& text_;
  FILE* out_;
  const Layout& layout_;
  const char* unit_;
  std::size_t unit_length_;
  std::size_t phase_;  // index in the unit of the next unit character
};

template <Line LINE>
void append_line(TextBuffer& text, FILE* out, const Layout& layout, const Csat& sat) {
  LineWriter<LINE> line(text, out, layout, sat);
  if (layout.with_flanks) {
    line.add_aside(layout.flanks.left_begin, distance(layout.flanks.left_begin, sat.sat_begin));
    line.add_aside(":", 1);
  }
  const char* q = sat.sat_begin;
  for (const missense_entry* entry = sat.missense.begin(); entry != layout.applied_end; ++entry) {
    line.add_plain(q, distance(q, entry->position));
    q = entry->position;
    switch (entry->kind) {
      case 'M':
        line.add_mismatch(*q++);
        break;
      case 'I':
        line.add_insertion(*q++);
        break;
      default:  // 'D': the unit character has no residue
        line.add_deletion();
        break;
    }
  }
  line.add_plain(q, distance(q, sat.sat_end));
  if (layout.with_flanks) {
    line.add_aside(":", 1);
    line.add_aside(sat.sat_end, distance(sat.sat_end, layout.flanks.right_end));
  }
  line.end_line();
}

}  // namespace

void AlignmentLines::append(TextBuffer& text, FILE* out, const Csat& sat, const CSequence_Mol& seq) {
  Layout layout;
  layout.with_flanks = global_flanking > 0;
  layout.flanks = layout.with_flanks ? flanks_of(sat, seq) : Flanks{sat.sat_begin, sat.sat_end};
  std::size_t deletions;
  layout.applied_end = applied_entries_end(sat, &deletions);

  const std::size_t columns = distance(layout.flanks.left_begin, layout.flanks.right_end) +
                              (layout.with_flanks ? 2 : 0) + deletions;
  const bool streamed = 3 * (columns + 1) > window;
  layout.piece = streamed ? std::max<std::size_t>(window, 1) : SIZE_MAX;
  layout.flush_at = streamed ? window : SIZE_MAX;

  append_line<Line::residues>(text, out, layout, sat);
  append_line<Line::matches>(text, out, layout, sat);
  append_line<Line::units>(text, out, layout, sat);
}
