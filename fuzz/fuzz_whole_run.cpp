// A whole run (options, reader, search, overlap removal, report, masked
// file) on a small input, with the options taken from the first bytes.
//
// Besides the sanitizers, each input is run twice and both runs must write
// the same report, masked file and files for other tools byte for byte: a
// run that depends on memory left over from an earlier one, or on
// uninitialised memory, shows up here. A run that the option check let through must end successfully
// or with a format error of the input, and a successful report must be
// complete.
//
// Sizes stay small on purpose: a failed allocation ends the process, which
// the fuzzer cannot survive.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/exit_codes.h"
#include "driver/run.h"
#include "fuzz_temp_dir.h"

namespace {

// Hands out the steering bytes one at a time; 0 once they are used up.
class Steering {
 public:
  Steering(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return used_ < size_ ? data_[used_++] : 0; }
  template <typename T, std::size_t N>
  T pick(const T (&choices)[N]) {
    return choices[next() % N];
  }
  std::size_t used() const { return used_ < size_ ? used_ : size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

// Eighteen option bytes and one that says how to take the input.
constexpr std::size_t steering_bytes = 19;

struct Arguments {
  std::vector<std::string> words{"velkor"};
  void add(const char* option, long long value) {
    words.push_back(option);
    words.push_back(std::to_string(value));
  }
  void add(const char* option, const char* value) {
    words.push_back(option);
    words.push_back(value);
  }
};

Arguments options_from(Steering& steer) {
  // Penalties, score-reduction limits and thresholds reach the ends of the
  // int range; -1 lets the option check refuse a value now and then.
  static const long long penalties[] = {-6, -2, -3, -4, -5, -8, -12, -1, -1000, -2147483647, INT_MIN};
  // Deeper look-aheads cost up to 3^depth per decision by design; under the
  // fuzzer's instrumentation depth 8 already takes minutes per input.
  static const long long depths[] = {5, 1, 2, 3, 4, 6, 7, 0};
  static const long long reductions[] = {INT_MAX, 0, 1, 2, 6, 12, 30, -1, -100, INT_MIN};
  static const long long Ns_in_a_row[] = {4, 0, 1, 2, 3, -1, INT_MAX};
  static const long long flanks[] = {0, 1, 3, 10, -5, INT_MAX};
  static const long long floors[] = {6, 0, 1, 2, 3, 10, 30, -5, INT_MAX, INT_MIN};
  static const long long terms[] = {0, 1, 5, -3, INT_MAX, INT_MIN};
  static const char* const factors[] = {"1", "0", "0.1", "0.5", "1.5", "3", "-1", "1e30", "-1e30", "3e38"};
  static const long long first_records[] = {1, 0, 2, 3, 2147483647, -1};
  static const long long last_records[] = {-1, 1, 2, 5, 0};
  static const char* const modes[] = {"exact", "extendExact", "imperfect", "arrays"};

  Arguments args;
  args.add("--searchMode", steer.pick(modes));
  const unsigned min_unit = 1 + steer.next() % 10;
  args.add("--minUnitLen", min_unit);
  args.add("--maxUnitLen", min_unit + steer.next() % (11 - min_unit));
  args.add("--mismatchScore", steer.pick(penalties));
  args.add("--indelScore", steer.pick(penalties));
  args.add("--recursion", steer.pick(depths));
  args.add("--maximum_score_reduction", steer.pick(reductions));
  args.add("--succN", steer.pick(Ns_in_a_row));
  const std::uint8_t modes_byte = steer.next();
  args.add("--outputFormat", modes_byte % 3);
  args.add("--printRepeatSeqMode", modes_byte / 3 % 3);
  args.add("--reportUnit", modes_byte / 9 % 3);
  args.add("--NPerfectionMode", modes_byte / 27 % 3);
  args.add("--flanking", steer.pick(flanks));
  args.add("--minScore", steer.pick(floors));
  args.add("--minScore_a", steer.pick(terms));
  args.add("--minScore_b", steer.pick(factors));
  args.add("--minLength", steer.pick(floors));
  args.add("--minLength_a", steer.pick(terms));
  args.add("--minLength_b", steer.pick(factors));
  const std::uint8_t range_byte = steer.next();
  args.add("--firstSeq", first_records[range_byte % 6]);
  args.add("--lastSeq", last_records[range_byte / 6 % 5]);
  const std::uint8_t switches = steer.next();
  if (switches & 1) args.words.push_back("--NsAsMissense");
  if (switches & 2) args.words.push_back("--maskX");
  if (switches & 4) args.words.push_back("--dontRemoveMostlyOverlapping");
  if (switches & 8) args.add("--bedFile", (fuzz_temp_dir() + "/repeats.bed").c_str());
  if (switches & 16) {
    args.add("--gffFile", (fuzz_temp_dir() + "/repeats.gff3").c_str());
    args.add("--catalog", ("expansionhunter:" + fuzz_temp_dir() + "/loci.json").c_str());
    args.add("--summaryFile", (fuzz_temp_dir() + "/summary.tsv").c_str());
  }
  return args;
}

// Most mutations of a FASTA file are no longer FASTA; when the steering says
// so, the bytes other than line structure become residue letters, so that
// the searches get to see them.
std::string as_fasta(const std::uint8_t* data, std::size_t size) {
  static const char letters[] = "ACGTACGTACGTNacg";
  std::string fasta = size > 0 && data[0] == '>' ? "" : ">s\n";
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    const bool kept = c == '>' || c == '\n' || c == 'A' || c == 'C' || c == 'G' || c == 'T' || c == 'N';
    fasta.push_back(kept ? c : letters[data[i] & 15]);
  }
  return fasta;
}

struct RunResult {
  int code;
  std::string report;
  std::string masked;
  std::string bed;
  std::string others;  // the GFF3 file, the catalogue and the summary
  bool operator!=(const RunResult& o) const {
    return code != o.code || report != o.report || masked != o.masked || bed != o.bed || others != o.others;
  }
};

RunResult run_once(Arguments args, const std::string& input) {
  const std::string& dir = fuzz_temp_dir();
  const std::string input_path = dir + "/input.fa";
  const std::string report_path = dir + "/report.txt";
  const std::string masked_path = input_path + ".masked";
  const std::string bed_path = dir + "/repeats.bed";
  const std::string other_paths[] = {dir + "/repeats.gff3", dir + "/loci.json", dir + "/summary.tsv"};
  write_whole_file(input_path, input.data(), input.size());
  std::remove(report_path.c_str());
  std::remove(masked_path.c_str());
  std::remove(bed_path.c_str());
  for (const std::string& path : other_paths) std::remove(path.c_str());

  args.words.push_back(input_path);
  args.words.push_back(report_path);
  std::vector<char*> argv;
  for (std::string& word : args.words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  const int code = run_velkor(static_cast<int>(argv.size() - 1), argv.data());
  std::string others;
  for (const std::string& path : other_paths) others += read_whole_file(path) + '\0';
  return {code, read_whole_file(report_path), read_whole_file(masked_path), read_whole_file(bed_path), others};
}

const std::string finished_line = "## Finished successfully. ##\n";

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 20000) return 0;  // keeps every run quick and far from any allocation limit
  Steering steer(data, size < steering_bytes ? size : steering_bytes);
  const Arguments args = options_from(steer);
  const std::uint8_t input_byte = steer.next();
  const std::uint8_t* payload = data + steer.used();
  const std::size_t payload_size = size - steer.used();
  const std::string input = (input_byte & 1) ? as_fasta(payload, payload_size)
                                             : std::string(reinterpret_cast<const char*>(payload), payload_size);

  const RunResult first = run_once(args, input);
  if (first.code != EXIT_OK && first.code != EXIT_BAD_OPTION && first.code != EXIT_BAD_FASTA) {
    std::fprintf(stderr, "unexpected exit code %d\n", first.code);
    std::abort();
  }
  if (first.code == EXIT_OK && !ends_with(first.report, finished_line)) {
    std::fprintf(stderr, "successful run with an unfinished report\n");
    std::abort();
  }
  if (first.code == EXIT_BAD_OPTION) return 0;

  const RunResult second = run_once(args, input);
  if (second != first) {
    std::fprintf(stderr, "two runs on the same input differ\n");
    std::abort();
  }
  return 0;
}
