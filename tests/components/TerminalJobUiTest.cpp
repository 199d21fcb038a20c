// The command-line tool's progress line: its layout for a terminal's width,
// its redraw rate, how it follows a resized terminal, and that nothing of it
// shows when standard error is no terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "components/TerminalJobUi.h"

using namespace components;
using namespace std::chrono_literals;

namespace {

// Measured here without the code under test: false for malformed UTF-8;
// otherwise the columns, with the CJK characters and the emoji of these
// tests taking two and combining accents none.
bool measure(std::string_view s, int &columns) {
  columns = 0;
  for (size_t i = 0; i < s.size();) {
    auto lead = static_cast<unsigned char>(s[i]);
    size_t len = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    char32_t c = len == 1 ? lead : lead & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
      auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      c = c << 6 | (b & 0x3F);
    }
    i += len;
    if (c >= 0x0300 && c <= 0x036F) continue;
    columns += (c >= 0x3000 && c <= 0x9FFF) || c >= 0x1F300 ? 2 : 1;
  }
  return true;
}

int columnsOf(std::string_view s) {
  int n = 0;
  EXPECT_TRUE(measure(s, n)) << s;
  return n;
}

const std::string kTitle = "Copying to the recorder";
const std::string kAscii = "2024-05-17 Meeting with the planning committee about the new building.wav";
const std::string kLatin = "Besprechung_Müller_Größenänderung_Übersicht_Jänner_und_Februar.dvg";
const std::string kCjk = "会議の録音_二〇二四年五月十七日_新しい建物について.dvg";
const std::string kEmoji = "🎤 Interview e\u0301te\u0301 2024 (nouvelle ve\u0301rsion) 🎧🎧🎧.mp3";
const std::string kHostile = "bad\x1b[2J\nname\xff\xfe\xe4\xbc.dvg";  // an escape, a newline, bytes that are no UTF-8
const std::string kOneFile = "3,584.00 / 8,192.00 Kbyte(s)";
const std::string kTotal = "1 of 3 file(s)  Total  1,234.56 / 18,192.00 Kbyte(s)";

// The bar's cells between '[' and ']', or -1 when there is no bar.
int barCells(const std::string &line) {
  auto open = line.find('['), close = line.find("] ");
  return open == std::string::npos || close == std::string::npos ? -1 : static_cast<int>(close - open - 1);
}

TEST(ProgressLayout, FitsEveryWidthAndKeepsTheBarAndTheFigures) {
  for (const std::string &name : {kAscii, kLatin, kCjk, kEmoji, kHostile, std::string("a.dvg"), std::string()})
    for (const std::string &label : {kOneFile, kTotal, std::string()})
      for (int width = 1; width <= 220; ++width) {
        ProgressLineState state{kTitle, name, 45, label};
        std::string line = layoutProgressLine(state, width);
        SCOPED_TRACE("width " + std::to_string(width) + ": " + line);
        int columns = 0;
        ASSERT_TRUE(measure(line, columns)) << "cut inside a UTF-8 character";
        EXPECT_LE(columns, std::max(0, width - 1));
        for (char c : line) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
        if (width >= 5) {
          EXPECT_NE(line.find("45%"), std::string::npos);
        }
        if (width >= 18) {
          EXPECT_GE(barCells(line), 10);
        }
        std::string full = layoutProgressLine(state, 1000);
        if (columnsOf(full) <= width - 1) {
          EXPECT_EQ(line, full) << "nothing is shortened that fits";
        }
      }
}

struct LayoutCase {
  int width;
  std::string file;
  int percent;
  std::string label;
  std::string expected;
};

void PrintTo(const LayoutCase &c, std::ostream *os) { *os << c.width << " columns"; }

class ProgressLayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ProgressLayoutTable, ShortensTheFileNameFirst) {
  const LayoutCase &c = GetParam();
  EXPECT_EQ(layoutProgressLine({kTitle, c.file, c.percent, c.label}, c.width), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, ProgressLayoutTable,
    ::testing::Values(
        // Wide enough: title, name, a bar of 30, percentage and label, unchanged.
        LayoutCase{200, kAscii, 45, kOneFile,
                   "Copying to the recorder " + kAscii + " [#############                 ]  45% " + kOneFile},
        // Only the name gives way, keeping its start and its extension.
        LayoutCase{120, kAscii, 45, kOneFile,
                   "Copying to the recorder 2024-05-17 M... building.wav [#############                 ]  45% " +
                       kOneFile},
        LayoutCase{120, kCjk, 100, kOneFile,
                   "Copying to the recorder 会議の録音_...について.dvg [##############################] 100% " +
                       kOneFile},
        // Then the title, then the bar, then the name again.
        LayoutCase{100, kAscii, 45, kOneFile,
                   "Copying t... 2024-05-...lding.wav [#############                ]  45% " + kOneFile},
        LayoutCase{80, kAscii, 45, kOneFile, "Copying t... 2024-05-...ding.wav [####      ]  45% " + kOneFile},
        LayoutCase{80, kCjk, 100, kOneFile, "Copying t... 会議の録...いて.dvg [##########] 100% " + kOneFile},
        LayoutCase{60, kAscii, 45, kOneFile, "2024...g.wav [####      ]  45% " + kOneFile},
        // A long total label: the title and the name go before the figures do.
        LayoutCase{80, kLatin, 7, kTotal, "[          ]   7% " + kTotal},
        // The figures are cut at their end, the bar stays.
        LayoutCase{40, kAscii, 45, kOneFile, "[####      ]  45% 3,584.00 / 8,192.0..."},
        LayoutCase{40, kCjk, 100, kTotal, "[##########] 100% 1 of 3 file(s)  To..."},
        // A short line is never padded out.
        LayoutCase{80, "a.dvg", 0, "", "Copying to the recorder a.dvg [                              ]   0%"}),
    [](const auto &info) { return "Columns" + std::to_string(info.param.width) + "_" + std::to_string(info.index); });

// A terminal the test reads and whose clock and width it sets.
struct FakeTerminal {
  std::string screen;
  int columns = 80;
  TerminalJobUi::Clock::time_point now{};

