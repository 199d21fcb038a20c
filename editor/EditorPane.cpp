#include "editor/EditorPane.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace editor {

using namespace components::waveviews;

EditorPane::EditorPane(const QString &objectName, const QString &name, QWidget *parent) : QFrame(parent) {
  setObjectName(objectName);
  setFrameShape(QFrame::Box);
  setLineWidth(2);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);

  titleRow_ = new QWidget(this);
  auto *row = new QHBoxLayout(titleRow_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  fileName_ = new QLabel(titleRow_);
  fileName_->setFrameShape(QFrame::StyledPanel);
  fileName_->setMinimumWidth(60);
  fileName_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  row->addStretch(0);
  layout->addWidget(titleRow_);

  state_ = new WaveViewState(this);
  scroller_ = new RangeScroller(state_, this);
  layout->addWidget(scroller_);

  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setChildrenCollapsible(false);
  auto *full = new QWidget(splitter_);
  auto *fullLayout = new QVBoxLayout(full);
  fullLayout->setContentsMargins(0, 0, 0, 0);
  fullLayout->setSpacing(0);
  fullRuler_ = new TimeRuler(state_, WaveViewBase::Span::Whole, full);
  overview_ = new OverviewView(state_, full);
  overview_->setMinimumHeight(50);
  overview_->setMaximumHeight(50);
  fullLayout->addWidget(fullRuler_);
  fullLayout->addWidget(overview_);
  auto *zoom = new QWidget(splitter_);
  auto *zoomLayout = new QVBoxLayout(zoom);
  zoomLayout->setContentsMargins(0, 0, 0, 0);
  zoomLayout->setSpacing(0);
  zoomRuler_ = new TimeRuler(state_, WaveViewBase::Span::Visible, zoom);
  zoomed_ = new WaveformView(state_, zoom);
  zoomed_->setMinimumHeight(50);
  zoomLayout->addWidget(zoomRuler_);
  zoomLayout->addWidget(zoomed_, 1);
  envelope_ = new EnvelopeView(state_, splitter_);
  envelope_->setMinimumHeight(20);
  splitter_->addWidget(full);
  splitter_->addWidget(zoom);
  splitter_->addWidget(envelope_);
  splitter_->setStretchFactor(1, 1);
  layout->addWidget(splitter_, 1);
  markers_ = new MarkerStrip(state_, this);
  layout->addWidget(markers_);
  setEnvelopeVisible(false);

  setAccessibleName(name + " pane");
  scroller_->setAccessibleName(name + " range");
  fullRuler_->setAccessibleName(name + " overview ruler");
  overview_->setAccessibleName(name + " overview");
  zoomRuler_->setAccessibleName(name + " ruler");
  zoomed_->setAccessibleName(name + " waveform");
  envelope_->setAccessibleName(name + " envelope");
  markers_->setAccessibleName(name + " markers");
  attachLists();
}

QToolButton *EditorPane::addButton(const char *objectName, const QString &text) {
  auto *button = new QToolButton(titleRow_);
  button->setObjectName(objectName);
  button->setText(text);
  button->setAutoRaise(true);
  auto *row = static_cast<QHBoxLayout *>(titleRow_->layout());
  row->insertWidget(row->count() - 1, button);
  return button;
}

void EditorPane::addLabel(QLabel *label) {
  auto *row = static_cast<QHBoxLayout *>(titleRow_->layout());
  row->insertWidget(row->count() - 1, label);
}

void EditorPane::attachLists() {
  working_.attachCuts(&state_->cuts());
  working_.attachMarkers(&state_->markers());
  working_.attachEnvelope(&state_->envelope());
}

bool EditorPane::show(std::shared_ptr<PeakCache> cache, const std::string &path) {
  if (working_.open(path) != components::WaveOpen::Ok) return false;
  cache_ = std::move(cache);
  const int64_t length = working_.dataSamples();
  state_->reset();
  state_->setWave(length, static_cast<int>(working_.format().sampleRate));
  state_->setRange(0, std::max<int64_t>(length, 1));
  state_->setLocator(0);
  // A fresh file: unity from the first sample to the last.
  state_->setEnvelope({{0, components::kUnityVolume}, {length, components::kUnityVolume}});
  attachLists();
  zoomed_->setPeakCache(cache_);
  overview_->setPeakCache(cache_);
  return true;
}

void EditorPane::empty() {
  working_.close();
  zoomed_->setPeakCache(nullptr);
  overview_->setPeakCache(nullptr);
  cache_.reset();
  state_->reset();
  fileName_->clear();
  setEnvelopeVisible(false);
}

void EditorPane::setActive(bool active) {
  // Called on every selection change: restyle only when the state changes.
  if (activeKnown_ && active_ == active) return;
  activeKnown_ = true;
  active_ = active;
  state_->setActive(active);
  // The frame alone turns yellow; the title row keeps its colours.
  setStyleSheet(active ? QString("QFrame#%1 { border: 2px solid yellow; }").arg(objectName()) : QString());
  for (QWidget *w : std::initializer_list<QWidget *>{scroller_, fullRuler_, overview_, zoomRuler_, zoomed_,
                                                     envelope_, markers_})
    w->setEnabled(active);
}

void EditorPane::setEnvelopeVisible(bool visible) {
  envelope_->setVisible(visible);
  if (splitter_->count() > 2) splitter_->handle(2)->setVisible(visible);
}

bool EditorPane::envelopeVisible() const { return !envelope_->isHidden(); }

}  // namespace editor
