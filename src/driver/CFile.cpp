#include "driver/CFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "driver/gzip_source.h"
#include "driver/huge_pages.h"

CFile::CFile() = default;
CFile::~CFile() = default;

void CFile::open(const char* name) {
  // "-" is standard input: opened by its name, it is read through the same
  // buffer (and recognised as compressed or not) like any other file.
  std::ifstream::open(std::strcmp(name, "-") == 0 ? "/dev/stdin" : name, std::ios::in);
  state = is_open() ? STATE_GOOD : STATE_FAIL;
  line = 1;
  position = buffer_end = buffer;
  gzip_.reset();
  head_length_ = 0;
  buffer_offset_ = line_start_ = 0;
  read_error_ = false;
  rejection_ = Rejection();
  if (!is_open()) return;
  // The first two bytes tell the format. Plain text keeps them at the start
  // of its first block rather than seeking back, so that pipes can be read
  // too, and fills the block from there: blocks end where they always did.
  read(buffer, sizeof GzipSource::magic);
  std::size_t got = static_cast<std::size_t>(gcount());
  if (got == sizeof GzipSource::magic && std::memcmp(buffer, GzipSource::magic, got) == 0) {
    std::memcpy(head_, buffer, got);
    head_length_ = got;
    gzip_ = std::make_unique<GzipSource>(*this, buffer, got);
    return;
  }
  buffer_end = buffer + got + fetch(buffer + got, buffer_size - got);
  head_length_ = std::min(head_size, static_cast<std::size_t>(buffer_end - buffer));
  std::memcpy(head_, buffer, head_length_);
  read_error_ = bad();
}

void CFile::reject(int character, bool header_expected) {
  rejection_.set = true;
  rejection_.header_expected = header_expected;
  rejection_.at_end = at_end();
  rejection_.character = character;
  rejection_.line = line;
  rejection_.column = 0;
  if (!rejection_.at_end && position != buffer) {
    // The character is the one before position; its line began after the
    // last line end before it, in the buffer or before it.
    const char* at = position - 1;
    const char* p = at;
    while (p != buffer && p[-1] != '\n') --p;
    const std::uint64_t line_begin =
        p != buffer || buffer_offset_ == 0 ? buffer_offset_ + static_cast<std::uint64_t>(p - buffer) : line_start_;
    rejection_.column = buffer_offset_ + static_cast<std::uint64_t>(at - buffer) - line_begin + 1;
  }
  set_format_error();
}

const char* CFile::decompression_error() const {
  return gzip_ && gzip_->failed() ? gzip_->error().c_str() : nullptr;
}

