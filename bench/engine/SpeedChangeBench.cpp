// Speed and quality of the time-scale modifier against SoundTouch (same
// sequence, seek window and overlap: 20, 12 and 5 ms, quick seek off) and
// Rubber Band (real-time mode), on 60 s of speech over music at 44.1 kHz
// stereo made at run time. Prints ratios measured in this run.
#include <soundtouch/SoundTouch.h>
#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchAudio.h"
#include "TimeScaleModifier.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr size_t kChunkFrames = 4410;  // the engine's buffer: 0.1 s

struct Speed {
  const char *name;
  double speed;
  double factor;
  int mode;
};
const Speed kSpeeds[] = {{"0.5x", 0.5, 2.0, sonavel::TimeScaleModifier::kSlower},
                         {"1.5x", 1.5, 1.5, sonavel::TimeScaleModifier::kFaster},
                         {"2x", 2.0, 2.0, sonavel::TimeScaleModifier::kFaster}};

std::vector<int16_t> runOurs(const std::vector<int16_t> &in, const Speed &s) {
  SonavelWaveFormat format{1, 2, kRate, kRate * 4, 4, 16, 0};
  sonavel::TimeScaleModifier m;
  m.init(format);
  m.setMode(s.factor, s.mode);
  std::vector<int16_t> out(size_t(double(in.size()) / s.speed) + 16384);
  std::vector<uint8_t> scratch(size_t(m.maxOutput(int32_t(kChunkFrames * 4))));
  size_t produced = 0;
  const uint8_t *bytes = reinterpret_cast<const uint8_t *>(in.data());
  for (size_t at = 0; at < in.size() * 2; at += kChunkFrames * 4) {
    int32_t len = int32_t(std::min(kChunkFrames * 4, in.size() * 2 - at));
    int32_t got = 0;
    m.process(bytes + at, len, scratch.data(), &got);
    if (produced * 2 + size_t(got) > out.size() * 2) out.resize(out.size() * 2);
    std::memcpy(reinterpret_cast<uint8_t *>(out.data()) + produced * 2, scratch.data(), size_t(got));
    produced += size_t(got) / 2;
  }
  out.resize(produced);
  return out;
}

std::vector<int16_t> runSoundTouch(const std::vector<float> &in, const Speed &s) {
  soundtouch::SoundTouch st;
  st.setSampleRate(kRate);
  st.setChannels(2);
  st.setTempo(s.speed);
  st.setSetting(SETTING_SEQUENCE_MS, 20);
  st.setSetting(SETTING_SEEKWINDOW_MS, 12);
  st.setSetting(SETTING_OVERLAP_MS, 5);
  st.setSetting(SETTING_USE_QUICKSEEK, 0);
  std::vector<float> buf(16384 * 2);
  std::vector<int16_t> out;
  out.reserve(size_t(double(in.size()) / s.speed) + 16384);
  auto drain = [&] {
    unsigned got;
    while ((got = st.receiveSamples(buf.data(), 16384)) > 0)
      for (size_t i = 0; i < size_t(got) * 2; ++i) out.push_back(int16_t(std::lround(std::clamp(buf[i], -1.0f, 1.0f) * 32767)));
  };
  for (size_t at = 0; at < in.size() / 2; at += kChunkFrames) {
    size_t n = std::min(kChunkFrames, in.size() / 2 - at);
    st.putSamples(in.data() + at * 2, unsigned(n));
    drain();
  }
  return out;
}

std::vector<int16_t> runRubberBand(const std::vector<float> &left, const std::vector<float> &right, const Speed &s) {
  using RubberBand::RubberBandStretcher;
  RubberBandStretcher rb(kRate, 2, RubberBandStretcher::OptionProcessRealTime, 1.0 / s.speed);
  std::vector<int16_t> out;
  out.reserve(size_t(double(left.size() * 2) / s.speed) + 16384);
  std::vector<float> l(8192), r(8192);
  float *outs[2] = {l.data(), r.data()};
  auto drain = [&] {
    int avail;
    while ((avail = rb.available()) > 0) {
      size_t got = rb.retrieve(outs, std::min<size_t>(size_t(avail), l.size()));
      for (size_t i = 0; i < got; ++i) {
        out.push_back(int16_t(std::lround(std::clamp(l[i], -1.0f, 1.0f) * 32767)));
        out.push_back(int16_t(std::lround(std::clamp(r[i], -1.0f, 1.0f) * 32767)));
      }
    }
  };
  for (size_t at = 0; at < left.size(); at += kChunkFrames) {
    size_t n = std::min(kChunkFrames, left.size() - at);
    const float *ins[2] = {left.data() + at, right.data() + at};
    rb.process(ins, n, at + n >= left.size());
    drain();
  }
  return out;
}

