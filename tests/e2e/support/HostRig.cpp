#include "HostRig.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

#include "testsupport/Files.h"
#include "testsupport/Process.h"
#include "testsupport/Tools.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace e2etest {

namespace fs = std::filesystem;

fs::path writeVoiceFile(const fs::path &file, const Bytes &coded) {
  Bytes bytes(voice::header::kSize);
  voice::MakeG729FileHeader(bytes.data(), 16, 8000, 1, file.string(), true);
  bytes.insert(bytes.end(), coded.begin(), coded.end());
  testsupport::writeFile(file, bytes);
  return file;
}

Bytes voiceData(const fs::path &file) {
  Bytes all = testsupport::readFile(file);
  if (all.size() <= voice::header::kSize) return {};
  return Bytes(all.begin() + voice::header::kSize, all.end());
}

Bytes decodeReference(const Bytes &coded) {
  voice::DecoderStream decoder;
  Bytes pcm;
  for (size_t at = 0; at < coded.size(); at += voice::kCodedBlockBytes) {
    uint8_t chunk[voice::kCodedBlockBytes] = {};
    size_t n = std::min(voice::kCodedBlockBytes, coded.size() - at);
    std::memcpy(chunk, coded.data() + at, n);
    const uint8_t *out = decoder.decode(chunk);
    pcm.insert(pcm.end(), out, out + voice::pcmBytesForCoded(n));
  }
  return pcm;
}

Bytes codedTone(double seconds) {
  const size_t samples = size_t(seconds * voice::kSampleRate);
  std::vector<int16_t> x(samples);
  for (size_t i = 0; i < samples; ++i) {
    double t = double(i) / voice::kSampleRate;
    // A voice-like mixture whose pitch and loudness move, so that every
    // half second differs from the others.
    double pitch = 140 + 60 * std::sin(2 * std::numbers::pi * 0.7 * t);
    double loud = 0.5 + 0.4 * std::sin(2 * std::numbers::pi * 1.3 * t);
    double phase = 2 * std::numbers::pi * pitch * t;
    double v = loud * (0.6 * std::sin(phase) + 0.3 * std::sin(3 * phase) + 0.15 * std::sin(7 * phase));
    x[i] = int16_t(std::lround(v * 12000));
  }
  // Only the coded bytes of the samples: a short last chunk.
  Bytes coded = encode(x);
  coded.resize(samples * 2 / voice::kPcmBytesPerCodedByte);
  return coded;
}

std::vector<int16_t> speech(const fs::path &folder, double seconds) {
  testsupport::requireTool("espeak-ng");
  testsupport::requireTool("sox");
  const fs::path spoken = folder / "spoken.wav", raw = folder / "speech.raw";
  const std::string text =
      "The recorder keeps every meeting in its voice folders. Seven silver swans sing softly by the river, "
      "and the quick brown fox jumps over the lazy dog while the notes are read aloud.";
  std::string cmd = "espeak-ng -w '" + spoken.string() + "' '" + text + "' && sox '" + spoken.string() +
                    "' -r 8000 -c 1 -b 16 -e signed-integer -t raw '" + raw.string() + "' repeat 9";
  auto result = testsupport::runCommand(cmd);
  if (!result.ok()) throw std::runtime_error("espeak-ng or sox failed: " + result.output);
  std::vector<int16_t> x = pcmSamples(testsupport::readFile(raw));
  if (double(x.size()) < seconds * voice::kSampleRate) throw std::runtime_error("the speech is too short");
  x.resize(size_t(seconds * voice::kSampleRate));
  return x;
}

Bytes encode(const std::vector<int16_t> &samples) {
  Bytes pcm = pcmBytes(samples);
  pcm.resize((pcm.size() + voice::kPcmBlockBytes - 1) / voice::kPcmBlockBytes * voice::kPcmBlockBytes, 0);
  voice::EncoderStream encoder;
  Bytes coded;
  for (size_t at = 0; at < pcm.size(); at += voice::kPcmBlockBytes) {
    const uint8_t *c = encoder.encode(pcm.data() + at);
    coded.insert(coded.end(), c, c + voice::kCodedBlockBytes);
  }
  return coded;
}

std::vector<int16_t> sounding(const std::vector<int16_t> &samples) {
  std::vector<int16_t> out;
  for (int16_t v : samples)
    if (v != 0) out.push_back(v);
  return out;
}

Bytes pcmBytes(const std::vector<int16_t> &samples) {
  Bytes out(samples.size() * 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    auto v = uint16_t(samples[i]);
    out[2 * i] = uint8_t(v & 0xFF);
    out[2 * i + 1] = uint8_t(v >> 8);
  }
  return out;
}

std::vector<int16_t> pcmSamples(const Bytes &bytes, size_t from) {
  std::vector<int16_t> out;
  for (size_t i = from; i + 1 < bytes.size(); i += 2) out.push_back(int16_t(uint16_t(bytes[i] | (bytes[i + 1] << 8))));
  return out;
}

Match bestCorrelation(const std::vector<int16_t> &a, const std::vector<int16_t> &b, size_t maxLag) {
  Match best;
  for (size_t lag = 0; lag <= maxLag && lag < b.size(); ++lag) {
    size_t n = std::min(a.size(), b.size() - lag);
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
      double x = a[i], y = b[i + lag];
      ab += x * y;
      aa += x * x;
      bb += y * y;
    }
    double c = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
    if (c > best.correlation) best = {c, lag};
  }
  return best;
}

CapturePipe::CapturePipe() {
  if (::pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  // Large enough for whatever a test writes; reads never block.
  if (fds_[0] >= 0) {
    ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds_[1], F_SETPIPE_SZ, 1 << 20);
  }
}

CapturePipe::~CapturePipe() {
  for (int fd : fds_)
    if (fd >= 0) ::close(fd);
}

std::string CapturePipe::read() {
  char buf[4096];
  ssize_t n;
  while (fds_[0] >= 0 && (n = ::read(fds_[0], buf, sizeof buf)) > 0) got_.append(buf, size_t(n));
  return got_;
}

size_t findBytes(const Bytes &heard, const Bytes &wanted) {
  if (wanted.empty() || heard.size() < wanted.size()) return std::string::npos;
  auto it = heard.begin();
  while (true) {
    it = std::search(it, heard.end(), wanted.begin(), wanted.end());
    if (it == heard.end()) return std::string::npos;
    size_t at = size_t(it - heard.begin());
    if (at % 2 == 0) return at;
    ++it;
  }
}

}  // namespace e2etest
