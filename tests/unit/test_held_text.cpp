#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "captured_output.h"
#include "driver/held_text.h"

namespace {

std::string random_text(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::string text(length, ' ');
  for (char& c : text) c = static_cast<char>('A' + random() % 26);
  return text;
}

}  // namespace

// A writer that gives up ends the text where it stands: the copy does not
// wait for more.
TEST(HeldText, EndedTextIsCopiedAsItStands) {
  BlockPool pool;
  HeldText text(pool);
  text.restart();
  std::thread writer([&text] {
    FILE* stream = text.open();
    std::fputs("partial", stream);
    std::fflush(stream);
    text.end();
  });
  EXPECT_EQ(captured([&](FILE* out) {
              text.copy_to(out);
              writer.join();
            }),
            "partial");
  EXPECT_TRUE(text.close());
}

// Each part of a batch's text is copied whole and alone, whether the copier
// starts before the writer gets to it or after waiting for all but the last.
TEST(HeldText, PartsAreCopiedOneAtATime) {
  BlockPool pool;
  HeldText text(pool);
  const std::size_t mebibyte = std::size_t{1} << 20;
  const std::vector<std::size_t> lengths = {10, 0, mebibyte - 10, 2 * mebibyte + 5, 0, 7, mebibyte, 3};
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < lengths.size(); ++i) parts.push_back(random_text(lengths[i], static_cast<unsigned>(i)));
  for (int round = 0; round < 2; ++round) {  // the second with the blocks of the first
    text.restart();
    std::thread writer([&text, &parts] {
      FILE* stream = text.open();
      for (const std::string& part : parts) {
        std::fwrite(part.data(), 1, part.size(), stream);
        EXPECT_TRUE(text.end_part());
      }
      EXPECT_TRUE(text.close());
    });
    if (round == 1) text.wait_for_parts(parts.size() - 1);
    for (const std::string& part : parts)
      EXPECT_EQ(captured([&](FILE* out) { text.copy_part_to(out); }), part) << part.size();
    writer.join();
  }
}
