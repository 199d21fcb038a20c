#include "speed/FilePreparation.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "components/base/PendingFile.h"
#include "components/wavefile/WaveFile.h"
#include "voice/G729Conversion.h"

namespace speed {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

EngineFilePreparation::EngineFilePreparation(components::JobUi &ui, SpeedEngine &engine) : ui_(ui), engine_(engine) {}

void EngineFilePreparation::openProgress(const std::string &source, const std::string &target) {
  ui_.progressOpen(ui_.text("FM_Caption_title8"));
  ui_.progressLines(fs::path(target).parent_path().string(),
                    fs::path(source).filename().string() + " -> " + fs::path(target).filename().string());
  ui_.progressCurrent(0, "");
  ui_.progressTotal(0, "1 of 1 file(s)", "No message");
  ui_.clearCancel();
}

bool EngineFilePreparation::decodeVoice(const std::string &source, const std::string &target) {
  openProgress(source, target);
  bool done = false;
  try {
    components::WaveFile waveFile;
    voice::G729Conversion conversion(ui_, waveFile);
    done = conversion.DecodeG729ToWave(source, target);
  } catch (const std::exception &) {
    done = false;
    ui_.progressClose();
    ui_.messageBox(voice::keys::kKindProgram, voice::keys::kCannotOpen, components::MsgKind::Error,
                   components::kButtonsOk);
    return false;
  }
  ui_.progressClose();
  return done;
}

bool EngineFilePreparation::waitForEnd(const std::string &temp) {
  std::error_code error;
  uintmax_t lastSize = 0;
  int lastProgress = -1;
  auto lastChange = Clock::now();
  for (;;) {
    int progress = engine_.progress();
    if (progress >= 100) return true;
    uintmax_t size = fs::file_size(temp, error);
    if (error) size = 0;
    if (progress != lastProgress || size != lastSize) {
      lastProgress = progress;
      lastSize = size;
      lastChange = Clock::now();
    } else if (Clock::now() - lastChange > std::chrono::milliseconds(stallMilliseconds)) {
      engine_.stopConvert();
      return false;
    }
    ui_.pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds));
  }
}

bool EngineFilePreparation::convertMp3(const std::string &source, const std::string &target) {
  std::error_code error;
  const uintmax_t size = fs::file_size(source, error);
  components::PendingFile pending{fs::path(target)};
  if (error || !pending.created()) {
    ui_.messageBox(voice::keys::kKindProgram, voice::keys::kCannotOpen, components::MsgKind::Error,
                   components::kButtonsOk);
    return false;
  }
  openProgress(source, target);
  const std::string temp = pending.path().string();
  engine_.convertToWave(source, temp);
  bool cancelled = false;
  std::error_code sizeError;
  uintmax_t lastSize = 0;
  auto lastChange = Clock::now();
  bool stalled = false;
  for (;;) {
    int percent = engine_.progress();
    if (percent >= 100) break;
    ui_.progressCurrent(percent, components::kbytesLabel(double(size) * percent / 100.0, double(size)));
    ui_.pump();
    if (ui_.cancelRequested()) {
      cancelled = true;
      engine_.stopConvert();
      break;
    }
    uintmax_t now = fs::file_size(temp, sizeError);
    if (now != lastSize) {
      lastSize = now;
      lastChange = Clock::now();
    } else if (Clock::now() - lastChange > std::chrono::milliseconds(stallMilliseconds)) {
      stalled = true;
      engine_.stopConvert();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds));
  }
  // The engine's thread writes the file until it reports 100.
  bool ended = stalled ? false : waitForEnd(temp);
  ui_.progressCurrent(100, components::kbytesLabel(double(size), double(size)));
  ui_.progressClose();
  if (cancelled) return false;
  components::WaveFile check;
  if (!ended || !check.open(temp) || check.dataSize() == 0) {
    check.close();
    ui_.messageBox("FS_kind_wavemsg0", "FS_wav_msg2", components::MsgKind::Error, components::kButtonsOk);
    return false;
  }
  check.close();
  if (!pending.commit()) {
    ui_.messageBox(voice::keys::kKindProgram, voice::keys::kCannotCreate, components::MsgKind::Error,
                   components::kButtonsOk);
    return false;
  }
  return true;
}

}  // namespace speed
