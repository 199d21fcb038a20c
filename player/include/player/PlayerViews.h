// What the players ask of the main window, in four small interfaces: the
// display strip, the transport buttons, the timers and posted events, and the
// lists with the save question. The window implements them over its display
// strip, player toolbar and file lists; tests implement them with doubles.
// Message boxes go through components::JobUi. Everything runs on the main
// thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "player/Levels.h"
#include "player/TransportState.h"

namespace player {

// The display strip and the position slider.
class PlayDisplay {
 public:
  virtual ~PlayDisplay() = default;
  // m_LblPlayKind: "DVG", "WAV", "MP3" or "VBR".
  virtual void showPlayKind(std::string_view text) = 0;
  // m_LPnlBitUp and m_LPnlBitDown, followed by "Kbps": 8 and 0 for voice.
  virtual void showBitRate(int64_t whole, int64_t tenths) = 0;
  // m_LedMode.
  virtual void showStereo(bool stereo) = 0;
  // m_LblTotalHour, m_LblTotalMin, m_LblTotalSec.
  virtual void showTotalTime(int64_t hours, int64_t minutes, int64_t seconds) = 0;
  // m_DigitHH1, m_DigitMM1, m_DigitSS1; called only when a group changes.
  virtual void showElapsedTime(int64_t hours, int64_t minutes, int64_t seconds) = 0;
  // m_SldPlayPosition, 0..100.
  virtual void showPosition(int percent) = 0;
  // m_ScrFileName: scrolls the name once.
  virtual void showFileName(std::string_view name) = 0;
  // The two level meters and the spectrum.
  virtual void showLevels(const LevelFrame &frame) = 0;
  // m_PnlRetryCount (the damaged reads of the recorder's checked read).
  virtual void showRetryPanel(bool visible) = 0;
};

// m_BtnSPRecord, m_BtnPlay, m_BtnPause: SetPlayAndRecButton's table.
class TransportButtons {
 public:
  virtual ~TransportButtons() = default;
  // Enables or disables each button that the change names.
  virtual void setButtons(const ButtonChange &change) = 0;
};

// Timers and posted events of the window's event loop.
class PlayerEvents {
 public:
  virtual ~PlayerEvents() = default;
  // m_TimPlayDisplay, 100 ms: each tick calls Player::OnTimPlayDisplayTimer.
  virtual void runDisplayTimer(bool running) = 0;
  // m_MpegTimer, 30 ms: each tick calls Player::OnMpegTimer.
  virtual void runMpegTimer(bool running) = 0;
  // Runs event on the main thread once the current event has returned
  // (never from within this call), and never after the player is gone.
  virtual void post(std::function<void()> event) = 0;
};

// The file lists and the save dialog.
class PlayerLists {
 public:
  virtual ~PlayerLists() = default;
  // 0 when the PC list is the active list, else the recorder folder 1..8
  // that the recorder list shows.
  virtual int activeList() const = 0;
  // The folder the PC list shows (m_EtDirectoryPath).
  virtual std::filesystem::path pcFolder() const = 0;
  // The file name of the PC list's selected item; nothing without a selection.
  virtual std::optional<std::string> pcSelectedName() const = 0;
  // The recorder list's selected recording, counted from 0 in the active
  // folder's directory; nothing without a selection.
  virtual std::optional<int> recorderSelectedIndex() const = 0;
  // Reads the PC list's folder again (a recording was saved).
  virtual void refreshPcList() = 0;
  // m_SaveDialog: "Save DVG file", filter "Dvg-Files(*.dvg)|*.dvg", default
  // extension "DVG", asking before it overwrites; starts in startFolder.
  // The chosen path, or nothing when cancelled.
  virtual std::optional<std::filesystem::path> askSavePath(const std::filesystem::path &startFolder) = 0;
};

}  // namespace player
