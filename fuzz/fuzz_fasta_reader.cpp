// Raw bytes into the FASTA reader. Every record it returns, and the line of a
// format error, is compared with a plain model of the format that works on
// the whole input at once, so that the block buffer, the one-character
// push-back, the line-end conventions and the line counter are checked
// against something independent of them.
//
// The fuzz build reads in blocks of a few dozen bytes, so short inputs cross
// block boundaries. The first byte steers the run: how large the residue
// buffer starts (down to none at all, so that it must grow from nothing), how
// many blank lines precede the input, which shifts it against the blocks, and
// whether the file is gzip-compressed. Raw bytes that merely start like gzip
// data are damaged compressed files: those only have to be survived.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "driver/CFile.h"
#include "fuzz_temp_dir.h"

namespace {

struct Record {
  std::string name;
  std::string residues;
  bool operator==(const Record& other) const { return name == other.name && residues == other.residues; }
};

struct Outcome {
  std::vector<Record> records;
  bool format_error = false;
  unsigned error_line = 0;
};

// What a residue byte stands for: a letter to store, 0 to skip, -1 invalid.
int model_residue(unsigned char c) {
  if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '-' || c == '*') return 0;
  switch (std::toupper(c)) {
    case 'A': case 'C': case 'G': case 'T': case 'N':
      return std::toupper(c);
    case 'U':
      return 'T';
    case 'B': case 'D': case 'H': case 'K': case 'M': case 'R': case 'S': case 'V': case 'W': case 'X': case 'Y':
      return 'N';
    default:
      return -1;
  }
}

bool model_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

Outcome model_read(const std::string& input) {
  // Every line end (LF, CR LF, lone CR) becomes one '\n'; each character
  // keeps the number of the line it stands on.
  std::vector<std::pair<unsigned char, unsigned>> text;
  unsigned line = 1;
  for (std::size_t i = 0; i < input.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(input[i]);
    if (c == '\r') {
      if (i + 1 < input.size() && input[i + 1] == '\n') ++i;
      c = '\n';
    }
    text.push_back({c, line});
    if (c == '\n') ++line;
  }

  Outcome outcome;
  auto fail_at = [&outcome](unsigned at) {
    outcome.format_error = true;
    outcome.error_line = at;
    return outcome;
  };
  std::size_t i = 0;
  const std::size_t n = text.size();
  for (;;) {  // blank lines and comment lines before the first header
    while (i < n && model_space(text[i].first)) ++i;
    if (i == n || text[i].first != '#') break;
    while (i < n && text[i].first != '\n') ++i;
  }
  if (i == n) return fail_at(line);
  if (text[i].first != '>') return fail_at(text[i].second);
  while (i < n) {  // at a '>'
    Record record;
    for (++i; i < n && text[i].first != '\n'; ++i) record.name.push_back(static_cast<char>(text[i].first));
    if (i < n) ++i;
    while (i < n && text[i].first != '>') {  // one sequence line
      for (; i < n && text[i].first != '\n'; ++i) {
        int residue = model_residue(text[i].first);
        if (residue < 0) return fail_at(text[i].second);
        if (residue > 0) record.residues.push_back(static_cast<char>(residue));
      }
      if (i < n) ++i;
    }
    outcome.records.push_back(record);
  }
  return outcome;
}

Outcome reader_read(const std::string& path, unsigned initial_capacity) {
  static std::unique_ptr<CFile> file(new CFile);  // a megabyte: kept off the stack, made once
  if (file->is_open()) file->close();
  file->clear();
  file->open(path.c_str());
  if (file->failed()) std::abort();

  CSequence_Mol seq;
  seq.residues = initial_capacity ? static_cast<char*>(std::malloc(initial_capacity)) : nullptr;
  seq.capacity = initial_capacity;
  Outcome outcome;
  while (!file->at_end()) {
    seq.name.clear();
    seq.length = 0;
    FastaResult result = read_fasta_record(*file, seq);
    if (result == FastaResult::FORMAT_ERROR) {
      outcome.format_error = true;
      outcome.error_line = file->line;
      break;
    }
    if (result != FastaResult::RECORD) std::abort();  // a small input can be neither too long nor too large
    if (seq.length > seq.capacity) std::abort();
    outcome.records.push_back({seq.name, std::string(seq.residues ? seq.residues : "", seq.length)});
  }
  std::free(seq.residues);
  return outcome;
}

std::string gzip_compressed(const std::string& text) {
  z_stream zs{};
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  std::string out(deflateBound(&zs, text.size()), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
  zs.avail_out = static_cast<uInt>(out.size());
  if (deflate(&zs, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

bool only_residue_letters(const Outcome& outcome) {
  for (const Record& record : outcome.records)
    if (record.residues.find_first_not_of("ACGTN") != std::string::npos) return false;
  return true;
}

void report_difference(const char* what, const Outcome& model, const Outcome& reader) {
  std::fprintf(stderr, "reader and model differ in %s: model %zu records, error %d at line %u; reader %zu records, error %d at line %u\n",
               what, model.records.size(), model.format_error, model.error_line, reader.records.size(),
               reader.format_error, reader.error_line);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t steer = data[0];
  const std::string payload(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string input = std::string(steer & 0x1f, '\n') + payload;
  const bool compressed = steer & 0x20;
  const std::string file_bytes = compressed ? gzip_compressed(input) : input;
  const std::string path = fuzz_temp_dir() + "/input.fa";
  write_whole_file(path, file_bytes.data(), file_bytes.size());

  static const unsigned capacities[4] = {0, 1, 4, 1000};
  const Outcome reader = reader_read(path, capacities[steer >> 6]);
  if (!only_residue_letters(reader)) report_difference("the letters stored", reader, reader);
  if (!compressed && input.size() >= 2 && static_cast<unsigned char>(input[0]) == 0x1f &&
      static_cast<unsigned char>(input[1]) == 0x8b)
    return 0;  // damaged gzip data: no model of what it holds
  const Outcome model = model_read(input);
  if (model.format_error != reader.format_error) report_difference("the verdict", model, reader);
  if (model.format_error && model.error_line != reader.error_line) report_difference("the error line", model, reader);
  // Records are compared up to an error: what came before it was read whole.
  if (!(model.records == reader.records)) report_difference("the records", model, reader);
  return 0;
}
