#ifndef VELKOR_SEARCH_CANCHORSEQ_H
#define VELKOR_SEARCH_CANCHORSEQ_H

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "repeats/allocation.h"

// One mark per residue: 'a' open, ' ' covered by an accepted repeat. A guard
// mark on each side always reads open, so the candidate test may look one
// residue beyond either end of the sequence.
class CAnchorSeq {
 public:
  const char* seq_begin;
  unsigned seq_length;
  char* mark_buffer;
  char* marks;

  CAnchorSeq(const char* begin, unsigned length)
      : seq_begin(begin),
        seq_length(length),
        mark_buffer(static_cast<char*>(checked_malloc(static_cast<std::size_t>(length) + 3))),
        marks(mark_buffer + 1) {
    open_all();
    mark_buffer[static_cast<std::size_t>(length) + 2] = '\0';
  }
  CAnchorSeq(const CAnchorSeq&) = delete;
  CAnchorSeq& operator=(const CAnchorSeq&) = delete;
  ~CAnchorSeq() { std::free(mark_buffer); }

  void open_all() { std::memset(mark_buffer, 'a', static_cast<std::size_t>(seq_length) + 2); }
  bool open(const char* p) const { return marks[p - seq_begin] == 'a'; }
  void open_at(const char* p) { marks[p - seq_begin] = 'a'; }
  void cover(const char* begin, const char* end) {
    if (end > begin) std::memset(marks + (begin - seq_begin), ' ', static_cast<std::size_t>(end - begin));
  }

  // The first position from p on whose mark is open, or the end of the
  // sequence, whose guard mark reads open.
  const char* first_open(const char* p) const {
    const std::ptrdiff_t i = p - seq_begin;
    const void* hit = std::memchr(marks + i, 'a', static_cast<std::size_t>(seq_length - i) + 1);
    return seq_begin + (static_cast<const char*>(hit) - marks);
  }

  // May a unit copy [p, q) be tried? Yes when its first residue is open and
  // either its last residue or the residue after it is open, or when the
  // residue before it and its last residue are open.
  // Works on offsets: the guard before the first residue is marks[-1], while
  // a pointer one before the sequence would lie outside its array.
  bool candidate_marks_open(const char* p, const char* q) const {
    const std::ptrdiff_t i = p - seq_begin;
    const std::ptrdiff_t j = q - seq_begin;
    auto open_at = [this](std::ptrdiff_t x) { return marks[x] == 'a'; };
    return (open_at(i) && (open_at(j - 1) || open_at(j))) || (open_at(i - 1) && open_at(j - 1));
  }
};

#endif
