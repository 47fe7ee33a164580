#ifndef VELKOR_REPEATS_REPORT_OPTIONS_H
#define VELKOR_REPEATS_REPORT_OPTIONS_H

#include <cstddef>

#include "config/run_options.h"

// How the report and the files for other tools show a repeat.
struct ReportOptions {
  int format = 1;             // 0 velkor, 1 extended velkor, 2 sputnik compatible
  int sequence_lines = 2;     // 0 none, 1 the residues, 2 the alignment
  int unit_mode = 2;          // 0 as found, 1 normal form, 2 normal form with reverse complement
  int N_perfection_mode = 0;  // N's in the perfection: 0 as mismatches, 1 neutral, 2 as matches
  bool N_column = true;       // the error counts show the N's (not when they count as mismatches)
  std::size_t flanking = 0;   // residues shown on each side of a repeat's residues
  // Alignment lines longer than this many characters are passed on to the
  // stream while they are written instead of being held whole.
  std::size_t alignment_window = std::size_t{1} << 16;
};

inline ReportOptions report_options_of(const RunOptions& run) {
  ReportOptions report;
  report.format = run.print_sat_mode;
  report.sequence_lines = run.print_sat_seq_mode;
  report.unit_mode = run.report_unit_mode;
  report.N_perfection_mode = run.N_and_perfection_mode;
  report.N_column = !run.treat_Ns_as_missense;
  report.flanking = static_cast<std::size_t>(run.flanking);
  return report;
}

#endif
