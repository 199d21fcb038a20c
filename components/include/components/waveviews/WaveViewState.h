// The state every view of a pane shares: the wave's length and rate, the
// visible range, the selection, the locator, a secondary cursor, the
// markers, cut regions and volume envelope, grid and snap, and whether the
// pane is active. Setters signal only real changes; views repaint on them.
#pragma once

#include <QObject>
#include <cstdint>

#include "components/waveedit/WaveLists.h"

namespace components::waveviews {

class WaveViewState : public QObject {
  Q_OBJECT
 public:
  explicit WaveViewState(QObject *parent = nullptr);

  // The wave: frames and rate (no wave: length 0).
  int64_t length() const { return length_; }
  int sampleRate() const { return rate_; }
  void setWave(int64_t length, int sampleRate);

  // The frames [rangeStart, rangeEnd) the zoomed views show; end > start.
  int64_t rangeStart() const { return rangeStart_; }
  int64_t rangeEnd() const { return rangeEnd_; }
  void setRange(int64_t start, int64_t end);
  // Moves the range to begin at `start`, keeping its span, within 0..length.
  void scrollTo(int64_t start);

  // A value below 0 in either end, or a start not before the end, is no selection.
  int64_t selectionStart() const { return selStart_; }
  int64_t selectionEnd() const { return selEnd_; }
  bool hasSelection() const { return selStart_ >= 0 && selEnd_ >= 0 && selStart_ < selEnd_; }
  void setSelection(int64_t start, int64_t end);
  void clearSelection() { setSelection(-1, -1); }

  // The locator (play position); below 0: none shown.
  int64_t locator() const { return locator_; }
  void setLocator(int64_t frame);
  // The secondary cursor (shown while a marker is dragged); below 0: none.
  int64_t secondaryCursor() const { return cursor2_; }
  void setSecondaryCursor(int64_t frame);

  const MarkerList &markers() const { return markers_; }
  void setMarkers(const MarkerList &markers);
  const CutList &cuts() const { return cuts_; }
  void setCuts(const CutList &cuts);
  const VolumeEnvelope &envelope() const { return envelope_; }
  void setEnvelope(const VolumeEnvelope &envelope);

  bool gridVisible() const { return grid_; }
  bool snapToGrid() const { return snap_; }
  void setGrid(bool visible, bool snap);

  // Active panes draw button-face backgrounds, inactive ones silver.
  bool isActive() const { return active_; }
  void setActive(bool active);

  // Back to no wave: range 0..44100, no selection, locator or cursor, empty lists.
  void reset();

 signals:
  void waveChanged();
  void rangeChanged(int64_t start, int64_t end);
  void selectionChanged(int64_t start, int64_t end);
  void locatorChanged(int64_t frame);
  void secondaryCursorChanged(int64_t frame);
  void markersChanged();
  void cutsChanged();
  void envelopeChanged();
  void gridChanged();
  void activeChanged(bool active);

 private:
  int64_t length_ = 0;
  int rate_ = 8000;
  int64_t rangeStart_ = 0;
  int64_t rangeEnd_ = 44100;
  int64_t selStart_ = -1;
  int64_t selEnd_ = -1;
  int64_t locator_ = -1;
  int64_t cursor2_ = -1;
  MarkerList markers_;
  CutList cuts_;
  VolumeEnvelope envelope_;
  bool grid_ = false;
  bool snap_ = false;
  bool active_ = false;
};

}  // namespace components::waveviews
