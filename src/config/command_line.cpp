#include <tclap/CmdLine.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "config/exit_codes.h"
#include "config/message_text.h"
#include "config/option_table.h"
#include "config/run_options.h"

namespace {

// Decimal text of a value for a message; a float as the summary shows it.
template <typename Number>
std::string text_of(Number value) {
  return std::to_string(value);
}
std::string text_of(float value) { return number_text(value); }

// More threads than this would only exhaust the system's thread limit.
constexpr long long most_threads = 1024;
constexpr long long largest_unsigned = 4294967295LL;

// The line under a rejected value's message that names the option to change.
template <typename Value>
std::string option_line(const char* option, Value value) {
  return std::string("(option ") + option + ": " + text_of(value) + ")\n";
}

// An enumerated option takes the values 0 to 2 only.
std::function<OptionProblem(int)> enumerated(const char* before_value, const char* after_value) {
  return [before_value, after_value](int value) {
    if (value >= 0 && value <= 2) return OptionProblem();
    return OptionProblem{std::string("Sorry, a problem occured when parsing the command line options. ") +
                             before_value + std::to_string(value) + after_value,
                         EXIT_OPTION_OUT_OF_RANGE};
  };
}

// Values read into a wider type than their setting has, so that a negative
// number cannot wrap around into a huge one.
std::function<OptionProblem(long long)> unit_length_in_range(const char* option) {
  return [option](long long value) {
    if (value >= 0 && value <= largest_unsigned) return OptionProblem();
    return OptionProblem{"Sorry, a unit length must be a whole number from 0 to 4294967295.\n" +
                         option_line(option, value)};
  };
}

OptionProblem score_or_length_problem(const RunOptions& o) {
  // As for a unit of length 1; the thresholds are formed in double precision
  // from the single-precision factor, like the threshold tables.
  double score_floor = std::max(static_cast<double>(o.min_score),
                                static_cast<double>(o.min_score_a) + static_cast<double>(o.min_score_bx));
  double length_floor = std::max(static_cast<double>(o.min_length),
                                 static_cast<double>(o.min_length_a) + static_cast<double>(o.min_length_bx));
  if (score_floor >= 2 || length_floor >= 2) return {};
  return {"Sorry, either the minimum score or the minimum length must be larger.\n(options -s, --minScore: " +
          text_of(o.min_score) + " with --minScore_a: " + text_of(o.min_score_a) + " and --minScore_b: " +
          text_of(o.min_score_bx) + ";\n -l, --minLength: " + text_of(o.min_length) + " with --minLength_a: " +
          text_of(o.min_length_a) + " and --minLength_b: " + text_of(o.min_length_bx) + ")\n"};
}

OptionProblem unit_length_order_problem(const RunOptions& o) {
  if (o.max_unit_length >= o.min_unit_length) return {};
  return {"I think you have made a mistake here: The maximum unit length must be greater\n"
          "or equal to the minimum unit length.\n(options -u, --minUnitLen: " +
          text_of(o.min_unit_length) + " and -U, --maxUnitLen: " + text_of(o.max_unit_length) + ")\n"};
}

// Two outputs written to standard output would interleave into one stream
// that no tool can read; names the first two.
OptionProblem standard_output_problem(const RunOptions& o) {
  struct Output {
    std::string what;
    std::string how_to_name;
  };
  std::vector<Output> to_standard_output;
  auto add_if_standard = [&](const std::string& name, std::string what, std::string how_to_name) {
    if (name == standard_stream_name) to_standard_output.push_back({std::move(what), std::move(how_to_name)});
  };
  if (o.output_filename.empty()) to_standard_output.push_back({"report", "as the second file name"});
  add_if_standard(o.mask_filename, "masked sequences", "with --maskFile");
  add_if_standard(o.bed_filename, "BED file", "with --bedFile");
  add_if_standard(o.gff_filename, "GFF3 file", "with --gffFile");
  for (const CatalogRequest& catalog : o.catalogs) {
    const std::string format = catalog_format_name(catalog.format);
    add_if_standard(catalog.filename, format + " catalogue", "with --catalog " + format + ":PATH");
  }
  add_if_standard(o.summary_filename, "summary file", "with --summaryFile");
  if (to_standard_output.size() < 2) return {};
  const Output& first = to_standard_output[0];
  const Output& second = to_standard_output[1];
  return {"Sorry, the " + first.what + " and the " + second.what +
          " cannot both be written to standard output.\nName a file for one of them: the " + first.what + " " +
          first.how_to_name + ", the " + second.what + " " + second.how_to_name + ".\n"};
}

// The checks of values that are each fine alone but make a run meaningless
// together, or of defaults that a mode changed.
void add_whole_checks(OptionTable& table) {
  table.add_check(CheckTurn::SCORE_OR_LENGTH, score_or_length_problem);
  table.add_check(CheckTurn::MISMATCH_SCORE, [](const RunOptions& o) {
    if (o.mismatch_score <= -2) return OptionProblem();
    return OptionProblem{"Sorry, the mismatch score must be smaller or equal to -2.\n" +
                         option_line("-m, --mismatchScore", o.mismatch_score)};
  });
  table.add_check(CheckTurn::INDEL_SCORE, [](const RunOptions& o) {
    if (o.indel_score <= -2) return OptionProblem();
    return OptionProblem{"Sorry, the indel score must be smaller or equal to -2.\n" +
                         option_line("-g, --indelScore", o.indel_score)};
  });
  table.add_check(CheckTurn::UNIT_LENGTH_ORDER, unit_length_order_problem);
  // Every search starts at a unit of at least one residue.
  table.add_check(CheckTurn::MIN_UNIT_LENGTH, [](const RunOptions& o) {
    if (o.min_unit_length != 0) return OptionProblem();
    return OptionProblem{"Sorry, the minimum unit length must be at least 1.\n" +
                         option_line("-u, --minUnitLen", o.min_unit_length)};
  });
  table.add_check(CheckTurn::STANDARD_OUTPUT, standard_output_problem);
}

// The options in the order the parser takes them; the usage text lists them
// from the last to the first.
void add_run_options(OptionTable& table) {
  table.add_switch("q", "quiet",
                   "Writes no banner, no parameter summary and no progress lines to standard error. Error messages "
                   "still appear.",
                   [](RunOptions& o) { o.quiet = true; });
  table.add_value<long long>(
      "t", "threads",
      "Number of records searched at once, each by its own thread; 0: one per core of the machine. The outputs "
      "are the same for every number. Default: 1.",
      "int", [](RunOptions& o, long long n) { o.threads = static_cast<unsigned>(n); }, CheckTurn::THREADS,
      [](long long n) {
        if (n >= 0 && n <= most_threads) return OptionProblem();
        return OptionProblem{"Sorry, the number of threads must be a whole number from 0 to " +
                             std::to_string(most_threads) + "; 0 uses every core of the machine.\n" +
                             option_line("-t, --threads", n)};
      });
}

void add_report_options(OptionTable& table) {
  // Negative counts mean none; no need to bother the user about it.
  table.add_value<int>(
      "N", "succN",
      "The maximum number of successive N's allowed in a satellite; a negative value counts as 0. Default: 4.",
      "int", [](RunOptions& o, int n) { o.Ns_allowed_in_a_row = std::max(n, 0); });
  table.add_switch("", "NsAsMissense", "Treat N's as missense. Default: Treat N's as neutral with score 0.",
                   [](RunOptions& o) { o.treat_Ns_as_missense = true; });
  table.add_value<int>(
      "", "reportUnit",
      "Repeat units can be reported in three different modes. 0: asIs, 1: Alphabetical normal form, 2: "
      "Alphabetical normal form also considering the reverse complement. Default: 2",
      "int", [](RunOptions& o, int mode) { o.report_unit_mode = mode; }, CheckTurn::REPORT_UNIT,
      enumerated("An option value of ", " for the reportUnit option is unknown.\n\n"));
  table.add_value<int>(
      "", "NPerfectionMode",
      "Velkor provides different modes to treat N's when computing the perfection of a repeat. 0: asMismatch, 1: "
      "asNeutral, 2: asMatch. Default: 0",
      "int", [](RunOptions& o, int mode) { o.N_and_perfection_mode = mode; }, CheckTurn::N_PERFECTION_MODE,
      enumerated("An NPerfectionMode with a value of ", " is unknown.\n\n"));
  table.add_value<int>(
      "", "printRepeatSeqMode",
      "Velkor provides different modes to print the repeat sequence along with its information. 0: don't print "
      "sequence, 1: print sequence, 2: print alignment. Default: 2",
      "int", [](RunOptions& o, int mode) { o.print_sat_seq_mode = mode; }, CheckTurn::PRINT_REPEAT_SEQ_MODE,
      enumerated("A printRepeatSeqMode with a value of ", " is unknown.\n\n"));
  table.add_value<int>(
      "", "outputFormat",
      "Velkor provides different output formats for printing the repeat information. 0: Velkor output format, 1: "
      "extended Velkor output format, 2: sputnik compatible format. Default: 1",
      "int", [](RunOptions& o, int format) { o.print_sat_mode = format; }, CheckTurn::OUTPUT_FORMAT,
      enumerated("An outputFormat with a value of ", " is unknown.\n\n"));
}

void add_output_file_options(OptionTable& table) {
  table.add_switch("", "maskX",
                   "Writes the sequences to a file with the extension \".masked\" in which repeats are masked.",
                   [](RunOptions& o) { o.mask_repeats = true; });
  table.add_value<std::string>(
      "", "maskFile",
      "Writes the sequences in which repeats are masked to this file (- for standard output) instead of the "
      "input file's name with \".masked\" appended. Implies --maskX.",
      "path", [](RunOptions& o, std::string name) {
        o.mask_filename = name;
        o.mask_repeats = true;
      });
  table.add_choice("", "maskWith",
                   "How masked repeats are written: X or N replace their residues, lower writes them in lower case "
                   "and all other residues in upper case (soft-masking). Implies --maskX. Default: X",
                   {"X", "N", "lower"}, [](RunOptions& o, std::string with) {
                     o.mask_with = with == "N" ? MASK_N : with == "lower" ? MASK_LOWER : MASK_X;
                     o.mask_repeats = true;
                   });
  table.add_switch("", "maskKeepInput",
                   "Writes every residue outside the repeats to the masked file as the input has it, lower case and "
                   "IUPAC codes included (the input is read a second time, so it must be a file); repeats are "
                   "masked as --maskWith says, lower keeping their codes. Implies --maskX.",
                   [](RunOptions& o) { o.mask_keep_input = o.mask_repeats = true; });
  table.add_value<std::string>(
      "", "bedFile",
      "Also writes the repeats of the report to this file (- for standard output) in BED format, one line each, "
      "for genome browsers and interval tools.",
      "path", [](RunOptions& o, std::string name) { o.bed_filename = name; });
  table.add_value<std::string>(
      "", "gffFile", "Also writes the repeats of the report to this file (- for standard output) in GFF3 format.",
      "path", [](RunOptions& o, std::string name) { o.gff_filename = name; });
  table.add_list("catalog",
                 "Also writes the repeats of the report as a catalogue for a genotyper to PATH (- for standard "
                 "output); FORMAT is trgt, hipstr or expansionhunter. May be given once per format.",
                 "FORMAT:PATH", CheckTurn::CATALOGS,
                 [](const std::vector<std::string>& values, RunOptions& o) {
                   return read_catalog_requests(values, o.catalogs);
                 });
  const CatalogSettings catalog_defaults;
  table.add_value<long long>(
      "", "catalogMinLength",
      "Catalogues keep only loci of at least this many residues. Default: " +
          std::to_string(catalog_defaults.min_length),
      "int", [](RunOptions& o, long long n) { o.catalog_settings.min_length = static_cast<unsigned>(n); },
      CheckTurn::CATALOG_MIN_LENGTH, [](long long n) {
        if (n >= 0 && n <= largest_unsigned) return OptionProblem();
        return OptionProblem{
            "Sorry, the least length of a catalogue's locus must be a whole number from 0 to 4294967295.\n" +
            option_line("--catalogMinLength", n)};
      });
  table.add_value<float>(
      "", "catalogMinCopies",
      "Catalogues keep only loci of at least this many copies of their unit. Default: " +
          text_of(catalog_defaults.min_copies),
      "float", [](RunOptions& o, float copies) { o.catalog_settings.min_copies = copies; });
  table.add_value<std::string>(
      "", "summaryFile",
      "Also writes counts of the repeats of the report by unit length, motif and length, per sequence and in all, "
      "to this tab-separated file (- for standard output).",
      "path", [](RunOptions& o, std::string name) { o.summary_filename = name; });
}

void add_threshold_options(OptionTable& table) {
  const std::string length_rule =
      "The minimum length of a repeat is determined with: maximum( minLength, minLength_a + "
      "minLength_b*(unit-length) ). ";
  table.add_value<float>("", "minLength_b", length_rule + "Default value of minLength_b: 0", "float",
                         [](RunOptions& o, float b) { o.min_length_bx = b; });
  table.add_value<int>("", "minLength_a", length_rule + "Default value of minLength_a: 0", "int",
                       [](RunOptions& o, int a) { o.min_length_a = a; });
  table.add_value<int>("l", "minLength",
                       length_rule + "A value below 1 sets no floor of its own. Default value of minLength: 1",
                       "int", [](RunOptions& o, int n) { o.min_length = n; });
  const std::string score_rule =
      "The minimum score of a repeat is determined with: maximum( minScore, minScore_a + minScore_b*(unit-length) "
      "). ";
  table.add_value<float>("", "minScore_b",
                         score_rule + "Default value of minScore_b: 1 (0 in --searchMode arrays)", "float",
                         [](RunOptions& o, float b) { o.min_score_bx = b; });
  table.add_value<int>("", "minScore_a", score_rule + "Default value of minScore_a: 0", "int",
                       [](RunOptions& o, int a) { o.min_score_a = a; });
  table.add_value<int>("s", "minScore", score_rule + "Default value of minScore: 6 (25 in --searchMode arrays)",
                       "int", [](RunOptions& o, int n) { o.min_score = n; });
  table.add_value<int>(
      "m", "mismatchScore",
      "Score for mismatch - must be -2 or lower. Default: -6 (-2 in --searchMode arrays). Match score is fixed to "
      "one.",
      "int", [](RunOptions& o, int score) { o.mismatch_score = score; });
  table.add_value<int>(
      "g", "indelScore",
      "Score for indels - must be -2 or lower. Default: -6 (-3 in --searchMode arrays). Match score is fixed to "
      "one.",
      "int", [](RunOptions& o, int score) { o.indel_score = score; });
  table.add_choice(
      "M", "searchMode",
      "Velkor provides four different search modes. exact: Search for exact repeats, only. extendExact: Searches "
      "for exact repeats and extends them by inserting mismatches and indels. imperfect: Searches directly for "
      "imperfect repeats. arrays: Searches for tandem arrays of any period (minisatellites and satellites), each "
      "aligned against its consensus unit; some defaults differ in this mode. Default: imperfect",
      {"exact", "extendExact", "imperfect", "arrays"}, [](RunOptions& o, std::string mode) {
        o.search_mode = mode == "exact"         ? SEARCH_EXACT
                        : mode == "extendExact" ? SEARCH_EXTEND_EXACT
                        : mode == "arrays"      ? SEARCH_ARRAYS
                                                : SEARCH_IMPERFECT;
      });
}

void add_search_options(OptionTable& table) {
  table.add_value<int>(
      "f", "flanking",
      "If the satellite sequence is printed, this is the number of flanking nucleotides to be printed to the left "
      "and right of it; a negative value counts as 0. Default: 0",
      "int", [](RunOptions& o, int n) { o.flanking = std::max(n, 0); });
  table.add_value<float>(
      "P", "minPerfection",
      "Minimum perfection of satellites, in percent. A minimum is not implemented in this version: only 0, no "
      "minimum, is accepted. Default: 0",
      "float", [](RunOptions& o, float percent) { o.perfection_minimum = percent; }, CheckTurn::MIN_PERFECTION,
      [](float percent) {
        if (percent == 0.0f) return OptionProblem();
        return OptionProblem{"Sorry, using a perfection minimum is not implemented in this version.\n" +
                             option_line("-P, --minPerfection", percent)};
      });
  table.add_switch(
      "D", "dontRemoveMostlyOverlapping",
      "Velkor sometimes finds repeats that partially or completely overlap with other repeats, e.g. if alignments "
      "with alternative repeat patterns exist at the same locus in a sequence. The default is to remove one of any "
      "two mostly overlapping repeats in favour of that repeat with the highest score. With this option, Velkor "
      "reports also repeats that mostly overlap with higher scoring repeats.",
      [](RunOptions& o) { o.remove_mostly_hidden = false; });
  table.add_value<int>(
      "", "firstSeq",
      "Number of first sequence to be processed in this run; records count from 1, and 0 also means the first. "
      "Default: 1",
      "int", [](RunOptions& o, int n) { o.sequence_from = static_cast<unsigned>(n); }, CheckTurn::FIRST_RECORD,
      [](int n) {
        if (n >= 0) return OptionProblem();
        return OptionProblem{
            "Sorry, the number of the first record to search cannot be negative: records count from 1.\n" +
            option_line("--firstSeq", n)};
      });
  // -1 wraps to the largest record number: up to the last record.
  table.add_value<int>(
      "", "lastSeq",
      "Number of last sequence to be processed in this run; -1: the last record of the file. Default: -1", "int",
      [](RunOptions& o, int n) { o.sequence_to = static_cast<unsigned>(n); }, CheckTurn::LAST_RECORD, [](int n) {
        if (n >= -1) return OptionProblem();
        return OptionProblem{"Sorry, the number of the last record to search cannot be negative,\n"
                             "except -1, which stands for the last record of the file.\n" +
                             option_line("--lastSeq", n)};
      });
  table.add_value<int>(
      "R", "maximum_score_reduction",
      "The maximum amount the score can be reduced before search is aborded; with 1 or less the extension takes "
      "no mismatch or indel. Default: no limit.",
      "int", [](RunOptions& o, int n) { o.maximum_scorereduction = n; });
  table.add_value<int>(
      "r", "recursion",
      "The recursion depth used in the search. Values in the range 3 to 7 are recommended; it must be at least 1 "
      "(for perfect repeats only, use --searchMode exact). Default: 5",
      "int", [](RunOptions& o, int depth) { o.maximum_recursion_depth = depth; }, CheckTurn::RECURSION,
      [](int depth) {
        if (depth >= 1) return OptionProblem();
        return OptionProblem{
            "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect "
            "search.\n" +
            option_line("-r, --recursion", depth)};
      });
  table.add_value<long long>(
      "u", "minUnitLen", "Minimum unit length, at least 1. Default: 1", "int",
      [](RunOptions& o, long long n) { o.min_unit_length = static_cast<unsigned>(n); },
      CheckTurn::MIN_UNIT_LENGTH_TYPE, unit_length_in_range("-u, --minUnitLen"));
  table.add_value<long long>(
      "U", "maxUnitLen", "Maximum unit length. Default: 6 (2000 in --searchMode arrays)", "int",
      [](RunOptions& o, long long n) { o.max_unit_length = static_cast<unsigned>(n); },
      CheckTurn::MAX_UNIT_LENGTH_TYPE, unit_length_in_range("-U, --maxUnitLen"));
  add_threshold_options(table);
}

// Arrays of long periods and diverged copies need scores that an identity
// of 70 % still keeps positive, and a minimum score that does not grow with
// the period.
void use_arrays_defaults(const OptionTable& table, RunOptions& o) {
  if (!table.given("maxUnitLen")) o.max_unit_length = 2000;
  if (!table.given("mismatchScore")) o.mismatch_score = -2;
  if (!table.given("indelScore")) o.indel_score = -3;
  if (!table.given("minScore")) o.min_score = 25;
  if (!table.given("minScore_b")) o.min_score_bx = 0.0f;
}

// The file names: every argument that no option takes. One that starts with
// '-' (but "-" itself, standard input or output) is a mistyped or unknown
// option, never a file name, unless it follows "--": left unmatched, it
// gets the parser's own failure message and exit status.
class FileNamesArg : public TCLAP::UnlabeledMultiArg<std::string> {
 public:
  using UnlabeledMultiArg::UnlabeledMultiArg;

