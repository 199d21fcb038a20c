// One pane of the editor window: its title row of buttons and file name,
// and its views (range scroller, overview with its ruler, zoomed waveform
// with its ruler, envelope view, marker strip) over one shared view state,
// with the working wave and the lists it carries.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <memory>

#include "components/waveedit/WaveLists.h"
#include "components/waveedit/WaveObject.h"
#include "components/waveviews/EnvelopeView.h"
#include "components/waveviews/MarkerStrip.h"
#include "components/waveviews/PeakCache.h"
#include "components/waveviews/RangeScroller.h"
#include "components/waveviews/TimeRuler.h"
#include "components/waveviews/WaveViewState.h"
#include "components/waveviews/WaveformView.h"

namespace editor {

class EditorPane : public QFrame {
  Q_OBJECT
 public:
  // name: what screen readers call the pane ("Edit", "Reference").
  EditorPane(const QString &objectName, const QString &name, QWidget *parent = nullptr);

  // The title row; the window fills it with its buttons.
  QWidget *titleRow() const { return titleRow_; }
  QToolButton *addButton(const char *objectName, const QString &text);
  void addLabel(QLabel *label);
  QLabel *fileNameField() const { return fileName_; }

  components::waveviews::WaveViewState *state() const { return state_; }
  components::waveviews::RangeScroller *scroller() const { return scroller_; }
  components::waveviews::TimeRuler *fullRuler() const { return fullRuler_; }
  components::waveviews::OverviewView *overview() const { return overview_; }
  components::waveviews::TimeRuler *zoomRuler() const { return zoomRuler_; }
  components::waveviews::WaveformView *zoomed() const { return zoomed_; }
  components::waveviews::EnvelopeView *envelope() const { return envelope_; }
  components::waveviews::MarkerStrip *markerStrip() const { return markers_; }

  // The working wave; its lists are the view state's.
  components::WaveObject &working() { return working_; }
  const std::shared_ptr<components::waveviews::PeakCache> &cache() const { return cache_; }

  // A new display: the cache that was built, the file opened as the
  // working wave, the ranges and lists of a fresh load. False when the
  // file cannot be opened.
  bool show(std::shared_ptr<components::waveviews::PeakCache> cache, const std::string &path);
  // No file: range 0..44100, nothing selected, no trace, no lists.
  void empty();

  // Drawn active (yellow frame) or inactive; views enabled with it.
  void setActive(bool active);
  // The envelope view and its splitter handle, shown together.
  void setEnvelopeVisible(bool visible);
  bool envelopeVisible() const;

 private:
  void attachLists();

  QWidget *titleRow_;
  QLabel *fileName_;
  components::waveviews::WaveViewState *state_;
  components::waveviews::RangeScroller *scroller_;
  components::waveviews::TimeRuler *fullRuler_;
  components::waveviews::OverviewView *overview_;
  components::waveviews::TimeRuler *zoomRuler_;
  components::waveviews::WaveformView *zoomed_;
  components::waveviews::EnvelopeView *envelope_;
  components::waveviews::MarkerStrip *markers_;
  QSplitter *splitter_;
  std::shared_ptr<components::waveviews::PeakCache> cache_;
  components::WaveObject working_;
  bool active_ = false, activeKnown_ = false;
};

}  // namespace editor
