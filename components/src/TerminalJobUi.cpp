#include "components/TerminalJobUi.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace components {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

}  // namespace

TerminalJobUi::TerminalJobUi(TextLookup texts, bool assumeYes, bool showProgress)
    : texts_(std::move(texts)), yes_(assumeYes), show_(showProgress && ::isatty(STDERR_FILENO)) {
  // The first Ctrl-C asks the running job to stop in its own way, so that
  // it leaves the files and the recorder as its Cancel button would.
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
}

void TerminalJobUi::pump() {
  if (interrupted) requestCancel();
}

std::string TerminalJobUi::text(std::string_view key) const {
  std::string t = texts_ ? texts_(key) : std::string();
  return t.empty() ? std::string(key) : t;
}

int TerminalJobUi::messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) {
  if (open_ && show_) std::fputc('\n', stderr);
  std::string caption = text(captionKey), message = text(textKey);
  if (buttons == kButtonsOk) {
    if (kind == MsgKind::Error || kind == MsgKind::Warning) lastError_ = message;
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
    return kResultOk;
  }
  int answer = yes_ ? kResultYes : kResultNo;
  std::fprintf(stderr, "%s: %s %s\n", caption.c_str(), message.c_str(),
               yes_ ? "[yes: --yes]" : "[no: answer with --yes]");
  return answer;
}

void TerminalJobUi::progressOpen(const std::string &title) {
  open_ = true;
  title_ = title;
  file_.clear();
  label_.clear();
  percent_ = 0;
  hasTotal_ = false;
  draw();
}

void TerminalJobUi::progressTitle(const std::string &title, bool) {
  title_ = title;
  draw();
}

void TerminalJobUi::progressLines(const std::string &, const std::string &fileName) {
  file_ = fileName;
  draw();
}

void TerminalJobUi::progressCurrent(int percent, const std::string &label) {
  // A single-file job has no total of its own: its file is the whole job.
  if (hasTotal_) return;
  percent_ = percent;
  label_ = label;
  draw();
}

void TerminalJobUi::progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) {
  if (totalLabel == "No message") return;
  hasTotal_ = true;
  percent_ = percent;
  label_ = fileCount.empty() ? totalLabel : fileCount + "  " + totalLabel;
  draw();
}

void TerminalJobUi::progressClose() {
  if (open_ && show_) std::fputc('\n', stderr);
  open_ = false;
}

void TerminalJobUi::noticeOpen(const std::string &message) {
  if (show_) std::fprintf(stderr, "%s\n", message.c_str());
}

void TerminalJobUi::noticeText(const std::string &) {}
void TerminalJobUi::noticeClose() {}

bool TerminalJobUi::chooseModel(char modelName[8]) { return applyModelChoice(kModelEntry, modelName); }

void TerminalJobUi::draw() {
  if (!show_ || !open_) return;
  int filled = percent_ * 30 / 100;
  std::fprintf(stderr, "\r\033[K%s %s [%.*s%*s] %3d%% %s", title_.c_str(), file_.c_str(), filled,
               "##############################", 30 - filled, "", percent_, label_.c_str());
  std::fflush(stderr);
}

}  // namespace components
