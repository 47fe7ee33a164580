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
#include <vector>

#include "config/exit_codes.h"
#include "config/run_options.h"
#include "config/search_globals_bridge.h"
#include "config/search_parameters_summary.h"
#include "driver/CFile.h"
#include "driver/arrays_parameters.h"
#include "driver/file_identity.h"
#include "driver/held_record.h"
#include "driver/input_letters.h"
#include "driver/input_problem.h"
#include "driver/masking.h"
#include "driver/record_batch.h"
#include "driver/record_worker.h"
#include "driver/record_names.h"
#include "driver/residue_buffer.h"
#include "driver/search_record.h"
#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/output_stream.h"
#include "repeats/repeat_files.h"
#include "repeats/column_legend.h"
#include "repeats/report_options.h"

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

bool reads_standard_input(const RunOptions& options) { return options.input_filename == standard_stream_name; }

FileIdentity identify_output(const std::string& name) {
  return name == standard_stream_name ? identify_stream(stdout) : identify_file(name);
}

// The masked file is named after the input only where the input is a file
// of the user's: "-", a pipe or a device would put it beside the system's
// files (/dev/stdin.masked) or nowhere at all.
bool masked_name_derivable(const RunOptions& options) {
  const std::string& input = options.input_filename;
  auto in_folder = [&input](const char* folder) { return input.compare(0, std::strlen(folder), folder) == 0; };
  return !reads_standard_input(options) && identify_file(input).kind == FileIdentity::EXISTING_FILE &&
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
void add_requested_files(const RunOptions& options, std::deque<ExtraFile>& files) {
  if (!options.bed_filename.empty()) files.emplace_back("BED file", options.bed_filename, &RepeatFileStreams::bed);
  if (!options.gff_filename.empty()) files.emplace_back("GFF3 file", options.gff_filename, &RepeatFileStreams::gff);
  for (const CatalogRequest& catalog : options.catalogs) {
    FILE* RepeatFileStreams::*slot = catalog.format == CatalogFormat::TRGT     ? &RepeatFileStreams::trgt
                                     : catalog.format == CatalogFormat::HIPSTR ? &RepeatFileStreams::hipstr
                                                                               : &RepeatFileStreams::expansionhunter;
    files.emplace_back(std::string(catalog_format_name(catalog.format)) + " catalogue", catalog.filename, slot);
  }
  if (!options.summary_filename.empty()) {
    files.emplace_back("summary file", options.summary_filename, &RepeatFileStreams::summary);
  }
}

// Opening the report, the masked file or any other output truncates it, so
// none may be the input, and no two may be one file written through two
// streams.
bool output_files_are_safe(const RunOptions& options, const std::string& masked_name,
                           std::deque<ExtraFile>& extras) {
  const char* overwrites_input = "is the input file itself. Velkor does not overwrite its input.";
  FileIdentity input =
      reads_standard_input(options) ? identify_stream(stdin) : identify_file(options.input_filename);
  bool to_standard_output = options.output_filename.empty();
  FileIdentity report = to_standard_output ? identify_stream(stdout) : identify_file(options.output_filename);
  const char* report_name = to_standard_output ? "(standard output)" : options.output_filename.c_str();
  if (!distinct(report, input, "output file", report_name, overwrites_input)) return false;

  FileIdentity masked;  // unknown, so distinct from everything, when there is no masked file
  if (options.mask_repeats) {
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

void write_headers(FILE* out, const RunOptions& options) {
  if (!options.quiet) {
    creator_message(stderr, "");
    print_search_parameters(stderr, "", options);
    std::fputs(
        "\n\nSearch progress:\n\nTime     - SeqNr - PatLen - Seq-Name\n"
        "------------------------------------------------------------------------\n",
        stderr);
    std::fflush(stderr);
  }

  creator_message(out, "# ");
  print_search_parameters(out, "# ", options);
  print_output_format(out, "# ", report_options_of(options));
}

int read_failed(FastaResult result, const CFile& input, const std::string& input_name, unsigned record_number) {
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
                     input_name.c_str(), why, input.line);
        return abort_run(EXIT_BAD_FASTA);
      }
      std::fprintf(stderr,
                   "\n\nAn error occurred while reading the input file. It might not be a valid fasta file.\n"
                   "File position: line %u\n",
                   input.line);
      std::fputs(describe_input_problem(input, input_name).c_str(), stderr);
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
// given, the repeats as mask_with says. False where those letters could not
// be had.
bool write_masked(FILE* out, const CSequence_Mol& seq, unsigned record_number, InputLetters* letters,
                  int mask_with) {
  if (!letters) {
    write_masked_record(out, seq);
    return true;
  }
  return letters->write_record(out, seq, record_number, mask_with);
}

// Takes a record searched on the run's own thread into the masked file at once.
class MaskedFile : public MaskedRecords {
 public:
  MaskedFile(FILE* out, unsigned record_number, InputLetters* letters, int mask_with)
      : out_(out), record_number_(record_number), letters_(letters), mask_with_(mask_with) {}
  void take(const CSequence_Mol& seq) override {
    written_ = write_masked(out_, seq, record_number_, letters_, mask_with_);
  }
  bool written() const { return written_; }

 private:
  FILE* out_;
  unsigned record_number_;
  InputLetters* letters_;
  int mask_with_;
  bool written_ = true;
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
int check_written(RunOutputs& outputs) {
  if (!outputs.out.flush()) return write_failed(outputs.out);
  if (ExtraFile* failed = failed_file(outputs.extras)) return write_failed(failed->stream);
  if (!outputs.masked.written_so_far()) return write_failed(outputs.masked);
  return EXIT_OK;
}

// The outputs take the place of the files of their names once the run is
// sure to search a record (or has ended well without one): a run stopped
// before then, by an input that cannot be read, leaves those files as they
// were.
int commit_outputs(RunOutputs& outputs) {
  if (!outputs.out.commit()) return write_failed(outputs.out);
  for (ExtraFile& file : outputs.extras) {
    if (!file.stream.commit()) return write_failed(file.stream);
  }
  if (!outputs.masked.commit()) return write_failed(outputs.masked);
  return EXIT_OK;
}

// How the records in range are searched and written: on the run's own
// thread, or by workers. The run's one loop reads every record through it.
class RecordSearcher {
 public:
  virtual ~RecordSearcher() = default;
  // Reads the next record of input, as record number.
  virtual FastaResult read(CFile& input, unsigned number) = 0;
  // Forgets the record just read: it lies outside the range.
  virtual void drop() {}
  // Searches and writes the record just read, or hands it on to be.
  virtual int take() = 0;
  // Writes what was taken and not yet written: at the end of the input, or
  // before the message about a record that cannot be read.
  virtual int finish() { return EXIT_OK; }
};

// Each record searched and written at once, on the run's own thread: no
// copy of a report or of repeats is held.
class SearchOnThisThread : public RecordSearcher {
 public:
  SearchOnThisThread(const RunOptions& options, CSequence_Mol& seq, RunOutputs& outputs)
      : options_(options), seq_(seq), outputs_(outputs), worker_(std::make_unique<RecordWorker>(options)) {}

  FastaResult read(CFile& input, unsigned number) override {
    number_ = number;
    seq_.name.clear();
    seq_.length = 0;
    return read_fasta_record(input, seq_);
  }

  int take() override {
    if (!outputs_.names.add(seq_, number_)) return abort_run(EXIT_BAD_FASTA);
    if (!options_.quiet) report_status(number_, seq_.name.c_str(), options_.min_unit_length);
    update_report_time();
    MaskedFile masked_file(outputs_.masked.file(), number_, outputs_.letters, outputs_.mask_with);
    search_record(*worker_, number_, seq_, outputs_.out.file(), outputs_.files,
                  outputs_.masked.file() ? &masked_file : nullptr);
    if (!masked_file.written()) return abort_run(EXIT_BAD_FASTA);
    return check_written(outputs_);
  }

 private:
  const RunOptions& options_;
  CSequence_Mol& seq_;
  RunOutputs& outputs_;
  std::unique_ptr<RecordWorker> worker_;
  unsigned number_ = 0;
};

// Ends the run for want of memory while workers may still be searching: the
// process ends without the destructors of what they use; what was written
// reaches its files, as when a run on one thread ends the same way.
[[noreturn]] void end_for_want_of_memory(const char* message) {
  std::fputs(message, stderr);
  std::fflush(nullptr);
  std::_Exit(EXIT_OUT_OF_MEMORY);
}

// The records searched by several threads at once: the run's thread reads
// them into batches, the workers search the batches, and the run's thread
// writes each record in its turn, exactly as one thread would have written
// it. Besides the batch being filled, at most one batch per worker is
// searched or waits, and as many again of short records: so that a worker
// done with its batch finds the next one while the run's thread writes,
// without holding more than a few long records.
class SearchOnWorkers : public RecordSearcher {
 public:
  SearchOnWorkers(const RunOptions& options, unsigned threads, RunOutputs& outputs)
      : options_(options), threads_(threads), outputs_(outputs) {}

  // Starts the workers; false, after the message, when the system starts
  // too few threads.
  bool start() {
    const bool keep_repeats = outputs_.files != nullptr;
    const bool mask = outputs_.masked.file() != nullptr;
    for (unsigned i = 0; i < threads_; ++i) record_workers_.push_back(std::make_unique<RecordWorker>(options_));
    try {
      queue_ = std::make_unique<OrderedWorkQueue<RecordBatch>>(
          threads_, [this, keep_repeats, mask](RecordBatch& batch, unsigned worker) {
            search_batch(batch, keep_repeats, mask, *record_workers_[worker]);
          });
    } catch (const std::system_error& error) {
      std::fprintf(stderr, "Sorry! The system did not start %u threads (%s).\nRun with fewer threads.\n", threads_,
                   error.what());
      return false;
    }
    filling_ = std::make_unique<RecordBatch>(held_blocks_);
    // The workers search before the first progress line is written.
    update_report_time();
    return true;
  }

  FastaResult read(CFile& input, unsigned number) override { return filling_->read(input, number); }
  void drop() override { filling_->drop_last(); }
  int take() override { return filling_->full() ? hand_over() : EXIT_OK; }

  int finish() override {
    int code = filling_->empty() ? EXIT_OK : hand_over();
    while (code == EXIT_OK && !queue_->empty()) code = write_oldest(nullptr);
    return code;
  }

 private:
  // Writes the records of the oldest batch, the report of each as its
  // search makes it, and keeps the batch (with its grown buffers) for the
  // next. Once the whole batch is searched, calls `searched`, if given,
  // before the rest of its last record is written.
  int write_oldest(const std::function<void()>& searched) {
    RecordBatch& turn = queue_->oldest();
    // A batch's last record may be long: its report is copied as it grows.
    // The short ones before it are written together once searched, since
    // a wait for each cost two context switches per record.
    turn.report().wait_for_parts(turn.size() - 1);
    for (std::size_t i = 0; i < turn.size(); ++i) {
      HeldRecord& record = turn.record(i);
      if (!outputs_.names.add(record.seq, record.number)) return abort_run(EXIT_BAD_FASTA);
      if (!options_.quiet) report_status(record.number, record.seq.name.c_str(), options_.min_unit_length);
      update_report_time();
      turn.report().copy_part_to(outputs_.out.file());
      if (searched && i + 1 == turn.size()) searched();
      int code = finish_held_record(record, turn);
      if (code != EXIT_OK) return code;
    }
    spare_ = queue_->pop_oldest();
    spare_->reset();
    return EXIT_OK;
  }

  // The part of a record searched beside others that is written once its
  // search is done.
  int finish_held_record(HeldRecord& record, RecordBatch& batch) {
    if (!record.progress_messages.empty()) progress_message(record.progress_messages.c_str());
    // Before a failure: a search that failed once the residues were masked
    // (in freeing its memory) has written its masked copy on one thread too.
    if (record.masked && !write_masked(outputs_.masked.file(), record.seq, record.number, outputs_.letters,
                                       outputs_.mask_with)) {
      return abort_run(EXIT_BAD_FASTA);
    }
    if (record.allocation_failure) end_for_want_of_memory(record.allocation_failure);
    if (record.failure) std::rethrow_exception(record.failure);
    if (outputs_.files) {
      batch.repeats().replay(record.first_repeat, record.end_of_repeats, *outputs_.files, record.seq,
                             record.number);
    }
    return check_written(outputs_);
  }

  // Hands the batch being filled to the workers and starts another. Where
  // the batches held are as many as allowed, the batch goes to the workers
  // as soon as the oldest is searched, while this thread still writes it:
  // the worker done with the oldest would otherwise wait for that writing.
  // The batches then held are as many as before: the one being filled was
  // among them.
  int hand_over() {
    const bool short_records = filling_->residues() <= 2 * RecordBatch::residue_budget;
    const std::size_t most_held = short_records ? 2 * threads_ : threads_;
    bool handed = false;
    const std::function<void()> hand = [&]() {
      filling_->seal();
      queue_->push(std::move(filling_));
      handed = true;
    };
    while (!handed && queue_->size() >= most_held) {
      int code = write_oldest(queue_->size() == most_held ? hand : nullptr);
      if (code != EXIT_OK) return code;
    }
    if (!handed) hand();
    filling_ = spare_ ? std::move(spare_) : std::make_unique<RecordBatch>(held_blocks_);
    return EXIT_OK;
  }

  const RunOptions& options_;
  const unsigned threads_;
  RunOutputs& outputs_;
  BlockPool held_blocks_;  // outlives the batches and the workers
  std::vector<std::unique_ptr<RecordWorker>> record_workers_;  // outlive the queue whose workers use them
  std::unique_ptr<OrderedWorkQueue<RecordBatch>> queue_;
  std::unique_ptr<RecordBatch> spare_;
  std::unique_ptr<RecordBatch> filling_;
};

// Reads every record of input; those in the range are searched and written
// by searcher. record_number ends as the number of records read.
int search_records(const RunOptions& options, CFile& input, RunOutputs& outputs, RecordSearcher& searcher,
                   unsigned& record_number) {
  bool committed = false;
  while (!input.at_end()) {
    ++record_number;
    FastaResult result = searcher.read(input, record_number);
    if (result != FastaResult::RECORD) {
      int code = searcher.finish();
      return code != EXIT_OK ? code : read_failed(result, input, options.input_filename, record_number);
    }
    // Records outside the range are still read, so that the whole file is validated.
    if (record_number < options.sequence_from || record_number > options.sequence_to) {
      searcher.drop();
      continue;
    }
    if (!committed) {
      int code = commit_outputs(outputs);
      if (code != EXIT_OK) return code;
      committed = true;
    }
    int code = searcher.take();
    if (code != EXIT_OK) return code;
  }
  return searcher.finish();
}

// The records searched on the run's thread, or on as many workers as
// threads, which are then started here and ended before this returns.
int search_all_records(const RunOptions& options, unsigned threads, CFile& input, CSequence_Mol& seq,
                       RunOutputs& outputs, unsigned& record_number) {
  if (threads == 1) {
    SearchOnThisThread searcher(options, seq, outputs);
    return search_records(options, input, outputs, searcher, record_number);
  }
  SearchOnWorkers searcher(options, threads, outputs);
  if (!searcher.start()) return abort_run(EXIT_OUT_OF_MEMORY);
  return search_records(options, input, outputs, searcher, record_number);
}

// A range that selects no record gives a report without repeats, which is
// easily taken for a file without any.
void warn_nothing_searched(const RunOptions& options, unsigned records) {
  std::string last = options.sequence_to == last_record ? "-1" : std::to_string(options.sequence_to);
  std::fprintf(stderr,
               "Warning: no record was searched: the input holds %u record%s, and --firstSeq %u --lastSeq %s\n"
               "selects none of them.\n",
               records, records == 1 ? "" : "s", options.sequence_from, last.c_str());
  std::fflush(stderr);
}

unsigned threads_to_use(const RunOptions& options) {
  if (options.threads != 0) return options.threads;
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

  RunOptions options;
  int code = read_run_options(argc, argv, options);
  if (code != EXIT_OK) return abort_run(code);
  set_search_globals(options);

  input->open(options.input_filename.c_str());
  if (input->failed()) {
    std::fprintf(stderr, "Sorry! The input file \n   \"%s\"\ncould not be opened. I guess it does not exist.\n",
                 options.input_filename.c_str());
    return abort_run(EXIT_INPUT_NOT_OPENABLE);
  }

  if (options.mask_repeats && options.mask_filename.empty() && !masked_name_derivable(options)) {
    std::fprintf(stderr,
                 "Sorry! The masked sequences cannot be written beside the input\n   \"%s\"\n"
                 "which is standard input or not a file. Name their file with --maskFile PATH.\n",
                 options.input_filename.c_str());
    return abort_run(EXIT_BAD_OPTION);
  }
  std::unique_ptr<InputLetters> letters;
  if (options.mask_keep_input) {
    letters = std::make_unique<InputLetters>();
    if (!letters->open(options.input_filename)) return abort_run(EXIT_BAD_OPTION);
  }
  std::string masked_name =
      options.mask_filename.empty() ? options.input_filename + ".masked" : options.mask_filename;
  std::deque<ExtraFile> extras;
  add_requested_files(options, extras);
  if (!output_files_are_safe(options, masked_name, extras)) return abort_run(EXIT_OUTPUT_NOT_OPENABLE);

  OutputStream out("output file");
  if (options.output_filename.empty()) {
    out.use_standard_output();
  } else if (!out.open(options.output_filename)) {
    std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nas output file.\n", options.output_filename.c_str());
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
      extras.empty() ? nullptr
                     : std::make_unique<RepeatFiles>(streams, options.catalog_settings, report_options_of(options));
  if (files) files->write_heads();

  write_headers(out.file(), options);
  if (!out.flush()) return write_failed(out);

  OutputStream masked("file for the masked sequences");
  if (options.mask_repeats && masked_name == standard_stream_name) {
    masked.use_standard_output();
  } else if (options.mask_repeats && !masked.open(masked_name)) {
    std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nfor the masked sequences.\n", masked_name.c_str());
    return abort_run(EXIT_MASKED_NOT_OPENABLE);
  }

  RecordNames names(!options.gff_filename.empty());
  RunOutputs outputs{out, files.get(), extras, masked, letters.get(), names, options.mask_with};
  unsigned records = 0;
  code = search_all_records(options, threads_to_use(options), *input, sequence, outputs, records);
  if (code != EXIT_OK) return code;
  if (names.count() == 0) warn_nothing_searched(options, records);

  input->close();
  code = commit_outputs(outputs);
  if (code != EXIT_OK) return code;
  if (!masked.close()) return write_failed(masked);
  if (files) files->write_ends(options.input_filename);
  for (ExtraFile& file : extras) {
    if (!file.stream.close()) return write_failed(file.stream);
  }
  for (const CatalogRequest& request : options.catalogs) {
    files->catalog(request.format)->report_left_out(request.filename);
  }
  report_finished(out.file());
  if (!out.close()) return write_failed(out);
  if (!options.quiet) good_bye();
  return EXIT_OK;
}
