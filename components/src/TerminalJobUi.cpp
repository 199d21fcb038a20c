#include "components/TerminalJobUi.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

namespace components {

// ---------------------------------------------------------------------------
// Laying out the line

namespace {

// One character cell group as the terminal draws it: a character with the
// combining marks that follow it.
struct Glyph {
  std::string bytes;
  int columns;
};

struct Range {
  char32_t first, last;
};

// Zero-width: combining marks, zero-width spaces and joiners, variation selectors.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xE0100, 0xE01EF}};

// Two columns: East Asian wide and full-width characters and emoji. Where
// terminals differ, two: a line one column short is harmless, one column
// too long wraps.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23F3},   {0x25FD, 0x25FE},
    {0x2600, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B55},   {0x2E80, 0x303E},   {0x3041, 0x33FF},
    {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x16FE0, 0x16FE4}, {0x17000, 0x18AFF}, {0x1B000, 0x1B2FF}, {0x1F000, 0x1FAFF}, {0x20000, 0x3FFFD}};

template <size_t N>
bool within(const Range (&ranges)[N], char32_t c) {
  return std::any_of(ranges, ranges + N, [c](const Range &r) { return c >= r.first && c <= r.last; });
}

// The length of the UTF-8 sequence at s[i] and its code point; 0 when the
// bytes there are no well-formed UTF-8 character.
size_t decodeOne(std::string_view s, size_t i, char32_t &c) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = byte(i);
  size_t len = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                                                  : 0;
  if (len == 0 || i + len > s.size()) return 0;
  c = len == 1 ? lead : lead & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = c << 6 | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points past Unicode's end.
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
    return 0;
  return len;
}

// The text as glyphs. A control character or a byte that is not UTF-8
// becomes '?': a file name must not move the cursor or start an escape.
std::vector<Glyph> glyphsOf(std::string_view s) {
  std::vector<Glyph> glyphs;
  for (size_t i = 0; i < s.size();) {
    char32_t c = 0;
    size_t len = decodeOne(s, i, c);
    if (len == 0 || c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      glyphs.push_back({"?", 1});
      i += len == 0 ? 1 : len;
      continue;
    }
    std::string_view bytes = s.substr(i, len);
    i += len;
    if (within(kZeroWidth, c) && !glyphs.empty() && glyphs.back().bytes != "?") {
      glyphs.back().bytes += bytes;
      continue;
    }
    // A mark with nothing to sit on takes a cell of its own.
    glyphs.push_back({std::string(bytes), within(kWide, c) ? 2 : 1});
  }
  return glyphs;
}

int columnsOf(const std::vector<Glyph> &glyphs) {
  int n = 0;
  for (const Glyph &g : glyphs) n += g.columns;
  return n;
}

constexpr std::string_view kEllipsis = "...";
constexpr int kEllipsisColumns = 3;

// The leading glyphs that fit in `columns`.
std::string head(const std::vector<Glyph> &glyphs, int columns) {
  std::string out;
  for (const Glyph &g : glyphs) {
    if (g.columns > columns) break;
    columns -= g.columns;
    out += g.bytes;
  }
  return out;
}

// The trailing glyphs that fit in `columns`.
std::string tail(const std::vector<Glyph> &glyphs, int columns) {
  size_t from = glyphs.size();
  while (from > 0 && glyphs[from - 1].columns <= columns) columns -= glyphs[--from].columns;
  std::string out;
  for (size_t k = from; k < glyphs.size(); ++k) out += glyphs[k].bytes;
  return out;
}

std::string whole(const std::vector<Glyph> &glyphs) { return head(glyphs, columnsOf(glyphs)); }

// At most `columns` wide; a shortened text ends in "...".
std::string shortenEnd(const std::vector<Glyph> &glyphs, int columns) {
  if (columnsOf(glyphs) <= columns) return whole(glyphs);
  if (columns <= kEllipsisColumns) return head(glyphs, columns);
  return head(glyphs, columns - kEllipsisColumns) + std::string(kEllipsis);
}

