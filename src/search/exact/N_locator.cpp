#include "search/exact/N_locator.h"

#include <algorithm>
#include <cstring>

namespace {

const char* find_N(const char* from, const char* to) {
  const void* hit = std::memchr(from, 'N', static_cast<std::size_t>(to - from));
  return static_cast<const char*>(hit);
}

}  // namespace

NLocator::NLocator(const char* begin, const char* end) : begin_(begin), end_(end) {
  const std::size_t length = static_cast<std::size_t>(end - begin);
  const std::size_t blocks = (length >> BLOCK_BITS) + 1;
  blocks_with_N_.assign((blocks + 63) / 64, 0);
  // Only the blocks that hold an N are read to their end.
  for (const char* N = find_N(begin, end); N != nullptr;) {
    const std::size_t block = static_cast<std::size_t>(N - begin) >> BLOCK_BITS;
    blocks_with_N_[block / 64] |= std::uint64_t{1} << (block % 64);
    const char* next_block = begin + std::min(length, (block + 1) << BLOCK_BITS);
    N = find_N(next_block, end);
  }
}

const char* NLocator::first_N_from(const char* p) const {
  if (p >= end_) return end_;
  std::size_t block = static_cast<std::size_t>(p - begin_) >> BLOCK_BITS;
  auto block_begin = [this](std::size_t b) { return begin_ + std::min<std::size_t>(end_ - begin_, b << BLOCK_BITS); };
  auto holds_N = [this](std::size_t b) { return (blocks_with_N_[b / 64] >> (b % 64)) & 1; };
  if (holds_N(block)) {
    if (const char* N = find_N(p, block_begin(block + 1))) return N;
  }
  // The next block with an N, a word of blocks at a time.
  ++block;
  std::size_t word = block / 64;
  if (word >= blocks_with_N_.size()) return end_;
  std::uint64_t bits = blocks_with_N_[word] & (~std::uint64_t{0} << (block % 64));
  while (bits == 0) {
    if (++word == blocks_with_N_.size()) return end_;
    bits = blocks_with_N_[word];
  }
  block = word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
  return find_N(block_begin(block), block_begin(block + 1));
}