  TerminalJobUi::Terminal terminal() {
    return {[this](std::string_view text) { screen += text; }, [this] { return columns; }, [this] { return now; }};
  }
  // The progress lines drawn so far, in order.
  std::vector<std::string> drawn() const {
    std::vector<std::string> lines;
    for (size_t at = screen.find('\r'); at != std::string::npos; at = screen.find('\r', at + 1)) {
      size_t end = screen.find("\033[K", at);
      lines.push_back(screen.substr(at + 1, end - at - 1));
    }
    return lines;
  }
};

TEST(ProgressRedraw, AboutTenTimesASecondAndAlwaysTheEnd) {
  FakeTerminal t;
  TerminalJobUi ui(nullptr, false, t.terminal());
  ui.progressOpen(kTitle);
  ui.progressLines("", kAscii);
  for (int percent = 1; percent < 100; ++percent) {
    t.now += 10ms;
    ui.progressCurrent(percent, kOneFile);
  }
  t.now += 1ms;
  ui.progressCurrent(100, kOneFile);
  auto lines = t.drawn();
  // One second of updates every 10 ms: the first line, about ten redraws and the end.
  EXPECT_GE(lines.size(), 9u);
  EXPECT_LE(lines.size(), 12u);
  EXPECT_NE(lines.back().find("100%"), std::string::npos) << lines.back();
  for (const auto &line : lines) EXPECT_LE(columnsOf(line), 79) << line;
}

// How the line is left: by closing the progress, by a message or a notice,
// or by the owner of standard error before it writes there.
struct LeaveCase {
  const char *name;
  void (*leave)(TerminalJobUi &);
  const char *after;  // what follows the line
};

void PrintTo(const LeaveCase &c, std::ostream *os) { *os << c.name; }

class HeldBackState : public ::testing::TestWithParam<LeaveCase> {};

TEST_P(HeldBackState, IsDrawnBeforeTheLineIsLeft) {
  FakeTerminal t;
  TerminalJobUi ui(nullptr, false, t.terminal());
  ui.progressOpen(kTitle);
  t.now += 150ms;
  ui.progressCurrent(30, "");
  t.now += 10ms;
  ui.progressCurrent(45, "");  // too soon to draw
  ASSERT_EQ(t.drawn().back().find("45%"), std::string::npos);
  GetParam().leave(ui);
  ASSERT_NE(t.drawn().back().find("45%"), std::string::npos);
  EXPECT_EQ(t.screen.substr(t.screen.rfind("45%")), std::string("45%\033[K\n") + GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, HeldBackState,
    ::testing::Values(LeaveCase{"Close", [](TerminalJobUi &ui) { ui.progressClose(); }, ""},
                      LeaveCase{"Message",
                                [](TerminalJobUi &ui) {
                                  ui.messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg6", MsgKind::Error,
                                                kButtonsOk);
                                },
                                "FM_kind_errormsg1: FM_text_pen_errmsg6\n"},
                      LeaveCase{"Notice", [](TerminalJobUi &ui) { ui.noticeOpen("Reading"); }, "Reading\n"},
                      LeaveCase{"EndLine", [](TerminalJobUi &ui) { ui.endLine(); }, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ProgressRedraw, FollowsTheTerminalsWidthAfterAResize) {
  struct sigaction before {};
  ::sigaction(SIGWINCH, nullptr, &before);
  {
    FakeTerminal t;
    t.columns = 120;
    TerminalJobUi ui(nullptr, false, t.terminal());
    ui.progressOpen(kTitle);
    ui.progressLines("", kAscii);
    t.now += 200ms;
    ui.progressCurrent(10, kOneFile);
    EXPECT_EQ(columnsOf(t.drawn().back()), 119);
    t.columns = 50;
    ASSERT_EQ(std::raise(SIGWINCH), 0);
    t.now += 200ms;
    ui.progressCurrent(20, kOneFile);
    EXPECT_LE(columnsOf(t.drawn().back()), 49) << t.drawn().back();
    EXPECT_NE(t.drawn().back().find("20%"), std::string::npos);
  }
  struct sigaction after {};
  ::sigaction(SIGWINCH, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler) << "the handler before the UI is back";
}

TEST(ProgressRedraw, NothingButMessagesWhenStandardErrorIsNoTerminal) {
  struct sigaction before {};
  ::sigaction(SIGWINCH, nullptr, &before);
  ::testing::internal::CaptureStderr();  // standard error is a file now
  {
    TerminalJobUi ui(nullptr, false);
    struct sigaction during {};
    ::sigaction(SIGWINCH, nullptr, &during);
    EXPECT_EQ(during.sa_handler, before.sa_handler) << "no resize handler without a terminal";
    ui.progressOpen(kTitle);
    ui.progressLines("", kAscii);
    ui.progressCurrent(50, kOneFile);
    ui.noticeOpen("Reading");
    ui.messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg6", MsgKind::Error, kButtonsOk);
    ui.progressCurrent(100, kOneFile);
    ui.progressClose();
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "FM_kind_errormsg1: FM_text_pen_errmsg6\n");
}

}  // namespace