// At most `columns` wide; a shortened name keeps its start and its end
// (where the number and the extension are) around "...".
std::string shortenMiddle(const std::vector<Glyph> &glyphs, int columns) {
  if (columnsOf(glyphs) <= columns) return whole(glyphs);
  if (columns <= kEllipsisColumns) return head(glyphs, columns);
  int keep = columns - kEllipsisColumns;
  int front = keep / 2;
  return head(glyphs, front) + std::string(kEllipsis) + tail(glyphs, keep - front);
}

constexpr int kFullBar = 30;
constexpr int kShortBar = 10;
constexpr int kShortFile = 20;  // the file name shrinks to this before the title and the bar do
constexpr int kShortName = 12;  // title and file name shrink to this before either is left out
constexpr int kPercentColumns = 4;

}  // namespace

int terminalColumns(std::string_view text) { return columnsOf(glyphsOf(text)); }

std::string layoutProgressLine(const ProgressLineState &state, int columns) {
  const int room = columns - 1;
  if (room < kPercentColumns) return {};
  auto title = glyphsOf(state.title), file = glyphsOf(state.file), label = glyphsOf(state.label);
  int titleWidth = columnsOf(title), fileWidth = columnsOf(file), labelWidth = columnsOf(label);
  int bar = kFullBar;
  auto width = [&] {
    int w = kPercentColumns;
    if (bar > 0) w += bar + 3;  // "[" bar "] "
    for (int part : {titleWidth, fileWidth, labelWidth})
      if (part > 0) w += part + 1;
    return w;
  };
  // Gives up to the excess, keeping at least `floor` (or what there is).
  auto shrink = [&](int &part, int floor) {
    int excess = width() - room;
    if (excess > 0 && part > floor) part = std::max(floor, part - excess);
  };
  auto drop = [&](int &part) {
    if (width() > room) part = 0;
  };
  shrink(fileWidth, kShortFile);
  shrink(titleWidth, kShortName);
  shrink(bar, kShortBar);
  shrink(fileWidth, kShortName);
  drop(titleWidth);
  drop(fileWidth);
  shrink(labelWidth, 0);
  if (labelWidth <= kEllipsisColumns && labelWidth < columnsOf(label)) labelWidth = 0;  // "..." alone says nothing
  shrink(bar, 1);
  drop(bar);

  int percent = std::clamp(state.percent, 0, 100);
  std::string line;
  if (titleWidth > 0) line += shortenEnd(title, titleWidth) + " ";
  if (fileWidth > 0) line += shortenMiddle(file, fileWidth) + " ";
  if (bar > 0) {
    int filled = percent * bar / 100;
    line += "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(bar - filled), ' ') + "] ";
  }
  char figure[8];
  std::snprintf(figure, sizeof figure, "%3d%%", percent);
  line += figure;
  if (labelWidth > 0) line += " " + shortenEnd(label, labelWidth);
  return line;
}

// ---------------------------------------------------------------------------
// The job UI

namespace {

volatile std::sig_atomic_t interrupted = 0;
// Counts SIGWINCH: each UI compares it with the count it last saw.
volatile std::sig_atomic_t resizes = 0;

void onInterrupt(int) { interrupted = 1; }
void onResize(int) { resizes = resizes + 1; }

int resizeFollowers = 0;
struct sigaction resizeBefore {};

void followResizes() {
  if (resizeFollowers++ > 0) return;
  struct sigaction sa {};
  sa.sa_handler = onResize;
  sa.sa_flags = SA_RESTART;  // a resize must not fail a read or write of the chip
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGWINCH, &sa, &resizeBefore);
}

void stopFollowingResizes() {
  if (--resizeFollowers == 0) ::sigaction(SIGWINCH, &resizeBefore, nullptr);
}

void writeStderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

int stderrColumns() {
  winsize size{};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

constexpr int kUnknownColumns = 80;

}  // namespace

TerminalJobUi::TerminalJobUi(TextLookup texts, bool assumeYes, bool showProgress)
    : TerminalJobUi(std::move(texts), assumeYes, showProgress && ::isatty(STDERR_FILENO),
                    Terminal{writeStderr, stderrColumns, Clock::now}) {}

TerminalJobUi::TerminalJobUi(TextLookup texts, bool assumeYes, Terminal terminal)
    : TerminalJobUi(std::move(texts), assumeYes, true, std::move(terminal)) {}

