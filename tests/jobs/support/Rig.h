// A recorder on the in-process flash for the job tests: the flash, an I/O
// layer that records every erase and write, a scripted job UI whose pump
// delivers the removal of a chip that stopped answering, and a session that
// connects as the window does.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/FlashIo.h"
#include "recorder/Fsck.h"
#include "recorder/jobs/Messages.h"
#include "recorder/jobs/Session.h"
#include "testsupport/Files.h"
#include "testsupport/MemoryFlashIo.h"
#include "testsupport/TempDir.h"

namespace jobtest {

using Snapshot = q417io::MemoryStorage::Snapshot;

class TestUi : public components::ScriptedJobUi, public recorder::jobs::NamedMessageUi {
 public:
  void pump() override;
  int namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                      components::MsgKind kind, int buttons) override;
  std::function<void()> onPump;
  std::vector<std::string> prefixes;  // of named messages, in order
};

// Forwards to the in-process flash and records the erases and writes.
class TracingFlashIo : public recorder::FlashIo {
 public:
  struct Op {
    char kind;        // 'E' erase, 'W' write
    uint32_t block;
    bool jobRecord;   // a write of block 0 whose page 0 spare carries a pending-job record
  };
  explicit TracingFlashIo(q417io::Flash &flash) : mem(flash) {}
  uint8_t initialize() override { return mem.initialize(); }
  Q417Handle deviceHandle() override { return mem.deviceHandle(); }
  void setDeviceHandle(Q417Handle h) override { mem.setDeviceHandle(h); }
  Q417Handle registerNotification(Q417Window *w) override { return mem.registerNotification(w); }
  uint16_t flashId() override { return mem.flashId(); }
  int readBlock(uint8_t *raw, uint32_t block) override;
  int eraseBlock(uint32_t block) override;
  int writeBlock(uint8_t *raw, uint32_t block) override;

  recorder::MemoryFlashIo mem;
  std::vector<Op> ops;
  // Changes what a read returns (after the flash's own faults).
  std::function<void(uint32_t block, uint8_t *raw)> onRead;
};

// A recording as the PC sees it.
struct FileModel {
  std::string name, ext;
  std::vector<uint8_t> bytes;
  uint32_t pages = 0;
  bool operator==(const FileModel &o) const {
    return name == o.name && ext == o.ext && bytes == o.bytes && pages == o.pages;
  }
};
void PrintTo(const FileModel &file, std::ostream *out);
// Folders 1 to 8 at indices 0 to 7.
using Model = std::array<std::vector<FileModel>, 8>;
std::string describe(const Model &m);

class Rig {
  std::unique_ptr<q417io::Flash> flash_;

 public:
  explicit Rig(uint32_t blocks = 1024);
  ~Rig();

  q417io::Flash &flash() { return *flash_; }
  // A new session over the flash as it stands: the connection sequence with
  // the recovery of an interrupted job. True when the index is loaded.
  bool connect();
  // The link comes back (faults and counters cleared), then connect();
  // beforeConnect may set new faults for the connection itself.
  bool reconnect(const std::function<void()> &beforeConnect = {});
  recorder::jobs::Session &session() { return *session_; }
  recorder::FlashVolume &v() { return session_->volume(); }
  recorder::RecorderPanel &panel() { return session_->panel(); }

  // A freshly formatted chip (formatted once per process, then copied).
  void formatted();
  Snapshot snapshot() { return flash_->memory()->snapshot(); }
  void restore(const Snapshot &s) { flash_->memory()->restore(s); }
  uint64_t flashOps() const { return flash_->counters().erases + flash_->counters().writes; }

  std::vector<recorder::Violation> fsck();
  std::string fsckText();
  // Every folder's recordings read back in PC form.
  Model model();

  TracingFlashIo io;
  TestUi ui;

 private:
  std::unique_ptr<recorder::jobs::Session> session_;
};

bool sameFlash(const Snapshot &a, const Snapshot &b);

using testsupport::pattern;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// A voice file: a voice header made for its path, then data.
std::vector<uint8_t> voiceFile(const std::filesystem::path &file, const std::vector<uint8_t> &data);
// An MP3 file of about the given length made with sox and lame; empty path
// when they fail; throws testsupport::MissingTool when one is not installed.
std::filesystem::path makeMp3(const std::filesystem::path &file, double seconds);

// Writes PC files into a folder through the write job; true when written.
bool put(Rig &rig, int folder, const std::vector<std::filesystem::path> &files);

}  // namespace jobtest
