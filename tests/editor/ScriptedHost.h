// An EditorHost whose dialogs, files and panes follow a script, recording
// what the editor asked of it.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "components/waveedit/WaveDescription.h"
#include "components/waveedit/WaveObject.h"
#include "editor/EditorHost.h"

namespace editortest {

struct Box {
  std::string caption, text, prefix;
  int buttons = 0;
};

class ScriptedHost : public editor::EditorHost {
 public:
  // Answers in order; an empty optional is a cancelled dialog.
  std::deque<std::optional<std::string>> openAnswers, saveAnswers;
  std::deque<int> boxAnswers;
  std::deque<bool> replaceAnswers;
  std::map<std::string, editor::ProbeResult> probes;  // by path; Unreadable otherwise
  std::deque<editor::StepResult> prepareResults, renderResults;
  bool convertSucceeds = true;
  int64_t free = -1;

  std::vector<Box> boxes;
  std::vector<std::string> replaceQuestions, saveProposals, converted, rendered, prepared;
  std::vector<std::pair<editor::Pane, editor::PaneState>> committed;
  std::vector<editor::Pane> cleared;
  std::vector<editor::ControlState> controls;
  std::vector<editor::ControlState> controlsWhileBusy;
  std::function<void()> duringStep;  // runs inside a long step
  const editor::PaneState *status = nullptr;
  int statusCalls = 0;

  std::optional<std::string> chooseOpenFile(editor::Pane) override { return next(openAnswers); }
  std::optional<std::string> chooseSaveFile(const std::string &proposed) override {
    saveProposals.push_back(proposed);
    return next(saveAnswers);
  }
  bool confirmReplace(const std::string &path) override {
    replaceQuestions.push_back(path);
    if (replaceAnswers.empty()) return false;
    bool a = replaceAnswers.front();
    replaceAnswers.pop_front();
    return a;
  }
  int messageBox(const char *caption, const char *text, components::MsgKind, int buttons,
                 const std::string &prefix) override {
    boxes.push_back({caption, text, prefix, buttons});
    if (boxAnswers.empty()) return buttons == components::kButtonsOk ? components::kResultOk : components::kResultNo;
    int a = boxAnswers.front();
    boxAnswers.pop_front();
    return a;
  }
  editor::ProbeResult probe(const std::string &path) override {
    auto it = probes.find(path);
    if (it != probes.end()) return it->second;
    editor::ProbeResult r;
    if (probeRealFiles) {
      components::WaveObject wave;
      if (wave.open(path) == components::WaveOpen::Ok) {
        r.status = editor::ProbeResult::Ok;
        r.facts = {wave.format().sampleRate, wave.format().bitsPerSample, wave.dataSamples()};
      }
    }
    return r;
  }
  bool probeRealFiles = false;  // files without a scripted answer are read
  bool convertVoiceFile(const std::string &voice, const std::string &wav) override {
    if (duringStep) duringStep();
    converted.push_back(voice + " -> " + wav);
    if (convertSucceeds) std::ofstream(wav) << "converted";
    return convertSucceeds;
  }
  int64_t freeBytes(const std::string &) override { return free; }
  editor::StepResult preparePane(editor::Pane, const std::string &path, const editor::WaveFacts &) override {
    prepared.push_back(path);
    return step(prepareResults);
  }
  void commitPane(editor::Pane pane, const editor::PaneState &state) override { committed.push_back({pane, state}); }
  void clearPane(editor::Pane pane) override { cleared.push_back(pane); }
  editor::StepResult renderEdit(const std::string &target) override {
    rendered.push_back(target);
    editor::StepResult r = step(renderResults);
    if (r == editor::StepResult::Done) std::ofstream(target) << "rendered";
    return r;
  }
  // The panes' working waves as the views would hold them.
  components::WaveDescription waves[3];
  std::vector<std::pair<editor::PaneState, components::WaveDescription>> edits;
  std::vector<std::string> progressCaptions;
  int width = 1024;
  int stepsUntilCancel = -1;  // progressStep answers false from then on

  components::WaveDescription paneWave(editor::Pane pane) override { return waves[static_cast<int>(pane)]; }
  void commitEdit(const editor::PaneState &state, const components::WaveDescription &wave) override {
    edits.push_back({state, wave});
    waves[2] = wave;
  }
  void setEditMarkers(const components::MarkerList &markers) override { waves[2].markers = markers; }
  void setEditEnvelope(const components::VolumeEnvelope &envelope) override { waves[2].volume = envelope; }
  void setEditCuts(const components::CutList &cuts) override { waves[2].cuts = cuts; }
  void progressShow(const char *caption) override { progressCaptions.push_back(caption); }
  bool progressStep(int) override { return stepsUntilCancel < 0 || stepsUntilCancel-- > 0; }
  void progressHide() override {}
  int screenWidth() override { return width; }

  void stopPlayback() override {}
  void applyControls(const editor::ControlState &c) override { controls.push_back(c); }
  void showStatus(const editor::PaneState *active) override {
    status = active;
    ++statusCalls;
  }

  const editor::ControlState &lastControls() const { return controls.back(); }

 private:
  template <class T>
  static std::optional<std::string> next(std::deque<T> &q) {
    if (q.empty()) return std::nullopt;
    auto a = q.front();
    q.pop_front();
    return a;
  }
  editor::StepResult step(std::deque<editor::StepResult> &q) {
    if (duringStep) duringStep();
    if (q.empty()) return editor::StepResult::Done;
    auto r = q.front();
    q.pop_front();
    return r;
  }
};

inline editor::ProbeResult goodWave(uint32_t rate = 8000, int64_t samples = 16000) {
  editor::ProbeResult r;
  r.status = editor::ProbeResult::Ok;
  r.facts = {rate, 16, samples};
  return r;
}

}  // namespace editortest
