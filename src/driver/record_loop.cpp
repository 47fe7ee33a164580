#include "driver/record_loop.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "config/exit_codes.h"
#include "driver/block_pool.h"
#include "driver/held_record.h"
#include "driver/input_problem.h"
#include "driver/masking.h"
#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/record_batch.h"
#include "driver/record_worker.h"
#include "driver/search_record.h"
#include "repeats/allocation.h"

namespace {

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
            search_batch(batch, keep_repeats, mask, record_workers_, *queue_, worker);
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
  // Outlive the queue whose workers use them, and so every record taken
  // from their pools.
  RecordWorkers record_workers_;
  std::unique_ptr<OrderedWorkQueue<RecordBatch>> queue_;
  std::unique_ptr<RecordBatch> spare_;
  std::unique_ptr<RecordBatch> filling_;
};

// Reads every record of input; those in the range are searched and written
// by searcher. record_number ends as the number of records read. A failed
// allocation ends the run in its record's turn, after the records before it
// are written, as where it happened on one thread; workers may still be
// searching later records, and are neither waited for nor unwound.
int search_records(const RunOptions& options, CFile& input, RunOutputs& outputs, RecordSearcher& searcher,
                   unsigned& record_number) try {
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
} catch (const FailedAllocation& failure) {
  end_for_failed_allocation(failure);
}

}  // namespace

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
