#ifndef VELKOR_DRIVER_CFILE_H
#define VELKOR_DRIVER_CFILE_H

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>

#include "repeats/CSequence_Mol.h"

// The fuzz build works with tiny buffers, so that short inputs cross block
// boundaries at every possible place and make the residue buffer grow.
#ifdef VELKOR_TINY_BUFFERS
constexpr std::size_t read_block_size = 61;
constexpr unsigned initial_residue_capacity = 5;
#else
constexpr std::size_t read_block_size = 1000000;
constexpr unsigned initial_residue_capacity = 10000001u;
#endif

class GzipSource;

// The input file, read in large blocks and handed out one character at a
// time. Line ends of every convention (LF, CR LF, lone CR) come out as one
// line feed each and are counted, so that errors can name their line. One
// character can be pushed back, also across a block boundary: the last byte
// of a block is kept in front of the next one. A gzip-compressed file is
// decompressed block by block on its way into the buffer, so everything
// above the buffer (line counting included) sees the text alone.
class CFile : public std::ifstream {
 public:
  static constexpr std::size_t buffer_size = read_block_size;
  enum : unsigned char { STATE_EOF = 1, STATE_GOOD = 2, STATE_FAIL = 4 };

  char buffer[buffer_size];
  char* buffer_end = buffer;
  char* position = buffer;
  unsigned char state = STATE_FAIL;
  unsigned line = 1;

  CFile();
  ~CFile();

  void open(const char* name);

  // Next character as a signed char widened to int; 0 with end-of-file and
  // fail set once the input is exhausted.
  int getchar() {
    if (position == buffer_end && !refill()) return 0;
    signed char c = *position++;
    if (c > 13 || (state & STATE_FAIL)) return c;
    if (c == '\r') return carriage_return();
    if (c == '\n') ++line;
    return c;
  }
  void ungetchar();

  bool at_end() const { return state & STATE_EOF; }
  bool failed() const { return state & STATE_FAIL; }
  // A format error: fail without end-of-file.
  bool has_format_error() const { return failed() && !at_end(); }
  void set_format_error() { state = STATE_FAIL; }

  // What stopped the reading, kept for a message that names the cause.
  struct Rejection {
    bool set = false;
    bool header_expected = false;  // else a residue was
    bool at_end = false;           // the input ended there
    int character = 0;             // as getchar returned it
    unsigned line = 0;
    std::uint64_t column = 0;  // counted from 1 in bytes; 0 where unknown
  };
  // A format error at the character getchar returned last.
  void reject(int character, bool header_expected);
  const Rejection& rejection() const { return rejection_; }
  // The first bytes of the file as stored (before any decompression).
  const unsigned char* head() const { return head_; }
  std::size_t head_length() const { return head_length_; }
  // The system failed to read the file (as for a directory).
  bool read_error() const { return read_error_; }

  // Why compressed input stopped short of its end (damaged or truncated
  // data); null for plain input and for intact compressed input.
  const char* decompression_error() const;

 private:
  bool refill();
  std::size_t fetch(char* into, std::size_t size);
  int carriage_return();

  std::unique_ptr<GzipSource> gzip_;

  static constexpr std::size_t head_size = 8;
  unsigned char head_[head_size] = {};
  std::size_t head_length_ = 0;
  std::uint64_t buffer_offset_ = 0;  // of buffer[0] in the text
  std::uint64_t line_start_ = 0;     // offset of the first character of the last line begun before the buffer
  bool read_error_ = false;
  Rejection rejection_;
};

// Records longer than this cannot be shown by the report's 32-bit positions.
constexpr unsigned longest_record = 2147483647u;

enum class FastaResult { RECORD, FORMAT_ERROR, RECORD_TOO_LONG, OUT_OF_MEMORY };

// Reads one record into seq, whose name and length the caller has emptied.
// Residues are normalised to A, C, G, T and N. On FORMAT_ERROR the file's
// line is the line holding the offending character. After a RECORD, the
// file's at_end() tells whether it was the last one.
FastaResult read_fasta_record(CFile& in, CSequence_Mol& seq, unsigned max_length = longest_record);

// True for a character that the reader takes as a residue (of either case).
bool is_residue_letter(int c);

#endif
