#include "voice/G729Conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "OutputTarget.h"
#include "components/base/PendingFile.h"
#include "voice/VoiceHeader.h"

namespace voice {

namespace {

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void fail(const char *what, const std::string &path) {
  throw VoiceFileError(std::string(what) + " " + path + ": " + std::strerror(errno));
}

void writeAll(std::FILE *file, const uint8_t *data, size_t bytes, const std::string &path) {
  if (bytes && std::fwrite(data, 1, bytes, file) != bytes) fail("cannot write", path);
}

// Closes and reports a failed final flush, which is where a full disk shows.
void closeWritten(FilePtr &file, const std::string &path) {
  if (std::fclose(file.release()) != 0) fail("cannot write", path);
}

}  // namespace

G729Conversion::G729Conversion(components::JobUi &ui, components::WaveFile &waveFile, CodecFactory makeCodec)
    : ui_(ui), waveFile_(waveFile), makeCodec_(std::move(makeCodec)) {}

bool G729Conversion::EncodeWaveToG729(const std::string &outputPath, int bits, int rate, int channels) {
  // Anything but 16-bit mono 8000 Hz PCM would be coded as noise.
  if (!waveFile_.reading() || !waveFile_.format().isPcm(kBitsPerSample, kChannels, kSampleRate)) {
    error(keys::kKindProgram, keys::kWaveNotUsable);
    return false;
  }
  const std::filesystem::path target = detail::outputTarget(outputPath, waveFile_.path());
  if (target.empty()) {
    error(keys::kKindProgram, keys::kCannotCreate);
    return false;
  }
  const std::unique_ptr<Codec> codec = makeCodec_();
  // Removes the unfinished output on every way out but the commit at the end.
  components::PendingFile pending(target);
  FilePtr out(pending.created() ? std::fopen(pending.path().c_str(), "wb") : nullptr);
  if (!out) {
    error(keys::kKindProgram, keys::kCannotCreate);
    return false;
  }
  showFile(waveFile_.path());
  ui_.clearCancel();

  // The header names the file as the caller does, not its temporary name.
  uint8_t header[header::kSize];
  MakeG729FileHeader(header, bits, rate, channels, outputPath, true);
  writeAll(out.get(), header, sizeof header, outputPath);

  // A short last block is coded whole: its end still holds the previous
  // block's samples, and only its own share of the result is kept.
  uint8_t pcm[kPcmBlockBytes] = {};
  waveFile_.rewind();  // the whole source, wherever an earlier reader left it
  const uint64_t total = waveFile_.dataSize();
  uint64_t done = 0;
  bool cancelled = false;
  do {
    size_t n = waveFile_.read(pcm, sizeof pcm);
    const uint8_t *coded = codec->encode(pcm);
    writeAll(out.get(), coded, n < kPcmBlockBytes ? codedBytesForPcm(n) : kCodedBlockBytes, outputPath);
    done += n;
    showProgress(done, total);
    if (ui_.cancelRequested()) {
      cancelled = true;
      break;
    }
    ui_.pump();
  } while (done < total);
  closeWritten(out, outputPath);
  return !cancelled && commit(pending);
}

bool G729Conversion::DecodeG729ToWave(const std::string &sourcePath, const std::string &outputPath) {
  waveFile_.close();
  FilePtr in(std::fopen(sourcePath.c_str(), "rb"));
  struct stat info {};
  if (!in || fstat(fileno(in.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
    error(keys::kKindProgram, keys::kCannotOpen);
    return false;
  }
  const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
  uint8_t header[header::kSize];
  int bits = 0, channels = 0, rate = 0, kind = 0;
  if (fileSize < header::kMinVoiceFileSize || std::fread(header, 1, sizeof header, in.get()) != sizeof header ||
      !CheckG729File(header, bits, channels, rate, kind)) {
    in.reset();
    error(keys::kKindNotice, keys::kNotVoiceFile);
    return false;
  }
  // The WAV takes the decoder's own format: a header naming another one
  // would mislabel the samples, and one naming no valid format could not
  // be written at all.
  const std::filesystem::path target = detail::outputTarget(outputPath, sourcePath);
  if (target.empty()) {
    in.reset();
    error(keys::kKindProgram, keys::kCannotCreate);
    return false;
  }
  const std::unique_ptr<Codec> codec = makeCodec_();
  components::PendingFile pending(target);
  if (!pending.created() ||
      !waveFile_.create(pending.path().string(), components::WaveFormat::pcm(kChannels, kSampleRate, kBitsPerSample))) {
    in.reset();
    error(keys::kKindProgram, keys::kCannotCreate);
    return false;
  }
  showFile(sourcePath);
  ui_.clearCancel();

  // A short last block is decoded whole; its end holds the previous block's bytes.
  uint8_t coded[kCodedBlockBytes] = {};
  uint64_t pos = header::kSize;
  bool cancelled = false;
  try {
    do {
      size_t wanted = static_cast<size_t>(std::min<uint64_t>(kCodedBlockBytes, fileSize - pos));
      size_t n = std::fread(coded, 1, wanted, in.get());
      if (n != wanted) fail("cannot read", sourcePath);
      const uint8_t *pcm = codec->decode(coded);
      waveFile_.append(pcm, pcmBytesForCoded(n));
      pos += n;
      showProgress(pos, fileSize);
      if (ui_.cancelRequested()) {
        cancelled = true;
        break;
      }
      ui_.pump();
    } while (pos < fileSize);
  } catch (...) {
    // The component is left closed; the pending file removes what was written.
    try {
      waveFile_.close();
    } catch (const components::WaveFileError &) {
    }
    throw;
  }
  in.reset();
  waveFile_.close();
  return !cancelled && commit(pending);
}

bool G729Conversion::commit(components::PendingFile &pending) {
  if (pending.commit()) return true;
  error(keys::kKindProgram, keys::kCannotCreate);
  return false;
}

void G729Conversion::showFile(const std::string &path) {
  std::filesystem::path p(path);
  ui_.progressLines(p.parent_path().string(), p.filename().string());
}

void G729Conversion::showProgress(uint64_t done, uint64_t all) {
  // An empty source is finished at once.
  int percent = all == 0 ? 100 : components::percentOf(static_cast<double>(done), static_cast<double>(all));
  ui_.progressCurrent(percent, components::kbytesLabel(static_cast<double>(done), static_cast<double>(all)));
}

void G729Conversion::error(const char *captionKey, const char *textKey) {
  ui_.messageBox(captionKey, textKey, components::MsgKind::Error, components::kButtonsOk);
}

}  // namespace voice
