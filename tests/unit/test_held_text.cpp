#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "driver/held_text.h"

namespace {

// What copy_to wrote to a temporary file.
std::string copied(HeldText& text, std::thread& writer) {
  FILE* out = std::tmpfile();
  text.copy_to(out);
  writer.join();
  std::string result(static_cast<std::size_t>(std::ftell(out)), '\0');
  std::rewind(out);
  EXPECT_EQ(std::fread(&result[0], 1, result.size(), out), result.size());
  std::fclose(out);
  return result;
}

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
  EXPECT_EQ(copied(text, writer), "partial");
  EXPECT_TRUE(text.close());
}

// The reports of a batch of records are parts of one text: each part is
// copied whole and alone, also where parts are empty, end at the edge of a
// block or reach across several, and when the copier starts on a part
// before the writer has got to it, or after waiting for all but the last.
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
    for (const std::string& part : parts) {
      FILE* out = std::tmpfile();
      text.copy_part_to(out);
      std::string copy(static_cast<std::size_t>(std::ftell(out)), '\0');
      std::rewind(out);
      EXPECT_EQ(std::fread(&copy[0], 1, copy.size(), out), copy.size());
      std::fclose(out);
      EXPECT_EQ(copy, part) << part.size();
    }
    writer.join();
  }
}
