// Counts the block operations the recorder library asks of the flash, split
// into named segments (the connection, the recovery check, the job), and
// notes the operations that achieved nothing: an erase of a block that the
// same segment had erased and left untouched since, a read of a block that
// the same segment had read and not changed since, and a write that stored
// the bytes the block held before its erase. It can also cut the link after
// a chosen operation, as a pulled cable would.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "q417io/Flash.h"
#include "recorder/FlashIo.h"
#include "testsupport/MemoryFlashIo.h"

namespace bench {

struct OpCounts {
  uint64_t reads = 0, erases = 0, writes = 0;
  uint64_t total() const { return reads + erases + writes; }
};

// Operations that left the flash as it was.
struct Waste {
  uint64_t reErases = 0;    // the block was already erased by this segment and untouched since
  uint64_t reReads = 0;     // the block was read by this segment and unchanged since
  uint64_t sameWrites = 0;  // the block got back the bytes it held before its erase
};

struct Segment {
  OpCounts ops;
  Waste waste;
  std::string trace;  // "R0 E12 W12 ...", kept while tracing
};

// What a flash operation costs on the recorder. An erase and the write that
// follows it take about 20 ms together; the split between them is a choice.
struct TimeModel {
  double readMs = 5, eraseMs = 10, writeMs = 10;
  double ms(const OpCounts &c) const {
    return static_cast<double>(c.reads) * readMs + static_cast<double>(c.erases) * eraseMs +
           static_cast<double>(c.writes) * writeMs;
  }
};

class FlashMeter final : public recorder::FlashIo {
 public:
  explicit FlashMeter(q417io::Flash &flash) : flash_(flash), mem_(flash) {}

  uint8_t initialize() override { return mem_.initialize(); }
  Q417Handle deviceHandle() override { return mem_.deviceHandle(); }
  void setDeviceHandle(Q417Handle h) override { mem_.setDeviceHandle(h); }
  Q417Handle registerNotification(Q417Window *w) override { return mem_.registerNotification(w); }
  uint16_t flashId() override { return mem_.flashId(); }
  int readBlock(uint8_t *raw, uint32_t block) override;
  int eraseBlock(uint32_t block) override;
  int writeBlock(uint8_t *raw, uint32_t block) override;

  // Operations from now on count into the segment of this name (added to
  // what it already holds); the memory of erased and read blocks starts anew.
  void enter(const std::string &segment);
  // Reads of the readable blocks and erases and writes of the writable ones
  // count into `segment`; the first other operation enters `then`.
  void enterWhile(const std::string &segment, std::set<uint32_t> readable, std::set<uint32_t> writable,
                  const std::string &then);
  const Segment &segment(const std::string &name) { return segments_[name]; }
  void clear() { segments_.clear(); }

  // Keeps each segment's operations in order in its trace.
  bool tracing = false;

  // Called after every erase or write with its kind ('E' or 'W') and block;
  // true loses the link there, as a pulled cable does.
  std::function<bool(char kind, uint32_t block)> cutAfter;

 private:
  Segment &current();
  void note(Segment &s, char kind, uint32_t block);
  void touched(char kind, uint32_t block);
  void maybeCut(char kind, uint32_t block);

  q417io::Flash &flash_;
  recorder::MemoryFlashIo mem_;
  std::map<std::string, Segment> segments_;
  std::string name_ = "unnamed";
  std::set<uint32_t> readable_, writable_;
  std::string then_;
  std::set<uint32_t> erased_, read_;                       // since the segment was entered
  std::map<uint32_t, std::vector<uint8_t>> beforeErase_;  // a block's bytes before its last erase
};

}  // namespace bench
