#ifndef VELKOR_CONFIG_MESSAGE_TEXT_H
#define VELKOR_CONFIG_MESSAGE_TEXT_H

#include <cstdio>
#include <string>

// Writes the texts one after the other, as plain text.
template <typename... Texts>
void PrintMessage(FILE* out, const Texts*... texts) {
  (std::fputs(texts, out), ...);
}

// Decimal text of a number; a float as "%g" writes it.
std::string number_text(int n);
std::string number_text(unsigned n);
std::string number_text(float f);

#endif