  bool processArg(int* i, std::vector<std::string>& args) override {
    const std::string& arg = args[static_cast<std::size_t>(*i)];
    if (!Arg::ignoreRest() && arg.size() > 1 && arg[0] == '-') return false;
    return UnlabeledMultiArg::processArg(i, args);
  }
};

// The input and report names; false, after its message, when there is none.
bool read_file_names(const std::vector<std::string>& names, const char* program, RunOptions& o) {
  if (names.empty()) {
    PrintMessage(stderr, "Error: No input file has been specified. Type ", program,
                 " --help for more information.\n");
    return false;
  }
  // Three or more names are taken as none: the run then stops at the input.
  if (names.size() > 2) {
    PrintMessage(stderr, "Sorry! Too many file names: velkor takes the input file and, optionally, the report "
                 "file.\n   \"", names[2].c_str(), "\"\nis one too many.\n");
    return true;
  }
  o.input_filename = names[0];
  // A report named "-" goes to standard output, as one without a name.
  if (names.size() == 2 && names[1] != standard_stream_name) o.output_filename = names[1];
  return true;
}

int parse(int argc, char** argv, RunOptions& options) {
  TCLAP::CmdLine cmd("This program searches for tandemly repeated patterns in DNA sequences.", ' ', VELKOR_VERSION);

  // The parser's own version switch answers to --version only. It is
  // replaced, in its place in the usage, by one that also answers to -v.
  TCLAP::CmdLineOutput* output = cmd.getOutput();
  TCLAP::VersionVisitor show_version(&cmd, &output);
  TCLAP::SwitchArg version("v", "version", "Displays version information and exits.", false, &show_version);
  std::list<TCLAP::Arg*>& defined = cmd.getArgList();
  std::replace_if(
      defined.begin(), defined.end(), [](const TCLAP::Arg* arg) { return arg->getName() == "version"; }, &version);

  OptionTable table(cmd);
  add_run_options(table);
  add_report_options(table);
  add_output_file_options(table);
  add_search_options(table);
  add_whole_checks(table);
  FileNamesArg iofiles(
      "iofiles",
      "Velkor requires either one or two file names as parameters. The first must be the input file in FASTA "
      "format (- for standard input). If a second file is specified, output is written to it. If no second file "
      "is given, or -, output is written to standard output. ",
      false, "Input and output filenames", cmd, true);

  cmd.parse(argc, argv);  // ends the process itself for help, version and parse errors

  if (!read_file_names(iofiles.getValue(), argv[0], options)) return EXIT_BAD_OPTION;
  table.set(options);
  if (options.search_mode == SEARCH_ARRAYS) use_arrays_defaults(table, options);
  const OptionProblem problem = table.first_problem(options);
  if (problem.message.empty()) return EXIT_OK;
  std::fputs(problem.message.c_str(), stderr);
  return problem.code;
}

}  // namespace

bool quiet_requested(int argc, char** argv) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--quiet") == 0) return true;
    // -q alone or among the other one-letter switches (-Dq), as the parser reads them.
    if (arg[0] == '-' && arg[1] != '-' && std::strchr(arg + 1, 'q') &&
        std::strspn(arg + 1, "qDhv") == std::strlen(arg + 1)) {
      return true;
    }
  }
  return false;
}

int read_run_options(int argc, char** argv, RunOptions& options) {
  options = RunOptions();
  try {
    return parse(argc, argv, options);
  } catch (const TCLAP::ArgException& e) {
    // Only a fault in the option definitions can get here: parse errors of
    // the user's command line end the process inside the parser.
    PrintMessage(stderr, "Error: ", e.error().c_str(), " for arg ", e.argId().c_str());
    std::fputs("\n", stderr);
    return EXIT_BAD_OPTION;
  }
}
