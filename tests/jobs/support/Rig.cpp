#include "Rig.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <sstream>

#include "recorder/Layout.h"
#include "recorder/jobs/DefaultImage.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"
#include "testsupport/Process.h"
#include "testsupport/Tools.h"
#include "voice/VoiceHeader.h"

namespace jobtest {

namespace fs = std::filesystem;
using namespace recorder;

void TestUi::pump() {
  ScriptedJobUi::pump();
  if (onPump) onPump();
}

int TestUi::namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                            components::MsgKind kind, int buttons) {
  prefixes.push_back(prefix);
  return messageBox(captionKey, textKey, kind, buttons);
}

int TracingFlashIo::readBlock(uint8_t *raw, uint32_t block) {
  int r = mem.readBlock(raw, block);
  if (r == 1 && onRead) onRead(block, raw);
  return r;
}

int TracingFlashIo::eraseBlock(uint32_t block) {
  ops.push_back({'E', block, false});
  return mem.eraseBlock(block);
}

int TracingFlashIo::writeBlock(uint8_t *raw, uint32_t block) {
  bool record = block == 0 && raw[rawSpareOffset(0) + jobrecord::kCode] != jobrecord::kNone;
  ops.push_back({'W', block, record});
  return mem.writeBlock(raw, block);
}

void PrintTo(const FileModel &file, std::ostream *out) {
  *out << file.name << "." << file.ext << "(" << file.bytes.size() << " B, " << file.pages << " p)";
}

std::string describe(const Model &m) {
  std::ostringstream out;
  for (size_t f = 0; f < m.size(); ++f) {
    if (m[f].empty()) continue;
    out << "folder " << char('A' + f) << ":";
    for (const FileModel &file : m[f])
      out << " " << file.name << "." << file.ext << "(" << file.bytes.size() << " B, " << file.pages << " p)";
    out << "\n";
  }
  return out.str();
}

Rig::Rig(uint32_t blocks) : flash_(q417io::Flash::inMemory(blocks)), io(*flash_) {
  ui.onPump = [this] {
    if (session_) session_->pollLink();
  };
}

Rig::~Rig() { session_.reset(); }

bool Rig::connect() {
  session_.reset();
  session_ = std::make_unique<jobs::Session>(io, ui);
  return session_->connect();
}

bool Rig::reconnect(const std::function<void()> &beforeConnect) {
  session_.reset();
  flash_->reconnect();
  if (beforeConnect) beforeConnect();
  return connect();
}

void Rig::formatted() {
  static std::map<uint32_t, Snapshot> cache;
  uint32_t blocks = flash_->blockCount();
  auto it = cache.find(blocks);
  if (it == cache.end()) {
    session_.reset();
    Rig maker(blocks);
    std::string error;
    if (!jobs::formatAndFill(maker.io, maker.ui, {}, &error)) {
      std::fprintf(stderr, "formatting the test chip failed: %s\n", error.c_str());
      std::abort();
    }
    it = cache.emplace(blocks, maker.snapshot()).first;
  }
  restore(it->second);
  reconnect();
}

std::vector<Violation> Rig::fsck() {
  MemoryFlashIo plain(*flash_);
  FlashGeometry geometry;
  geometry.setFromFlashId(q417io::flashIdForBlocks(flash_->blockCount()));
  return Fsck(plain, geometry).run();
}

std::string Rig::fsckText() {
  std::string text;
  for (const Violation &v : fsck()) text += v.code + ": " + v.message + "\n";
  return text;
}

Model Rig::model() {
  Model m;
  for (int f = 1; f <= 8; ++f) {
    const auto &records = v().directory.records(f);
    for (uint32_t i = 0; i < records.size(); ++i) {
      FileModel file{records[i].name, records[i].ext, {}, records[i].pages};
      if (!jobs::readRecording(v(), f, i + 1, file.bytes)) file.name += " (unreadable)";
      m[static_cast<size_t>(f - 1)].push_back(std::move(file));
    }
  }
  return m;
}

bool sameFlash(const Snapshot &a, const Snapshot &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    static const std::vector<uint8_t> erased(q417io::kRawBlockSize, 0xFF);
    const auto &x = a[i] ? *a[i] : erased;
    const auto &y = b[i] ? *b[i] : erased;
    if (x != y) return false;
  }
  return true;
}

std::vector<uint8_t> voiceFile(const fs::path &file, const std::vector<uint8_t> &data) {
  std::vector<uint8_t> bytes(voice::header::kSize);
  voice::MakeG729FileHeader(bytes.data(), 16, 8000, 1, file.string(), true, voice::HeaderTime{2024, 3, 15, 13, 5, 9});
  bytes.insert(bytes.end(), data.begin(), data.end());
  writeFile(file, bytes);
  return bytes;
}

fs::path makeMp3(const fs::path &file, double seconds) {
  testsupport::requireTool("sox");
  testsupport::requireTool("lame");
  fs::path wav = file;
  wav.replace_extension(".wav");
  std::string cmd = "sox -q -n -r 22050 -c 1 '" + wav.string() + "' synth " + std::to_string(seconds) +
                    " sine 440 && lame --quiet -b 64 '" + wav.string() + "' '" + file.string() + "'";
  if (!testsupport::runCommand(cmd).ok()) return {};
  fs::remove(wav);
  return file;
}

bool put(Rig &rig, int folder, const std::vector<fs::path> &files) {
  return jobs::Writer(rig.v(), &rig.panel()).OnBtnFileToFlashClick(folder, files).ok();
}

}  // namespace jobtest
