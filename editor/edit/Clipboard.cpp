#include "editor/edit/Clipboard.h"

#include <system_error>

#include "components/waveedit/ListEdits.h"
#include "components/waveedit/RegionFile.h"
#include "components/waveedit/WaveObject.h"
#include "editor/TempFiles.h"

namespace fs = std::filesystem;

namespace editor {

namespace {

uint64_t sizeOnDisk(const fs::path &file) {
  std::error_code ec;
  uintmax_t size = fs::file_size(file, ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

void removeQuietly(const fs::path &file) {
  std::error_code ec;
  fs::remove(file, ec);
}

}  // namespace

Clipboard::Clipboard(fs::path tempDir) : tempDir_(std::move(tempDir)) {}

fs::path Clipboard::audioFile() const { return tempDir_ / kClipFileName; }

fs::path Clipboard::regionFile() const { return tempDir_ / kClipRegionFileName; }

bool Clipboard::take(const fs::path &renderedAudio, const components::WaveDescription &lists, bool writeRegion,
                     std::string *error) {
  auto refuse = [&](const std::string &why) {
    removeQuietly(renderedAudio);
    if (error) *error = why;
    return false;
  };

  components::WaveObject audio;
  std::string why;
  if (audio.open(renderedAudio, components::FormatRule::AnyRate, &why) != components::WaveOpen::Ok)
    return refuse("the clipboard's new audio cannot be read: " + why);

  components::WaveDescription next = lists;
  next.fileName = audioFile().string();
  next.start = 0;
  next.end = audio.dataSamples();
  next.position = 0;
  components::normalizeEnvelope(next.volume, next.end);
  const components::WaveFormat format = audio.format();
  audio.close();

  // The region file is written aside first and renamed only after the audio,
  // so that a failure on the way leaves the old pair of files as it was.
  fs::path pendingRegion;
  if (writeRegion) {
    pendingRegion = tempDir_ / (std::string(kClipRegionFileName) + ".new");
    if (!components::RegionFile::write(pendingRegion, next, &why)) {
      removeQuietly(pendingRegion);
      return refuse(why);
    }
  }
  std::error_code ec;
  fs::rename(renderedAudio, audioFile(), ec);
  if (ec) {
    if (writeRegion) removeQuietly(pendingRegion);
    return refuse("cannot rename the clipboard's audio: " + ec.message());
  }
  if (writeRegion) {
    fs::rename(pendingRegion, regionFile(), ec);
    if (ec) {
      // The audio is new already: a stale region file must not describe it.
      removeQuietly(pendingRegion);
      removeQuietly(regionFile());
    }
  }

  wave_ = std::move(next);
  format_ = format;
  knownSize_ = sizeOnDisk(audioFile());
  return true;
}

bool Clipboard::load() {
  components::WaveDescription read;
  if (!components::RegionFile::read(regionFile(), audioFile(), read)) {
    clear();
    return false;
  }
  components::WaveObject audio;
  if (audio.open(audioFile(), components::FormatRule::AnyRate) != components::WaveOpen::Ok) {
    clear();
    return false;
  }
  // The clipboard always holds its whole audio, based at 0.
  read.fileName = audioFile().string();
  read.start = 0;
  read.end = audio.dataSamples();
  read.position = 0;
  components::normalizeEnvelope(read.volume, read.end);
  wave_ = std::move(read);
  format_ = audio.format();
  knownSize_ = sizeOnDisk(audioFile());
  return true;
}

void Clipboard::refreshIfChanged() {
  if (sizeOnDisk(audioFile()) != knownSize_) load();
}

void Clipboard::clear() {
  wave_.clear();
  format_ = {};
  knownSize_ = 0;
}

void Clipboard::removeRegionFile() { removeQuietly(regionFile()); }

void Clipboard::removeFiles() {
  removeQuietly(regionFile());
  removeQuietly(audioFile());
  clear();
}

}  // namespace editor
