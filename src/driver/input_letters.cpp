#include "driver/input_letters.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "config/run_options.h"

namespace {

constexpr unsigned residues_per_line = 80;

bool changed(const std::string& name) {
  std::fprintf(stderr,
               "\n\nSorry! The input file\n   \"%s\"\nno longer holds the sequences searched: it changed during the "
               "run.\nThe masked file is incomplete.\n",
               name.c_str());
  return false;
}

}  // namespace

bool InputLetters::open(const std::string& name) {
  struct stat status;
  if (name == standard_stream_name || stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    std::fprintf(stderr,
                 "Sorry! --maskKeepInput reads the input a second time, which the input\n   \"%s\"\n"
                 "cannot give, as it is standard input or not a file. Name a file as the input.\n",
                 name.c_str());
    return false;
  }
  name_ = name;
  in_ = std::make_unique<CFile>();
  in_->open(name.c_str());
  if (in_->failed()) {
    std::fprintf(stderr, "Sorry! The input file\n   \"%s\"\ncould not be opened again for --maskKeepInput.\n",
                 name.c_str());
    return false;
  }
  return true;
}

// Leaves the input just after the header line of the record wanted. The
// first reading found the file valid, so every header starts a line, but
// for blanks that may stand before the first.
bool InputLetters::skip_to_record(unsigned record_number) {
  bool line_start = true;
  while (records_begun_ < record_number) {
    int c = in_->getchar();
    if (in_->failed()) return false;
    if (c == '>' && line_start) {
      ++records_begun_;
      if (records_begun_ == record_number) {
        do c = in_->getchar();
        while (!in_->failed() && c != '\n');
        return true;
      }
    }
    line_start = c == '\n' || (line_start && std::isspace(c));
  }
  return true;
}

bool InputLetters::write_record(FILE* out, const CSequence_Mol& seq, unsigned record_number, int mask_with) {
  if (!skip_to_record(record_number)) return changed(name_);
  std::fprintf(out, ">%s\n", seq.name.c_str());
  constexpr unsigned lines_per_chunk = 512;
  char chunk[lines_per_chunk * (residues_per_line + 1)];
  char* to = chunk;
  unsigned done = 0;
  bool line_start = true;
  while (done < seq.length) {
    int c = in_->getchar();
    if (in_->failed() || (c == '>' && line_start)) return changed(name_);
    line_start = c == '\n';
    if (!is_residue_letter(c)) continue;
    const char stored = seq.residues[done];
    char letter = static_cast<char>(c);
    if (std::islower(static_cast<unsigned char>(stored))) {
      letter = mask_with == MASK_LOWER ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                                       : mask_with == MASK_N ? 'N' : 'X';
    }
    *to++ = letter;
    ++done;
    if (done % residues_per_line == 0 || done == seq.length) {
      *to++ = '\n';
      if (to + residues_per_line + 1 > chunk + sizeof chunk || done == seq.length) {
        std::fwrite(chunk, 1, static_cast<std::size_t>(to - chunk), out);
        to = chunk;
      }
    }
  }
  return true;
}
