#include "config/message_text.h"

std::string number_text(int n) { return std::to_string(n); }

std::string number_text(unsigned n) { return std::to_string(n); }

std::string number_text(float f) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(f));
  return text;
}
