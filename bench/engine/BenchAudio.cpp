#include "BenchAudio.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace bench {

WorkDir::WorkDir() {
  std::string pattern = (fs::temp_directory_path() / "sonavel-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

WorkDir::~WorkDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

bool run(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool haveTool(const std::string &name) { return run("command -v " + name); }

namespace {
const char *kText =
    "The recorder keeps its recordings on a flash chip, in eight folders. Copy them to the computer, play them "
    "faster or slower without changing the pitch, and convert them to wave files. Every text that the program "
    "shows comes from a file of messages. ";
}

bool makeSpeech(const WorkDir &dir, const fs::path &wav, double seconds) {
  fs::path raw = dir / "speech-raw.wav";
  std::string text;
  for (int k = 0; k < 6; ++k) text += kText;
  if (!run("espeak-ng -s 150 -w '" + raw.string() + "' \"" + text + "\"")) return false;
  return run("sox '" + raw.string() + "' -r 44100 -c 2 -b 16 '" + wav.string() + "' repeat 5 trim 0 " +
             std::to_string(seconds));
}

bool makeSpeechAndMusic(const WorkDir &dir, const fs::path &wav) {
  fs::path speech = dir / "speech.wav", music = dir / "music.wav";
  if (!makeSpeech(dir, speech, 60)) return false;
  // Plucked chords changing every two seconds, quieter than the voice.
  std::string chords;
  const char *progression[] = {"C3 E3 G3", "A2 C3 E3", "F2 A2 C3", "G2 B2 D3"};
  for (int k = 0; k < 30; ++k) {
    fs::path part = dir / ("chord" + std::to_string(k) + ".wav");
    std::string notes = progression[k % 4], synth;
    for (size_t at = 0; at < notes.size();) {
      size_t end = notes.find(' ', at);
      synth += " pluck " + notes.substr(at, end - at);
      at = end == std::string::npos ? notes.size() : end + 1;
    }
    if (!run("sox -n -r 44100 -c 2 -b 16 '" + part.string() + "' synth 2" + synth + " vol 0.3")) return false;
    chords += " '" + part.string() + "'";
  }
  if (!run("sox" + chords + " '" + music.string() + "'")) return false;
  return run("sox -m -v 0.8 '" + speech.string() + "' -v 0.6 '" + music.string() + "' '" + wav.string() + "' trim 0 60");
}

std::vector<uint8_t> readWavData(const fs::path &wav) {
  std::ifstream in(wav, std::ios::binary);
  std::vector<uint8_t> b(std::istreambuf_iterator<char>(in), {});
  size_t at = 12;
  while (at + 8 <= b.size()) {
    uint32_t size = uint32_t(b[at + 4]) | uint32_t(b[at + 5]) << 8 | uint32_t(b[at + 6]) << 16 | uint32_t(b[at + 7]) << 24;
    if (std::memcmp(&b[at], "data", 4) == 0) {
      size = uint32_t(std::min<size_t>(size, b.size() - at - 8));
      return std::vector<uint8_t>(b.begin() + ptrdiff_t(at + 8), b.begin() + ptrdiff_t(at + 8 + size));
    }
    at += 8 + size + (size & 1);
  }
  return {};
}

void writeStereoWav(const fs::path &wav, const std::vector<int16_t> &s, uint32_t rate) {
  std::ofstream out(wav, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char *>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char *>(&v), 2); };
  uint32_t bytes = uint32_t(s.size() * 2);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(2);
  u32(rate);
  u32(rate * 4);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char *>(s.data()), bytes);
}

std::vector<int16_t> toSamples(const std::vector<uint8_t> &bytes) {
  std::vector<int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

std::vector<int16_t> sine(double hz, double seconds, uint32_t rate) {
  size_t frames = size_t(seconds * rate);
  std::vector<int16_t> s(frames * 2);
  for (size_t i = 0; i < frames; ++i) s[2 * i] = s[2 * i + 1] = int16_t(std::lround(16000 * std::sin(2 * M_PI * hz * double(i) / rate)));
  return s;
}

std::vector<double> left(const std::vector<int16_t> &stereo) {
  std::vector<double> x(stereo.size() / 2);
  for (size_t i = 0; i < x.size(); ++i) x[i] = stereo[2 * i] / 32768.0;
  return x;
}

double toneFrequency(const std::vector<double> &x, uint32_t rate) {
  size_t from = x.size() / 4, to = x.size() * 3 / 4;
  int cycles = 0;
  bool high = false;
  size_t first = 0, last = 0;
  for (size_t i = from; i < to; ++i) {
    if (!high && x[i] > 0.1) {
      high = true;
      if (cycles++ == 0) first = i;
      last = i;
    } else if (high && x[i] < -0.1) {
      high = false;
    }
  }
  return cycles > 1 ? (cycles - 1) / (double(last - first) / rate) : 0;
}

double medianPitch(const std::vector<double> &x, uint32_t rate, double windowMs) {
  const size_t window = size_t(rate * windowMs / 1000);
  const size_t minLag = rate / 400, maxLag = rate / 70;
  std::vector<double> pitches;
  for (size_t start = 0; start + window + maxLag < x.size(); start += window / 2) {
    double energy = 0;
    for (size_t i = 0; i < window; ++i) energy += x[start + i] * x[start + i];
    if (energy / window < 1e-3) continue;
    double best = 0;
    size_t bestLag = 0;
    for (size_t lag = minLag; lag <= maxLag; ++lag) {
      double c = 0, e1 = 0, e2 = 0;
      for (size_t i = 0; i < window; ++i) {
        c += x[start + i] * x[start + i + lag];
        e1 += x[start + i] * x[start + i];
        e2 += x[start + i + lag] * x[start + i + lag];
      }
      double r = c / std::sqrt(e1 * e2 + 1e-12);
      if (r > best) {
        best = r;
        bestLag = lag;
      }
    }
    if (best < 0.8 || bestLag == 0) continue;
    // Parabolic refinement of the peak.
    auto corr = [&](size_t lag) {
      double c = 0;
      for (size_t i = 0; i < window; ++i) c += x[start + i] * x[start + i + lag];
      return c;
    };
    double a = corr(bestLag - 1), b = corr(bestLag), c = corr(bestLag + 1);
    double shift = (a - c) / (2 * (a - 2 * b + c));
    if (!std::isfinite(shift) || std::fabs(shift) > 1) shift = 0;
    pitches.push_back(rate / (double(bestLag) + shift));
  }
  if (pitches.empty()) return 0;
  std::nth_element(pitches.begin(), pitches.begin() + ptrdiff_t(pitches.size() / 2), pitches.end());
  return pitches[pitches.size() / 2];
}

namespace {
void fft(std::vector<std::complex<double>> &a) {
  size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> w(std::cos(-2 * M_PI / double(len)), std::sin(-2 * M_PI / double(len)));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> u(1);
      for (size_t k = 0; k < len / 2; ++k) {
        auto v = a[i + k + len / 2] * u;
        a[i + k + len / 2] = a[i + k] - v;
        a[i + k] += v;
        u *= w;
      }
    }
  }
}

std::vector<double> longTermSpectrum(const std::vector<double> &x) {
  const size_t n = 2048;
  std::vector<double> power(n / 2, 0);
  std::vector<std::complex<double>> frame(n);
  int frames = 0;
  for (size_t start = 0; start + n <= x.size(); start += n / 2, ++frames) {
    for (size_t i = 0; i < n; ++i) frame[i] = x[start + i] * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n)));
    fft(frame);
    for (size_t k = 0; k < n / 2; ++k) power[k] += std::norm(frame[k]);
  }
  for (auto &p : power) p /= std::max(frames, 1);
  return power;
}
}  // namespace

double spectralDistance(const std::vector<double> &a, const std::vector<double> &b) {
  auto pa = longTermSpectrum(a), pb = longTermSpectrum(b);
  double sum = 0;
  for (size_t k = 1; k < pa.size(); ++k) {
    double d = 10 * std::log10((pa[k] + 1e-9) / (pb[k] + 1e-9));
    sum += d * d;
  }
  return std::sqrt(sum / double(pa.size() - 1));
}

}  // namespace bench
