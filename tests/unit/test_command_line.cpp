#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "captured_output.h"
#include "config/run_options.h"
#include "config/search_parameters_summary.h"

namespace {

struct Parsed {
  int code;
  std::string messages;
  RunOptions options;
};

template <typename Call>
auto with_argv(std::vector<std::string> args, Call call) {
  args.insert(args.begin(), "velkor");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  return call(static_cast<int>(argv.size()), argv.data());
}

int parse_uncaptured(std::vector<std::string> args, RunOptions& options) {
  return with_argv(std::move(args), [&options](int argc, char** argv) { return read_run_options(argc, argv, options); });
}

bool quiet_requested(std::vector<std::string> args) { return with_argv(std::move(args), ::quiet_requested); }

Parsed parse(std::vector<std::string> args) {
  RunOptions options;
  ::testing::internal::CaptureStderr();
  int code = parse_uncaptured(std::move(args), options);
  return {code, ::testing::internal::GetCapturedStderr(), options};
}

// Rejected values and the message each gets; the exit codes differ between
// enumerated options (-2) and the other checks (-1).
TEST(CommandLine, ValueChecks) {
  const std::string intro = "Sorry, a problem occured when parsing the command line options. ";
  auto score_or_length = [](const char* a, const char* b) {
    return std::string("Sorry, either the minimum score or the minimum length must be larger.\n"
                       "(options -s, --minScore: 1 with --minScore_a: ") + a + " and --minScore_b: " + b +
           ";\n -l, --minLength: 1 with --minLength_a: 0 and --minLength_b: 0)\n";
  };
  const std::string unit_length = "Sorry, a unit length must be a whole number from 0 to 4294967295.\n";
  const std::string threads =
      "Sorry, the number of threads must be a whole number from 0 to 1024; 0 uses every core of the machine.\n";
  const std::string catalog = "\" is not FORMAT:PATH with FORMAT one of trgt, hipstr and expansionhunter.\n";
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  } cases[] = {
      // Every limit itself is accepted.
      {{"-P", "0", "-s", "2", "-l", "1", "-m", "-2", "-g", "-2", "-u", "4", "-U", "4", "x"}, 0, ""},
      {{}, -1, "Error: No input file has been specified. Type velkor --help for more information.\n"},
      {{"--outputFormat", "3", "x"}, -2, intro + "An outputFormat with a value of 3 is unknown.\n\n"},
      {{"--printRepeatSeqMode", "-1", "x"}, -2, intro + "A printRepeatSeqMode with a value of -1 is unknown.\n\n"},
      {{"--NPerfectionMode", "5", "x"}, -2, intro + "An NPerfectionMode with a value of 5 is unknown.\n\n"},
      // The first offender in the fixed order is reported.
      {{"--reportUnit", "9", "--outputFormat", "9", "x"}, -2, intro + "An outputFormat with a value of 9 is unknown.\n\n"},
      {{"-P", "50", "x"}, -1,
       "Sorry, using a perfection minimum is not implemented in this version.\n(option -P, --minPerfection: 50)\n"},
      {{"-s", "1", "-l", "1", "x"}, -1, score_or_length("0", "1")},
      {{"-s", "1", "-l", "1", "--minLength_a", "1", "--minLength_b", "1", "x"}, 0, ""},
      // a + b is formed in double precision: in float this sum would round up to 2.
      {{"-s", "1", "-l", "1", "--minScore_a", "1", "--minScore_b", "0.99999994", "x"}, -1, score_or_length("1", "1")},
      {{"-g", "-1", "x"}, -1,
       "Sorry, the indel score must be smaller or equal to -2.\n(option -g, --indelScore: -1)\n"},
      {{"-r", "0", "x"}, -1,
       "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect search.\n"
       "(option -r, --recursion: 0)\n"},
      {{"-u", "4", "-U", "3", "x"}, -1,
       "I think you have made a mistake here: The maximum unit length must be greater\n"
       "or equal to the minimum unit length.\n(options -u, --minUnitLen: 4 and -U, --maxUnitLen: 3)\n"},
      // A value that would wrap around in its unsigned global.
      {{"-U", "4294967296", "x"}, -1, unit_length + "(option -U, --maxUnitLen: 4294967296)\n"},
      {{"-u", "1", "-U", "4294967295", "x"}, 0, ""},
      {{"--lastSeq", "-2", "x"}, -1,
       "Sorry, the number of the last record to search cannot be negative,\n"
       "except -1, which stands for the last record of the file.\n(option --lastSeq: -2)\n"},
      {{"--maskFile", "-", "x"}, -1,
       "Sorry, the report and the masked sequences cannot both be written to standard output.\n"
       "Name a file for one of them: the report as the second file name, the masked sequences with --maskFile.\n"},
      {{"--maskFile", "-", "x", "report.txt"}, 0, ""},
      // Any two outputs on standard output, the report among them unless it is named.
      {{"--bedFile", "-", "x"}, -1,
       "Sorry, the report and the BED file cannot both be written to standard output.\n"
       "Name a file for one of them: the report as the second file name, the BED file with --bedFile.\n"},
      {{"--gffFile", "-", "--catalog", "hipstr:-", "x", "report.txt"}, -1,
       "Sorry, the GFF3 file and the hipstr catalogue cannot both be written to standard output.\n"
       "Name a file for one of them: the GFF3 file with --gffFile, the hipstr catalogue with --catalog "
       "hipstr:PATH.\n"},
      {{"--summaryFile", "-", "--bedFile", "b.bed", "x", "report.txt"}, 0, ""},
      {{"--catalogMinLength", "-1", "x"}, -1,
       "Sorry, the least length of a catalogue's locus must be a whole number from 0 to 4294967295.\n"
       "(option --catalogMinLength: -1)\n"},
      {{"-t", "-1", "x"}, -1, threads + "(option -t, --threads: -1)\n"},
      // Of mistakes in several options, the same one comes first wherever
      // each stands on the line or in the usage.
      {{"--outputFormat", "7", "-t", "5000", "x"}, -1, threads + "(option -t, --threads: 5000)\n"},
      {{"-r", "0", "--outputFormat", "7", "x"}, -2, intro + "An outputFormat with a value of 7 is unknown.\n\n"},
      {{"-U", "-1", "--firstSeq", "-3", "x"}, -1,
       "Sorry, the number of the first record to search cannot be negative: records count from 1.\n"
       "(option --firstSeq: -3)\n"},
      // The checks judge the defaults of the arrays mode.
      {{"-M", "arrays", "-u", "2001", "x"}, -1,
       "I think you have made a mistake here: The maximum unit length must be greater\n"
       "or equal to the minimum unit length.\n(options -u, --minUnitLen: 2001 and -U, --maxUnitLen: 2000)\n"},
      {{"--threads", "1025", "x"}, -1, threads + "(option -t, --threads: 1025)\n"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (const char* request : {"trgt:", "trgt", ":x.bed", "TRGT:x.bed", "trgtx:x.bed"})
    all.push_back({{"--catalog", request, "x"}, -1, "Sorry, the catalogue \"" + std::string(request) + catalog});
  for (const Case& c : all) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.code, c.code) << ::testing::PrintToString(c.args);
    EXPECT_EQ(p.messages, c.message) << ::testing::PrintToString(c.args);
  }
}

