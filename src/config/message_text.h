#ifndef VELKOR_CONFIG_MESSAGE_TEXT_H
#define VELKOR_CONFIG_MESSAGE_TEXT_H

#include <cstdio>

// Writes the texts one after the other, as plain text.
template <typename... Texts>
void PrintMessage(FILE* out, const Texts*... texts) {
  (std::fputs(texts, out), ...);
}

// Decimal text of a number in a buffer of the calling thread, valid until its next call.
const char* number2str(int n);
const char* number2str(unsigned n);
const char* number2str(float f);

#endif
