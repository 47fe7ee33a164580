#include "driver/held_text.h"

#include <algorithm>
#include <cstring>
#include <new>

HeldText::~HeldText() {
  if (file_) std::fclose(file_);
}

void HeldText::restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::unique_ptr<char[]>& block : blocks_) {
    if (block) spare_.push_back(std::move(block));
  }
  blocks_.clear();
  length_ = 0;
  copied_ = 0;
  ended_ = false;
}

FILE* HeldText::open() {
  file_ = fopencookie(this, "w", {nullptr, &HeldText::append, nullptr, nullptr});
  if (!file_) throw std::bad_alloc();
  return file_;
}

bool HeldText::close() {
  int result = file_ ? std::fclose(file_) : 0;
  file_ = nullptr;
  end();
  return result == 0;
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
        if (text.spare_.empty()) {
          std::unique_ptr<char[]> fresh(new char[block_size]);
          text.spare_.push_back(std::move(fresh));
        }
        text.blocks_.reserve(text.blocks_.size() + 1);
      } catch (const std::bad_alloc&) {
        return -1;  // the stream fails, and the search's record with it
      }
      text.blocks_.push_back(std::move(text.spare_.back()));
      text.spare_.pop_back();
    }
    std::size_t piece = std::min(left, block_size - offset);
    std::memcpy(text.blocks_.back().get() + offset, data, piece);
    data += piece;
    left -= piece;
    text.length_ += piece;
    if (text.length_ % block_size == 0) text.grown_.notify_one();
  }
  return static_cast<ssize_t>(size);
}

void HeldText::copy_to(FILE* out) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    grown_.wait(lock, [this] { return ended_ || length_ - copied_ >= block_size; });
    while (length_ - copied_ >= block_size) {
      std::unique_ptr<char[]> block = std::move(blocks_[copied_ / block_size]);
      lock.unlock();
      std::fwrite(block.get(), 1, block_size, out);
      lock.lock();
      copied_ += block_size;
      spare_.push_back(std::move(block));
    }
    if (ended_) break;
  }
  if (copied_ < length_) {
    std::fwrite(blocks_[copied_ / block_size].get(), 1, length_ - copied_, out);
    copied_ = length_;
  }
}
