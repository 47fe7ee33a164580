#ifndef VELKOR_CONFIG_EXIT_CODES_H
#define VELKOR_CONFIG_EXIT_CODES_H

// Values returned by main(); scripts rely on them, so they never change.
enum ExitCode {
  EXIT_OK = 0,
  EXIT_BAD_OPTION = -1,
  EXIT_OPTION_OUT_OF_RANGE = -2,
  EXIT_BAD_FASTA = -25,
  EXIT_RECORD_TOO_LONG = -26,  // also: the residue buffer could not be allocated or grown
  EXIT_INPUT_NOT_OPENABLE = -101,
  EXIT_OUTPUT_NOT_OPENABLE = -102,
  EXIT_MASKED_NOT_OPENABLE = -103,
  EXIT_WRITE_ERROR = -104,
  EXIT_OUT_OF_MEMORY = -105,
};

#endif