// What an accepted command line sets, as "input|report range quiet D mask
// threads loci catalogues"; for each, the check made before parsing must
// find -q exactly where the parser does.
TEST(CommandLine, AcceptedLinesSetTheOptions) {
  auto settings = [](const RunOptions& o) {
    std::string text = o.input_filename + "|" + o.output_filename + " " + std::to_string(o.sequence_from) + "-" +
                       std::to_string(o.sequence_to) + " q" + std::to_string(o.quiet) + " D" +
                       std::to_string(!o.remove_mostly_hidden) + " mask" + std::to_string(o.mask_repeats) + "/" +
                       "XNl"[o.mask_with] + "/" + o.mask_filename + " t" + std::to_string(o.threads) + " loci" +
                       std::to_string(o.catalog_settings.min_length) + "/" +
                       std::to_string(o.catalog_settings.min_copies).substr(0, 3);
    for (const CatalogRequest& c : o.catalogs) text += std::string(" ") + catalog_format_name(c.format) + "=" + c.filename;
    return text;
  };
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"x"}, "x| 1-4294967295 q0 D0 mask0/X/ t1 loci12/3.0"},
      // 0 as the first record searches from the first, -1 as the last up to the last.
      {{"--firstSeq", "0", "--lastSeq", "-1", "x"}, "x| 0-4294967295 q0 D0 mask0/X/ t1 loci12/3.0"},
      // A report named "-" is standard output, exactly as when none is named.
      {{"-"}, "-| 1-4294967295 q0 D0 mask0/X/ t1 loci12/3.0"},
      // Naming the masked file asks for masking.
      {{"--maskFile", "m.fa", "x"}, "x| 1-4294967295 q0 D0 mask1/X/m.fa t1 loci12/3.0"},
      {{"--maskX", "--maskWith", "X", "x"}, "x| 1-4294967295 q0 D0 mask1/X/ t1 loci12/3.0"},
      {{"x", "--quiet"}, "x| 1-4294967295 q1 D0 mask0/X/ t1 loci12/3.0"},
      {{"-Dq", "x"}, "x| 1-4294967295 q1 D1 mask0/X/ t1 loci12/3.0"},
      {{"--bedFile", "quiet.bed", "x"}, "x| 1-4294967295 q0 D0 mask0/X/ t1 loci12/3.0"},
      {{"-t", "3", "x"}, "x| 1-4294967295 q0 D0 mask0/X/ t3 loci12/3.0"},
      {{"--threads", "0", "x"}, "x| 1-4294967295 q0 D0 mask0/X/ t0 loci12/3.0"},
      {{"-t", "1024", "x"}, "x| 1-4294967295 q0 D0 mask0/X/ t1024 loci12/3.0"},
      // --catalog takes FORMAT:PATH once per format; the path may hold colons.
      {{"--catalog", "hipstr:a:b.txt", "--catalog", "expansionhunter:loci.json", "x"},
       "x| 1-4294967295 q0 D0 mask0/X/ t1 loci12/3.0 hipstr=a:b.txt expansionhunter=loci.json"},
      {{"--catalogMinLength", "0", "--catalogMinCopies", "2.5", "x"}, "x| 1-4294967295 q0 D0 mask0/X/ t1 loci0/2.5"},
  };
  for (const auto& c : cases) {
    Parsed p = parse(c.first);
    ASSERT_EQ(p.code, 0) << p.messages;
    EXPECT_EQ(settings(p.options), c.second);
    EXPECT_EQ(quiet_requested(c.first), p.options.quiet) << ::testing::PrintToString(c.first);
  }
  EXPECT_FALSE(quiet_requested({"--", "-q"}));  // a file named -q
}

