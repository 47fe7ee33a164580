#ifndef VELKOR_TESTS_CAPTURED_OUTPUT_H
#define VELKOR_TESTS_CAPTURED_OUTPUT_H

#include <cstdio>
#include <string>

// Runs write(FILE*) on a temporary stream and returns the bytes it wrote.
template <typename Write>
std::string captured(Write write) {
  FILE* out = std::tmpfile();
  write(out);
  std::fflush(out);
  std::string written;
  std::rewind(out);
  for (int c; (c = std::fgetc(out)) != EOF;) written += static_cast<char>(c);
  std::fclose(out);
  return written;
}

#endif
