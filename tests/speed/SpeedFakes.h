// A scripted engine, window and file preparation for the speed player's
// logic: each records what the logic asked of it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "speed/FilePreparation.h"
#include "speed/SpeedEngine.h"
#include "speed/SpeedView.h"

namespace speedtest {

using speed::FrameSpan;

struct FakeEngine : speed::SpeedEngine {
  std::vector<std::string> calls;  // "open", "play", "stop", "close", "rate:2.0", "pos:100"
  bool openResult = true;
  bool loaded = false;
  uint32_t stateCode = Stopped;
  uint32_t positionFrames = 0;
  int64_t length = 0;
  int progressValue = 100;
  std::function<void(const std::string &, const std::string &)> onConvert;
  bool convertStopped = false;

  bool openFile(const std::string &path) override {
    calls.push_back("open:" + path);
    if (openResult) loaded = true;
    return openResult;
  }
  void play() override {
    calls.push_back("play");
    stateCode = Playing;
  }
  void stop() override {
    calls.push_back("stop");
    stateCode = Stopped;
  }
  void close() override { calls.push_back("close"); }
  bool isLoaded() override { return loaded; }
  uint32_t state() override { return stateCode; }
  void setRate(double rate) override {
    char text[32];
    std::snprintf(text, sizeof text, "rate:%.1f", rate);
    calls.push_back(text);
  }
  uint32_t position() override { return positionFrames; }
  void setPosition(uint32_t frame) override {
    calls.push_back("pos:" + std::to_string(frame));
    positionFrames = frame;
  }
  int64_t lengthFrames() override { return length; }
  void convertToWave(const std::string &source, const std::string &destination) override {
    calls.push_back("convert");
    if (onConvert) onConvert(source, destination);
  }
  int progress() override { return progressValue; }
  void stopConvert() override { convertStopped = true; }

  // The calls since the last take.
  std::vector<std::string> take() {
    auto out = std::move(calls);
    calls.clear();
    return out;
  }
  int count(const std::string &prefix) const {
    int n = 0;
    for (auto &c : calls) n += c.rfind(prefix, 0) == 0;
    return n;
  }
};

struct FakeView : speed::SpeedView {
  std::deque<std::optional<std::string>> openAnswers, saveAnswers;
  std::vector<std::string> savePresets;
  std::vector<std::pair<std::string, std::string>> errors;
  Load loadResult = Load::Loaded;
  speed::WaveFacts facts{441000, 44100, 16, 2};
  std::vector<std::string> loads;  // the paths the views opened
  bool waveShown = false;
  int64_t locatorFrame = -1;
  FrameSpan markerSpan, selectionSpan, zoomSpan{0, 44100};
  int width = 800;
  bool locked = false;
  int buttons = -1;
  bool controls = false;
  bool timer = false;
  int slider = 0;
  bool repeat = false;
  std::string time, length, file;

  std::optional<std::string> askOpenFile() override {
    if (openAnswers.empty()) return std::nullopt;
    auto a = openAnswers.front();
    openAnswers.pop_front();
    return a;
  }
  std::optional<std::string> askSaveFile(const std::string &preset) override {
    savePresets.push_back(preset);
    if (saveAnswers.empty()) return std::nullopt;
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
  void errorBox(std::string_view caption, std::string_view text) override {
    errors.emplace_back(std::string(caption), std::string(text));
  }
  Load loadWave(const std::string &path, const std::string &, speed::WaveFacts &out) override {
    loads.push_back(path);
    if (loadResult != Load::Loaded) return loadResult;
    out = facts;
    waveShown = true;
    return Load::Loaded;
  }
  void closeWave() override {
    waveShown = false;
    locatorFrame = -1;
    markerSpan = selectionSpan = {};
    zoomSpan = {0, 44100};
  }
  int64_t locator() const override { return locatorFrame; }
  void setLocator(int64_t frame) override { locatorFrame = frame; }
  FrameSpan markers() const override { return markerSpan; }
  void setMarkers(FrameSpan m) override { markerSpan = m; }
  FrameSpan selection() const override { return selectionSpan; }
  void setSelection(FrameSpan s) override { selectionSpan = s; }
  FrameSpan zoom() const override { return zoomSpan; }
  void setZoom(FrameSpan z) override { zoomSpan = z; }
  int zoomWidth() const override { return width; }
  void lockWaveArea(bool on) override { locked = on; }
  void setButtonState(int state) override { buttons = state; }
  void enablePlaybackControls(bool on) override { controls = on; }
  void setTimerRunning(bool on) override { timer = on; }
  int speedSlider() const override { return slider; }
  bool repeatChecked() const override { return repeat; }
  void showTime(const std::string &t) override { time = t; }
  void showLength(const std::string &t) override { length = t; }
  void showFile(const std::string &name, const std::string &, const std::string &) override { file = name; }

  std::string lastError() const { return errors.empty() ? "" : errors.back().second; }
};

struct FakePreparation : speed::FilePreparation {
  bool result = true;
  std::vector<std::string> calls;
  std::function<void(const std::string &)> writeTarget;
  bool decodeVoice(const std::string &source, const std::string &target) override {
    calls.push_back("dvg:" + source + ">" + target);
    if (result && writeTarget) writeTarget(target);
    return result;
  }
  bool convertMp3(const std::string &source, const std::string &target) override {
    calls.push_back("mp3:" + source + ">" + target);
    if (result && writeTarget) writeTarget(target);
    return result;
  }
};

}  // namespace speedtest
