// The job UI of the command-line tool: progress on standard error,
// questions answered Yes only when the user said so beforehand (--yes).
// The progress line fits the terminal's width, follows its resizing and is
// redrawn at most about ten times a second; when standard error is no
// terminal, only messages are written.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "components/JobUi.h"

namespace components {

// What one progress line shows.
struct ProgressLineState {
  std::string title, file;
  int percent = 0;
  std::string label;
};

// The progress line for a terminal `columns` wide: title, file name, a bar
// of up to 30 cells, the percentage and the label. It takes at most
// columns - 1 columns (the last one stays free, so that no terminal wraps).
// What does not fit goes in this order: the file name is shortened (to 20
// columns), then the title (to 12), then the bar narrows to 10 cells, then
// the file name shortens to 12; then the title, then the file name are left
// out; then the label is shortened, then the bar. Text is cut between UTF-8
// characters only; control characters and bytes that are not UTF-8 show as
// '?'.
std::string layoutProgressLine(const ProgressLineState &state, int columns);

// Columns that UTF-8 text takes on a terminal (East Asian wide characters
// two, combining marks none).
int terminalColumns(std::string_view text);

class TerminalJobUi : public JobUi {
 public:
  using TextLookup = std::function<std::string(std::string_view)>;
  using Clock = std::chrono::steady_clock;

  // Where the progress goes. The default is standard error: its width
  // from the terminal, the steady clock.
  struct Terminal {
    std::function<void(std::string_view)> write;
    std::function<int()> columns;  // 0 when unknown
    std::function<Clock::time_point()> now;
  };
  static constexpr std::chrono::milliseconds kRedrawInterval{100};

  // Shows progress when showProgress is set and standard error is a terminal.
  TerminalJobUi(TextLookup texts, bool assumeYes, bool showProgress = true);
  // Shows progress on the given terminal, and writes messages there too.
  TerminalJobUi(TextLookup texts, bool assumeYes, Terminal terminal);
  ~TerminalJobUi() override;
  TerminalJobUi(const TerminalJobUi &) = delete;
  TerminalJobUi &operator=(const TerminalJobUi &) = delete;

  std::string text(std::string_view key) const override;
  int messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) override;
  void progressOpen(const std::string &title) override;
  void progressTitle(const std::string &title, bool alert) override;
  void progressLines(const std::string &directory, const std::string &fileName) override;
  void progressCurrent(int percent, const std::string &label) override;
  void progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) override;
  void progressCancelVisible(bool) override {}
  void progressClose() override;
  void noticeOpen(const std::string &message) override;
  void noticeText(const std::string &message) override;
  void noticeClose() override;
  // Ctrl-C during a job becomes the Cancel button.
  void pump() override;
  bool chooseModel(char modelName[8]) override;

  // The last error text shown, for the tool's exit message.
  const std::string &lastError() const { return lastError_; }

  // Ends a drawn progress line, after drawing a state still held back, so
  // that what is written next on standard error starts a line of its own.
  void endLine();

 private:
  TerminalJobUi(TextLookup texts, bool assumeYes, bool show, Terminal terminal);
  // Redraws the line unless it was drawn less than the redraw interval ago
  // (then it is drawn later); `now` overrides the interval.
  void draw(bool now = false);
  void write(std::string_view text);
  int columns();

  TextLookup texts_;
  bool yes_;
  bool show_;
  Terminal terminal_;
  bool open_ = false;
  ProgressLineState line_;
  bool hasTotal_ = false;
  std::string lastError_;
  // Drawing
  int columns_ = 0;  // 0: ask the terminal at the next draw
  int seenResizes_ = 0;
  std::string drawn_;  // on the screen's current line, when hasDrawn_
  int drawnPercent_ = 0;
  Clock::time_point drawnAt_{};
  bool hasDrawn_ = false;
  bool pending_ = false;  // a change not drawn yet
};

}  // namespace components
