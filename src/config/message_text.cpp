#include "config/message_text.h"

namespace {
thread_local char number[50];
}  // namespace

const char* number2str(int n) {
  std::snprintf(number, sizeof number, "%d", n);
  return number;
}

const char* number2str(unsigned n) {
  std::snprintf(number, sizeof number, "%u", n);
  return number;
}

const char* number2str(float f) {
  std::snprintf(number, sizeof number, "%g", static_cast<double>(f));
  return number;
}
