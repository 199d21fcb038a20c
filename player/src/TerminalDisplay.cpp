#include "player/TerminalDisplay.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace player {

std::string clockText(const Clock &c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(c.hours),
                static_cast<long long>(c.minutes), static_cast<long long>(c.seconds));
  return buf;
}

TerminalDisplay::TerminalDisplay(int fd, std::optional<bool> terminal)
    : fd_(fd), terminal_(terminal ? *terminal : ::isatty(fd) == 1) {}

void TerminalDisplay::showTotalTime(int64_t hours, int64_t minutes, int64_t seconds) {
  if (held_) return;
  total_ = Clock{hours, minutes, seconds};
}

void TerminalDisplay::showElapsedTime(int64_t hours, int64_t minutes, int64_t seconds) {
  if (held_) return;
  elapsed_ = Clock{hours, minutes, seconds};
  draw();
}

void TerminalDisplay::showComplete() {
  if (!total_) return;
  elapsed_ = total_;
  draw();
  held_ = true;
}

std::string TerminalDisplay::line() const {
  std::string text = clockText(elapsed_.value_or(Clock{}));
  if (total_) text += " / " + clockText(*total_);
  return text;
}

void TerminalDisplay::draw() {
  if (!terminal_) return;
  // Carriage return, the line, and the rest of the old one cleared.
  write("\r" + line() + "\x1b[K");
  drawnOnLine_ = true;
}

void TerminalDisplay::endLine() {
  if (!drawnOnLine_) return;
  write("\n");
  drawnOnLine_ = false;
}

void TerminalDisplay::reset() {
  endLine();
  held_ = finished_ = false;
  elapsed_.reset();
  total_.reset();
}

void TerminalDisplay::finish() {
  if (finished_ || !elapsed_) return;
  finished_ = true;
  if (terminal_) {
    draw();
    endLine();
  } else {
    write(line() + "\n");
  }
  held_ = true;
}

void TerminalDisplay::write(const std::string &text) const {
  size_t at = 0;
  while (at < text.size()) {
    ssize_t n = ::write(fd_, text.data() + at, text.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    at += size_t(n);
  }
}

}  // namespace player
