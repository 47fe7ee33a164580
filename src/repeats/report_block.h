#ifndef VELKOR_REPEATS_REPORT_BLOCK_H
#define VELKOR_REPEATS_REPORT_BLOCK_H

#include <cstddef>
#include <cstdio>

#include "repeats/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/report_options.h"
#include "repeats/text_buffer.h"
#include "repeats/unit_text.h"

// Writes report entries. Entries are gathered and written some ten thousand
// at a time: one fwrite each cost as much as formatting them. The buffers are
// kept from entry to entry, so a block allocates only while they grow to its
// longest entry; residue and alignment lines longer than their window are
// passed on while they are written, so they do not count. The unit texts
// are the writing thread's, kept from block to block: a block may be one
// short record among millions, and the texts stay the same.
class EntryWriter {
 public:
  EntryWriter(FILE* out, const ReportOptions& options, UnitTextCache& unit_texts)
      : out_(out), options_(options), unit_texts_(unit_texts) {}

  void write(const Csat& sat, const CSequence_Mol& seq);
  // Writes what is gathered; call before anything else goes to the stream.
  void finish();

 private:
  static constexpr std::size_t GATHERED = 1 << 16;
  FILE* out_;
  const ReportOptions& options_;
  UnitTextCache& unit_texts_;
  CDnaString unit_;
  TextBuffer text_;
};

// The report block of one sequence: its head, its entries as the records
// come, and its closing line, after which the stream is flushed. The head
// waits for the first entry or the end: a search that hands its records on
// as it makes them still writes its progress lines first, as the others do,
// where the report and standard error go to one terminal.
class ReportBlock {
 public:
  ReportBlock(FILE* out, const CSequence_Mol& seq, const ReportOptions& options, UnitTextCache& unit_texts)
      : out_(out), seq_(seq), entries_(out, options, unit_texts) {}
  void add(const Csat& sat) {
    write_head_once();
    entries_.write(sat, seq_);
  }
  void finish();

 private:
  void write_head_once();

  FILE* out_;
  const CSequence_Mol& seq_;
  EntryWriter entries_;
  bool head_written_ = false;
};

#endif
