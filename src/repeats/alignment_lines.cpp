#include "repeats/alignment_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>


namespace {

std::size_t distance(const char* begin, const char* end) { return static_cast<std::size_t>(end - begin); }

// The residues shown beside a repeat, from left_begin up to the repeat and
// from its end up to right_end. They are clamped to the residues that exist,
// so a huge flanking neither reads outside the sequence nor overflows the
// buffer sizes.
struct Flanks {
  const char* left_begin;
  const char* right_end;
};

Flanks flanks_of(const Csat& sat, const CSequence_Mol& seq, std::size_t wanted) {
  const std::size_t left_available = distance(seq.residues, sat.sat_begin);
  const std::size_t right_available = distance(sat.sat_end, seq.residues + seq.length);
  return {sat.sat_begin - std::min(wanted, left_available), sat.sat_end + std::min(wanted, right_available)};
}

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
  std::size_t columns;
  std::size_t window;
  bool streamed;  // passed on piece by piece, rather than laid out whole in the text
};

// The lines a writer fills, as bits.
constexpr unsigned RESIDUES = 1, MATCHES = 2, UNITS = 4;

// Columns of the lines in LINES, added run of columns by run of columns:
// between two applied entries every column is plain. Laid out whole, the
// lines are filled side by side in one walk; streamed, LINES is one line,
// appended to the text a window at a time.
template <unsigned LINES>
class ColumnWriter {
 public:
  ColumnWriter(TextBuffer& text, FILE* out, const Layout& layout, const Csat& sat)
      : text_(text),
        out_(out),
        streamed_(ONE_LINE && layout.streamed),
        window_(layout.window),
        unit_(sat.unit_begin),
        unit_length_(sat.unit_length()),
        phase_(distance(sat.unit_begin, sat.unit_pos_backward) + 1) {
    if (phase_ == unit_length_) phase_ = 0;
    if (!streamed_) {
      const std::size_t line_length = layout.columns + 1;
      char* line = text_.extend(__builtin_popcount(LINES) * line_length);
      for (unsigned i = 0; i < 3; ++i) {
        if (LINES & (1u << i)) {
          at_[i] = line;
          line += line_length;
        }
      }
    }
  }

  // Residues shown beside the repeat, or a colon, with nothing below them.
  void add_aside(const char* residues, std::size_t n) {
    add_columns(n, [&](std::size_t offset, std::size_t piece) {
      if constexpr ((LINES & RESIDUES) != 0) std::memcpy(at_[0], residues + offset, piece);
      if constexpr ((LINES & MATCHES) != 0) std::memset(at_[1], ' ', piece);
      if constexpr ((LINES & UNITS) != 0) std::memset(at_[2], ' ', piece);
    });
  }

  // Residues aligned with the unit without error.
  void add_plain(const char* residues, std::size_t n) {
    add_columns(n, [&](std::size_t offset, std::size_t piece) {
      if constexpr ((LINES & RESIDUES) != 0) std::memcpy(at_[0], residues + offset, piece);
      if constexpr ((LINES & MATCHES) != 0) mark_matches(at_[1], residues + offset, piece);
      if constexpr ((LINES & UNITS) != 0) {
        fill_with_unit(at_[2], piece, unit_, unit_length_, phase_);
        phase_ = (phase_ + piece) % unit_length_;
      }
    });
  }

  void add_mismatch(char residue) { add_error(residue, true); }
  void add_insertion(char residue) { add_error(residue, false); }
  void add_deletion() { add_error('-', true); }

  void end_lines() {
    add_columns(1, [&](std::size_t, std::size_t) {
      for (unsigned i = 0; i < 3; ++i) {
        if (LINES & (1u << i)) *at_[i] = '\n';
      }
    });
  }

 private:
  // Only a writer of one line can stream, which spares the writer of the
  // whole three lines a test per run.
  static constexpr bool ONE_LINE = (LINES & (LINES - 1)) == 0;
  static constexpr unsigned STREAMED_LINE = __builtin_ctz(LINES);

