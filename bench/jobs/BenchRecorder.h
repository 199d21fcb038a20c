// A recorder on the in-process flash for the flash benchmarks: the chip in
// memory behind a FlashMeter, and connections made as a q417 command makes
// them, so that a job runs exactly as the tool runs it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FlashMeter.h"
#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/jobs/Recovery.h"
#include "recorder/jobs/Session.h"

namespace bench {

// Answers every question Yes; its pump tells the session when the chip has
// stopped answering, as the window's device-change message would.
class BenchUi : public components::ScriptedJobUi {
 public:
  void pump() override;
  std::function<void()> onPump;
};

class BenchRecorder {
 public:
  using Snapshot = q417io::MemoryStorage::Snapshot;

  explicit BenchRecorder(uint32_t blocks);
  ~BenchRecorder();

  q417io::Flash &flash() { return *flash_; }
  FlashMeter &meter() { return meter_; }

  // Initialises the chip; counted into the segment "setup".
  bool format(std::string *error);
  Snapshot snapshot() { return flash_->memory()->snapshot(); }
  void restore(const Snapshot &s);

  // The link comes back and a new session connects: loading the index counts
  // into "connect", the recovery's reads of block 0 and the backup (and the
  // backup's refresh) into "check", whatever the recovery does after them
  // into "recovery".
  // True when the index is loaded.
  bool connect();
  recorder::jobs::Session &session() { return *session_; }
  recorder::FlashVolume &volume() { return session_->volume(); }
  const recorder::jobs::Recovery::Report &recovery() const { return recovery_; }
  uint32_t fileCount(int folder) { return volume().image.fileCount(folder); }

  // Writes PC files into a folder, counted into "setup".
  bool put(int folder, const std::vector<std::filesystem::path> &files);
  // The consistency checker's findings on the flash as it stands, one a
  // line; empty when consistent. Its reads are not metered.
  std::string fsck();

 private:
  std::unique_ptr<q417io::Flash> flash_;
  FlashMeter meter_;
  BenchUi ui_;
  std::unique_ptr<recorder::jobs::Session> session_;
  recorder::jobs::Recovery::Report recovery_;
};

}  // namespace bench
