// A host for the player without windows (the q417 tool, the end-to-end
// tests, the benchmarks): the poll() loop for the timers and device events,
// the running time on a terminal, no transport buttons, and lists that hold
// one fixed selection and answer the save question with a fixed path.
//
//   components::wave::DoneQueue queue;            // the devices report here
//   PollHost host({ui, queue, soundCardOutput(), ..., selection});
//   PollHost::Result r = host.play();             // until the end or Ctrl-C
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "components/JobUi.h"
#include "components/wave/DoneQueue.h"
#include "player/MediaPlayback.h"
#include "player/Player.h"
#include "player/PlayerViews.h"
#include "player/PollLoop.h"
#include "player/TerminalDisplay.h"
#include "recorder/FlashVolume.h"

namespace player {

// What the lists hold for the whole run.
struct Selection {
  int activeList = 0;                            // 0 the PC list, 1..8 a recorder folder
  std::filesystem::path pcFolder;                // the PC list's folder
  std::optional<std::string> pcName;             // the PC list's selected file
  std::optional<int> recorderIndex;              // the recorder list's selection, from 0
  std::optional<std::filesystem::path> saveAs;   // the save question's answer; nothing cancels
};

// PlayerLists over a Selection; counts the PC list's refreshes (a save).
class FixedLists final : public PlayerLists {
 public:
  explicit FixedLists(Selection selection) : s_(std::move(selection)) {}
  int activeList() const override { return s_.activeList; }
  std::filesystem::path pcFolder() const override { return s_.pcFolder; }
  std::optional<std::string> pcSelectedName() const override { return s_.pcName; }
  std::optional<int> recorderSelectedIndex() const override { return s_.recorderIndex; }
  void refreshPcList() override { ++refreshes_; }
  std::optional<std::filesystem::path> askSavePath(const std::filesystem::path &) override { return s_.saveAs; }
  int refreshes() const { return refreshes_; }

 private:
  Selection s_;
  int refreshes_ = 0;
};

// A host has no transport buttons.
class NoButtons final : public TransportButtons {
 public:
  void setButtons(const ButtonChange &) override {}
};

struct HostSetup {
  components::JobUi &ui;
  components::wave::DoneQueue &queue;  // the devices' and the MP3 and WAV components'
  OutputFactory makeVoiceOutput;
  InputFactory makeRecordInput;
  bool outputDevice = false;
  MpegPlayback &mpeg;
  WavPlayback &wave;
  recorder::FlashVolume *recorder = nullptr;
  std::filesystem::path tempFolder;  // where the recording is made
  Selection selection;
  bool catchInterrupt = false;       // Ctrl-C stops (PollLoop)
  int displayFd = 2;
  std::optional<bool> terminal;      // redraw in place; by default whether displayFd is a terminal
};

class PollHost {
 public:
  explicit PollHost(const HostSetup &setup);
  ~PollHost();
  PollHost(const PollHost &) = delete;
  PollHost &operator=(const PollHost &) = delete;

  struct Result {
    bool started = false;      // the player took the command (otherwise it refused)
    bool interrupted = false;  // Ctrl-C
    bool saved = false;        // record(): the recording is in the chosen file
    bool inputStopped = false; // record(): the input stopped by itself (a buffer could not be written)
    int errors = 0;            // error boxes the player showed
  };

  // Presses Play on the selection and runs until the player is idle again;
  // Ctrl-C presses Stop. The final time is shown.
  Result play();
  // Presses Record and runs until `seconds` of sound are recorded (0: no
  // limit), the input stops, or Ctrl-C; then presses Stop, which saves
  // the recording under the selection's saveAs.
  Result record(double seconds);

  Player &player() { return *player_; }
  PollLoop &loop() { return loop_; }
  TerminalDisplay &display() { return display_; }
  const FixedLists &lists() const { return lists_; }

 private:
  class MessageUi;

  TerminalDisplay display_;
  std::unique_ptr<MessageUi> ui_;
  FixedLists lists_;
  NoButtons buttons_;
  PollLoop loop_;
  std::unique_ptr<Player> player_;
};

}  // namespace player
