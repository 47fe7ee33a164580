#include "driver/run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "config/exit_codes.h"
#include "config/parameters.h"
#include "config/search_parameters_summary.h"
#include "driver/CFile.h"
#include "driver/arrays_parameters.h"
#include "driver/file_identity.h"
#include "driver/held_record.h"
#include "driver/input_letters.h"
#include "driver/input_problem.h"
#include "driver/masking.h"
#include "driver/record_batch.h"
#include "driver/record_names.h"
#include "driver/residue_buffer.h"
#include "driver/search_options_from_parameters.h"
#include "driver/search_record.h"
#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/output_stream.h"
#include "repeats/repeat_files.h"
#include "repeats/column_legend.h"

namespace {

int abort_run(int code) {
  good_bye_on_error(code);
  return code;
}

int write_failed(const OutputStream& stream) {
  stream.report_write_error();
  return abort_run(EXIT_WRITE_ERROR);
}

// True when file is not other; otherwise says why the run cannot go on.
bool distinct(const FileIdentity& file, const FileIdentity& other, const char* description, const char* name,
              const char* why) {
  if (!same_file(file, other)) return true;
  std::fprintf(stderr, "Sorry! The %s\n   \"%s\"\n%s\n", description, name, why);
  return false;
}

bool reads_standard_input() { return global_input_filename == standard_stream_name; }

FileIdentity identify_output(const std::string& name) {
  return name == standard_stream_name ? identify_stream(stdout) : identify_file(name);
}

// The masked file is named after the input only where the input is a file
// of the user's: "-", a pipe or a device would put it beside the system's
// files (/dev/stdin.masked) or nowhere at all.
bool masked_name_derivable() {
  const std::string& input = global_input_filename;
  auto in_folder = [&input](const char* folder) { return input.compare(0, std::strlen(folder), folder) == 0; };
  return !reads_standard_input() && identify_file(input).kind == FileIdentity::EXISTING_FILE &&
         !in_folder("/dev/") && !in_folder("/proc/");
}

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

// The files asked for, in the order the parameter summary lists them.
void add_requested_files(std::deque<ExtraFile>& files) {
  if (!global_bed_filename.empty()) files.emplace_back("BED file", global_bed_filename, &RepeatFileStreams::bed);
  if (!global_gff_filename.empty()) files.emplace_back("GFF3 file", global_gff_filename, &RepeatFileStreams::gff);
  for (const CatalogRequest& catalog : global_catalogs) {
    FILE* RepeatFileStreams::*slot = catalog.format == CatalogFormat::TRGT     ? &RepeatFileStreams::trgt
                                     : catalog.format == CatalogFormat::HIPSTR ? &RepeatFileStreams::hipstr
                                                                               : &RepeatFileStreams::expansionhunter;
    files.emplace_back(std::string(catalog_format_name(catalog.format)) + " catalogue", catalog.filename, slot);
  }
  if (!global_summary_filename.empty()) {
    files.emplace_back("summary file", global_summary_filename, &RepeatFileStreams::summary);
  }
}

// Opening the report, the masked file or any other output truncates it, so
// none may be the input, and no two may be one file written through two
// streams.
bool output_files_are_safe(const std::string& masked_name, std::deque<ExtraFile>& extras) {
  const char* overwrites_input = "is the input file itself. Velkor does not overwrite its input.";
  FileIdentity input = reads_standard_input() ? identify_stream(stdin) : identify_file(global_input_filename);
  bool to_standard_output = global_output_filename.empty();
  FileIdentity report = to_standard_output ? identify_stream(stdout) : identify_file(global_output_filename);
  const char* report_name = to_standard_output ? "(standard output)" : global_output_filename.c_str();
  if (!distinct(report, input, "output file", report_name, overwrites_input)) return false;

  FileIdentity masked;  // unknown, so distinct from everything, when there is no masked file
  if (global_mask_repeats) {
    const char* description = "file for the masked sequences";
    masked = identify_output(masked_name);
    if (!distinct(masked, input, description, masked_name.c_str(), overwrites_input) ||
        !distinct(masked, report, description, masked_name.c_str(),
                  "is the output file itself. The report and the masked sequences cannot share one file.")) {
      return false;
    }
  }

  for (auto file = extras.begin(); file != extras.end(); ++file) {
    const char* what = file->description.c_str();
    const char* name = file->name.c_str();
    file->identity = identify_output(file->name);
    const std::string shares_report = "is the output file itself. The report and the " + file->description +
                                      " cannot share one file.";
    if (!distinct(file->identity, input, what, name, overwrites_input) ||
        !distinct(file->identity, report, what, name, shares_report.c_str()) ||
        !distinct(file->identity, masked, what, name,
                  "is the file for the masked sequences. The two cannot share one file.")) {
      return false;
    }
    for (auto earlier = extras.begin(); earlier != file; ++earlier) {
      const std::string shares_earlier = "is the " + earlier->description + " too. The two cannot share one file.";
      if (!distinct(file->identity, earlier->identity, what, name, shares_earlier.c_str())) return false;
    }
  }
  return true;
}

void write_headers(FILE* out) {
  if (!global_quiet) {
    creator_message(stderr, "");
    print_search_parameters(stderr, "");
    std::fputs(
        "\n\nSearch progress:\n\nTime     - SeqNr - PatLen - Seq-Name\n"
        "------------------------------------------------------------------------\n",
        stderr);
    std::fflush(stderr);
  }

  creator_message(out, "# ");
  print_search_parameters(out, "# ");
  print_output_format(out, "# ");
}

int read_failed(FastaResult result, const CFile& input, unsigned record_number) {
  switch (result) {
    case FastaResult::RECORD_TOO_LONG:
      std::fprintf(stderr,
                   "\n\nSorry! Record number %u of the input file is longer than %u residues,\n"
                   "the longest record this version can handle.\n",
                   record_number, longest_record);
      return abort_run(EXIT_RECORD_TOO_LONG);
    case FastaResult::OUT_OF_MEMORY:
      std::fprintf(stderr, "\n\nSorry! There is not enough memory to hold record number %u of the input file.\n",
                   record_number);
      return abort_run(EXIT_RECORD_TOO_LONG);
    default:
      if (const char* why = input.decompression_error()) {
        std::fprintf(stderr,
                     "\n\nSorry! The compressed input file\n   \"%s\"\ncannot be read to its end (%s).\n"
                     "It could be read up to line %u.\n",
                     global_input_filename.c_str(), why, input.line);
        return abort_run(EXIT_BAD_FASTA);
      }
      std::fprintf(stderr,
                   "\n\nAn error occurred while reading the input file. It might not be a valid fasta file.\n"
                   "File position: line %u\n",
                   input.line);
      std::fputs(describe_input_problem(input, global_input_filename).c_str(), stderr);
      std::fflush(stderr);
      return EXIT_BAD_FASTA;
  }
}

// The first of the files for other tools whose writes failed, or null.
ExtraFile* failed_file(std::deque<ExtraFile>& extras) {
  for (ExtraFile& file : extras) {
    if (!file.stream.written_so_far()) return &file;
  }
  return nullptr;
}

// Writes a searched record, its residues masked, to the masked file: from
// the residues as stored, or with the input's own letters where letters is
// given. False where those letters could not be had.
bool write_masked(FILE* out, const CSequence_Mol& seq, unsigned record_number, InputLetters* letters) {
  if (!letters) {
    write_masked_record(out, seq);
    return true;
  }
  return letters->write_record(out, seq, record_number, global_mask_with);
}

// Takes a record searched on the run's own thread into the masked file at once.
class MaskedFile : public MaskedRecords {
 public:
  MaskedFile(FILE* out, unsigned record_number, InputLetters* letters)
      : out_(out), record_number_(record_number), letters_(letters) {}
  void take(const CSequence_Mol& seq) override { written_ = write_masked(out_, seq, record_number_, letters_); }
  bool written() const { return written_; }

