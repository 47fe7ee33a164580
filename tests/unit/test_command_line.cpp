#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "captured_output.h"
#include "config/parameters.h"
#include "config/search_parameters_summary.h"

namespace {

struct Parsed {
  int code;
  std::string messages;
};

int parse_uncaptured(std::vector<std::string> args) {
  args.insert(args.begin(), "velkor");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  global_input_filename.clear();
  global_output_filename.clear();
  return read_and_init_parameters(static_cast<int>(argv.size()), argv.data());
}

Parsed parse(std::vector<std::string> args) {
  ::testing::internal::CaptureStderr();
  int code = parse_uncaptured(std::move(args));
  return {code, ::testing::internal::GetCapturedStderr()};
}

// Rejected values and the message each gets; the exit codes differ between
// enumerated options (-2) and the other checks (-1).
TEST(CommandLine, ValueChecks) {
  const std::string intro = "Sorry, a problem occured when parsing the command line options. ";
  const std::string score_or_length =
      "Sorry, either the minimum score or the minimum length must be larger.\n"
      "(options -s, --minScore: 1 with --minScore_a: 0 and --minScore_b: 1;\n"
      " -l, --minLength: 1 with --minLength_a: 0 and --minLength_b: 0)\n";
  const std::string unit_length = "Sorry, a unit length must be a whole number from 0 to 4294967295.\n";
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
      {{"-s", "1", "-l", "1", "x"}, -1, score_or_length},
      {{"-s", "1", "-l", "1", "--minLength_a", "1", "--minLength_b", "1", "x"}, 0, ""},
      // a + b is formed in double precision: in float this sum would round up to 2.
      {{"-s", "1", "-l", "1", "--minScore_a", "1", "--minScore_b", "0.99999994", "x"}, -1,
       "Sorry, either the minimum score or the minimum length must be larger.\n"
       "(options -s, --minScore: 1 with --minScore_a: 1 and --minScore_b: 1;\n"
       " -l, --minLength: 1 with --minLength_a: 0 and --minLength_b: 0)\n"},
      {{"-g", "-1", "x"}, -1,
       "Sorry, the indel score must be smaller or equal to -2.\n(option -g, --indelScore: -1)\n"},
      {{"-r", "0", "x"}, -1,
       "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect search.\n"
       "(option -r, --recursion: 0)\n"},
      {{"-u", "4", "-U", "3", "x"}, -1,
       "I think you have made a mistake here: The maximum unit length must be greater\n"
       "or equal to the minimum unit length.\n(options -u, --minUnitLen: 4 and -U, --maxUnitLen: 3)\n"},
      // Values that would wrap around in their unsigned globals.
      {{"-U", "-3", "x"}, -1, unit_length + "(option -U, --maxUnitLen: -3)\n"},
      {{"-u", "-1", "x"}, -1, unit_length + "(option -u, --minUnitLen: -1)\n"},
      {{"-U", "4294967296", "x"}, -1, unit_length + "(option -U, --maxUnitLen: 4294967296)\n"},
      {{"-u", "1", "-U", "4294967295", "x"}, 0, ""},
      {{"--firstSeq", "-3", "x"}, -1,
       "Sorry, the number of the first record to search cannot be negative: records count from 1.\n"
       "(option --firstSeq: -3)\n"},
      {{"--lastSeq", "-2", "x"}, -1,
       "Sorry, the number of the last record to search cannot be negative,\n"
       "except -1, which stands for the last record of the file.\n(option --lastSeq: -2)\n"},
      {{"--maskFile", "-", "x"}, -1,
       "Sorry, the report and the masked sequences cannot both be written to standard output.\n"
       "Name a file for one of them: the report as the second file name, the masked sequences with --maskFile.\n"},
      {{"--maskFile", "-", "x", "report.txt"}, 0, ""},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.code, c.code) << ::testing::PrintToString(c.args);
    EXPECT_EQ(p.messages, c.message) << ::testing::PrintToString(c.args);
  }
}

// The record range keeps its two old conventions: 0 as the first record
// searches from the first, -1 as the last up to the last.
TEST(CommandLine, RecordRangeEnds) {
  ASSERT_EQ(parse({"--firstSeq", "0", "--lastSeq", "-1", "x"}).code, 0);
  EXPECT_EQ(global_sequence_from, 0u);
  EXPECT_EQ(global_sequence_to, 4294967295u);
  ASSERT_EQ(parse({"--firstSeq", "2", "--lastSeq", "7", "x"}).code, 0);
  EXPECT_EQ(global_sequence_from, 2u);
  EXPECT_EQ(global_sequence_to, 7u);
}

