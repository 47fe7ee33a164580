#include "driver/held_record.h"

#include <cstring>
#include <new>
#include <utility>


const char* KeptRepeats::copy_unit(const Csat& sat) {
  const std::size_t n = sat.unit_length();
  char* copy;
  if (n > BlockPool::block_size) {
    long_units_.reserve(long_units_.size() + 1);
    long_units_.emplace_back(new char[n]);
    copy = long_units_.back().get();
  } else {
    if (n > unit_room_) {
      units_.reserve(units_.size() + 1);
      units_.push_back(pool_.take());
      unit_room_ = BlockPool::block_size;
    }
    copy = units_.back().get() + (BlockPool::block_size - unit_room_);
    unit_room_ -= n;
  }
  std::memcpy(copy, sat.unit_begin, n);
  return copy;
}

void KeptRepeats::add(const Csat& sat, const CSequence_Mol&) {
  if (count_ == kept_.size() * per_block) {
    BlockPool::Block block = pool_.take();
    std::lock_guard<std::mutex> lock(mutex_);
    kept_.push_back(std::move(block));
  }
  auto phase = [&sat](const char* unit_pos) { return static_cast<unsigned>(unit_pos - sat.unit_begin); };
  new (reinterpret_cast<Kept*>(kept_.back().get()) + count_ % per_block)
      Kept{sat.sat_begin, sat.sat_end, copy_unit(sat), sat.unit_length(), phase(sat.unit_pos_forward),
           phase(sat.unit_pos_backward), sat.score, sat.mismatches, sat.insertions, sat.deletions, sat.Ns,
           sat.seed_number};
  ++count_;
}

void KeptRepeats::replay(std::size_t first, std::size_t end, RepeatListener& files, const CSequence_Mol& seq,
                         unsigned record_number) {
  files.begin_record(seq, record_number);
  Csat sat;
  const Kept* block = nullptr;
  for (std::size_t i = first; i < end; ++i) {
    if (!block || i % per_block == 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      block = reinterpret_cast<const Kept*>(kept_[i / per_block].get());
    }
    const Kept& kept = block[i % per_block];
    sat.sat_begin = kept.sat_begin;
    sat.sat_end = kept.sat_end;
    sat.unit_begin = kept.unit;
    sat.unit_end = kept.unit + kept.unit_length;
    sat.unit_pos_forward = kept.unit + kept.forward_phase;
    sat.unit_pos_backward = kept.unit + kept.backward_phase;
    sat.score = kept.score;
    sat.mismatches = kept.mismatches;
    sat.insertions = kept.insertions;
    sat.deletions = kept.deletions;
    sat.Ns = kept.Ns;
    sat.seed_number = kept.seed_number;
    files.add(sat, seq);
  }
  files.end_record();
}

void KeptRepeats::clear() {
  for (BlockPool::Block& block : kept_) pool_.give_back(std::move(block));
  for (BlockPool::Block& block : units_) pool_.give_back(std::move(block));
  kept_.clear();
  units_.clear();
  long_units_.clear();
  count_ = 0;
  unit_room_ = 0;
}

void HeldRecord::reset() {
  seq.name.clear();
  seq.residues = nullptr;
  seq.length = 0;
  seq.capacity = 0;
  progress_messages.clear();
  first_repeat = end_of_repeats = 0;
  masked = false;
  failure = nullptr;
}