// The thread count changes no result, so the report never shows it;
// standard error does, when it is not the default (as the end-to-end runs
// show for a count): every core has words of its own.
TEST(CommandLine, EveryCoreIsNamedOnStandardError) {
  const Parsed every_core = parse({"--threads", "0", "x"});
  ASSERT_EQ(every_core.code, 0);
  ::testing::internal::CaptureStderr();
  print_search_parameters(stderr, "", every_core.options);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("   Threads:                         one per core\n"),
            std::string::npos);
  EXPECT_EQ(captured([&](FILE* out) { print_search_parameters(out, "# ", every_core.options); }).find("Threads"),
            std::string::npos);
}

// The arrays mode has defaults of its own for the options not given (the
// end-to-end runs show both modes' defaults); given ones win over them.
TEST(CommandLine, ArraysModeDefaultsYieldToGivenValues) {
  const RunOptions o = parse({"-M", "arrays", "-U", "50", "-m", "-5", "--minScore_b", "2", "x"}).options;
  EXPECT_EQ(std::to_string(o.max_unit_length) + " m" + std::to_string(o.mismatch_score) + " g" +
                std::to_string(o.indel_score) + " s" + std::to_string(o.min_score) + " b" + std::to_string(o.min_score_bx),
            "50 m-5 g-3 s25 b2.000000");
}

// A value that is no number ends the process inside the parser, naming its
// option (unknown options and the version are shown by whole runs).
TEST(CommandLineDeathTest, TheParserEndsTheProcess) {
  RunOptions options;
  EXPECT_EXIT(parse_uncaptured({"-U", "many", "x"}, options), ::testing::ExitedWithCode(1),
              "Argument: -U \\(--maxUnitLen\\)");
}

}  // namespace
