#include "FlashMeter.h"

#include <algorithm>
#include <utility>

namespace bench {

void FlashMeter::enter(const std::string &segment) {
  name_ = segment;
  readable_.clear();
  writable_.clear();
  then_.clear();
  erased_.clear();
  read_.clear();
  beforeErase_.clear();
}

void FlashMeter::enterWhile(const std::string &segment, std::set<uint32_t> readable, std::set<uint32_t> writable,
                            const std::string &then) {
  enter(segment);
  readable_ = std::move(readable);
  writable_ = std::move(writable);
  then_ = then;
}

Segment &FlashMeter::current() { return segments_[name_]; }

void FlashMeter::note(Segment &s, char kind, uint32_t block) {
  if (!tracing) return;
  if (!s.trace.empty()) s.trace += ' ';
  s.trace += kind + std::to_string(block);
}

void FlashMeter::touched(char kind, uint32_t block) {
  if (then_.empty()) return;
  if (!(kind == 'R' ? readable_ : writable_).count(block)) enter(then_);
}

void FlashMeter::maybeCut(char kind, uint32_t block) {
  if (cutAfter && cutAfter(kind, block)) flash_.loseLink();
}

// Only operations that reach the chip count, as the chip's own counters
// count them: a call after a lost link costs the recorder nothing.

int FlashMeter::readBlock(uint8_t *raw, uint32_t block) {
  if (flash_.linked()) {
    touched('R', block);
    Segment &s = current();
    s.ops.reads++;
    note(s, 'R', block);
    if (!read_.insert(block).second) s.waste.reReads++;
  }
  return mem_.readBlock(raw, block);
}

int FlashMeter::eraseBlock(uint32_t block) {
  if (!flash_.linked()) return mem_.eraseBlock(block);
  touched('E', block);
  Segment &s = current();
  s.ops.erases++;
  note(s, 'E', block);
  if (erased_.count(block)) {
    s.waste.reErases++;
  } else {
    beforeErase_[block] = flash_.peek(block);
  }
  int rc = mem_.eraseBlock(block);
  erased_.insert(block);
  read_.erase(block);
  maybeCut('E', block);
  return rc;
}

int FlashMeter::writeBlock(uint8_t *raw, uint32_t block) {
  if (!flash_.linked()) return mem_.writeBlock(raw, block);
  touched('W', block);
  Segment &s = current();
  s.ops.writes++;
  note(s, 'W', block);
  auto before = beforeErase_.find(block);
  if (before != beforeErase_.end()) {
    if (before->second.size() == q417io::kRawBlockSize && std::equal(raw, raw + q417io::kRawBlockSize, before->second.begin()))
      s.waste.sameWrites++;
    beforeErase_.erase(before);
  }
  int rc = mem_.writeBlock(raw, block);
  erased_.erase(block);
  read_.erase(block);
  maybeCut('W', block);
  return rc;
}

}  // namespace bench
