// The q417 tool's side of the jobs: a terminal job UI that names the file a
// message is about, turns Ctrl+C into the Cancel button and watches the
// link; opening the recorder through the connection sequence; the command
// arguments; and the exit status of a job.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/TerminalJobUi.h"
#include "recorder/FlashIo.h"
#include "recorder/jobs/Messages.h"
#include "recorder/jobs/Outcome.h"
#include "recorder/jobs/Session.h"

namespace recorder::jobs {

class TerminalUi : public components::TerminalJobUi, public NamedMessageUi {
 public:
  TerminalUi(TextLookup texts, bool assumeYes);
  ~TerminalUi() override;
  // Pending Ctrl+C presses set the cancel flag; then onPump runs.
  void pump() override;
  int namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                      components::MsgKind kind, int buttons) override;
  std::function<void()> onPump;
  // Whether an error has been shown to the user.
  bool reported() const { return !lastError().empty() || named_; }

 private:
  bool yes_;
  bool named_ = false;
};

// The recorder of a command: the library's chip, the terminal UI and a
// connected session.
class ToolRecorder {
 public:
  // command names the messages; texts looks message keys up.
  ToolRecorder(std::string command, std::unique_ptr<FlashIo> io, TerminalUi::TextLookup texts, bool assumeYes);

  // The connection sequence with the recovery of an interrupted job. With
  // allowBlank, a chip without a file system is opened all the same (for a
  // format). False, after saying why, when there is no usable recorder.
  bool open(bool allowBlank = false);
  // True when open(true) found no file system.
  bool blank() const { return blank_; }

  Session &session() { return *session_; }
  FlashVolume &volume() { return session_->volume(); }
  TerminalUi &ui() { return *ui_; }

  // The exit status of a job: 0 when done; otherwise 1, after printing the
  // reason when no message has given one.
  int finish(const Outcome &outcome) const;
  // Prints "q417 COMMAND: text" on standard error.
  void say(const std::string &text) const;

 private:
  std::string command_;
  std::unique_ptr<FlashIo> io_;
  std::unique_ptr<TerminalUi> ui_;
  std::unique_ptr<Session> session_;
  bool blank_ = false;
};

// Hands the chip image to the I/O library, which finds it through
// Q417_IMAGE; false, after saying so, when there is none.
bool useImage(const std::string &image, const char *command);

// "1" to "8", or a folder letter "A" to "H" (either case).
bool parseFolder(const std::string &text, int &folder);
// A number from 1.
bool parseNumber(const std::string &text, uint32_t &number);
// Recording numbers (from 1) as list rows (from 0); false names the bad one in *bad.
bool parseRows(const std::vector<std::string> &args, size_t from, size_t to, std::vector<int> &rows, std::string *bad);

}  // namespace recorder::jobs
