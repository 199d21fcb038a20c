// Backing the recorder up into a PC folder: every recording of the chosen
// folders is copied into a subfolder named after its recorder folder ("A"
// to "H"), unless a copy of it is there already. Run again, it copies only
// what is new or changed, so a scheduled job can keep the backup current.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "recorder/FlashVolume.h"
#include "recorder/jobs/Outcome.h"

namespace recorder::jobs {

class Sync {
 public:
  explicit Sync(FlashVolume &volume) : v_(volume) {}

  struct Item {
    enum class Action { Copied, Skipped, Failed };
    Action action;
    int folder;                    // 1 to 8
    uint32_t number;               // from 1
    std::filesystem::path target;  // the copy (or where it would have gone)
  };
  // Told of every recording as it is done with.
  std::function<void(const Item &)> report;

  // Syncs the folders (1 to 8; empty: all eight) into dir, made when
  // missing. A recording is "already there" when a file of its PC name, or
  // of that name numbered " (2)", " (3)", ..., has its exact size and, when
  // the recording has a valid date, its date and time as modification time.
  // Otherwise it is copied under the first of those names that is free: a
  // file of another recording is never overwritten. A recording that cannot
  // be read is reported and the others are still copied; a lost link or
  // Cancel stops the job.
  Outcome run(const std::filesystem::path &dir, std::vector<int> folders);

  int copied() const { return copied_; }
  int skipped() const { return skipped_; }
  int failed() const { return failed_; }

  // The PC size of a recording, read from its first and last blocks; -1
  // when they cannot be read.
  int64_t pcSize(int folder, uint32_t number);

 private:
  void tell(Item::Action action, int folder, uint32_t number, const std::filesystem::path &target);
  FlashVolume &v_;
  int copied_ = 0, skipped_ = 0, failed_ = 0;
};

// "name (n).ext" for n >= 2; the name itself for n 1.
std::filesystem::path numberedName(const std::filesystem::path &name, int n);

}  // namespace recorder::jobs
