#include "driver/held_record.h"

#include <new>
#include <utility>

#include "config/parameters.h"
#include "driver/masking.h"

void KeptRepeats::add(const Csat& sat, const CSequence_Mol&) {
  if (count_ == blocks_.size() * per_block) {
    BlockPool::Block block = pool_.take();
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_.push_back(std::move(block));
  }
  new (reinterpret_cast<Kept*>(blocks_.back().get()) + count_ % per_block) Kept{sat.sat_begin, sat.sat_end, sat.unit_pos_forward, sat.unit_pos_backward, sat.unit_begin,
                      sat.unit_end, sat.score, sat.mismatches, sat.insertions, sat.deletions, sat.Ns,
                      sat.seed_number};
  ++count_;
}

void KeptRepeats::replay(std::size_t first, std::size_t end, RepeatListener* files, FILE* masked, CSequence_Mol& seq,
                         unsigned record_number) {
  if (files) files->begin_record(seq, record_number);
  MaskedStretches stretches;
  Csat sat;
  const Kept* block = nullptr;
  for (std::size_t i = first; i < end; ++i) {
    if (!block || i % per_block == 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      block = reinterpret_cast<const Kept*>(blocks_[i / per_block].get());
    }
    const Kept& kept = block[i % per_block];
    sat.sat_begin = kept.sat_begin;
    sat.sat_end = kept.sat_end;
    sat.unit_pos_forward = kept.unit_pos_forward;
    sat.unit_pos_backward = kept.unit_pos_backward;
    sat.unit_begin = kept.unit_begin;
    sat.unit_end = kept.unit_end;
    sat.score = kept.score;
    sat.mismatches = kept.mismatches;
    sat.insertions = kept.insertions;
    sat.deletions = kept.deletions;
    sat.Ns = kept.Ns;
    sat.seed_number = kept.seed_number;
    if (files) files->add(sat, seq);
    if (masked) stretches.add(sat, seq.residues);
  }
  if (files) files->end_record();
  if (masked) stretches.write_masked_record(masked, seq, global_mask_with);
}

void KeptRepeats::clear() {
  for (BlockPool::Block& block : blocks_) pool_.give_back(std::move(block));
  blocks_.clear();
  count_ = 0;
}

void HeldRecord::reset() {
  seq.name.clear();
  seq.residues = nullptr;
  seq.length = 0;
  seq.capacity = 0;
  progress_messages.clear();
  first_repeat = end_of_repeats = 0;
  failure = nullptr;
  allocation_failure = nullptr;
}
