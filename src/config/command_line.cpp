#include <tclap/CmdLine.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "config/parameters.h"
#include "config/exit_codes.h"
#include "config/message_text.h"

namespace {

// An enumerated option takes the values 0 to 2 only. The message is written
// in two pieces around the value because number2str shares one buffer.
bool enumerated_value_ok(int value, const char* before_value, const char* after_value) {
  if (value >= 0 && value <= 2) return true;
  PrintMessage(stderr, "Sorry, a problem occured when parsing the command line options. ", before_value);
  PrintMessage(stderr, number2str(value), after_value);
  return false;
}

// Decimal text of a value for a message; a float as the summary shows it.
template <typename Number>
std::string text_of(Number value) {
  return std::to_string(value);
}
std::string text_of(float value) { return number2str(value); }

// More threads than this would only exhaust the system's thread limit.
constexpr long long most_threads = 1024;

// The line under a rejected value's message that names the option to change.
template <typename Value>
std::string option_line(const char* option, Value value) {
  return std::string("(option ") + option + ": " + text_of(value) + ")\n";
}

// The checks that make a run meaningless or unsupported, in the order the
// user will meet them; returns the first failure's message, or nothing.
std::string numeric_problem() {
  if (global_perfection_minimum != 0.0f) {
    return "Sorry, using a perfection minimum is not implemented in this version.\n" +
           option_line("-P, --minPerfection", global_perfection_minimum);
  }
  // As for a unit of length 1; the thresholds are formed in double precision
  // from the single-precision factor, like the threshold tables.
  double score_floor = std::max(static_cast<double>(global_min_score),
                                static_cast<double>(global_min_score_a) + static_cast<double>(global_min_score_bx));
  double length_floor = std::max(static_cast<double>(global_min_length),
                                 static_cast<double>(global_min_length_a) + static_cast<double>(global_min_length_bx));
  if (score_floor < 2 && length_floor < 2) {
    return "Sorry, either the minimum score or the minimum length must be larger.\n(options -s, --minScore: " +
           text_of(global_min_score) + " with --minScore_a: " + text_of(global_min_score_a) +
           " and --minScore_b: " + text_of(global_min_score_bx) + ";\n -l, --minLength: " + text_of(global_min_length) +
           " with --minLength_a: " + text_of(global_min_length_a) + " and --minLength_b: " +
           text_of(global_min_length_bx) + ")\n";
  }
  if (global_mismatch_score > -2) {
    return "Sorry, the mismatch score must be smaller or equal to -2.\n" +
           option_line("-m, --mismatchScore", global_mismatch_score);
  }
  if (global_indel_score > -2) {
    return "Sorry, the indel score must be smaller or equal to -2.\n" +
           option_line("-g, --indelScore", global_indel_score);
  }
  if (global_maximum_recursion_depth < 1) {
    return "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect search.\n" +
           option_line("-r, --recursion", global_maximum_recursion_depth);
  }
  if (global_max_unit_length < global_min_unit_length) {
    return "I think you have made a mistake here: The maximum unit length must be greater\n"
           "or equal to the minimum unit length.\n(options -u, --minUnitLen: " +
           text_of(global_min_unit_length) + " and -U, --maxUnitLen: " + text_of(global_max_unit_length) + ")\n";
  }
  // Every search starts at a unit of at least one residue.
  if (global_min_unit_length == 0) {
    return "Sorry, the minimum unit length must be at least 1.\n" +
           option_line("-u, --minUnitLen", global_min_unit_length);
  }
  return "";
}

// Values the parser reads into a wider type than their global has, so that
// a negative number cannot wrap around into a huge one; returns the first
// that does not fit, with its message, or nothing.
std::string out_of_type_problem(long long first_record, long long last_record, long long min_unit_length,
                                long long max_unit_length, long long threads) {
  constexpr long long largest_unsigned = 4294967295LL;
  if (first_record < 0) {
    return "Sorry, the number of the first record to search cannot be negative: records count from 1.\n" +
           option_line("--firstSeq", first_record);
  }
  if (last_record < -1) {
    return "Sorry, the number of the last record to search cannot be negative,\n"
           "except -1, which stands for the last record of the file.\n" +
           option_line("--lastSeq", last_record);
  }
  struct UnitLength {
    const char* option;
    long long value;
  } unit_lengths[] = {{"-u, --minUnitLen", min_unit_length}, {"-U, --maxUnitLen", max_unit_length}};
  for (const UnitLength& u : unit_lengths) {
    if (u.value < 0 || u.value > largest_unsigned) {
      return "Sorry, a unit length must be a whole number from 0 to 4294967295.\n" + option_line(u.option, u.value);
    }
  }
  if (threads < 0 || threads > most_threads) {
    return "Sorry, the number of threads must be a whole number from 0 to " + std::to_string(most_threads) +
           "; 0 uses every core of the machine.\n" + option_line("-t, --threads", threads);
  }
  return "";
}

// Two outputs written to standard output would interleave into one stream
// that no tool can read; returns the message naming the first two, or
// nothing.
std::string standard_output_problem() {
  struct Output {
    std::string what;
    std::string how_to_name;
  };
  std::vector<Output> to_standard_output;
  auto add_if_standard = [&](const std::string& name, std::string what, std::string how_to_name) {
    if (name == standard_stream_name) to_standard_output.push_back({std::move(what), std::move(how_to_name)});
  };
  if (global_output_filename.empty()) to_standard_output.push_back({"report", "as the second file name"});
  add_if_standard(global_mask_filename, "masked sequences", "with --maskFile");
  add_if_standard(global_bed_filename, "BED file", "with --bedFile");
  add_if_standard(global_gff_filename, "GFF3 file", "with --gffFile");
  for (const CatalogRequest& catalog : global_catalogs) {
    const std::string format = catalog_format_name(catalog.format);
    add_if_standard(catalog.filename, format + " catalogue", "with --catalog " + format + ":PATH");
  }
  add_if_standard(global_summary_filename, "summary file", "with --summaryFile");
  if (to_standard_output.size() < 2) return "";
  const Output& first = to_standard_output[0];
  const Output& second = to_standard_output[1];
  return "Sorry, the " + first.what + " and the " + second.what +
         " cannot both be written to standard output.\nName a file for one of them: the " + first.what + " " +
         first.how_to_name + ", the " + second.what + " " + second.how_to_name + ".\n";
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

int parse_into_globals(int argc, char** argv) {
  using TCLAP::SwitchArg;
  using TCLAP::ValueArg;

  TCLAP::CmdLine cmd("This program searches for tandemly repeated patterns in DNA sequences.", ' ', VELKOR_VERSION);

  // The parser's own version switch answers to --version only. It is
  // replaced, in its place in the usage, by one that also answers to -v.
  TCLAP::CmdLineOutput* output = cmd.getOutput();
  TCLAP::VersionVisitor show_version(&cmd, &output);
  SwitchArg version("v", "version", "Displays version information and exits.", false, &show_version);
  std::list<TCLAP::Arg*>& defined = cmd.getArgList();
  std::replace_if(
      defined.begin(), defined.end(), [](const TCLAP::Arg* arg) { return arg->getName() == "version"; }, &version);

  SwitchArg quiet("q", "quiet",
                  "Writes no banner, no parameter summary and no progress lines to standard error. Error messages "
                  "still appear.",
                  cmd, false);
  ValueArg<long long> threads("t", "threads",
                              "Number of records searched at once, each by its own thread; 0: one per core of the "
                              "machine. The outputs are the same for every number. Default: 1.",
                              false, global_threads, "int", cmd);
  ValueArg<int> succN("N", "succN", "The maximum number of successive N's allowed in a satellite; a negative value counts as 0. Default: 4.", false,
                      global_Ns_allowed_in_a_row, "int", cmd);
  SwitchArg nsAsMissense("", "NsAsMissense", "Treat N's as missense. Default: Treat N's as neutral with score 0.", cmd,
                         global_treat_Ns_as_missense);
  ValueArg<int> reportUnit("", "reportUnit",
                           "Repeat units can be reported in three different modes. 0: asIs, 1: Alphabetical normal "
                           "form, 2: Alphabetical normal form also considering the reverse complement. Default: 2",
                           false, global_report_unit_mode, "int", cmd);
  ValueArg<int> nPerfectionMode("", "NPerfectionMode",
                                "Velkor provides different modes to treat N's when computing the perfection of a "
                                "repeat. 0: asMismatch, 1: asNeutral, 2: asMatch. Default: 0",
                                false, global_N_and_perfection_mode, "int", cmd);
  ValueArg<int> printRepeatSeqMode("", "printRepeatSeqMode",
                                   "Velkor provides different modes to print the repeat sequence along with its "
                                   "information. 0: don't print sequence, 1: print sequence, 2: print alignment. Default: 2",
                                   false, global_print_sat_seq_mode, "int", cmd);
  ValueArg<int> outputFormat("", "outputFormat",
                             "Velkor provides different output formats for printing the repeat information. 0: Velkor "
                             "output format, 1: extended Velkor output format, 2: sputnik compatible format. "
                             "Default: 1",
                             false, global_print_sat_mode, "int", cmd);
  SwitchArg maskX("", "maskX",
                  "Writes the sequences to a file with the extension \".masked\" in which repeats are masked.", cmd,
                  global_mask_repeats);
  ValueArg<std::string> maskFile("", "maskFile",
                                 "Writes the sequences in which repeats are masked to this file (- for standard "
                                 "output) instead of the input file's name with \".masked\" appended. Implies "
                                 "--maskX.",
                                 false, "", "path", cmd);
  std::vector<std::string> mask_characters{"X", "N", "lower"};
  TCLAP::ValuesConstraint<std::string> mask_with_values(mask_characters);
  ValueArg<std::string> maskWith("", "maskWith",
                                 "How masked repeats are written: X or N replace their residues, lower writes them "
                                 "in lower case and all other residues in upper case (soft-masking). Implies "
                                 "--maskX. Default: X",
                                 false, "X", &mask_with_values, cmd);
  SwitchArg maskKeepInput("", "maskKeepInput",
                           "Writes every residue outside the repeats to the masked file as the input has it, lower "
                           "case and IUPAC codes included (the input is read a second time, so it must be a file); "
                           "repeats are masked as --maskWith says, lower keeping their codes. Implies --maskX.",
                           cmd, false);
  ValueArg<std::string> bedFile("", "bedFile",
                                "Also writes the repeats of the report to this file (- for standard output) in BED "
                                "format, one line each, for genome browsers and interval tools.",
                                false, "", "path", cmd);
  ValueArg<std::string> gffFile("", "gffFile",
                                "Also writes the repeats of the report to this file (- for standard output) in GFF3 "
                                "format.",
                                false, "", "path", cmd);
  TCLAP::MultiArg<std::string> catalog("", "catalog",
                                       "Also writes the repeats of the report as a catalogue for a genotyper to "
                                       "PATH (- for standard output); FORMAT is trgt, hipstr or expansionhunter. "
                                       "May be given once per format.",
                                       false, "FORMAT:PATH", cmd);
  const CatalogSettings catalog_defaults;
  ValueArg<long long> catalogMinLength("", "catalogMinLength",
                                       "Catalogues keep only loci of at least this many residues. Default: " +
                                           std::to_string(catalog_defaults.min_length),
                                       false, catalog_defaults.min_length, "int", cmd);
  ValueArg<float> catalogMinCopies("", "catalogMinCopies",
                                   "Catalogues keep only loci of at least this many copies of their unit. Default: " +
                                       text_of(catalog_defaults.min_copies),
                                   false, catalog_defaults.min_copies, "float", cmd);
  ValueArg<std::string> summaryFile("", "summaryFile",
                                    "Also writes counts of the repeats of the report by unit length, motif and "
                                    "length, per sequence and in all, to this tab-separated file (- for standard "
                                    "output).",
                                    false, "", "path", cmd);
  ValueArg<int> flanking("f", "flanking",
                         "If the satellite sequence is printed, this is the number of flanking nucleotides to be "
                         "printed to the left and right of it; a negative value counts as 0. Default: 0",
                         false, global_flanking, "int", cmd);
  ValueArg<float> minPerfection(
      "P", "minPerfection",
      "Minimum perfection of satellites, in percent. A minimum is not implemented in this version: only 0, no "
      "minimum, is accepted. Default: 0",
      false, global_perfection_minimum, "float", cmd);
  SwitchArg dontRemoveMostlyOverlapping(
      "D", "dontRemoveMostlyOverlapping",
      "Velkor sometimes finds repeats that partially or completely overlap with other repeats, e.g. if alignments "
      "with alternative repeat patterns exist at the same locus in a sequence. The default is to remove one of any "
      "two mostly overlapping repeats in favour of that repeat with the highest score. With this option, Velkor "
      "reports also repeats that mostly overlap with higher scoring repeats.",
      cmd, global_remove_mostly_hidden);
  ValueArg<int> firstSeq("", "firstSeq", "Number of first sequence to be processed in this run; records count from 1, and 0 also means the first. "
                         "Default: 1", false,
                         static_cast<int>(global_sequence_from), "int", cmd);
  ValueArg<int> lastSeq("", "lastSeq", "Number of last sequence to be processed in this run; -1: the last record of the file. Default: -1", false,
                        static_cast<int>(global_sequence_to), "int", cmd);
  ValueArg<int> maximumScoreReduction(
      "R", "maximum_score_reduction",
      "The maximum amount the score can be reduced before search is aborded; with 1 or less the extension "
      "takes no mismatch or indel. Default: no limit.", false,
      global_maximum_scorereduction, "int", cmd);
  ValueArg<int> recursion("r", "recursion",
                          "The recursion depth used in the search. Values in the range 3 to 7 are recommended; it "
                          "must be at least 1 (for perfect repeats only, use --searchMode exact). Default: 5",
                          false, global_maximum_recursion_depth, "int", cmd);
  ValueArg<long long> minUnitLen("u", "minUnitLen", "Minimum unit length, at least 1. Default: 1", false, global_min_unit_length,
                                 "int", cmd);
  ValueArg<long long> maxUnitLen("U", "maxUnitLen", "Maximum unit length. Default: 6 (2000 in --searchMode arrays)", false, global_max_unit_length,
                                 "int", cmd);
  const std::string length_rule =
      "The minimum length of a repeat is determined with: maximum( minLength, minLength_a + "
      "minLength_b*(unit-length) ). ";
  ValueArg<float> minLength_b("", "minLength_b", length_rule + "Default value of minLength_b: 0", false,
                              global_min_length_bx, "float", cmd);
  ValueArg<int> minLength_a("", "minLength_a", length_rule + "Default value of minLength_a: 0", false,
                            global_min_length_a, "int", cmd);
  ValueArg<int> minLength("l", "minLength",
                          length_rule + "A value below 1 sets no floor of its own. Default value of minLength: 1",
                          false, global_min_length,
                          "int", cmd);
  const std::string score_rule =
      "The minimum score of a repeat is determined with: maximum( minScore, minScore_a + minScore_b*(unit-length) ). ";
  ValueArg<float> minScore_b("", "minScore_b", score_rule + "Default value of minScore_b: 1 (0 in --searchMode arrays)", false,
                             global_min_score_bx, "float", cmd);
  ValueArg<int> minScore_a("", "minScore_a", score_rule + "Default value of minScore_a: 0", false, global_min_score_a,
                           "int", cmd);
  ValueArg<int> minScore("s", "minScore", score_rule + "Default value of minScore: 6 (25 in --searchMode arrays)", false, global_min_score, "int",
                         cmd);
  ValueArg<int> mismatchScore("m", "mismatchScore",
                              "Score for mismatch - must be -2 or lower. Default: -6 (-3 in --searchMode arrays). Match score is fixed to one.", false,
                              global_mismatch_score, "int", cmd);
  ValueArg<int> indelScore("g", "indelScore",
                           "Score for indels - must be -2 or lower. Default: -6 (-3 in --searchMode arrays). Match score is fixed to one.", false,
                           global_indel_score, "int", cmd);
  std::vector<std::string> search_modes{"exact", "extendExact", "imperfect", "arrays"};
  TCLAP::ValuesConstraint<std::string> search_mode_values(search_modes);
  ValueArg<std::string> searchMode(
      "M", "searchMode",
      "Velkor provides four different search modes. exact: Search for exact repeats, only. extendExact: Searches "
      "for exact repeats and extends them by inserting mismatches and indels. imperfect: Searches directly for "
      "imperfect repeats. arrays: Searches for tandem arrays of any period (minisatellites and satellites), each "
      "aligned against its consensus unit; some defaults differ in this mode. Default: imperfect",
      false, "imperfect", &search_mode_values, cmd);
  FileNamesArg iofiles(
      "iofiles",
      "Velkor requires either one or two file names as parameters. The first must be the input file in FASTA "
      "format (- for standard input). If a second file is specified, output is written to it. If no second file "
      "is given, or -, output is written to standard output. ",
      false, "Input and output filenames", cmd, true);

  cmd.parse(argc, argv);  // ends the process itself for help, version and parse errors

  const std::vector<std::string>& names = iofiles.getValue();
  if (names.empty()) {
    PrintMessage(stderr, "Error: No input file has been specified. Type ", argv[0],
                 " --help for more information.\n");
    return EXIT_BAD_OPTION;
  }
  // Three or more names are taken as none: the run then stops at the input.
  if (names.size() > 2) {
    PrintMessage(stderr, "Sorry! Too many file names: velkor takes the input file and, optionally, the report "
                 "file.\n   \"", names[2].c_str(), "\"\nis one too many.\n");
  } else {
    global_input_filename = names[0];
    // A report named "-" goes to standard output, as one without a name.
    if (names.size() == 2 && names[1] != standard_stream_name) global_output_filename = names[1];
  }

  const std::string type_problem =
      out_of_type_problem(firstSeq.getValue(), lastSeq.getValue(), minUnitLen.getValue(), maxUnitLen.getValue(),
                          threads.getValue());
  if (!type_problem.empty()) {
    std::fputs(type_problem.c_str(), stderr);
    return EXIT_BAD_OPTION;
  }

  global_Ns_allowed_in_a_row = succN.getValue();
  global_treat_Ns_as_missense = nsAsMissense.getValue();
  global_quiet = quiet.getValue();
  global_threads = static_cast<unsigned>(threads.getValue());
  global_mask_filename = maskFile.getValue();
  global_mask_with = maskWith.getValue() == "N" ? MASK_N : maskWith.getValue() == "lower" ? MASK_LOWER : MASK_X;
  global_mask_keep_input = maskKeepInput.getValue();
  global_mask_repeats = maskX.getValue() || maskFile.isSet() || maskWith.isSet() || global_mask_keep_input;
  global_bed_filename = bedFile.getValue();
  global_gff_filename = gffFile.getValue();
  global_summary_filename = summaryFile.getValue();
  if (!read_catalog_requests(catalog.getValue(), global_catalogs)) return EXIT_BAD_OPTION;
  if (catalogMinLength.getValue() < 0 || catalogMinLength.getValue() > 4294967295LL) {
    std::fputs(("Sorry, the least length of a catalogue's locus must be a whole number from 0 to 4294967295.\n" +
                option_line("--catalogMinLength", catalogMinLength.getValue()))
                   .c_str(),
               stderr);
    return EXIT_BAD_OPTION;
  }
  global_catalog_settings.min_length = static_cast<unsigned>(catalogMinLength.getValue());
  global_catalog_settings.min_copies = catalogMinCopies.getValue();
  global_flanking = flanking.getValue();
  // Negative counts mean none; no need to bother the user about it.
  if (global_Ns_allowed_in_a_row < 0) global_Ns_allowed_in_a_row = 0;
  if (global_flanking < 0) global_flanking = 0;
  global_perfection_minimum = minPerfection.getValue();
  global_remove_mostly_hidden = dontRemoveMostlyOverlapping.getValue();
  // lastSeq -1 wraps to the largest record number: up to the last record.
  global_sequence_from = static_cast<unsigned>(firstSeq.getValue());
  global_sequence_to = static_cast<unsigned>(lastSeq.getValue());
  global_maximum_scorereduction = maximumScoreReduction.getValue();
  global_maximum_recursion_depth = recursion.getValue();
  global_min_unit_length = static_cast<unsigned>(minUnitLen.getValue());
  global_max_unit_length = static_cast<unsigned>(maxUnitLen.getValue());
  global_min_length_bx = minLength_b.getValue();
  global_min_length_a = minLength_a.getValue();
  global_min_length = minLength.getValue();
  global_min_score_bx = minScore_b.getValue();
  global_min_score_a = minScore_a.getValue();
  global_min_score = minScore.getValue();
  global_mismatch_score = mismatchScore.getValue();
  global_indel_score = indelScore.getValue();
  if (searchMode.getValue() == "exact") {
    global_search_mode = SEARCH_EXACT;
  } else if (searchMode.getValue() == "extendExact") {
    global_search_mode = SEARCH_EXTEND_EXACT;
  } else if (searchMode.getValue() == "arrays") {
    global_search_mode = SEARCH_ARRAYS;
    // Arrays of long periods and diverged copies need scores that an
    // identity of 75 % still keeps positive, and a minimum score that does
    // not grow with the period.
    if (!maxUnitLen.isSet()) global_max_unit_length = 2000;
    if (!mismatchScore.isSet()) global_mismatch_score = -3;
    if (!indelScore.isSet()) global_indel_score = -3;
    if (!minScore.isSet()) global_min_score = 25;
    if (!minScore_b.isSet()) global_min_score_bx = 0.0f;
  } else {
    global_search_mode = SEARCH_IMPERFECT;
  }

  if (!enumerated_value_ok(outputFormat.getValue(), "An outputFormat with a value of ", " is unknown.\n\n")) {
    return EXIT_OPTION_OUT_OF_RANGE;
  }
  global_print_sat_mode = outputFormat.getValue();
  if (!enumerated_value_ok(printRepeatSeqMode.getValue(), "A printRepeatSeqMode with a value of ",
                           " is unknown.\n\n")) {
    return EXIT_OPTION_OUT_OF_RANGE;
  }
  global_print_sat_seq_mode = printRepeatSeqMode.getValue();
  if (!enumerated_value_ok(nPerfectionMode.getValue(), "An NPerfectionMode with a value of ", " is unknown.\n\n")) {
    return EXIT_OPTION_OUT_OF_RANGE;
  }
  global_N_and_perfection_mode = nPerfectionMode.getValue();
  if (!enumerated_value_ok(reportUnit.getValue(), "An option value of ", " for the reportUnit option is unknown.\n\n")) {
    return EXIT_OPTION_OUT_OF_RANGE;
  }
  global_report_unit_mode = reportUnit.getValue();

  const std::string problem = numeric_problem();
  if (!problem.empty()) {
    std::fputs(problem.c_str(), stderr);
    return EXIT_BAD_OPTION;
  }
  const std::string shared = standard_output_problem();
  if (!shared.empty()) {
    std::fputs(shared.c_str(), stderr);
    return EXIT_BAD_OPTION;
  }
  return EXIT_OK;
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

int read_and_init_parameters(int argc, char** argv) {
  init_param();
  try {
    return parse_into_globals(argc, argv);
  } catch (const TCLAP::ArgException& e) {
    // Only a fault in the option definitions can get here: parse errors of
    // the user's command line end the process inside the parser.
    PrintMessage(stderr, "Error: ", e.error().c_str(), " for arg ", e.argId().c_str());
    std::fputs("\n", stderr);
    return EXIT_BAD_OPTION;
  }
}