std::vector<float> toFloat(const std::vector<int16_t> &s) {
  std::vector<float> f(s.size());
  for (size_t i = 0; i < s.size(); ++i) f[i] = s[i] / 32768.0f;
  return f;
}

}  // namespace

int main() {
  for (const char *tool : {"espeak-ng", "sox"})
    if (!bench::haveTool(tool)) {
      std::printf("%s is not installed\n", tool);
      return 1;
    }
  bench::WorkDir dir;
  if (!bench::makeSpeechAndMusic(dir, dir / "input.wav") || !bench::makeSpeech(dir, dir / "speech.wav", 20)) {
    std::printf("could not make the input\n");
    return 1;
  }
  auto input = bench::toSamples(bench::readWavData(dir / "input.wav"));
  auto speech = bench::toSamples(bench::readWavData(dir / "speech.wav"));
  auto tone = bench::sine(440, 10, kRate);
  auto inputFloat = toFloat(input);
  std::vector<float> inLeft(input.size() / 2), inRight(input.size() / 2);
  for (size_t i = 0; i < inLeft.size(); ++i) inLeft[i] = inputFloat[2 * i], inRight[i] = inputFloat[2 * i + 1];
  std::printf("input: %.1f s of speech over music, 44100 Hz stereo\n\n", double(input.size() / 2) / kRate);

  std::printf("Throughput (best of 3, seconds of audio per second of work):\n");
  std::printf("%-6s %12s %12s %12s %14s %14s\n", "speed", "ours", "SoundTouch", "RubberBand", "ours/ST", "ours/RB");
  for (const auto &s : kSpeeds) {
    std::vector<int16_t> ours, st, rb;
    double tOurs = bench::bestSeconds(3, [&] { ours = runOurs(input, s); });
    double tSt = bench::bestSeconds(3, [&] { st = runSoundTouch(inputFloat, s); });
    double tRb = bench::bestSeconds(1, [&] { rb = runRubberBand(inLeft, inRight, s); });
    double seconds = double(input.size() / 2) / kRate;
    std::printf("%-6s %12.1f %12.1f %12.1f %14.2f %14.2f\n", s.name, seconds / tOurs, seconds / tSt, seconds / tRb,
                tSt / tOurs, tRb / tOurs);
  }

  // Speech pitch is measured over 20 ms windows (mostly inside one 15 ms
  // output segment) and over 40 ms windows (across the joints).
  std::printf("\nQuality (pitch in Hz; speech f0 as the median over voiced 20 ms / 40 ms windows):\n");
  std::printf("%-6s %10s %9s %18s %18s %14s\n", "speed", "duration", "tone", "speech f0 ours", "speech f0 ST",
              "dist to ST dB");
  auto speechLeft = bench::left(speech);
  double toneIn = bench::toneFrequency(bench::left(tone), kRate);
  double in20 = bench::medianPitch(speechLeft, kRate, 20), in40 = bench::medianPitch(speechLeft, kRate, 40);
  std::printf("%-6s %10s %9.2f %8.2f /%8.2f\n", "input", "", toneIn, in20, in40);
  for (const auto &s : kSpeeds) {
    if (s.speed == 1.5) continue;
    auto ours = runOurs(input, s);
    double expected = double(input.size()) / s.speed;
    double durationError = (double(ours.size()) - expected) / expected * 100;
    double toneOut = bench::toneFrequency(bench::left(runOurs(tone, s)), kRate);
    auto oursSpeech = bench::left(runOurs(speech, s));
    auto stSpeech = bench::left(runSoundTouch(toFloat(speech), s));
    double o20 = bench::medianPitch(oursSpeech, kRate, 20), o40 = bench::medianPitch(oursSpeech, kRate, 40);
    double s20 = bench::medianPitch(stSpeech, kRate, 20), s40 = bench::medianPitch(stSpeech, kRate, 40);
    double distance = bench::spectralDistance(bench::left(ours), bench::left(runSoundTouch(inputFloat, s)));
    std::printf("%-6s %+9.2f%% %9.2f %8.2f /%8.2f %8.2f /%8.2f %14.2f\n", s.name, durationError, toneOut, o20, o40, s20,
                s40, distance);
    std::printf("       change against the input: tone %+.2f%%, speech %+.2f%% / %+.2f%% (SoundTouch %+.2f%% / %+.2f%%)\n",
                (toneOut / toneIn - 1) * 100, (o20 / in20 - 1) * 100, (o40 / in40 - 1) * 100, (s20 / in20 - 1) * 100,
                (s40 / in40 - 1) * 100);
  }
  return 0;
}