TEST(CommandLine, StandardStreamsAsFileNames) {
  ASSERT_EQ(parse({"-"}).code, 0);
  EXPECT_EQ(global_input_filename, "-");
  EXPECT_EQ(global_output_filename, "");
  // A report named "-" is standard output, exactly as when none is named.
  ASSERT_EQ(parse({"-", "-"}).code, 0);
  EXPECT_EQ(global_input_filename, "-");
  EXPECT_EQ(global_output_filename, "");
  ASSERT_EQ(parse({"in.fa", "out.txt"}).code, 0);
  EXPECT_EQ(global_output_filename, "out.txt");
}

TEST(CommandLine, MaskingOptions) {
  ASSERT_EQ(parse({"x"}).code, 0);
  EXPECT_FALSE(global_mask_repeats);
  EXPECT_EQ(global_mask_with, MASK_X);
  EXPECT_EQ(global_mask_filename, "");

  // Naming the masked file or its masking character asks for masking.
  ASSERT_EQ(parse({"--maskFile", "m.fa", "x"}).code, 0);
  EXPECT_TRUE(global_mask_repeats);
  EXPECT_EQ(global_mask_filename, "m.fa");
  ASSERT_EQ(parse({"--maskWith", "lower", "x"}).code, 0);
  EXPECT_TRUE(global_mask_repeats);
  EXPECT_EQ(global_mask_with, MASK_LOWER);
  ASSERT_EQ(parse({"--maskX", "--maskWith", "N", "x"}).code, 0);
  EXPECT_EQ(global_mask_with, MASK_N);
  ASSERT_EQ(parse({"--maskX", "--maskWith", "X", "x"}).code, 0);
  EXPECT_EQ(global_mask_with, MASK_X);
}

TEST(CommandLine, Quiet) {
  ASSERT_EQ(parse({"x"}).code, 0);
  EXPECT_FALSE(global_quiet);
  ASSERT_EQ(parse({"-q", "x"}).code, 0);
  EXPECT_TRUE(global_quiet);
  ASSERT_EQ(parse({"x", "--quiet"}).code, 0);
  EXPECT_TRUE(global_quiet);
  ASSERT_EQ(parse({"-Dq", "x"}).code, 0);
  EXPECT_TRUE(global_quiet);
  EXPECT_FALSE(global_remove_mostly_hidden);

  auto requested = [](std::vector<std::string> args) {
    args.insert(args.begin(), "velkor");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    return quiet_requested(static_cast<int>(argv.size()), argv.data());
  };
  EXPECT_TRUE(requested({"-q", "x"}));
  EXPECT_TRUE(requested({"x", "--quiet"}));
  EXPECT_TRUE(requested({"-Dq", "x"}));
  EXPECT_FALSE(requested({"x"}));
  EXPECT_FALSE(requested({"-", "-"}));
  EXPECT_FALSE(requested({"--bedFile", "quiet.bed", "x"}));
  EXPECT_FALSE(requested({"--", "-q"}));  // a file named -q
}

// The summary shows the new settings only when they differ from the
// defaults, so that a default run's report stays as it always was.
TEST(CommandLine, SummaryShowsMaskingChoicesOnlyWhenMade) {
  auto summary = [] { return captured([](FILE* out) { print_search_parameters(out, "# "); }); };
  ASSERT_EQ(parse({"--maskX", "x"}).code, 0);
  const std::string plain = summary();
  EXPECT_EQ(plain.find("Mask"), std::string::npos);

  ASSERT_EQ(parse({"--maskFile", "m.fa", "--maskWith", "N", "x"}).code, 0);
  const std::string chosen = summary();
  EXPECT_NE(chosen.find("# Input file name:                    x\n"
                        "# Masked file name:                   m.fa\n"),
            std::string::npos);
  EXPECT_NE(chosen.find("#    Write file with masked seq.:     yes\n"
                        "#    Masked repeats written as:       N\n"),
            std::string::npos);
  ASSERT_EQ(parse({"--maskWith", "lower", "x"}).code, 0);
  EXPECT_NE(summary().find("#    Masked repeats written as:       lower case (soft-masked)\n"), std::string::npos);
}