  template <typename Fill>
  void add_columns(std::size_t n, Fill fill) {
    if (!ONE_LINE || !streamed_) {
      fill(0, n);
      for (unsigned i = 0; i < 3; ++i) {
        if (LINES & (1u << i)) at_[i] += n;
      }
      return;
    }
    const std::size_t most = std::max<std::size_t>(window_, 1);
    for (std::size_t done = 0; done < n;) {
      const std::size_t piece = std::min(n - done, most);
      at_[STREAMED_LINE] = text_.extend(piece);
      fill(done, piece);
      done += piece;
      if (text_.size() >= window_) {
        text_.write_to(out_);
        text_.clear();
      }
    }
  }

  // A column that is not a match; its unit character, if it has one, is the
  // next one of the unit.
  void add_error(char residue, bool has_unit_character) {
    add_columns(1, [&](std::size_t, std::size_t) {
      if constexpr ((LINES & RESIDUES) != 0) *at_[0] = residue;
      if constexpr ((LINES & MATCHES) != 0) *at_[1] = ' ';
      if constexpr ((LINES & UNITS) != 0) *at_[2] = has_unit_character ? next_unit_character() : '-';
    });
  }

  char next_unit_character() {
    const char c = unit_[phase_];
    if (++phase_ == unit_length_) phase_ = 0;
    return c;
  }

  TextBuffer& text_;
  FILE* out_;
  bool streamed_;
  std::size_t window_;
  char* at_[3] = {nullptr, nullptr, nullptr};  // where the next column of each line goes
  const char* unit_;
  std::size_t unit_length_;
  std::size_t phase_;  // index in the unit of the next unit character
};

template <unsigned LINES>
void append_lines(TextBuffer& text, FILE* out, const Layout& layout, const Csat& sat) {
  ColumnWriter<LINES> lines(text, out, layout, sat);
  if (layout.with_flanks) {
    lines.add_aside(layout.flanks.left_begin, distance(layout.flanks.left_begin, sat.sat_begin));
    lines.add_aside(":", 1);
  }
  const char* q = sat.sat_begin;
  for (const missense_entry* entry = sat.missense.begin(); entry != layout.applied_end; ++entry) {
    lines.add_plain(q, distance(q, entry->position));
    q = entry->position;
    switch (entry->kind) {
      case 'M':
        lines.add_mismatch(*q++);
        break;
      case 'I':
        lines.add_insertion(*q++);
        break;
      default:  // 'D': the unit character has no residue
        lines.add_deletion();
        break;
    }
  }
  lines.add_plain(q, distance(q, sat.sat_end));
  if (layout.with_flanks) {
    lines.add_aside(":", 1);
    lines.add_aside(sat.sat_end, distance(sat.sat_end, layout.flanks.right_end));
  }
  lines.end_lines();
}

// The layout of lines that show the errors of the repeat, or none of them.
Layout layout_of(const Csat& sat, const CSequence_Mol& seq, const ReportOptions& options, bool with_errors,
                 std::size_t lines) {
  Layout layout;
  layout.with_flanks = options.flanking > 0;
  layout.flanks = layout.with_flanks ? flanks_of(sat, seq, options.flanking) : Flanks{sat.sat_begin, sat.sat_end};
  layout.window = options.alignment_window;
  std::size_t deletions = 0;
  layout.applied_end = with_errors ? applied_entries_end(sat, &deletions) : sat.missense.begin();
  layout.columns = distance(layout.flanks.left_begin, layout.flanks.right_end) + (layout.with_flanks ? 2 : 0) +
                   deletions;
  layout.streamed = lines * (layout.columns + 1) > layout.window;
  return layout;
}

}  // namespace

void append_alignment_lines(TextBuffer& text, FILE* out, const Csat& sat, const CSequence_Mol& seq,
                            const ReportOptions& options) {
  const Layout layout = layout_of(sat, seq, options, true, 3);
  if (layout.streamed) {
    append_lines<RESIDUES>(text, out, layout, sat);
    append_lines<MATCHES>(text, out, layout, sat);
    append_lines<UNITS>(text, out, layout, sat);
  } else {
    append_lines<RESIDUES | MATCHES | UNITS>(text, out, layout, sat);
  }
}

void append_residue_line(TextBuffer& text, FILE* out, const Csat& sat, const CSequence_Mol& seq,
                         const ReportOptions& options) {
  append_lines<RESIDUES>(text, out, layout_of(sat, seq, options, false, 1), sat);
}
