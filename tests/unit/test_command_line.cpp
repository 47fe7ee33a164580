#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/parameters.h"

namespace {

struct Parsed {
  int code;
  std::string messages;
};

Parsed parse(std::vector<std::string> args) {
  args.insert(args.begin(), "velkor");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  global_input_filename.clear();
  global_output_filename.clear();
  ::testing::internal::CaptureStderr();
  int code = read_and_init_parameters(static_cast<int>(argv.size()), argv.data());
  return {code, ::testing::internal::GetCapturedStderr()};
}

// Rejected values and the message each gets; the exit codes differ between
// enumerated options (-2) and the other checks (-1).
TEST(CommandLine, ValueChecks) {
  const std::string intro = "Sorry, a problem occured when parsing the command line options. ";
  const std::string score_or_length = "Sorry, either the minimum score or the minimum length must be larger.\n";
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
      {{"-P", "50", "x"}, -1, "Sorry, using a perfection minimum is not implemented in this version.\n"},
      {{"-s", "1", "-l", "1", "x"}, -1, score_or_length},
      {{"-s", "1", "-l", "1", "--minLength_a", "1", "--minLength_b", "1", "x"}, 0, ""},
      // a + b is formed in double precision: in float this sum would round up to 2.
      {{"-s", "1", "-l", "1", "--minScore_a", "1", "--minScore_b", "0.99999994", "x"}, -1, score_or_length},
      {{"-g", "-1", "x"}, -1, "Sorry, the indel score must be smaller or equal to -2.\n"},
      {{"-r", "0", "x"}, -1,
       "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect search.\n"},
      {{"-u", "4", "-U", "3", "x"}, -1,
       "I think you have made a mistake here: The maximum unit length must be greater\n"
       "or equal to the minimum unit length.\n"},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.code, c.code) << ::testing::PrintToString(c.args);
    EXPECT_EQ(p.messages, c.message) << ::testing::PrintToString(c.args);
  }
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
