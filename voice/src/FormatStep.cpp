#include "voice/FormatStep.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>

#include "components/wavefile/WaveDecoder.h"
#include "components/wavefile/WaveFile.h"

namespace voice {

FrameConverter::FrameConverter(int sourceChannels, uint32_t sourceRate, const PcmTarget &target)
    : sourceChannels_(std::max(1, sourceChannels)), sourceRate_(std::max<uint32_t>(1, sourceRate)), target_(target) {
  target_.rate = std::max<uint32_t>(1, target_.rate);
  target_.channels = std::max(1, target_.channels);
}

uint64_t FrameConverter::targetFrames(uint64_t sourceFrames, uint32_t sourceRate, uint32_t rate) {
  if (sourceRate == 0 || rate == 0) return 0;
  // The count of k with k x sourceRate / rate < sourceFrames.
  const unsigned __int128 product = static_cast<unsigned __int128>(sourceFrames) * rate;
  return static_cast<uint64_t>((product + sourceRate - 1) / sourceRate);
}

void FrameConverter::convert(const int16_t *samples, size_t frames, std::vector<uint8_t> &out) {
  const uint64_t end = seen_ + frames;
  for (;;) {
    // The source frame that target frame made_ takes.
    const uint64_t from = static_cast<uint64_t>(static_cast<unsigned __int128>(made_) * sourceRate_ / target_.rate);
    if (from >= end) break;
    putFrame(samples + (from - seen_) * sourceChannels_, out);
    ++made_;
  }
  seen_ = end;
}

void FrameConverter::putFrame(const int16_t *frame, std::vector<uint8_t> &out) const {
  int mono = 0;
  if (target_.channels == 1 && sourceChannels_ > 1) {
    int sum = 0;
    for (int c = 0; c < sourceChannels_; ++c) sum += frame[c];
    mono = sum / sourceChannels_;
  }
  for (int c = 0; c < target_.channels; ++c) {
    int16_t s = target_.channels == 1 && sourceChannels_ > 1 ? static_cast<int16_t>(mono)
                                                              : frame[std::min(c, sourceChannels_ - 1)];
    const auto u = static_cast<uint16_t>(s);
    switch (target_.bits) {
      case 8:
        out.push_back(static_cast<uint8_t>((s >> 8) + 128));
        break;
      case 24:
        out.insert(out.end(), {0, static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)});
        break;
      case 32:
        out.insert(out.end(), {0, 0, static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)});
        break;
      default:
        out.insert(out.end(), {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)});
        break;
    }
  }
}

namespace {

constexpr size_t kChunkBytes = 4096;

// Whole source frames in about kChunkBytes of the file's sample data.
size_t framesPerChunk(const components::WaveDecoder &decoder) {
  const components::WaveFormat &declared = decoder.declared();
  if (declared.isPcm() && declared.blockAlign > 0) return std::max<size_t>(1, kChunkBytes / declared.blockAlign);
  if (decoder.dataSize() == 0 || decoder.frames() == 0) return kChunkBytes / 2;
  return std::max<size_t>(1, static_cast<size_t>(kChunkBytes * decoder.frames() / decoder.dataSize()));
}

std::string nameOf(const std::string &path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

bool ConvertWaveToWave(components::JobUi &ui, const std::string &source, const std::string &target,
                       const PcmTarget &format, const ProgressShown &restore, std::string *error) {
  auto failWith = [&](const std::string &why) {
    if (error) *error = why;
    return false;
  };
  components::WaveDecoder decoder;
  std::string why;
  if (!decoder.open(source, &why)) return failWith(why);
  components::WaveFile out;
  if (format.bits != 8 && format.bits != 16 && format.bits != 24 && format.bits != 32)
    return failWith("no PCM format of " + std::to_string(format.bits) + " bits");
  if (!out.create(target, components::WaveFormat::pcm(static_cast<uint16_t>(format.channels), format.rate,
                                                      static_cast<uint16_t>(format.bits)),
                  &why))
    return failWith(why);

  ui.progressTitle(ui.text(keys::kFormatStepTitle), false);
  ui.progressLines(std::filesystem::path(source).parent_path().string(), nameOf(source) + " -> " + nameOf(target));
  ui.progressCurrent(0, "");
  ui.pump();

  FrameConverter converter(decoder.channels(), decoder.sampleRate(), format);
  const uint64_t frames = decoder.frames();
  const uint64_t total = decoder.dataSize();
  const size_t chunkFrames = framesPerChunk(decoder);
  std::vector<int16_t> samples(chunkFrames * std::max<size_t>(1, decoder.channels()));
  std::vector<uint8_t> bytes;
  bool finished = false, stopped = false;
  why.clear();
  try {
    while (decoder.position() < frames) {
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(chunkFrames, frames - decoder.position()));
      const size_t got = decoder.read(samples.data(), wanted);
      // A stream that stops decoding before its end would never finish.
      if (got == 0) throw components::WaveFileError("the sample data cannot be decoded past frame " +
                                                    std::to_string(decoder.position()));
      bytes.clear();
      converter.convert(samples.data(), got, bytes);
      out.append(bytes.data(), bytes.size());
      // Bytes of the source's sample data, as the file declares them.
      const uint64_t done = frames ? static_cast<uint64_t>(static_cast<unsigned __int128>(decoder.position()) *
                                                           total / frames)
                                   : total;
      const double percent = total ? static_cast<double>(done) * 100.0 / static_cast<double>(total) + 0.5 : 100.0;
      ui.progressCurrent(std::min(100, static_cast<int>(std::lround(percent))),
                         components::kbytesLabel(static_cast<double>(done), static_cast<double>(total)));
      if (ui.cancelRequested()) {
        stopped = true;
        break;
      }
      ui.pump();
    }
    out.close();
    finished = !stopped;
  } catch (const std::exception &e) {
    finished = false;
    why = e.what();
    try {
      out.close();
    } catch (const std::exception &) {
    }
  }
  decoder.close();
  ui.progressTitle(restore.title, false);
  ui.progressLines(restore.directory, restore.fileName);
  if (!finished) {
    std::error_code ec;
    std::filesystem::remove(target, ec);
    // A cancelled step leaves the reason empty.
    return stopped ? false : failWith(why);
  }
  return true;
}

}  // namespace voice
