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

TEST(CommandLine, FileNames) {
  EXPECT_EQ(parse({"in.fa"}).code, 0);
  EXPECT_EQ(global_input_filename, "in.fa");
  EXPECT_EQ(global_output_filename, "");

  EXPECT_EQ(parse({"in.fa", "out.txt"}).code, 0);
  EXPECT_EQ(global_input_filename, "in.fa");
  EXPECT_EQ(global_output_filename, "out.txt");


  Parsed none = parse({});
  EXPECT_EQ(none.code, -1);
  EXPECT_EQ(none.messages, "Error: No input file has been specified. Type velkor --help for more information.\n");
}

TEST(CommandLine, ValuesReachTheGlobals) {
  ASSERT_EQ(parse({"-M", "exact", "--firstSeq", "0", "--lastSeq", "-1", "-N", "-3", "-f", "-1", "-D", "--maskX",
                   "--NsAsMissense", "-u", "2", "-U", "2", "--minScore_b", "0.5", "x"})
                .code,
            0);
  EXPECT_EQ(global_search_mode, SEARCH_EXACT);
  EXPECT_EQ(global_sequence_from, 0u);
  EXPECT_EQ(global_sequence_to, 4294967295u);
  EXPECT_EQ(global_Ns_allowed_in_a_row, 0);
  EXPECT_EQ(global_flanking, 0);
  EXPECT_FALSE(global_remove_mostly_hidden);
  EXPECT_TRUE(global_mask_repeats);
  EXPECT_TRUE(global_treat_Ns_as_missense);
  EXPECT_EQ(global_min_unit_length, 2u);
  EXPECT_EQ(global_max_unit_length, 2u);
  EXPECT_FLOAT_EQ(global_min_score_bx, 0.5f);

  ASSERT_EQ(parse({"-M", "extendExact", "x"}).code, 0);
  EXPECT_EQ(global_search_mode, SEARCH_EXTEND_EXACT);
}

TEST(CommandLine, EnumeratedOptionsOutOfRange) {
  const std::string intro = "Sorry, a problem occured when parsing the command line options. ";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--outputFormat", "3"}, intro + "An outputFormat with a value of 3 is unknown.\n\n"},
      {{"--printRepeatSeqMode", "-1"}, intro + "A printRepeatSeqMode with a value of -1 is unknown.\n\n"},
      {{"--NPerfectionMode", "5"}, intro + "An NPerfectionMode with a value of 5 is unknown.\n\n"},
      {{"--reportUnit", "-7"}, intro + "An option value of -7 for the reportUnit option is unknown.\n\n"},
      // The first offender in the fixed order is reported.
      {{"--reportUnit", "9", "--outputFormat", "9"}, intro + "An outputFormat with a value of 9 is unknown.\n\n"},
  };
  for (Case& c : cases) {
    c.args.push_back("x");
    Parsed p = parse(c.args);
    EXPECT_EQ(p.code, -2);
    EXPECT_EQ(p.messages, c.message);
  }
  for (const char* value : {"0", "2"}) EXPECT_EQ(parse({"--outputFormat", value, "x"}).code, 0);
}

TEST(CommandLine, NumericChecks) {
  const std::string score_or_length = "Sorry, either the minimum score or the minimum length must be larger.\n";
  struct Case {
    std::vector<std::string> args;
    std::string message;  // empty: accepted
  } cases[] = {
      {{"-P", "50"}, "Sorry, using a perfection minimum is not implemented in this version.\n"},
      {{"-P", "0"}, ""},
      {{"-s", "1", "-l", "1"}, score_or_length},
      {{"-s", "2", "-l", "1"}, ""},
      {{"-s", "1", "-l", "1", "--minLength_a", "1", "--minLength_b", "1"}, ""},
      // a + b is formed in double precision: in float this sum would round up to 2.
      {{"-s", "1", "-l", "1", "--minScore_a", "1", "--minScore_b", "0.99999994"}, score_or_length},
      {{"-m", "-2"}, ""},
      {{"-g", "-1"}, "Sorry, the indel score must be smaller or equal to -2.\n"},
      {{"-g", "-2"}, ""},
      {{"-r", "0"},
       "Sorry, the recursion depth must be greater than 0.\nA value of 0 would corresponds to a perfect search.\n"},
      {{"-u", "4", "-U", "3"},
       "I think you have made a mistake here: The maximum unit length must be greater\n"
       "or equal to the minimum unit length.\n"},
      {{"-u", "4", "-U", "4"}, ""},
  };
  for (Case& c : cases) {
    c.args.push_back("x");
    Parsed p = parse(c.args);
    EXPECT_EQ(p.code, c.message.empty() ? 0 : -1) << c.args[0];
    EXPECT_EQ(p.messages, c.message) << c.args[0];
  }
}

}  // namespace
