#ifndef VELKOR_DRIVER_RUN_OUTPUTS_H
#define VELKOR_DRIVER_RUN_OUTPUTS_H

#include <cstdio>
#include <deque>
#include <string>
#include <utility>

#include "driver/file_identity.h"
#include "driver/input_letters.h"
#include "driver/output_stream.h"
#include "driver/record_names.h"
#include "repeats/CSequence_Mol.h"
#include "repeats/repeat_files.h"

// Writes the closing message of a failed run; returns code.
int abort_run(int code);
// Says which output could not be written, and ends the run.
int write_failed(const OutputStream& stream);

// A file asked for beside the report: the BED file, the GFF3 file, a
// catalogue or the summary, and where its stream goes among the others.
struct ExtraFile {
  ExtraFile(std::string what, const std::string& file_name, FILE* RepeatFileStreams::*where)
      : description(std::move(what)), name(file_name), slot(where), stream(description.c_str()) {}
  std::string description;
  std::string name;
  FILE* RepeatFileStreams::*slot;
  OutputStream stream;
  FileIdentity identity;
};

// Where the records searched go, and what is checked after each.
struct RunOutputs {
  OutputStream& out;
  RepeatFiles* files;  // null: no files for other tools
  std::deque<ExtraFile>& extras;
  OutputStream& masked;
  InputLetters* letters;  // null: the masked file shows the residues as stored
  RecordNames& names;
  int mask_with;
};

// After each record: stop at once on a full disk rather than search on for nothing.
int check_written(RunOutputs& outputs);

// The outputs take the place of the files of their names once the run is
// sure to search a record (or has ended well without one): a run stopped
// before then, by an input that cannot be read, leaves those files as they
// were.
int commit_outputs(RunOutputs& outputs);

// Writes a searched record, its residues masked, to the masked file: from
// the residues as stored, or with the input's own letters where letters is
// given, the repeats as mask_with says. False where those letters could not
// be had.
bool write_masked(FILE* out, const CSequence_Mol& seq, unsigned record_number, InputLetters* letters,
                  int mask_with);

#endif
