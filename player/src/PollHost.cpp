#include "player/PollHost.h"

#include "voice/Codec.h"

namespace player {

// The host's job UI: the caller's, with the running time's line ended
// before a message and frozen at the first error (the player's Stop sets
// the digits back to 0 afterwards).
class PollHost::MessageUi final : public components::JobUi {
 public:
  MessageUi(components::JobUi &inner, TerminalDisplay &display) : in_(inner), display_(display) {}

  int errors = 0;

  std::string text(std::string_view key) const override { return in_.text(key); }
  int messageBox(std::string_view captionKey, std::string_view textKey, components::MsgKind kind,
                 int buttons) override {
    display_.endLine();
    if (kind == components::MsgKind::Error) {
      ++errors;
      display_.hold();
    }
    return in_.messageBox(captionKey, textKey, kind, buttons);
  }
  void progressOpen(const std::string &title) override { in_.progressOpen(title); }
  void progressTitle(const std::string &title, bool alert) override { in_.progressTitle(title, alert); }
  void progressLines(const std::string &directory, const std::string &fileName) override {
    in_.progressLines(directory, fileName);
  }
  void progressCurrent(int percent, const std::string &label) override { in_.progressCurrent(percent, label); }
  void progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) override {
    in_.progressTotal(percent, fileCount, totalLabel);
  }
  void progressCancelVisible(bool visible) override { in_.progressCancelVisible(visible); }
  void progressClose() override { in_.progressClose(); }
  void noticeOpen(const std::string &message) override { in_.noticeOpen(message); }
  void noticeText(const std::string &message) override { in_.noticeText(message); }
  void noticeClose() override { in_.noticeClose(); }
  void pump() override { in_.pump(); }
  bool chooseModel(char modelName[8]) override { return in_.chooseModel(modelName); }

 private:
  components::JobUi &in_;
  TerminalDisplay &display_;
};

PollHost::PollHost(const HostSetup &s)
    : display_(s.displayFd, s.terminal),
      ui_(std::make_unique<MessageUi>(s.ui, display_)),
      lists_(s.selection),
      loop_(s.queue, s.catchInterrupt) {
  PlayerSetup setup{*ui_,
                    display_,
                    buttons_,
                    loop_,
                    lists_,
                    s.queue,
                    s.makeVoiceOutput,
                    s.makeRecordInput,
                    s.outputDevice,
                    s.mpeg,
                    s.wave,
                    s.recorder,
                    s.tempFolder};
  player_ = std::make_unique<Player>(setup);
  loop_.onDisplayTimer = [this] { player_->OnTimPlayDisplayTimer(); };
  loop_.onMpegTimer = [this] { player_->OnMpegTimer(); };
}

PollHost::~PollHost() {
  loop_.onDisplayTimer = nullptr;
  loop_.onMpegTimer = nullptr;
  player_.reset();
  // What the player posted would reach a player that is gone.
  loop_.dropPosted();
}

PollHost::Result PollHost::play() {
  Result r;
  const int errorsBefore = ui_->errors;
  display_.reset();
  player_->OnBtnPlayClick();
  r.started = player_->busy();
  if (r.started) {
    PollLoop::End end = loop_.run([this] { return !player_->busy(); });
    if (end == PollLoop::End::Interrupted) {
      r.interrupted = true;
      // The time where it was stopped (the MP3 display keeps itself current).
      player_->OnTimPlayDisplayTimer();
      display_.hold();
      player_->OnBtnStopClick();
    } else if (ui_->errors == errorsBefore) {
      display_.showComplete();
    }
  }
  r.errors = ui_->errors - errorsBefore;
  display_.finish();
  return r;
}

PollHost::Result PollHost::record(double seconds) {
  Result r;
  const int errorsBefore = ui_->errors;
  display_.reset();
  player_->OnBtnSPRecordClick();
  r.started = player_->state().recording;
  if (r.started) {
    const uint64_t bytesPerSecond = uint64_t(voice::kBitsPerSample / 8) * voice::kSampleRate;
    const uint64_t limit = seconds > 0 ? uint64_t(seconds * double(bytesPerSecond) + 0.5) : 0;
    VoiceRecording &rec = player_->recording();
    PollLoop::End end = loop_.run([&] {
      return !rec.inputRunning() || (limit > 0 && rec.bytesRecorded() >= limit);
    });
    r.interrupted = end == PollLoop::End::Interrupted;
    r.inputStopped = !r.interrupted && !rec.inputRunning();
    player_->OnTimPlayDisplayTimer();
    display_.hold();
    // The time recorded, before what the save has to say.
    display_.finish();
    const int saves = lists_.refreshes();
    player_->OnBtnStopClick();
    r.saved = lists_.refreshes() > saves;
  }
  r.errors = ui_->errors - errorsBefore;
  display_.finish();
  return r;
}

}  // namespace player