 private:
  FILE* out_;
  unsigned record_number_;
  InputLetters* letters_;
  bool written_ = true;
};

// After each record: stop at once on a full disk rather than search on for nothing.
int check_written(OutputStream& out, std::deque<ExtraFile>& extras, OutputStream& masked) {
  if (!out.flush()) return write_failed(out);
  if (ExtraFile* failed = failed_file(extras)) return write_failed(failed->stream);
  if (!masked.written_so_far()) return write_failed(masked);
  return EXIT_OK;
}

// The outputs take the place of the files of their names once the run is
// sure to search a record (or has ended well without one): a run stopped
// before then, by an input that cannot be read, leaves those files as they
// were.
int commit_outputs(OutputStream& out, std::deque<ExtraFile>& extras, OutputStream& masked) {
  if (!out.commit()) return write_failed(out);
  for (ExtraFile& file : extras) {
    if (!file.stream.commit()) return write_failed(file.stream);
  }
  if (!masked.commit()) return write_failed(masked);
  return EXIT_OK;
}

int search_records(CFile& input, CSequence_Mol& seq, OutputStream& out, RepeatFiles* files,
                   std::deque<ExtraFile>& extras, OutputStream& masked, InputLetters* letters, RecordNames& names,
                   unsigned& record_number) {
  bool committed = false;
  const SearchOptions search_options = search_options_from_parameters();
  SearchWorker search{search_options, {}};
  const ArraysOptions arrays_options = arrays_options_from_parameters();
  ArraysWorker arrays{arrays_options, {}};
  while (!input.at_end()) {
    ++record_number;
    seq.name.clear();
    seq.length = 0;
    FastaResult result = read_fasta_record(input, seq);
    if (result != FastaResult::RECORD) return read_failed(result, input, record_number);
    // Records outside the range are still read, so that the whole file is validated.
    if (record_number < global_sequence_from || record_number > global_sequence_to) continue;
    if (!committed) {
      int code = commit_outputs(out, extras, masked);
      if (code != EXIT_OK) return code;
      committed = true;
    }

    if (!names.add(seq, record_number)) return abort_run(EXIT_BAD_FASTA);
    report_status(record_number, seq.name.c_str(), global_min_unit_length);
    update_report_time();
    MaskedFile masked_file(masked.file(), record_number, letters);
    search_record(record_number, seq, out.file(), files, masked.file() ? &masked_file : nullptr, search, nullptr,
                  &arrays);
    if (!masked_file.written()) return abort_run(EXIT_BAD_FASTA);
    int code = check_written(out, extras, masked);
    if (code != EXIT_OK) return code;
  }
  return EXIT_OK;
}

// Ends the run for want of memory while workers may still be searching: the
// process ends without the destructors of what they use; what was written
// reaches its files, as when a run on one thread ends the same way.
[[noreturn]] void end_for_want_of_memory(const char* message) {
  std::fputs(message, stderr);
  std::fflush(nullptr);
  std::_Exit(EXIT_OUT_OF_MEMORY);
}

// The part of a record searched beside others that is written once its
// search is done, exactly as the loop above would have written it.
int finish_held_record(HeldRecord& record, RecordBatch& batch, OutputStream& out, RepeatFiles* files,
                       std::deque<ExtraFile>& extras, OutputStream& masked, InputLetters* letters) {
  if (!record.progress_messages.empty()) progress_message(record.progress_messages.c_str());
  // Before a failure: a search that failed once the residues were masked (in
  // freeing its memory) has written its masked copy on one thread too.
  if (record.masked && !write_masked(masked.file(), record.seq, record.number, letters)) {
    return abort_run(EXIT_BAD_FASTA);
  }
  if (record.allocation_failure) end_for_want_of_memory(record.allocation_failure);
  if (record.failure) std::rethrow_exception(record.failure);
  if (files) batch.repeats().replay(record.first_repeat, record.end_of_repeats, *files, record.seq, record.number);
  return check_written(out, extras, masked);
}

// The loop above with the records searched by several threads at once: this
// thread reads them into batches, the workers search the batches, and this
// thread writes each record in its turn. Besides the batch being filled, at
// most one batch per worker is searched or waits, and as many again of
// short records: so that a worker done with its batch finds the next one
// while this thread writes, without holding more than a few long records.
int search_records_at_once(unsigned threads, CFile& input, OutputStream& out, RepeatFiles* files,
                           std::deque<ExtraFile>& extras, OutputStream& masked, InputLetters* letters,
                           RecordNames& names, unsigned& record_number) {
  const bool keep_repeats = files != nullptr;
  const bool mask = masked.file() != nullptr;
  const SearchOptions search_options = search_options_from_parameters();
  const ArraysOptions arrays_options = arrays_options_from_parameters();
  BlockPool held_blocks;  // outlives the batches and the workers
  std::unique_ptr<OrderedWorkQueue<RecordBatch>> workers;
  try {
    workers = std::make_unique<OrderedWorkQueue<RecordBatch>>(
        threads, [keep_repeats, mask, search_options, arrays_options](RecordBatch& batch) {
          search_batch(batch, keep_repeats, mask, search_options, arrays_options);
        });
  } catch (const std::system_error& error) {
    std::fprintf(stderr, "Sorry! The system did not start %u threads (%s).\nRun with fewer threads.\n", threads,
                 error.what());
    return abort_run(EXIT_OUT_OF_MEMORY);
  }
  OrderedWorkQueue<RecordBatch>& queue = *workers;
  // The workers search before the first progress line is written.
  update_report_time();
  std::unique_ptr<RecordBatch> spare;
  // Writes the records of the oldest batch, the report of each as its search
  // makes it, and keeps the batch (with its grown buffers) for the next.
  // Once the whole batch is searched, calls `searched`, if given, before the
  // rest of its last record is written.
  auto write_oldest = [&](const std::function<void()>& searched) -> int {
    RecordBatch& turn = queue.oldest();
    // A batch's last record may be long: its report is copied as it grows.
    // The short ones before it are written together once searched, since
    // a wait for each cost two context switches per record.
    turn.report().wait_for_parts(turn.size() - 1);
    for (std::size_t i = 0; i < turn.size(); ++i) {
      HeldRecord& record = turn.record(i);
      if (!names.add(record.seq, record.number)) return abort_run(EXIT_BAD_FASTA);
      report_status(record.number, record.seq.name.c_str(), global_min_unit_length);
      update_report_time();
      turn.report().copy_part_to(out.file());
      if (searched && i + 1 == turn.size()) searched();
      int code = finish_held_record(record, turn, out, files, extras, masked, letters);
      if (code != EXIT_OK) return code;
    }
    spare = queue.pop_oldest();
    spare->reset();
    return EXIT_OK;
  };
  auto write_all = [&]() {
    int code = EXIT_OK;
    while (code == EXIT_OK && !queue.empty()) code = write_oldest(nullptr);
    return code;
  };
  std::unique_ptr<RecordBatch> filling = std::make_unique<RecordBatch>(held_blocks);
  // Hands the batch being filled to the workers and starts another. Where
  // the batches held are as many as allowed, the batch goes to the workers
  // as soon as the oldest is searched, while this thread still writes it:
  // the worker done with the oldest would otherwise wait for that writing.
  // The batches then held are as many as before: the one being filled was
  // among them.
  auto hand_over = [&]() -> int {
    const bool short_records = filling->residues() <= 2 * RecordBatch::residue_budget;
    const std::size_t most_held = short_records ? 2 * threads : threads;
    bool handed = false;
    const std::function<void()> hand = [&]() {
      filling->seal();
      queue.push(std::move(filling));
      handed = true;
    };
    while (!handed && queue.size() >= most_held) {
      int code = write_oldest(queue.size() == most_held ? hand : nullptr);
      if (code != EXIT_OK) return code;
    }
    if (!handed) hand();
    filling = spare ? std::move(spare) : std::make_unique<RecordBatch>(held_blocks);
    return EXIT_OK;
  };

  bool committed = false;
  while (!input.at_end()) {
    ++record_number;
    FastaResult result = filling->read(input, record_number);
    if (result != FastaResult::RECORD) {
      int code = filling->empty() ? EXIT_OK : hand_over();
      if (code == EXIT_OK) code = write_all();
      return code != EXIT_OK ? code : read_failed(result, input, record_number);
    }
    // Records outside the range are still read, so that the whole file is validated.
    if (record_number < global_sequence_from || record_number > global_sequence_to) {
      filling->drop_last();
      continue;
    }
    if (!committed) {
      int code = commit_outputs(out, extras, masked);
      if (code != EXIT_OK) return code;
      committed = true;
    }
    if (filling->full()) {
      int code = hand_over();
      if (code != EXIT_OK) return code;
    }
  }
  int code = filling->empty() ? EXIT_OK : hand_over();
  return code != EXIT_OK ? code : write_all();
}

// A range that selects no record gives a report without repeats, which is
// easily taken for a file without any.
void warn_nothing_searched(unsigned records) {
  std::string last = global_sequence_to == 4294967295u ? "-1" : std::to_string(global_sequence_to);
  std::fprintf(stderr,
               "Warning: no record was searched: the input holds %u record%s, and --firstSeq %u --lastSeq %s\n"
               "selects none of them.\n",
               records, records == 1 ? "" : "s", global_sequence_from, last.c_str());
  std::fflush(stderr);
}

unsigned threads_to_use() {
  if (global_threads != 0) return global_threads;
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

int run_velkor(int argc, char** argv) {
  CSequence_Mol sequence;
  ResidueBuffer residue_buffer(sequence);
  auto input = std::make_unique<CFile>();  // too large for the stack
  time_analysis_started = std::time(nullptr);

  if (!quiet_requested(argc, argv)) {
    velkor_welcome(stderr);
    std::fflush(stderr);
  }

  int code = read_and_init_parameters(argc, argv);
  if (code != EXIT_OK) return abort_run(code);

  input->open(global_input_filename.c_str());
  if (input->failed()) {
    std::fprintf(stderr, "Sorry! The input file \n   \"%s\"\ncould not be opened. I guess it does not exist.\n",
                 global_input_filename.c_str());
    return abort_run(EXIT_INPUT_NOT_OPENABLE);
  }

  if (global_mask_repeats && global_mask_filename.empty() && !masked_name_derivable()) {
    std::fprintf(stderr,
                 "Sorry! The masked sequences cannot be written beside the input\n   \"%s\"\n"
                 "which is standard input or not a file. Name their file with --maskFile PATH.\n",
                 global_input_filename.c_str());
    return abort_run(EXIT_BAD_OPTION);
  }
  std::unique_ptr<InputLetters> letters;
  if (global_mask_keep_input) {
    letters = std::make_unique<InputLetters>();
    if (!letters->open(global_input_filename)) return abort_run(EXIT_BAD_OPTION);
  }
  std::string masked_name =
      global_mask_filename.empty() ? global_input_filename + ".masked" : global_mask_filename;
  std::deque<ExtraFile> extras;
  add_requested_files(extras);
  if (!output_files_are_safe(masked_name, extras)) return abort_run(EXIT_OUTPUT_NOT_OPENABLE);

  OutputStream out("output file");
  if (global_output_filename.empty()) {
    out.use_standard_output();
  } else if (!out.open(global_output_filename)) {
    std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nas output file.\n", global_output_filename.c_str());
    return abort_run(EXIT_OUTPUT_NOT_OPENABLE);
  }

  RepeatFileStreams streams;
  for (ExtraFile& file : extras) {
    if (file.name == standard_stream_name) {
      file.stream.use_standard_output();
    } else if (!file.stream.open(file.name)) {
      std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nas %s.\n", file.name.c_str(),
                   file.description.c_str());
      return abort_run(EXIT_OUTPUT_NOT_OPENABLE);
    }
    streams.*file.slot = file.stream.file();
  }
  // Large (the units of short repeats are remembered), so not on the stack.
  std::unique_ptr<RepeatFiles> files =
      extras.empty() ? nullptr : std::make_unique<RepeatFiles>(streams, global_catalog_settings);
  if (files) files->write_heads();

  write_headers(out.file());
  if (!out.flush()) return write_failed(out);

  OutputStream masked("file for the masked sequences");
  if (global_mask_repeats && masked_name == standard_stream_name) {
    masked.use_standard_output();
  } else if (global_mask_repeats && !masked.open(masked_name)) {
    std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nfor the masked sequences.\n", masked_name.c_str());
    return abort_run(EXIT_MASKED_NOT_OPENABLE);
  }

  unsigned threads = threads_to_use();
  RecordNames names(!global_gff_filename.empty());
  unsigned records = 0;
  code = threads == 1
             ? search_records(*input, sequence, out, files.get(), extras, masked, letters.get(), names, records)
             : search_records_at_once(threads, *input, out, files.get(), extras, masked, letters.get(), names, records);
  if (code != EXIT_OK) return code;
  if (names.count() == 0) warn_nothing_searched(records);

  input->close();
  code = commit_outputs(out, extras, masked);
  if (code != EXIT_OK) return code;
  if (!masked.close()) return write_failed(masked);
  if (files) files->write_ends(global_input_filename);
  for (ExtraFile& file : extras) {
    if (!file.stream.close()) return write_failed(file.stream);
  }
  for (const CatalogRequest& request : global_catalogs) {
    files->catalog(request.format)->report_left_out(request.filename);
  }
  report_finished(out.file());
  if (!out.close()) return write_failed(out);
  if (!global_quiet) good_bye();
  return EXIT_OK;
}
