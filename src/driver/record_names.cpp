#include "driver/record_names.h"

#include <cstdio>

bool RecordNames::add(const std::string& name, unsigned record_number) {
  ++count_;
  const auto [first, is_new] = first_numbers_.emplace(name, record_number);
  if (is_new) return true;
  if (duplicates_refused_) {
    std::fprintf(stderr,
                 "Sorry! Records %u and %u are both named \"%s\".\n"
                 "A GFF3 file cannot hold two sequences of one name: give every record its own name,\n"
                 "or leave out --gffFile.\n",
                 first->second, record_number, name.c_str());
    return false;
  }
  if (!warned_) {
    std::fprintf(stderr,
                 "Warning: records %u and %u are both named \"%s\"; files that know records by\n"
                 "their names (the BED file, the catalogues, the masked file) cannot tell them apart.\n",
                 first->second, record_number, name.c_str());
    std::fflush(stderr);
    warned_ = true;
  }
  return true;
}
