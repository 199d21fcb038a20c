// The play display of a terminal: the running time "H:MM:SS / H:MM:SS"
// (the total left out while recording) on a descriptor, standard error by
// default. On a terminal the line is redrawn in place whenever the time
// changes; elsewhere only the final line is written, by finish(). The rest
// of the display strip (kind, bit rate, levels) is not shown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "player/DisplayMath.h"
#include "player/PlayerViews.h"

namespace player {

class TerminalDisplay final : public PlayDisplay {
 public:
  // terminal: whether to redraw in place; by default whether fd is a terminal.
  explicit TerminalDisplay(int fd = 2, std::optional<bool> terminal = std::nullopt);

  void showPlayKind(std::string_view) override {}
  void showBitRate(int64_t, int64_t) override {}
  void showStereo(bool) override {}
  void showTotalTime(int64_t hours, int64_t minutes, int64_t seconds) override;
  void showElapsedTime(int64_t hours, int64_t minutes, int64_t seconds) override;
  void showPosition(int) override {}
  void showFileName(std::string_view) override {}
  void showLevels(const LevelFrame &) override {}
  void showRetryPanel(bool) override {}

  // Keeps the time shown from now on (the player's Stop sets the digits
  // back to 0 after the end).
  void hold() { held_ = true; }
  // Shows the total as the time played: the playback reached its end.
  void showComplete();
  // Writes the final line (on a terminal: ends the line drawn in place)
  // and holds the time. Once; nothing when no time was shown.
  void finish();
  // A new run: nothing shown, nothing held.
  void reset();
  // Ends a line drawn in place so that a message starts a line of its own.
  void endLine();

  // "H:MM:SS / H:MM:SS", or "H:MM:SS" without a total.
  std::string line() const;
  bool shown() const { return elapsed_.has_value(); }

 private:
  void draw();
  void write(const std::string &text) const;

  int fd_;
  bool terminal_;
  bool held_ = false;
  bool finished_ = false;
  bool drawnOnLine_ = false;
  std::optional<Clock> elapsed_, total_;
};

// "H:MM:SS"
std::string clockText(const Clock &clock);

}  // namespace player
