#include "repeats/percent_escape.h"

void append_percent_escaped(std::string& out, const std::string& text, bool (*plain)(char)) {
  static constexpr char hex[] = "0123456789ABCDEF";
  for (char c : text) {
    if (plain(c)) {
      out += c;
    } else {
      const unsigned char u = static_cast<unsigned char>(c);
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    }
  }
}
