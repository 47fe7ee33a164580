#include "driver/record_names.h"

#include <cstdio>

#include "repeats/repeat_fields.h"

bool RecordNames::add(const CSequence_Mol& seq, unsigned record_number) {
  ++count_;
  const std::string name = chromosome_name(seq.name, record_number);
  const auto [first, is_new] = firsts_.emplace(name, First{record_number, seq.length});
  if (is_new) return true;
  if (gff_written_ && seq.length > first->second.length) {
    std::fprintf(stderr,
                 "Sorry! Records %u and %u are both named \"%s\", and the second is the longer one.\n"
                 "The GFF3 file gives a name the region of its first record only, so the second's repeats\n"
                 "could lie outside it: give every record its own name, or leave out --gffFile.\n",
                 first->second.record_number, record_number, name.c_str());
    return false;
  }
  if (!warned_) {
    std::fprintf(stderr,
                 "Warning: records %u and %u are both named \"%s\"; the BED, GFF3 and summary files\n"
                 "and the catalogues know records by that name alone and cannot tell them apart.\n",
                 first->second.record_number, record_number, name.c_str());
    std::fflush(stderr);
    warned_ = true;
  }
  return true;
}
