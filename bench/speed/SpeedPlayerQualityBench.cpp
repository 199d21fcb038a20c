// The speed player's sound, file -> engine -> output, against SoundTouch
// (its default settings) and Rubber Band (offline, its default quality) on
// the same inputs, made at run time: a 440 Hz tone, speech, and 20 noise
// bursts. For the slider positions nearest 0.5x, 0.75x, 1.5x and 2x it
// prints the duration error, the pitch change of the tone and of the
// speech in cents, and the bursts found again as onsets (missing and
// doubled), ours beside the peers'.
#include <poll.h>
#include <rubberband/RubberBandStretcher.h>
#include <soundtouch/SoundTouch.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchAudio.h"
#include "sonavel.h"
#include "speed/PlayableWave.h"
#include "speed/SpeedFormat.h"
#include "speed/SpeedPlayer.h"
#include "components/ScriptedJobUi.h"

namespace {

constexpr uint32_t kRate = 44100;
namespace fs = std::filesystem;
using Samples = std::vector<int16_t>;  // stereo, interleaved

// The window as the logic sees it, without widgets.
struct HeadlessView : speed::SpeedView {
  std::string next;
  int slider = 0;
  int64_t loc = -1;
  speed::FrameSpan marks, sel, range{0, 44100};
  std::optional<std::string> askOpenFile() override { return next; }
  std::optional<std::string> askSaveFile(const std::string &) override { return std::nullopt; }
  void errorBox(std::string_view, std::string_view text) override {
    std::fprintf(stderr, "error box: %s\n", std::string(text).c_str());
  }
  Load loadWave(const std::string &path, const std::string &, speed::WaveFacts &facts) override {
    auto layout = speed::inspectWave(path);
    if (!layout) return Load::Failed;
    facts = {int64_t(layout->declaredSize / layout->blockAlign), layout->sampleRate, layout->bitsPerSample,
             layout->channels};
    return Load::Loaded;
  }
  void closeWave() override {}
  int64_t locator() const override { return loc; }
  void setLocator(int64_t f) override { loc = f; }
  speed::FrameSpan markers() const override { return marks; }
  void setMarkers(speed::FrameSpan m) override { marks = m; }
  speed::FrameSpan selection() const override { return sel; }
  void setSelection(speed::FrameSpan s) override { sel = s; }
  speed::FrameSpan zoom() const override { return range; }
  void setZoom(speed::FrameSpan z) override { range = z; }
  int zoomWidth() const override { return 1000; }
  void lockWaveArea(bool) override {}
  void setButtonState(int) override {}
  void enablePlaybackControls(bool) override {}
  void setTimerRunning(bool) override {}
  int speedSlider() const override { return slider; }
  bool repeatChecked() const override { return false; }
  void showTime(const std::string &) override {}
  void showLength(const std::string &) override {}
  void showFile(const std::string &, const std::string &, const std::string &) override {}
};

struct NoPreparation : speed::FilePreparation {
  bool decodeVoice(const std::string &, const std::string &) override { return false; }
  bool convertMp3(const std::string &, const std::string &) override { return false; }
};

class OurPath {
 public:
  explicit OurPath(const bench::WorkDir &dir) : dir_(dir), capture_(dir / "played.raw") {
    ::setenv("SONAVEL_OUTPUT", "virtual", 1);
    ::setenv("SONAVEL_VIRTUAL_SPEED", "0", 1);
    ::setenv("SONAVEL_VIRTUAL_CAPTURE", capture_.c_str(), 1);
  }
  // Plays the file from start to end at the slider position; what was heard.
  Samples play(const fs::path &wav, int slider) {
    fs::remove(capture_);
    view_.next = wav.string();
    player_.openFile();
    view_.slider = slider;
    view_.loc = 0;
    player_.play();
    pollfd fd{DllGetEventFd(), POLLIN, 0};
    while (player_.timerRunning())
      if (::poll(&fd, 1, 200) > 0 && DllDispatchEvents() > 0) player_.tick();
    player_.closeFile();
    std::ifstream in(capture_, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    return bench::toSamples(bytes);
  }

 private:
  const bench::WorkDir &dir_;
  fs::path capture_;
  HeadlessView view_;
  NoPreparation preparation_;
  components::ScriptedJobUi ui_;
  std::unique_ptr<speed::SpeedEngine> engine_ = speed::makeSonavelEngine();
  speed::SpeedPlayer player_{view_, *engine_, preparation_, ui_, dir_ / "temp"};
};

Samples soundTouch(const Samples &in, double speed) {
  soundtouch::SoundTouch st;
  st.setSampleRate(kRate);
  st.setChannels(2);
  st.setTempo(speed);
  std::vector<float> f(in.size());
  for (size_t i = 0; i < in.size(); ++i) f[i] = float(in[i]) / 32768.0f;
  Samples out;
  std::vector<float> buf(8192 * 2);
  auto drain = [&] {
    unsigned got;
    while ((got = st.receiveSamples(buf.data(), 8192)) > 0)
      for (size_t i = 0; i < size_t(got) * 2; ++i)
        out.push_back(int16_t(std::lround(std::clamp(buf[i], -1.0f, 1.0f) * 32767)));
  };
  for (size_t at = 0; at < f.size();) {
    size_t n = std::min<size_t>(8192, (f.size() - at) / 2);
    if (n == 0) break;
    st.putSamples(f.data() + at, unsigned(n));
    at += 2 * n;
    drain();
  }
  st.flush();
  drain();
  return out;
}

Samples rubberBand(const Samples &in, double speed) {
  using RubberBand::RubberBandStretcher;
  const size_t frames = in.size() / 2;
  RubberBandStretcher rb(kRate, 2, RubberBandStretcher::OptionProcessOffline, 1.0 / speed);
  rb.setExpectedInputDuration(frames);
  std::vector<float> l(frames), r(frames);
  for (size_t i = 0; i < frames; ++i) {
    l[i] = float(in[2 * i]) / 32768.0f;
    r[i] = float(in[2 * i + 1]) / 32768.0f;
  }
  const size_t block = 4096;
  for (size_t at = 0; at < frames; at += block) {
    const float *chans[2] = {l.data() + at, r.data() + at};
    rb.study(chans, std::min(block, frames - at), at + block >= frames);
  }
  Samples out;
  std::vector<float> ol(block), orr(block);
  float *outs[2] = {ol.data(), orr.data()};
  auto drain = [&] {
    int avail;
    while ((avail = rb.available()) > 0) {
      size_t got = rb.retrieve(outs, std::min<size_t>(size_t(avail), block));
      for (size_t i = 0; i < got; ++i) {
        out.push_back(int16_t(std::lround(std::clamp(ol[i], -1.0f, 1.0f) * 32767)));
        out.push_back(int16_t(std::lround(std::clamp(orr[i], -1.0f, 1.0f) * 32767)));
      }
    }
  };
  for (size_t at = 0; at < frames; at += block) {
    const float *chans[2] = {l.data() + at, r.data() + at};
    rb.process(chans, std::min(block, frames - at), at + block >= frames);
    drain();
  }
  drain();
  return out;
}

// 20 bursts of 20 ms white noise, one every 500 ms after 250 ms of silence.
constexpr int kBursts = 20;
constexpr double kBurstEvery = 0.5, kBurstFirst = 0.25, kBurstLength = 0.02;
Samples bursts() {
  Samples s(size_t(kRate * (kBurstFirst + kBursts * kBurstEvery)) * 2, 0);
  std::mt19937 random(17);
  std::uniform_int_distribution<int> noise(-16000, 16000);
  for (int k = 0; k < kBursts; ++k) {
    size_t start = size_t((kBurstFirst + k * kBurstEvery) * kRate);
    for (size_t i = 0; i < size_t(kBurstLength * kRate); ++i) s[2 * (start + i)] = s[2 * (start + i) + 1] = int16_t(noise(random));
  }
  return s;
}

// Onsets by energy over 5 ms hops: a rise above a quarter of a burst's RMS
// level after at least 30 ms below it (a fixed level: a method that
// overshoots must not move it).
std::vector<double> onsets(const Samples &s) {
  const size_t hop = kRate / 200;
  std::vector<double> level;
  for (size_t at = 0; at + hop <= s.size() / 2; at += hop) {
    double e = 0;
    for (size_t i = at; i < at + hop; ++i) e += double(s[2 * i]) * s[2 * i];
    level.push_back(std::sqrt(e / double(hop)));
  }
  const double burstRms = 16000 / std::sqrt(3.0);
  std::vector<double> found;
  int quiet = 6;
  for (size_t k = 0; k < level.size(); ++k) {
    if (level[k] > burstRms / 4 && quiet >= 6) found.push_back(double(k * hop) / kRate);
    quiet = level[k] <= burstRms / 4 ? quiet + 1 : 0;
  }
  return found;
}

struct BurstCount {
  int found = 0, missing = 0, doubled = 0;
};
BurstCount countBursts(const Samples &s, double speed) {
  BurstCount c;
  auto times = onsets(s);
  c.found = int(times.size());
  std::vector<int> hits(kBursts, 0);
  int stray = 0;
  for (double t : times) {
    // The burst whose expected start lies nearest, within a third of their spacing.
    double k = (t * speed - kBurstFirst) / kBurstEvery;
    int n = int(std::lround(k));
    if (n >= 0 && n < kBursts && std::fabs(k - n) < 1.0 / 3)
      ++hits[size_t(n)];
    else
      ++stray;
  }
  for (int h : hits) {
    c.missing += h == 0;
    c.doubled += std::max(0, h - 1);
  }
  c.doubled += stray;
  return c;
}

double cents(double out, double in) { return out > 0 && in > 0 ? 1200.0 * std::log2(out / in) : NAN; }

}  // namespace

int main() {
  bench::WorkDir dir;
  const Samples tone = bench::sine(440.0, 10.0, kRate);
  const Samples noise = bursts();
  bench::writeStereoWav(dir / "tone.wav", tone, kRate);
  bench::writeStereoWav(dir / "bursts.wav", noise, kRate);
  if (!bench::makeSpeech(dir, dir / "speech.wav", 20)) {
    std::fprintf(stderr, "espeak-ng or sox failed\n");
    return 1;
  }
  const Samples speech = bench::toSamples(bench::readWavData(dir / "speech.wav"));
  const double toneIn = bench::toneFrequency(bench::left(tone), kRate);
  const double speechIn = bench::medianPitch(bench::left(speech), kRate, 40);
  const double speechIn20 = bench::medianPitch(bench::left(speech), kRate, 20);
  OurPath ours(dir);

  std::printf("Speed player (file -> Sonavel -> output) against SoundTouch and Rubber Band, 44.1 kHz stereo.\n");
  std::printf("Tone %.2f Hz in, speech median f0 %.1f Hz in; %d noise bursts of 20 ms every 500 ms.\n\n", toneIn,
              speechIn, kBursts);
  std::printf("%-6s %-6s %-11s %10s %11s %17s %14s\n", "slider", "speed", "method", "duration", "tone cents",
              "speech 40/20 ms", "bursts f/m/d");
  const int sliders[] = {-20, -7, 10, 20};
  for (int slider : sliders) {
    const double speed = speed::speedOfRate(speed::rateOfSlider(slider));
    struct Result {
      const char *name;
      Samples t, s, b;
    } results[] = {{"ours", ours.play(dir / "tone.wav", slider), ours.play(dir / "speech.wav", slider),
                    ours.play(dir / "bursts.wav", slider)},
                   {"SoundTouch", soundTouch(tone, speed), soundTouch(speech, speed), soundTouch(noise, speed)},
                   {"RubberBand", rubberBand(tone, speed), rubberBand(speech, speed), rubberBand(noise, speed)}};
    int ourErrors = 0;
    for (const Result &r : results) {
      const double expected = 10.0 / speed, got = double(r.t.size() / 2) / kRate;
      const double toneCents = cents(bench::toneFrequency(bench::left(r.t), kRate), toneIn);
      const double speechCents = cents(bench::medianPitch(bench::left(r.s), kRate, 40), speechIn);
      const double speechCents20 = cents(bench::medianPitch(bench::left(r.s), kRate, 20), speechIn20);
      const BurstCount b = countBursts(r.b, speed);
      if (std::string(r.name) == "ours") ourErrors = b.missing + b.doubled;
      std::printf("%-6d %-6.3f %-11s %+9.2f%% %+11.2f %+8.1f/%+8.1f %8d/%d/%d", slider, speed, r.name,
                  (got - expected) / expected * 100, toneCents, speechCents, speechCents20, b.found, b.missing,
                  b.doubled);
      if (std::string(r.name) != "ours")
        std::printf("   burst errors ours/%s: %d/%d", r.name, ourErrors, b.missing + b.doubled);
      std::printf("\n");
    }
  }
  std::printf("\nduration: output length against input / speed; cents: 1200 log2(out / in) of the tone's frequency\n"
              "and of the speech's median f0 (40 and 20 ms windows); bursts: onsets found / bursts missing / extra onsets.\n");
  return 0;
}
