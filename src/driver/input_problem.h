#ifndef VELKOR_DRIVER_INPUT_PROBLEM_H
#define VELKOR_DRIVER_INPUT_PROBLEM_H

#include <string>

#include "driver/CFile.h"

// Why an input could not be read as FASTA, in words a person can act on:
// an empty file, a directory, a compressed format other than gzip, or the
// character that is not FASTA with its line and column. Empty where no
// cause is known. name is the input's name as given ("-": standard input).
std::string describe_input_problem(const CFile& in, const std::string& name);

#endif
