#ifndef VELKOR_DRIVER_HELD_TEXT_H
#define VELKOR_DRIVER_HELD_TEXT_H

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

#include "driver/block_pool.h"

// Text that one thread writes through a stream while another copies it to
// its file, in parts (the reports of consecutive records) that the copier
// takes one at a time. The writer may run ahead, its text waiting in blocks
// of 1 MiB; the copier takes each block as soon as it is full, so that the
// text of a record whose turn has come is never held whole. Blocks copied go
// back to the pool for the next text: a growing text is never copied within
// memory, and a record's report does not take fresh pages from the system
// (both cost as much as the search of a genome).
class HeldText {
 public:
  explicit HeldText(BlockPool& pool) : pool_(pool) {}
  HeldText(const HeldText&) = delete;
  HeldText& operator=(const HeldText&) = delete;
  ~HeldText();

  // Copier's side, before the writer starts: empties the text.
  void restart();
  // Writer's side: opens a stream that appends to the text; throws
  // std::bad_alloc when it cannot be made.
  FILE* open();
  // Writer's side: closes the stream, if open, and ends the text; false
  // when a write failed, for want of memory. The text must be ended in any
  // case: the copier may be waiting for it.
  bool close();
  // Writer's side: the text written so far completes the current part;
  // false when a write failed, for want of memory.
  bool end_part();
  // Writer's side, when it cannot go on: ends the text where it stands.
  void end();
  // Copier's side: waits until the writer has ended count parts (or the
  // whole text), so that they can be copied without a wait each.
  void wait_for_parts(std::size_t count);
  // Copier's side: copies the next part to out as it grows, until the
  // writer ends it or the whole text.
  void copy_part_to(FILE* out);
  // Copier's side: copies the rest of the text as it grows, until it is ended.
  void copy_to(FILE* out);

 private:
  static constexpr std::size_t block_size = BlockPool::block_size;
  static constexpr std::size_t no_part = static_cast<std::size_t>(-1);
  static ssize_t append(void* text, const char* data, std::size_t size);
  // Copies to out as the text grows, until part_end or the end of the
  // text; up to the end of the text when part_end is the end of parts.
  void copy_until(FILE* out, std::size_t part);

  std::mutex mutex_;
  std::condition_variable grown_;
  BlockPool& pool_;
  // Block i holds bytes [i * block_size, (i + 1) * block_size); those
  // copied are back in the pool.
  std::vector<BlockPool::Block> blocks_;
  std::size_t length_ = 0;
  std::size_t copied_ = 0;
  std::vector<std::size_t> part_ends_;  // where each part ended
  std::size_t parts_copied_ = 0;
  // What the copier waits for, so that the writer wakes it only then.
  std::size_t awaited_part_ = no_part;
  bool awaits_blocks_ = false;
  bool ended_ = false;
  FILE* file_ = nullptr;  // the writer's
};

#endif
