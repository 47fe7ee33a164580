#include "driver/block_pool.h"

#include <utility>

BlockPool::Block BlockPool::take() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!free_.empty()) {
      Block block = std::move(free_.back());
      free_.pop_back();
      return block;
    }
  }
  Block fresh(new char[block_size]);
  std::lock_guard<std::mutex> lock(mutex_);
  free_.reserve(++blocks_made_);
  return fresh;
}

void BlockPool::give_back(Block block) {
  std::lock_guard<std::mutex> lock(mutex_);
  free_.push_back(std::move(block));  // room for it was made when it was taken
}
