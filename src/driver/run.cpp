#include "driver/run.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <thread>

#include "config/exit_codes.h"
#include "config/run_options.h"
#include "config/search_parameters_summary.h"
#include "driver/CFile.h"
#include "driver/file_identity.h"
#include "driver/input_letters.h"
#include "driver/messages.h"
#include "driver/output_stream.h"
#include "driver/record_loop.h"
#include "driver/record_names.h"
#include "driver/residue_buffer.h"
#include "driver/run_outputs.h"
#include "repeats/column_legend.h"
#include "repeats/repeat_files.h"
#include "repeats/report_options.h"

namespace {

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

// The heads of the files for other tools, of the progress on standard error
// and of the report.
void write_heads(FILE* out, RepeatFiles* files, const RunOptions& options) {
  if (files) files->write_heads();
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

// Opens the input, and a second reading of it where the masked file keeps
// the input's letters; says why where the run cannot go on.
int open_input(const RunOptions& options, CFile& input, std::unique_ptr<InputLetters>& letters) {
  input.open(options.input_filename.c_str());
  if (input.failed()) {
    std::fprintf(stderr, "Sorry! The input file \n   \"%s\"\ncould not be opened. I guess it does not exist.\n",
                 options.input_filename.c_str());
    return EXIT_INPUT_NOT_OPENABLE;
  }
  if (options.mask_repeats && options.mask_filename.empty() && !masked_name_derivable(options)) {
    std::fprintf(stderr,
                 "Sorry! The masked sequences cannot be written beside the input\n   \"%s\"\n"
                 "which is standard input or not a file. Name their file with --maskFile PATH.\n",
                 options.input_filename.c_str());
    return EXIT_BAD_OPTION;
  }
  if (options.mask_keep_input) {
    letters = std::make_unique<InputLetters>();
    if (!letters->open(options.input_filename)) return EXIT_BAD_OPTION;
  }
  return EXIT_OK;
}

// Opens the report and the files for other tools, once none of them can
// overwrite the input or another output, and hands the files' streams to
// streams; says why where one cannot be opened.
int open_report_and_files(const RunOptions& options, const std::string& masked_name, OutputStream& out,
                          std::deque<ExtraFile>& extras, RepeatFileStreams& streams) {
  if (!output_files_are_safe(options, masked_name, extras)) return EXIT_OUTPUT_NOT_OPENABLE;
  if (options.output_filename.empty()) {
    out.use_standard_output();
  } else if (!out.open(options.output_filename)) {
    std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nas output file.\n", options.output_filename.c_str());
    return EXIT_OUTPUT_NOT_OPENABLE;
  }
  for (ExtraFile& file : extras) {
    if (file.name == standard_stream_name) {
      file.stream.use_standard_output();
    } else if (!file.stream.open(file.name)) {
      std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nas %s.\n", file.name.c_str(),
                   file.description.c_str());
      return EXIT_OUTPUT_NOT_OPENABLE;
    }
    streams.*file.slot = file.stream.file();
  }
  return EXIT_OK;
}

// Opens the masked file where masking is asked for.
int open_masked(const RunOptions& options, const std::string& masked_name, OutputStream& masked) {
  if (options.mask_repeats && masked_name == standard_stream_name) {
    masked.use_standard_output();
  } else if (options.mask_repeats && !masked.open(masked_name)) {
    std::fprintf(stderr, "Sorry! Failed to open file\n   \"%s\"\nfor the masked sequences.\n", masked_name.c_str());
    return EXIT_MASKED_NOT_OPENABLE;
  }
  return EXIT_OK;
}

// Puts the outputs in place once every record is searched, the report last:
// its closing line says that all the others were written whole.
int close_outputs(const RunOptions& options, RunOutputs& outputs) {
  const int code = commit_outputs(outputs);
  if (code != EXIT_OK) return code;
  if (!outputs.masked.close()) return write_failed(outputs.masked);
  if (outputs.files) outputs.files->write_ends(options.input_filename);
  for (ExtraFile& file : outputs.extras) {
    if (!file.stream.close()) return write_failed(file.stream);
  }
  for (const CatalogRequest& request : options.catalogs) {
    outputs.files->catalog(request.format)->report_left_out(request.filename);
  }
  report_finished(outputs.out.file());
  if (!outputs.out.close()) return write_failed(outputs.out);
  if (!options.quiet) good_bye();
  return EXIT_OK;
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
  std::unique_ptr<InputLetters> letters;
  code = open_input(options, *input, letters);
  if (code != EXIT_OK) return abort_run(code);

  std::string masked_name =
      options.mask_filename.empty() ? options.input_filename + ".masked" : options.mask_filename;
  std::deque<ExtraFile> extras;
  add_requested_files(options, extras);
  OutputStream out("output file");
  RepeatFileStreams streams;
  code = open_report_and_files(options, masked_name, out, extras, streams);
  if (code != EXIT_OK) return abort_run(code);
  // Large (the units of short repeats are remembered), so not on the stack.
  std::unique_ptr<RepeatFiles> files =
      extras.empty() ? nullptr
                     : std::make_unique<RepeatFiles>(streams, options.catalog_settings, report_options_of(options));
  write_heads(out.file(), files.get(), options);
  if (!out.flush()) return write_failed(out);

  OutputStream masked("file for the masked sequences");
  code = open_masked(options, masked_name, masked);
  if (code != EXIT_OK) return abort_run(code);

  RecordNames names(!options.gff_filename.empty());
  RunOutputs outputs{out, files.get(), extras, masked, letters.get(), names, options.mask_with};
  unsigned records = 0;
  code = search_all_records(options, threads_to_use(options), *input, sequence, outputs, records);
  if (code != EXIT_OK) return code;
  if (names.count() == 0) warn_nothing_searched(options, records);

  input->close();
  return close_outputs(options, outputs);
}