TerminalJobUi::TerminalJobUi(TextLookup texts, bool assumeYes, bool show, Terminal terminal)
    : texts_(std::move(texts)), yes_(assumeYes), show_(show), terminal_(std::move(terminal)) {
  // The first Ctrl-C asks the running job to stop in its own way, so that
  // it leaves the files and the recorder as its Cancel button would.
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  if (show_) followResizes();
}

TerminalJobUi::~TerminalJobUi() {
  if (show_) stopFollowingResizes();
}

void TerminalJobUi::pump() {
  if (interrupted) requestCancel();
}

std::string TerminalJobUi::text(std::string_view key) const {
  std::string t = texts_ ? texts_(key) : std::string();
  return t.empty() ? std::string(key) : t;
}

void TerminalJobUi::write(std::string_view text) { terminal_.write(text); }

int TerminalJobUi::columns() {
  if (columns_ == 0 || seenResizes_ != resizes) {
    seenResizes_ = resizes;
    int asked = terminal_.columns ? terminal_.columns() : 0;
    columns_ = asked > 0 ? asked : kUnknownColumns;
  }
  return columns_;
}

int TerminalJobUi::messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) {
  endLine();
  std::string caption = text(captionKey), message = text(textKey);
  if (buttons == kButtonsOk) {
    if (kind == MsgKind::Error || kind == MsgKind::Warning) lastError_ = message;
    write(caption + ": " + message + "\n");
    return kResultOk;
  }
  int answer = yes_ ? kResultYes : kResultNo;
  write(caption + ": " + message + " " + (yes_ ? "[yes: --yes]" : "[no: answer with --yes]") + "\n");
  return answer;
}

void TerminalJobUi::progressOpen(const std::string &title) {
  open_ = true;
  line_ = ProgressLineState{title, "", 0, ""};
  hasTotal_ = false;
  hasDrawn_ = false;  // a new line shows at once
  drawnPercent_ = 0;
  draw();
}

void TerminalJobUi::progressTitle(const std::string &title, bool) {
  line_.title = title;
  draw();
}

void TerminalJobUi::progressLines(const std::string &, const std::string &fileName) {
  line_.file = fileName;
  draw();
}

void TerminalJobUi::progressCurrent(int percent, const std::string &label) {
  // A single-file job has no total of its own: its file is the whole job.
  if (hasTotal_) return;
  line_.percent = percent;
  line_.label = label;
  draw();
}

void TerminalJobUi::progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) {
  if (totalLabel == "No message") return;
  hasTotal_ = true;
  line_.percent = percent;
  line_.label = fileCount.empty() ? totalLabel : fileCount + "  " + totalLabel;
  draw();
}

void TerminalJobUi::progressClose() {
  endLine();
  open_ = false;
}

void TerminalJobUi::noticeOpen(const std::string &message) {
  if (!show_) return;
  endLine();
  write(message + "\n");
}

void TerminalJobUi::noticeText(const std::string &) {}
void TerminalJobUi::noticeClose() {}

bool TerminalJobUi::chooseModel(char modelName[8]) { return applyModelChoice(kModelEntry, modelName); }

void TerminalJobUi::draw(bool now) {
  if (!show_ || !open_) return;
  Clock::time_point at = terminal_.now();
  // Reaching 100 % shows at once: the job may do nothing more that draws.
  bool reached = line_.percent >= 100 && drawnPercent_ < 100;
  if (!now && !reached && hasDrawn_ && at - drawnAt_ < kRedrawInterval) {
    pending_ = true;
    return;
  }
  pending_ = false;
  std::string line = layoutProgressLine(line_, columns());
  if (hasDrawn_ && line == drawn_) return;
  // Written over the old line, then the rest of the old one cleared.
  write("\r" + line + "\033[K");
  drawn_ = std::move(line);
  drawnPercent_ = line_.percent;
  drawnAt_ = at;
  hasDrawn_ = true;
}

void TerminalJobUi::endLine() {
  if (!show_ || !open_ || !hasDrawn_) return;
  if (pending_) draw(true);
  write("\n");
  // What comes next starts a line of its own.
  hasDrawn_ = false;
  drawn_.clear();
}

}  // namespace components
