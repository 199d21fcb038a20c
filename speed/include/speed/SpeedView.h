// What the speed player's logic sees of its window: the dialogs, the wave
// area (the positions every panel shares, in sample frames, -1 for none),
// the controls and the status bar. Tform_speed implements it; tests
// implement it with plain fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace speed {

struct FrameSpan {
  int64_t start = -1, end = -1;
  // A selection whose start is not before its end selects nothing.
  bool valid() const { return start >= 0 && start < end; }
  bool operator==(const FrameSpan &) const = default;
};

// The shown wave, as the views read it.
struct WaveFacts {
  int64_t frames = 0;
  uint32_t rate = 0;
  int bits = 0;
  int channels = 0;
};

class SpeedView {
 public:
  virtual ~SpeedView() = default;

  // Dialogs. The save dialog asks before it names an existing file.
  virtual std::optional<std::string> askOpenFile() = 0;
  virtual std::optional<std::string> askSaveFile(const std::string &preset) = 0;
  // An error box with OK; caption and text are keys.
  virtual void errorBox(std::string_view captionKey, std::string_view textKey) = 0;

  // The wave area. loadWave opens the file for the views and builds their
  // displays with the gauge and its Cancel; the area is disabled meanwhile.
  enum class Load { Loaded, Cancelled, Failed };
  virtual Load loadWave(const std::string &path, const std::string &shownName, WaveFacts &facts) = 0;
  // Closes the shown wave: every panel back to 0 ... 44 100, nothing marked.
  virtual void closeWave() = 0;
  virtual int64_t locator() const = 0;
  virtual void setLocator(int64_t frame) = 0;
  virtual FrameSpan markers() const = 0;  // A and B
  virtual void setMarkers(FrameSpan markers) = 0;
  virtual FrameSpan selection() const = 0;
  virtual void setSelection(FrameSpan selection) = 0;
  virtual FrameSpan zoom() const = 0;  // the part the zoomed view shows
  virtual void setZoom(FrameSpan zoom) = 0;
  virtual int zoomWidth() const = 0;   // the zoomed view's width in pixels
  // Playing locks the area: no range changes, no pop-up menus.
  virtual void lockWaveArea(bool locked) = 0;

  // Controls.
  virtual void setButtonState(int state) = 0;  // 0, 1, 2 as set_palybackbutton
  virtual void enablePlaybackControls(bool enabled) = 0;
  virtual void setTimerRunning(bool running) = 0;
  virtual int speedSlider() const = 0;
  virtual bool repeatChecked() const = 0;

  // Status bar.
  virtual void showTime(const std::string &time) = 0;    // StatusTime
  virtual void showLength(const std::string &time) = 0;  // m_PnlTotalTime
  virtual void showFile(const std::string &name, const std::string &rate, const std::string &bits) = 0;
};

}  // namespace speed
