#ifndef VELKOR_DRIVER_BLOCK_POOL_H
#define VELKOR_DRIVER_BLOCK_POOL_H

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

// Blocks of 1 MiB for what the records searched at once hold until their
// turn (report text, repeats for the other files), shared by all of them:
// a block that one record is done with serves the next that needs one, so
// memory is taken from the system (a page fault every 4 KiB) only for as
// much as is held at once, and kept for the rest of the run.
class BlockPool {
 public:
  static constexpr std::size_t block_size = std::size_t{1} << 20;
  using Block = std::unique_ptr<char[]>;

  BlockPool() = default;
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // Throws std::bad_alloc.
  Block take();
  void give_back(Block block);

 private:
  std::mutex mutex_;
  std::vector<Block> free_;
  std::size_t blocks_made_ = 0;
};

#endif
