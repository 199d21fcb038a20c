// What every view of a pane has in common: the shared state, the frames it
// shows (the visible range or the whole wave) and their mapping to pixels,
// the colours of an active, inactive or disabled pane, and the context-menu
// request that the window answers with its pop-ups.
#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>
#include <cstdint>

#include "components/waveviews/FrameMapping.h"
#include "components/waveviews/WaveViewState.h"

namespace components::waveviews {

class WaveViewBase : public QWidget {
  Q_OBJECT
 public:
  enum class Span { Visible, Whole };

  WaveViewState *state() const { return state_; }
  Span span() const { return span_; }
  void setSpan(Span span);

  // The frames shown: the state's range, or 0..length for the whole wave
  // (0..44100 with no wave).
  int64_t viewStart() const;
  int64_t viewEnd() const;
  FrameMapping mapping() const;
  // The frame under pixel x, within viewStart()..viewEnd().
  int64_t frameAt(int x) const;
  // The x of a frame's left edge.
  double xOf(int64_t frame) const;

  // The background: button face when the pane is active, silver when it is
  // not; the trace colour dims while the view is disabled.
  QColor backgroundColor() const;
  QColor traceColor() const;

 signals:
  // A right click (or the menu key): the window shows its pop-up there.
  void contextMenuRequested(QPoint globalPos, int64_t frame);

 protected:
  WaveViewBase(WaveViewState *state, Span span, QWidget *parent);
  void contextMenuEvent(QContextMenuEvent *event) override;
  void changeEvent(QEvent *event) override;
  // Called when what the view shows changed shape (range, wave, colours);
  // views with cached pictures drop them here.
  virtual void invalidate() { update(); }

 private:
  WaveViewState *state_;
  Span span_;
};

}  // namespace components::waveviews
