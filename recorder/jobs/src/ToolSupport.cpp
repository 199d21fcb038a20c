#include "recorder/jobs/ToolSupport.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace recorder::jobs {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

}  // namespace

TerminalUi::TerminalUi(TextLookup texts, bool assumeYes)
    : components::TerminalJobUi(std::move(texts), assumeYes), yes_(assumeYes) {
  // The first Ctrl+C cancels the running job the way the Cancel button
  // does; a second one ends the program.
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

TerminalUi::~TerminalUi() { std::signal(SIGINT, SIG_DFL); }

void TerminalUi::pump() {
  if (interrupted) {
    interrupted = 0;
    requestCancel();
  }
  if (onPump) onPump();
}

int TerminalUi::namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                                components::MsgKind kind, int buttons) {
  std::string caption = text(captionKey), message = prefix + text(textKey);
  // A progress bar may be drawn on the line.
  endLine();
  if (buttons == components::kButtonsOk) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
    if (kind == components::MsgKind::Error || kind == components::MsgKind::Warning) named_ = true;
    return components::kResultOk;
  }
  std::fprintf(stderr, "%s: %s %s\n", caption.c_str(), message.c_str(),
               yes_ ? "[yes: --yes]" : "[no: answer with --yes]");
  return yes_ ? components::kResultYes : components::kResultNo;
}

ToolRecorder::ToolRecorder(std::string command, std::unique_ptr<FlashIo> io, TerminalUi::TextLookup texts,
                           bool assumeYes)
    : command_(std::move(command)), io_(std::move(io)), ui_(std::make_unique<TerminalUi>(std::move(texts), assumeYes)) {
  // The library hands over a duplicate of its file descriptor.
  session_ = std::make_unique<Session>(*io_, *ui_, [](Q417Handle h) {
    if (h >= 0) ::close(static_cast<int>(h));
  });
  ui_->onPump = [this] { session_->pollLink(); };
}

void ToolRecorder::say(const std::string &text) const { std::fprintf(stderr, "q417 %s: %s\n", command_.c_str(), text.c_str()); }

bool ToolRecorder::open(bool allowBlank) {
  blank_ = false;
  if (session_->connect()) return true;
  if (!session_->link().deviceOpen && !session_->link().geometry.known()) {
    say("no recorder: the chip image cannot be opened (give --image PATH or set Q417_IMAGE)");
    return false;
  }
  if (!session_->link().geometry.known()) {
    say("the chip answers with an unknown flash identifier");
    return false;
  }
  if (allowBlank && session_->identify()) {
    blank_ = true;
    return true;
  }
  say("the recorder holds no readable file system; initialise it with: q417 format --yes");
  return false;
}

int ToolRecorder::finish(const Outcome &outcome) const {
  if (outcome.ok()) return 0;
  if (!outcome.reason.empty()) {
    say(outcome.reason);
  } else if (ui_->reported()) {
    // The message box has said it.
  } else {
    switch (outcome.status) {
      case Status::Cancelled: say("cancelled"); break;
      case Status::Declined: say("not confirmed (answer with --yes)"); break;
      default: say("failed"); break;
    }
  }
  return 1;
}

bool useImage(const std::string &image, const char *command) {
  if (image.empty()) {
    std::fprintf(stderr, "q417 %s: no image: give --image PATH or set Q417_IMAGE\n", command);
    return false;
  }
  ::setenv("Q417_IMAGE", image.c_str(), 1);
  return true;
}

bool parseFolder(const std::string &text, int &folder) {
  if (text.size() != 1) return false;
  char c = text[0];
  if (c >= '1' && c <= '8') folder = c - '0';
  else if (c >= 'A' && c <= 'H') folder = c - 'A' + 1;
  else if (c >= 'a' && c <= 'h') folder = c - 'a' + 1;
  else return false;
  return true;
}

bool parseNumber(const std::string &text, uint32_t &number) {
  if (text.empty() || text.size() > 6) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  number = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
  return number >= 1;
}

bool parseRows(const std::vector<std::string> &args, size_t from, size_t to, std::vector<int> &rows, std::string *bad) {
  rows.clear();
  for (size_t i = from; i < to && i < args.size(); ++i) {
    uint32_t n = 0;
    if (!parseNumber(args[i], n)) {
      if (bad) *bad = args[i];
      return false;
    }
    rows.push_back(static_cast<int>(n) - 1);
  }
  return true;
}

}  // namespace recorder::jobs
