#include "driver/held_text.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdio_ext.h>

HeldText::~HeldText() {
  if (file_) std::fclose(file_);
}

void HeldText::restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (BlockPool::Block& block : blocks_) {
    if (block) pool_.give_back(std::move(block));
  }
  blocks_.clear();
  length_ = 0;
  copied_ = 0;
  part_ends_.clear();
  parts_copied_ = 0;
  ended_ = false;
}

FILE* HeldText::open() {
  file_ = fopencookie(this, "w", {nullptr, &HeldText::append, nullptr, nullptr});
  if (!file_) throw std::bad_alloc();
  // Written by its worker alone: a lock taken in each of the many small
  // writes of a report is not needed.
  __fsetlocking(file_, FSETLOCKING_BYCALLER);
  return file_;
}

bool HeldText::close() {
  int result = file_ ? std::fclose(file_) : 0;
  file_ = nullptr;
  end();
  return result == 0;
}

bool HeldText::end_part() {
  bool written = std::fflush(file_) == 0;
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    part_ends_.push_back(length_);
  } catch (const std::bad_alloc&) {
    ended_ = true;  // the copier must not wait for a part that was never marked
    written = false;
  }
  // Only a copier waiting for this part is woken: waking it for every part
  // cost two context switches per short record.
  if (ended_ || part_ends_.size() > awaited_part_) grown_.notify_one();
  return written;
}

void HeldText::end() {
  std::lock_guard<std::mutex> lock(mutex_);
  ended_ = true;
  grown_.notify_one();
}

ssize_t HeldText::append(void* cookie, const char* data, std::size_t size) {
  HeldText& text = *static_cast<HeldText*>(cookie);
  std::lock_guard<std::mutex> lock(text.mutex_);
  std::size_t left = size;
  while (left != 0) {
    std::size_t offset = text.length_ % block_size;
    if (text.length_ / block_size == text.blocks_.size()) {
      try {
        text.blocks_.reserve(text.blocks_.size() + 1);
        text.blocks_.push_back(text.pool_.take());
      } catch (const std::bad_alloc&) {
        return -1;  // the stream fails, and the search's record with it
      }
    }
    std::size_t piece = std::min(left, block_size - offset);
    std::memcpy(text.blocks_.back().get() + offset, data, piece);
    data += piece;
    left -= piece;
    text.length_ += piece;
    if (text.length_ % block_size == 0 && text.awaits_blocks_) text.grown_.notify_one();
  }
  return static_cast<ssize_t>(size);
}

void HeldText::copy_part_to(FILE* out) { copy_until(out, parts_copied_++); }

void HeldText::copy_to(FILE* out) { copy_until(out, no_part); }

void HeldText::wait_for_parts(std::size_t count) {
  if (count == 0) return;
  std::unique_lock<std::mutex> lock(mutex_);
  awaited_part_ = count - 1;
  grown_.wait(lock, [this, count] { return ended_ || part_ends_.size() >= count; });
  awaited_part_ = no_part;
}

void HeldText::copy_until(FILE* out, std::size_t part) {
  std::unique_lock<std::mutex> lock(mutex_);
  awaited_part_ = part;
  awaits_blocks_ = true;
  for (;;) {
    auto part_ended = [this, part] { return part < part_ends_.size(); };
    grown_.wait(lock, [&] { return ended_ || part_ended() || length_ / block_size > copied_ / block_size; });
    const bool last = ended_ || part_ended();
    const std::size_t limit = part_ended() ? part_ends_[part] : ended_ ? length_ : length_ / block_size * block_size;
    while (copied_ < limit) {
      const std::size_t index = copied_ / block_size;
      const std::size_t offset = copied_ % block_size;
      const std::size_t piece = std::min(limit - copied_, block_size - offset);
      const char* data = blocks_[index].get() + offset;
      lock.unlock();
      std::fwrite(data, 1, piece, out);
      lock.lock();
      copied_ += piece;
      if (copied_ % block_size == 0) pool_.give_back(std::move(blocks_[index]));
    }
    if (last) break;
  }
  awaited_part_ = no_part;
  awaits_blocks_ = false;
}
