#include "driver/held_record.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "config/parameters.h"
#include "driver/masking.h"
#include "driver/messages.h"
#include "driver/ordered_work_queue.h"
#include "driver/search_record.h"
#include "repeats/allocation.h"

HeldText::~HeldText() {
  if (file_) std::fclose(file_);
}

FILE* HeldText::open() {
  length_ = 0;
  file_ = fopencookie(this, "w", {nullptr, &HeldText::append, nullptr, nullptr});
  if (!file_) throw std::bad_alloc();
  return file_;
}

bool HeldText::close() {
  int result = std::fclose(file_);
  file_ = nullptr;
  return result == 0;
}

ssize_t HeldText::append(void* cookie, const char* data, std::size_t size) {
  HeldText& text = *static_cast<HeldText*>(cookie);
  std::size_t left = size;
  while (left != 0) {
    std::size_t block = text.length_ / block_size;
    std::size_t offset = text.length_ % block_size;
    if (block == text.blocks_.size()) {
      try {
        text.blocks_.emplace_back(new char[block_size]);
      } catch (const std::bad_alloc&) {
        return -1;  // the stream fails, and the search's record with it
      }
    }
    std::size_t piece = std::min(left, block_size - offset);
    std::memcpy(text.blocks_[block].get() + offset, data, piece);
    data += piece;
    left -= piece;
    text.length_ += piece;
  }
  return static_cast<ssize_t>(size);
}

void HeldText::write_to(FILE* out) const {
  for (std::size_t done = 0; done < length_; done += block_size) {
    std::fwrite(blocks_[done / block_size].get(), 1, std::min(block_size, length_ - done), out);
  }
}

void KeptRepeats::add(const Csat& sat, const CSequence_Mol&) {
  repeats_.emplace_back();
  repeats_.back().copy_from(sat);
}

void KeptRepeats::replay(RepeatListener* files, FILE* masked, CSequence_Mol& seq, unsigned record_number) const {
  if (files) files->begin_record(seq, record_number);
  MaskedStretches stretches;
  for (const Csat& sat : repeats_) {
    if (files) files->add(sat, seq);
    if (masked) stretches.add(sat, seq.residues);
  }
  if (files) files->end_record();
  if (masked) stretches.write_masked_record(masked, seq, global_mask_with);
}

void HeldRecord::reset() {
  seq.name.clear();
  seq.length = 0;
  progress_messages.clear();
  repeats.clear();
  failure = nullptr;
}

namespace {

thread_local HeldRecord* record_in_hand = nullptr;

// The worker cannot unwind from where allocations fail without throwing
// (destructors among them), and cannot end the run before the records ahead
// of its own are written: it leaves the message with its record and stops.
[[noreturn]] void give_up_record(const char* message) {
  record_in_hand->allocation_failure = message;
  OrderedWorkQueue<HeldRecord>::abandon_job_in_hand();
}

}  // namespace

void search_held_record(HeldRecord& record, bool keep_repeats) {
  record_in_hand = &record;
  set_failed_allocation_handler(give_up_record);
  hold_progress_messages(&record.progress_messages);
  try {
    FILE* report = record.report.open();
    search_record(record.number, record.seq, report, keep_repeats ? &record.repeats : nullptr, nullptr);
    if (!record.report.close()) throw std::bad_alloc();
  } catch (...) {
    record.failure = std::current_exception();
  }
  hold_progress_messages(nullptr);
  set_failed_allocation_handler(nullptr);
}
