#include "config/search_parameters_summary.h"

#include "config/parameters.h"
#include "config/message_text.h"

namespace {

const char* search_mode_text() {
  switch (global_search_mode) {
    case SEARCH_EXACT:
      return "exact repeats";
    case SEARCH_EXTEND_EXACT:
      return "exact repeats which are extended to imperfect repeats";
    case SEARCH_ARRAYS:
      return "tandem arrays aligned against their consensus unit";
    default:
      return "imperfect repeats";
  }
}

const char* choice(int mode, const char* zero, const char* one, const char* other) {
  return mode == 0 ? zero : mode == 1 ? one : other;
}

const char* yes_no(bool value) { return value ? "yes" : "no"; }

}  // namespace

void print_search_parameters(FILE* out, const char* prefix) {
  const bool imperfect = global_search_mode != SEARCH_EXACT;
  // The arrays mode aligns without the walk's look-ahead and its limits.
  const bool walks = imperfect && global_search_mode != SEARCH_ARRAYS;

  PrintMessage(out, prefix, "Parameter settings used in this search:\n");
  PrintMessage(out, prefix, "Input file name:                    ", global_input_filename.c_str(), "\n");
  if (!global_output_filename.empty()) {
    PrintMessage(out, prefix, "Output file name:                   ", global_output_filename.c_str(), "\n");
  }
  if (!global_bed_filename.empty()) {
    PrintMessage(out, prefix, "BED file name:                      ", global_bed_filename.c_str(), "\n");
  }
  if (!global_mask_filename.empty()) {
    PrintMessage(out, prefix, "Masked file name:                   ", global_mask_filename.c_str(), "\n");
  }
  if (!global_gff_filename.empty()) {
    PrintMessage(out, prefix, "GFF3 file name:                     ", global_gff_filename.c_str(), "\n");
  }
  for (const CatalogRequest& catalog : global_catalogs) {
    PrintMessage(out, prefix, "Catalogue file name:                ", catalog.filename.c_str(), " (");
    PrintMessage(out, catalog_format_name(catalog.format), " format)\n");
  }
  if (!global_catalogs.empty()) {
    PrintMessage(out, prefix, "   Catalogue loci of at least:      ", number2str(global_catalog_settings.min_length),
                 " residues and ");
    PrintMessage(out, number2str(global_catalog_settings.min_copies), " copies\n");
  }
  if (!global_summary_filename.empty()) {
    PrintMessage(out, prefix, "Summary file name:                  ", global_summary_filename.c_str(), "\n");
  }
  PrintMessage(out, prefix, "   Sequence range to process:       ", number2str(global_sequence_from), " - ");
  PrintMessage(out, global_sequence_to == 4294967295u ? "last sequence" : number2str(global_sequence_to), "\n");
  PrintMessage(out, prefix, "   Satellites searched for:         ", search_mode_text(), "\n");
  if (walks) {
    PrintMessage(out, prefix, "   Recursion depth:                 ", number2str(global_maximum_recursion_depth),
                 "\n");
    PrintMessage(out, prefix, "   Maximum score reduction:         ",
                 global_maximum_scorereduction == 2147483647 ? "-" : number2str(global_maximum_scorereduction), "\n");
  }
  PrintMessage(out, prefix, "   Minimum unit length:             ", number2str(global_min_unit_length), "\n");
  PrintMessage(out, prefix, "   Maximum unit length:             ", number2str(global_max_unit_length), "\n");
  // number2str shares one buffer, so each number is written before the next is made.
  PrintMessage(out, prefix, "   Minimum score:                   maximum (", number2str(global_min_score), ", ");
  PrintMessage(out, number2str(global_min_score_a), "+");
  PrintMessage(out, number2str(global_min_score_bx), "*unitlength )\n");
  PrintMessage(out, prefix, "   Minimum length:                  maximum (", number2str(global_min_length), ", ");
  PrintMessage(out, number2str(global_min_length_a), "+");
  PrintMessage(out, number2str(global_min_length_bx), "*unitlength )\n");
  PrintMessage(out, prefix, "   Treat N's as:                    ",
               global_treat_Ns_as_missense ? "missense" : "neutral", "\n");
  PrintMessage(out, prefix, "   Max. succesive N's allowed:      ", number2str(global_Ns_allowed_in_a_row), "\n");
  if (imperfect) {
    PrintMessage(out, prefix, "   Mismatch score:                  ", number2str(global_mismatch_score), "\n");
    PrintMessage(out, prefix, "   Indel score:                     ", number2str(global_indel_score), "\n");
  }
  PrintMessage(out, prefix, "   Minimum perfection:              ", number2str(global_perfection_minimum), " %\n");
  PrintMessage(out, prefix, "   Number of flanking nucletides:   ", number2str(global_flanking), "\n");
  PrintMessage(out, prefix, "   Remove mostly overlapping satellites: ", yes_no(global_remove_mostly_hidden), "\n");
  PrintMessage(out, prefix, "   Write file with masked seq.:     ", yes_no(global_mask_repeats), "\n");
  // Only a choice that differs from the default is shown: the summary of a
  // run without it stays as it always was.
  if (global_mask_repeats && global_mask_with != MASK_X) {
    PrintMessage(out, prefix, "   Masked repeats written as:       ",
                 global_mask_with == MASK_N ? "N" : "lower case (soft-masked)", "\n");
  }
  if (global_mask_keep_input) {
    PrintMessage(out, prefix, "   Residues outside repeats:        as in the input\n");
  }
  PrintMessage(out, prefix, "   Computing perfections treat N's: ",
               choice(global_N_and_perfection_mode, "asMismatch", "asNeutral", "asMatch"), "\n");
  PrintMessage(out, prefix, "   Report units as:                 ",
               choice(global_report_unit_mode, "as they are", "alphabetical normal form",
                      "alphabetical normal form using reverse complement"),
               "\n");
  PrintMessage(out, prefix, "   Output format:                   ",
               choice(global_print_sat_mode, "velkor format", "extended velkor format", "sputnik compatible format"),
               "\n");
  PrintMessage(out, prefix, "   Print sequence mode:             ",
               choice(global_print_sat_seq_mode, "don't print sequence", "print sequence", "print alignment"), "\n");
  // Standard error only: the report is the same for every number of
  // threads, its parameter summary included.
  if (out == stderr && global_threads != 1) {
    PrintMessage(out, prefix, "   Threads:                         ",
                 global_threads == 0 ? "one per core" : number2str(global_threads), "\n");
  }
}
