#include "repeats/column_legend.h"


void print_output_format(FILE* out, const char* prefix, const ReportOptions& options) {
  static const char* const common_columns[] = {
      "Repeat unit length",
      "Position at which repeat starts in current sequence",
      "Position at which repeat ends in current sequence",
      "Length of repeat in original sequence, i.e. (end-start+1)",
      "Normalized repeat length, i.e. (end-start+1-insertions+deletions)",
      "Repeat score",
      "Repeat perfection",
  };
  // Only the extended format has the error counts; its N column disappears
  // when N's are counted as mismatches.
  static const char* const extended_columns[] = {
      "Number of mismatches",
      "Number of insertions",
      "Number of deletions",
      "Number of N's",
  };

  std::fprintf(out, "%s\n%sColumns in lines of output providing repeat information:\n", prefix, prefix);
  int column = 0;
  for (const char* text : common_columns) std::fprintf(out, "%sColumn %2d: %s\n", prefix, ++column, text);
  if (options.format == 1) {
    int extended_count = options.N_column ? 4 : 3;
    for (int i = 0; i < extended_count; ++i) {
      std::fprintf(out, "%sColumn %2d: %s\n", prefix, ++column, extended_columns[i]);
    }
  }
  std::fprintf(out, "%sColumn %2d: %s\n", prefix, ++column, "Repeat unit");
  std::fprintf(out, "%s\n", prefix);
}