// The thread count changes no result, so the report's summary never shows it;
// standard error does, when it is not the default.
TEST(CommandLine, ThreadsShownOnStandardErrorOnlyWhenNotOne) {
  auto on_stderr = [] {
    ::testing::internal::CaptureStderr();
    print_search_parameters(stderr, "");
    return ::testing::internal::GetCapturedStderr();
  };
  auto in_report = [] { return captured([](FILE* out) { print_search_parameters(out, "# "); }); };
  ASSERT_EQ(parse({"x"}).code, 0);
  EXPECT_EQ(global_threads, 1u);
  EXPECT_EQ(on_stderr().find("Threads"), std::string::npos);

  ASSERT_EQ(parse({"-t", "3", "x"}).code, 0);
  EXPECT_EQ(global_threads, 3u);
  EXPECT_NE(on_stderr().find("\n   Threads:                         3\n"), std::string::npos);
  EXPECT_EQ(in_report().find("Threads"), std::string::npos);
  ASSERT_EQ(parse({"--threads", "0", "x"}).code, 0);
  EXPECT_NE(on_stderr().find("   Threads:                         one per core\n"), std::string::npos);

  const std::string range = "Sorry, the number of threads must be a whole number from 0 to 1024; 0 uses every core "
                            "of the machine.\n";
  EXPECT_EQ(parse({"-t", "1024", "x"}).code, 0);
  Parsed negative = parse({"-t", "-1", "x"});
  EXPECT_EQ(negative.code, -1);
  EXPECT_EQ(negative.messages, range + "(option -t, --threads: -1)\n");
  Parsed too_many = parse({"--threads", "1025", "x"});
  EXPECT_EQ(too_many.code, -1);
  EXPECT_EQ(too_many.messages, range + "(option -t, --threads: 1025)\n");
}

// Parse failures, help and version end the process inside the parser.
TEST(CommandLineDeathTest, UnknownOptionsAreTheParsersFailure) {
  const char* failure = "PARSE ERROR: Argument: --maxUnitlen\n +Couldn't find match for argument";
  EXPECT_EXIT(parse_uncaptured({"--maxUnitlen", "10", "x"}), ::testing::ExitedWithCode(1), failure);
  // Wherever it stands: an unknown option is no file name.
  EXPECT_EXIT(parse_uncaptured({"x", "--bogus"}), ::testing::ExitedWithCode(1), "Argument: --bogus\n");
  EXPECT_EXIT(parse_uncaptured({"-Z", "x"}), ::testing::ExitedWithCode(1), "Argument: -Z\n");
  // A value that is no number is the parser's too, and names its option.
  EXPECT_EXIT(parse_uncaptured({"-U", "many", "x"}), ::testing::ExitedWithCode(1),
              "Argument: -U \\(--maxUnitLen\\)");
}

TEST(CommandLineDeathTest, VersionAnswersToBothNames) {
  EXPECT_EXIT(parse_uncaptured({"-v"}), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(parse_uncaptured({"--version", "x"}), ::testing::ExitedWithCode(0), "");
}

// After "--" every argument is a file name, whatever it starts with. The
// parser remembers "--" for the rest of the process, hence the child.
TEST(CommandLineDeathTest, FileNamesAfterDoubleDash) {
  EXPECT_EXIT(
      {
        int code = parse_uncaptured({"-q", "--", "-in.fa", "--out"});
        bool taken = code == 0 && global_quiet && global_input_filename == "-in.fa" &&
                     global_output_filename == "--out";
        std::exit(taken ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

// --catalog takes FORMAT:PATH once per format; the path may hold colons.
TEST(CommandLine, CatalogRequests) {
  Parsed p = parse({"--catalog", "hipstr:a:b.txt", "--catalog", "expansionhunter:loci.json", "x"});
  ASSERT_EQ(p.code, 0) << p.messages;
  ASSERT_EQ(global_catalogs.size(), 2u);
  EXPECT_EQ(global_catalogs[0].format, CatalogFormat::HIPSTR);
  EXPECT_EQ(global_catalogs[0].filename, "a:b.txt");
  EXPECT_EQ(global_catalogs[1].format, CatalogFormat::EXPANSIONHUNTER);
  EXPECT_EQ(global_catalogs[1].filename, "loci.json");

  const char* not_format_path = "\" is not FORMAT:PATH with FORMAT one of trgt, hipstr and expansionhunter.\n";
  for (const char* value : {"trgt:", "trgt", ":x.bed", "TRGT:x.bed", "trgtx:x.bed"}) {
    p = parse({"--catalog", value, "x"});
    EXPECT_EQ(p.code, -1) << value;
    EXPECT_EQ(p.messages, std::string("Sorry, the catalogue \"") + value + not_format_path);
  }
  p = parse({"--catalog", "trgt:a.bed", "--catalog", "trgt:b.bed", "x"});
  EXPECT_EQ(p.code, -1);
  EXPECT_EQ(p.messages, "Sorry, the trgt catalogue is asked for twice.\n");
  parse({"x"});
  EXPECT_TRUE(global_catalogs.empty());
}

}  // namespace
