#include "config/search_parameters_summary.h"

#include "config/run_options.h"
#include "config/message_text.h"

namespace {

const char* search_mode_text(int search_mode) {
  switch (search_mode) {
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

void print_search_parameters(FILE* out, const char* prefix, const RunOptions& o) {
  const bool imperfect = o.search_mode != SEARCH_EXACT;
  // The arrays mode aligns without the walk's look-ahead and its limits.
  const bool walks = imperfect && o.search_mode != SEARCH_ARRAYS;

  PrintMessage(out, prefix, "Parameter settings used in this search:\n");
  PrintMessage(out, prefix, "Input file name:                    ", o.input_filename.c_str(), "\n");
  if (!o.output_filename.empty()) {
    PrintMessage(out, prefix, "Output file name:                   ", o.output_filename.c_str(), "\n");
  }
  if (!o.bed_filename.empty()) {
    PrintMessage(out, prefix, "BED file name:                      ", o.bed_filename.c_str(), "\n");
  }
  if (!o.mask_filename.empty()) {
    PrintMessage(out, prefix, "Masked file name:                   ", o.mask_filename.c_str(), "\n");
  }
  if (!o.gff_filename.empty()) {
    PrintMessage(out, prefix, "GFF3 file name:                     ", o.gff_filename.c_str(), "\n");
  }
  for (const CatalogRequest& catalog : o.catalogs) {
    PrintMessage(out, prefix, "Catalogue file name:                ", catalog.filename.c_str(), " (");
    PrintMessage(out, catalog_format_name(catalog.format), " format)\n");
  }
  if (!o.catalogs.empty()) {
    PrintMessage(out, prefix, "   Catalogue loci of at least:      ", number_text(o.catalog_settings.min_length).c_str(),
                 " residues and ");
    PrintMessage(out, number_text(o.catalog_settings.min_copies).c_str(), " copies\n");
  }
  if (!o.summary_filename.empty()) {
    PrintMessage(out, prefix, "Summary file name:                  ", o.summary_filename.c_str(), "\n");
  }
  PrintMessage(out, prefix, "   Sequence range to process:       ", number_text(o.sequence_from).c_str(), " - ");
  PrintMessage(out, o.sequence_to == last_record ? "last sequence" : number_text(o.sequence_to).c_str(), "\n");
  PrintMessage(out, prefix, "   Satellites searched for:         ", search_mode_text(o.search_mode), "\n");
  if (walks) {
    PrintMessage(out, prefix, "   Recursion depth:                 ", number_text(o.maximum_recursion_depth).c_str(),
                 "\n");
    PrintMessage(out, prefix, "   Maximum score reduction:         ",
                 o.maximum_scorereduction == no_score_reduction_limit ? "-" : number_text(o.maximum_scorereduction).c_str(), "\n");
  }
  PrintMessage(out, prefix, "   Minimum unit length:             ", number_text(o.min_unit_length).c_str(), "\n");
  PrintMessage(out, prefix, "   Maximum unit length:             ", number_text(o.max_unit_length).c_str(), "\n");
  PrintMessage(out, prefix, "   Minimum score:                   maximum (", number_text(o.min_score).c_str(), ", ");
  PrintMessage(out, number_text(o.min_score_a).c_str(), "+");
  PrintMessage(out, number_text(o.min_score_bx).c_str(), "*unitlength )\n");
  PrintMessage(out, prefix, "   Minimum length:                  maximum (", number_text(o.min_length).c_str(), ", ");
  PrintMessage(out, number_text(o.min_length_a).c_str(), "+");
  PrintMessage(out, number_text(o.min_length_bx).c_str(), "*unitlength )\n");
  PrintMessage(out, prefix, "   Treat N's as:                    ",
               o.treat_Ns_as_missense ? "missense" : "neutral", "\n");
  PrintMessage(out, prefix, "   Max. succesive N's allowed:      ", number_text(o.Ns_allowed_in_a_row).c_str(), "\n");
  if (imperfect) {
    PrintMessage(out, prefix, "   Mismatch score:                  ", number_text(o.mismatch_score).c_str(), "\n");
    PrintMessage(out, prefix, "   Indel score:                     ", number_text(o.indel_score).c_str(), "\n");
  }
  PrintMessage(out, prefix, "   Minimum perfection:              ", number_text(o.perfection_minimum).c_str(), " %\n");
  PrintMessage(out, prefix, "   Number of flanking nucletides:   ", number_text(o.flanking).c_str(), "\n");
  PrintMessage(out, prefix, "   Remove mostly overlapping satellites: ", yes_no(o.remove_mostly_hidden), "\n");
  PrintMessage(out, prefix, "   Write file with masked seq.:     ", yes_no(o.mask_repeats), "\n");
  // Only a choice that differs from the default is shown: the summary of a
  // run without it stays as it always was.
  if (o.mask_repeats && o.mask_with != MASK_X) {
    PrintMessage(out, prefix, "   Masked repeats written as:       ",
                 o.mask_with == MASK_N ? "N" : "lower case (soft-masked)", "\n");
  }
  if (o.mask_keep_input) {
    PrintMessage(out, prefix, "   Residues outside repeats:        as in the input\n");
  }
  PrintMessage(out, prefix, "   Computing perfections treat N's: ",
               choice(o.N_and_perfection_mode, "asMismatch", "asNeutral", "asMatch"), "\n");
  PrintMessage(out, prefix, "   Report units as:                 ",
               choice(o.report_unit_mode, "as they are", "alphabetical normal form",
                      "alphabetical normal form using reverse complement"),
               "\n");
  PrintMessage(out, prefix, "   Output format:                   ",
               choice(o.print_sat_mode, "velkor format", "extended velkor format", "sputnik compatible format"),
               "\n");
  PrintMessage(out, prefix, "   Print sequence mode:             ",
               choice(o.print_sat_seq_mode, "don't print sequence", "print sequence", "print alignment"), "\n");
  // Standard error only: the report is the same for every number of
  // threads, its parameter summary included.
  if (out == stderr && o.threads != 1) {
    PrintMessage(out, prefix, "   Threads:                         ",
                 o.threads == 0 ? "one per core" : number_text(o.threads).c_str(), "\n");
  }
}