std::size_t CFile::fetch(char* into, std::size_t size) {
  if (gzip_) return gzip_->read(into, size);
  read(into, static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(gcount());
}

bool CFile::refill() {
  // Where the last line of the block began, for the column of a character
  // that a later block may reject. Line ends read are all line feeds by now.
  for (const char* p = buffer_end; p != buffer; --p) {
    if (p[-1] == '\n') {
      line_start_ = buffer_offset_ + static_cast<std::uint64_t>(p - buffer);
      break;
    }
  }
  const std::uint64_t end_offset = buffer_offset_ + static_cast<std::uint64_t>(buffer_end - buffer);
  char* start = buffer;
  if (position != buffer) {
    buffer[0] = position[-1];
    ++start;
  }
  buffer_offset_ = end_offset - static_cast<std::uint64_t>(start - buffer);
  std::size_t delivered = fetch(start, static_cast<std::size_t>(buffer + buffer_size - start));
  position = start;
  buffer_end = start + delivered;
  if (delivered > 0) return true;
  if (bad()) read_error_ = true;
  if (bad() || decompression_error()) {
    // A failing disk or damaged compressed data must not pass for the end
    // of the file: that would report a truncated input as a complete,
    // successful run.
    set_format_error();
  } else {
    state = STATE_EOF | STATE_FAIL;
  }
  return false;
}

// CR LF and a CR at the very end count as one line end; a lone CR as one too.
int CFile::carriage_return() {
  position[-1] = '\n';  // a push-back then gives the line feed it stands for
  ++line;
  if (position == buffer_end && !refill()) return '\n';
  if (*position++ != '\n') ungetchar();
  return '\n';
}

void CFile::ungetchar() {
  if (position == buffer) {
    state = (state | STATE_FAIL) & ~STATE_GOOD;
    return;
  }
  if (position[-1] == '\n' && !(state & STATE_FAIL)) --line;
  --position;
}

namespace {

enum : signed char { SKIP = 0, INVALID = -1 };

struct ResidueTable {
  signed char code[256];
  ResidueTable() {
    for (int c = 0; c < 256; ++c) code[c] = INVALID;
    for (int c = 0; c < 256; ++c) {
      if (std::isspace(c)) code[c] = SKIP;
    }
    code[static_cast<unsigned char>('-')] = SKIP;
    code[static_cast<unsigned char>('*')] = SKIP;
    for (const char* p = "ACGTN"; *p; ++p) set_both_cases(*p, *p);
    set_both_cases('U', 'T');
    for (const char* p = "BDHKMRSVWXY"; *p; ++p) set_both_cases(*p, 'N');
  }
  void set_both_cases(char letter, char stored) {
    code[static_cast<unsigned char>(letter)] = stored;
    code[static_cast<unsigned char>(std::tolower(letter))] = stored;
  }
};

const ResidueTable residue_table;

// Doubles the buffer without letting the capacity overflow.
FastaResult grow_residues(CSequence_Mol& seq, unsigned max_length) {
  if (seq.capacity >= max_length) return FastaResult::RECORD_TOO_LONG;
  unsigned capacity = seq.capacity == 0 ? 4 : (seq.capacity > max_length / 2 ? max_length : 2 * seq.capacity);
  void* grown = std::realloc(seq.residues, capacity);
  if (!grown) return FastaResult::OUT_OF_MEMORY;
  seq.residues = static_cast<char*>(grown);
  seq.capacity = capacity;
  ask_for_huge_pages(seq.residues, seq.capacity);
  return FastaResult::RECORD;
}

bool is_white_space(int c) { return std::isspace(static_cast<unsigned char>(c)); }

int skip_white_space(CFile& in) {
  int c = in.getchar();
  while (!in.failed() && is_white_space(c)) c = in.getchar();
  return c;
}

// True when another sequence line follows in the current record.
bool sequence_line_follows(CFile& in) {
  int c = in.getchar();
  if (in.failed()) return false;
  in.ungetchar();
  return c != '>';
}

// A, C, G, T or N of either case.
bool is_plain_letter(char c) {
  switch (c & 0xDF) {
    case 'A': case 'C': case 'G': case 'T': case 'N': return true;
    default: return false;
  }
}

// Takes the residue letters that lie in the file's buffer from its current
// position on, up to the first character of any other kind and no further
// than the residue buffer has room: the bulk of the sequence lines, without
// the per-character work of getchar. Line ends (but a line feed between two
// plain letters), white space, invalid characters, refills and growing the
// buffer are all left to the character loop.
void take_residue_letters(CFile& in, CSequence_Mol& seq) {
  char* const from = in.position;
  const std::size_t available = static_cast<std::size_t>(in.buffer_end - from);
  const std::size_t room = seq.capacity - seq.length;
  const char* const stop = from + (available < room ? available : room);
  char* to = seq.residues + seq.length;
  char* p = from;
  for (;;) {
#ifdef __SSE2__
    // Sixteen at a time while they are all A, C, G, T or N of either case:
    // clearing the lower-case bit gives their stored letter, and no other
    // byte becomes one of these five. The sixteen bytes fit into the room.
    const __m128i case_bit_cleared = _mm_set1_epi8(static_cast<char>(0xDF));
    while (stop - p >= 16) {
      const __m128i upper = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), case_bit_cleared);
      __m128i letters = _mm_cmpeq_epi8(upper, _mm_set1_epi8('A'));
      for (char letter : {'C', 'G', 'T', 'N'})
        letters = _mm_or_si128(letters, _mm_cmpeq_epi8(upper, _mm_set1_epi8(letter)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), upper);
      const unsigned kinds = static_cast<unsigned>(_mm_movemask_epi8(letters));
      // A branch, not a step by the count taken: the next load then waits for
      // no comparison, and consecutive ones overlap.
      if (__builtin_expect(kinds == 0xFFFF, 1)) {
        p += 16;
        to += 16;
        continue;
      }
      const unsigned taken = static_cast<unsigned>(__builtin_ctz(~kinds));
      p += taken;
      to += taken;
      // A line feed between two of these letters is passed over here: the
      // character loop cost as much per line as the letters of the line.
      if (*p == '\n' && stop - p >= 2 && is_plain_letter(p[1])) {
        ++in.line;
        ++p;
        continue;
      }
      break;
    }
#endif
    // Other residue letters, one at a time.
    signed char residue;
    if (p == stop || (residue = residue_table.code[static_cast<unsigned char>(*p)]) <= 0) break;
    *to++ = residue;
    ++p;
  }
  seq.length = static_cast<unsigned>(to - seq.residues);
  in.position = p;
}

}  // namespace

bool is_residue_letter(int c) { return residue_table.code[static_cast<unsigned char>(c)] > 0; }

FastaResult read_fasta_record(CFile& in, CSequence_Mol& seq, unsigned max_length) {
  int c = skip_white_space(in);
  // Comment lines are allowed before the first header only: after a record,
  // the next character is always the '>' that ended it.
  while (!in.failed() && c == '#') {
    do {
      c = in.getchar();
    } while (in.state == CFile::STATE_GOOD && c != '\n');
    c = skip_white_space(in);
  }
  if (in.has_format_error()) return FastaResult::FORMAT_ERROR;
  if (c != '>') {
    in.reject(c, true);
    return FastaResult::FORMAT_ERROR;
  }

  seq.name.clear();
  for (c = in.getchar(); !in.failed() && c != '\n'; c = in.getchar()) seq.name.push_back(static_cast<char>(c));
  if (in.has_format_error()) return FastaResult::FORMAT_ERROR;
  // A last header without a line end still forms a record.
  if (in.failed() && !seq.name.empty()) in.state &= static_cast<unsigned char>(~CFile::STATE_FAIL);
  if (in.failed()) return FastaResult::RECORD;

  while (sequence_line_follows(in)) {
    for (take_residue_letters(in, seq), c = in.getchar(); !in.failed() && c != '\n';
         take_residue_letters(in, seq), c = in.getchar()) {
      signed char residue = residue_table.code[static_cast<unsigned char>(c)];
      if (residue == SKIP) continue;
      if (residue == INVALID) {
        in.reject(c, false);
        return FastaResult::FORMAT_ERROR;
      }
      if (seq.length == seq.capacity) {
        FastaResult grown = grow_residues(seq, max_length);
        if (grown != FastaResult::RECORD) return grown;
      }
      seq.residues[seq.length++] = residue;
    }
  }
  return in.has_format_error() ? FastaResult::FORMAT_ERROR : FastaResult::RECORD;
}
