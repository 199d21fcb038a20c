#include "speed/PlayableWave.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>
#include <vector>

#include <cstring>
#include "components/base/PendingFile.h"
#include "components/wavefile/WaveDecoder.h"

namespace speed {

namespace fs = std::filesystem;

namespace {

constexpr size_t kCopyBlock = 1 << 18;

uint16_t le16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void put16(uint8_t *p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

std::array<uint8_t, 44> canonicalHeader(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes) {
  std::array<uint8_t, 44> h{};
  const uint16_t align = uint16_t(channels * (bits / 8));
  std::copy_n("RIFF", 4, h.begin());
  put32(&h[4], 36 + dataBytes);
  std::copy_n("WAVEfmt ", 8, h.begin() + 8);
  put32(&h[16], 16);
  put16(&h[20], 1);
  put16(&h[22], channels);
  put32(&h[24], rate);
  put32(&h[28], rate * align);
  put16(&h[32], align);
  put16(&h[34], bits);
  std::copy_n("data", 4, h.begin() + 36);
  put32(&h[40], dataBytes);
  return h;
}

// Room for the data of a canonical file: its sizes are 32-bit.
constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36;

}  // namespace

bool WaveLayout::canonical() const {
  return formatTag == 1 && (bitsPerSample == 8 || bitsPerSample == 16) && (channels == 1 || channels == 2) &&
         blockAlign == channels * (bitsPerSample / 8) && sampleRate > 0 && dataOffset == 44 &&
         declaredSize == availableData();
}

std::optional<WaveLayout> inspectWave(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::error_code error;
  WaveLayout layout;
  layout.fileSize = fs::file_size(path, error);
  if (error) return std::nullopt;
  uint8_t riff[12];
  if (!in.read(reinterpret_cast<char *>(riff), 12) || !std::equal(riff, riff + 4, "RIFF") ||
      !std::equal(riff + 8, riff + 12, "WAVE"))
    return std::nullopt;
  bool haveFormat = false;
  uint64_t at = 12;
  while (at + 8 <= layout.fileSize) {
    uint8_t chunk[8];
    in.seekg(std::streamoff(at));
    if (!in.read(reinterpret_cast<char *>(chunk), 8)) return std::nullopt;
    const uint32_t size = le32(chunk + 4);
    if (std::equal(chunk, chunk + 4, "fmt ")) {
      uint8_t fmt[16];
      if (size < 16 || !in.read(reinterpret_cast<char *>(fmt), 16)) return std::nullopt;
      layout.formatTag = le16(fmt);
      layout.channels = le16(fmt + 2);
      layout.sampleRate = le32(fmt + 4);
      layout.blockAlign = le16(fmt + 12);
      layout.bitsPerSample = le16(fmt + 14);
      haveFormat = true;
    } else if (std::equal(chunk, chunk + 4, "data")) {
      if (!haveFormat) return std::nullopt;
      layout.dataOffset = at + 8;
      layout.declaredSize = size;
      return layout;
    }
    at += 8 + uint64_t(size) + (size & 1);
  }
  return std::nullopt;
}

PlayableWave::PlayableWave(components::JobUi &ui, fs::path folder) : ui_(ui), folder_(std::move(folder)) {}

PlayableWave::~PlayableWave() { release(); }

void PlayableWave::release() {
  if (copy_) {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  copy_ = false;
  path_.clear();
}

PlayableWave::Outcome PlayableWave::prepare(const fs::path &wave) {
  auto layout = inspectWave(wave);
  if (!layout) return Outcome::Failed;
  if (layout->canonical()) {
    release();
    path_ = wave;
    return Outcome::Ready;
  }
  std::error_code error;
  fs::create_directories(folder_, error);
  fs::path target;
  for (int n = 0;; ++n) {
    target = folder_ / ("SpeedPlay" + std::to_string(n) + ".wav");
    if (!fs::exists(target, error)) break;
  }
  components::PendingFile pending(target);
  if (!pending.created()) return Outcome::Failed;

  ui_.clearCancel();
  ui_.progressOpen(ui_.text("FM_Caption_title8"));
  ui_.progressLines(wave.parent_path().string(), wave.filename().string() + " -> " + target.filename().string());
  ui_.progressTotal(0, "1 of 1 file(s)", "No message");
  bool plainPcm = layout->formatTag == 1 && (layout->bitsPerSample == 8 || layout->bitsPerSample == 16) &&
                  (layout->channels == 1 || layout->channels == 2) &&
                  layout->blockAlign == layout->channels * (layout->bitsPerSample / 8) && layout->sampleRate > 0;
  bool done = false;
  try {
    done = plainPcm ? copyPcm(wave, *layout, pending.path()) : copyDecoded(wave, pending.path());
  } catch (const std::exception &) {
    done = false;
  }
  ui_.progressClose();
  if (!done) return ui_.cancelRequested() ? Outcome::Cancelled : Outcome::Failed;
  if (!pending.commit()) return Outcome::Failed;
  release();
  path_ = target;
  copy_ = true;
  return Outcome::Ready;
}

bool PlayableWave::step(uint64_t done, uint64_t all) {
  ui_.progressCurrent(components::percentOf(double(done), double(all)), components::kbytesLabel(double(done), double(all)));
  ui_.pump();
  return !ui_.cancelRequested();
}

bool PlayableWave::copyPcm(const fs::path &wave, const WaveLayout &layout, const fs::path &out) {
  uint64_t bytes = std::min({layout.declaredSize, layout.availableData(), kMaxData});
  bytes -= bytes % layout.blockAlign;
  std::ifstream in(wave, std::ios::binary);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (!in || !file) return false;
  auto header = canonicalHeader(layout.channels, layout.sampleRate, layout.bitsPerSample, uint32_t(bytes));
  file.write(reinterpret_cast<const char *>(header.data()), header.size());
  in.seekg(std::streamoff(layout.dataOffset));
  std::vector<char> block(kCopyBlock);
  uint64_t done = 0;
  while (done < bytes) {
    size_t n = size_t(std::min<uint64_t>(block.size(), bytes - done));
    if (!in.read(block.data(), std::streamsize(n))) return false;
    if (!file.write(block.data(), std::streamsize(n))) return false;
    done += n;
    if (!step(done, bytes)) return false;
  }
  file.close();
  return !file.fail();
}

bool PlayableWave::copyDecoded(const fs::path &wave, const fs::path &out) {
  components::WaveDecoder decoder;
  if (!decoder.open(wave.string()) || decoder.channels() == 0 || decoder.sampleRate() == 0) return false;
  const uint16_t inChannels = decoder.channels();
  const uint16_t channels = std::min<uint16_t>(inChannels, 2);
  uint64_t frames = std::min<uint64_t>(decoder.frames(), kMaxData / (2u * channels));
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  auto header = canonicalHeader(channels, decoder.sampleRate(), 16, uint32_t(frames * 2 * channels));
  file.write(reinterpret_cast<const char *>(header.data()), header.size());
  constexpr size_t kFrames = 16384;
  std::vector<int16_t> samples(kFrames * inChannels), kept(kFrames * channels);
  uint64_t done = 0;
  while (done < frames) {
    size_t n = decoder.read(samples.data(), size_t(std::min<uint64_t>(kFrames, frames - done)));
    if (n == 0) break;
    for (size_t f = 0; f < n; ++f)
      for (size_t c = 0; c < channels; ++c) {
        int16_t v = samples[f * inChannels + c];
        uint8_t le[2];
        put16(le, uint16_t(v));
        std::memcpy(&kept[f * channels + c], le, 2);
      }
    if (!file.write(reinterpret_cast<const char *>(kept.data()), std::streamsize(n * 2 * channels))) return false;
    done += n;
    if (!step(done, frames)) return false;
  }
  if (done < frames) {
    // The stream decoded short of its count: the sizes follow what was written.
    header = canonicalHeader(channels, decoder.sampleRate(), 16, uint32_t(done * 2 * channels));
    file.seekp(0);
    file.write(reinterpret_cast<const char *>(header.data()), header.size());
  }
  file.close();
  return !file.fail();
}

}  // namespace speed
