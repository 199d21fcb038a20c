#include "editor/play/EditorPlayer.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "editor/EditorPane.h"

namespace editor {

namespace {
constexpr int kClickPixels = 3;  // a middle press that moves less is a click
}

// The output, its feed's reader and the play bar, for the state machine.
class EditorPlayer::Ports final : public play::Output, public play::Source, public play::Bar {
 public:
  explicit Ports(EditorPlayer &player) : p_(player) {}

  // ---- Output ----
  bool start() override {
    if (!p_.pane_) return false;
    const uint32_t rate = p_.pane_->working().format().sampleRate;
    const uint64_t session = p_.playback_.session();
    p_.pump_.setOnStarted([this, session] { p_.playback_.outputStarted(session); });
    p_.pump_.setOnPlayedOut([this, session] { p_.playback_.outputPlayedOut(session); });
    return p_.pump_.start(components::wave::PcmFormat{1, rate, 16}, kBufferBytes);
  }
  void restart() override {
    // An output that has played out takes a new start.
    if (p_.pump_.isStarted()) {
      p_.pump_.discard();
      return;
    }
    start();
  }
  void pause() override { p_.pump_.pause(); }
  void resume() override { p_.pump_.resume(); }
  void stop() override {
    p_.pump_.stop();
    // The next session reads the file afresh (an edit or a save may have replaced it).
    reader_.close();
  }
  int64_t samplesPlayed() const override { return static_cast<int64_t>(p_.pump_.playedBytes() / 2); }

  // ---- Source ----
  void seek(int64_t position, int64_t end, const components::CutList *cuts) override {
    if (!p_.pane_) return;
    components::WaveObject &working = p_.pane_->working();
    if (!working.isOpen()) return;
    if (!reader_.isOpen() || reader_.fileName() != working.fileName()) {
      reader_.close();
      if (reader_.open(working.fileName()) != components::WaveOpen::Ok) return;
    }
    reader_.setRange(working.start(), end);
    reader_.attachCuts(cuts);
    reader_.setPosition(position - working.start());
  }
  size_t read(int16_t *samples, size_t count) override {
    return reader_.isOpen() ? reader_.read(samples, count) : 0;
  }

  // ---- Bar ----
  bool repeatChecked() const override { return p_.controls_.repeat && p_.controls_.repeat->isChecked(); }
  void showState(play::BarState state) override {
    const PlayControls &c = p_.controls_;
    if (c.play) c.play->setEnabled(state != play::BarState::Playing);
    if (c.pause) c.pause->setEnabled(state != play::BarState::Paused);
    if (c.stop) c.stop->setEnabled(true);
    if (c.repeat) c.repeat->setEnabled(state != play::BarState::Playing);
    if (state != play::BarState::Playing) {
      for (QProgressBar *m : {c.level1, c.level2})
        if (m) m->setValue(m->minimum());
    }
    if (p_.barKnown_ && p_.barState_ == state) return;
    p_.barKnown_ = true;
    p_.barState_ = state;
    emit p_.stateChanged();
  }
  void setLocatorTimer(bool running, uint64_t session) override {
    p_.tickSession_ = session;
    if (running)
      p_.timer_.start();
    else
      p_.timer_.stop();
  }

 private:
  EditorPlayer &p_;
  components::WaveObject reader_;
};

// The active pane for the state machine.
class EditorPlayer::PaneAdapter final : public play::Pane {
 public:
  PaneAdapter(EditorPlayer &player, EditorPane &pane, bool edit) : p_(player), pane_(pane), edit_(edit) {}

  int64_t waveStart() const override { return pane_.working().isOpen() ? pane_.working().start() : 0; }
  int64_t waveEnd() const override { return pane_.working().isOpen() ? pane_.working().end() : 0; }
  const components::CutList &cuts() const override { return pane_.state()->cuts(); }
  bool isEditPane() const override { return edit_; }

  int64_t locator() const override { return pane_.state()->locator(); }
  void setLocator(int64_t frame) override { pane_.state()->setLocator(frame); }
  int64_t selectionStart() const override { return pane_.state()->selectionStart(); }
  int64_t selectionEnd() const override { return pane_.state()->selectionEnd(); }

  play::ViewGeometry geometry() const override {
    const auto *s = pane_.state();
    return {s->rangeStart(), s->rangeEnd(), std::max(1, pane_.zoomed()->width()), s->length(), s->sampleRate(),
            pane_.zoomed()->halfSteps()};
  }
  void scrollTo(int64_t rangeStart) override { pane_.state()->scrollTo(rangeStart); }
  bool scrollerDragging() const override { return pane_.scroller()->isDragging(); }

  void setLocked(bool locked) override {
    pane_.zoomed()->setTrackMode(locked);
    pane_.zoomed()->unsetCursor();
    pane_.scroller()->setEnabled(!locked && pane_.state()->isActive());
  }
  void selectionApplied() override { emit p_.selectionApplied(); }
  void addMarker(int64_t frame) override { emit p_.addMarkerRequested(frame); }

 private:
  EditorPlayer &p_;
  EditorPane &pane_;
  bool edit_;
};

EditorPlayer::EditorPlayer(components::PlaybackPump::DeviceFactory factory, PlayControls controls, QObject *parent)
    : QObject(parent),
      controls_(controls),
      pump_(queue_, std::move(factory), kBuffers),
      ports_(std::make_unique<Ports>(*this)),
      playback_(*ports_, *ports_, *ports_) {
  // The device's buffers and the pump's events come back here.
  if (queue_.descriptor() >= 0) {
    queueNotifier_ = std::make_unique<QSocketNotifier>(queue_.descriptor(), QSocketNotifier::Read);
    connect(queueNotifier_.get(), &QSocketNotifier::activated, this, [this] { queue_.dispatch(); });
  }
  pump_.setFeed([this](uint8_t *data, size_t capacity) {
    return playback_.feed(reinterpret_cast<int16_t *>(data), capacity / 2) * 2;
  });
  pump_.setTap([this](const uint8_t *data, size_t size, const components::wave::PcmFormat &) { showLevel(data, size); });
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, [this] { playback_.tick(tickSession_); });
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  playback_.setClock([clock] { return clock->elapsed(); });

  if (controls_.play) connect(controls_.play, &QToolButton::clicked, this, &EditorPlayer::play);
  if (controls_.pause) connect(controls_.pause, &QToolButton::clicked, this, &EditorPlayer::pause);
  if (controls_.stop) connect(controls_.stop, &QToolButton::clicked, this, &EditorPlayer::stop);
  ports_->showState(play::BarState::Idle);
}

EditorPlayer::~EditorPlayer() {
  playback_.setPane(nullptr);
  disconnectPane();
  pump_.stop();
  queueNotifier_.reset();
}

void EditorPlayer::setPane(EditorPane *pane, bool editPane) {
  if (pane == pane_ && editPane == editPane_) return;  // the same pane again plays on
  playback_.setPane(nullptr);  // stops, and unlocks the pane that played
  disconnectPane();
  pane_ = pane;
  editPane_ = editPane;
  paneAdapter_.reset();
  if (!pane_) return;
  paneAdapter_ = std::make_unique<PaneAdapter>(*this, *pane_, editPane);
  playback_.setPane(paneAdapter_.get());
  connectPane();
}

void EditorPlayer::connectPane() {
  auto *view = pane_->zoomed();
  using components::waveviews::WaveformView;
  paneConnections_.push_back(connect(view, &WaveformView::trackBegin, this, [this](int64_t frame) {
    playback_.mousePress(frame, play::Edge::None);
  }));
  paneConnections_.push_back(
      connect(view, &WaveformView::tracking, this, [this](int64_t frame) { playback_.mouseMove(frame); }));
  paneConnections_.push_back(
      connect(view, &WaveformView::trackEnd, this, [this](int64_t frame) { playback_.mouseRelease(frame); }));
  paneConnections_.push_back(connect(view, &WaveformView::selectEnd, this, [this](int64_t start, int64_t) {
    if (playback_.mouseMode() == 2 || playback_.mouseMode() == 3) playback_.mouseRelease(start);
  }));
  for (QObject *w : std::initializer_list<QObject *>{pane_->zoomed(), pane_->overview(), pane_->markerStrip(),
                                                     pane_->fullRuler(), pane_->zoomRuler(), pane_->envelope()}) {
    w->installEventFilter(this);
    filtered_.push_back(w);
  }
}

void EditorPlayer::disconnectPane() {
  for (auto &c : paneConnections_) disconnect(c);
  paneConnections_.clear();
  for (QObject *w : filtered_) w->removeEventFilter(this);
  filtered_.clear();
  middleView_ = nullptr;
}

bool EditorPlayer::eventFilter(QObject *watched, QEvent *event) {
  auto *view = qobject_cast<components::waveviews::WaveViewBase *>(watched);
  if (!view || !pane_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::ContextMenu:
      // No pop-ups while playing.
      return playback_.locked();
    case QEvent::MouseButtonPress: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      const int x = static_cast<int>(mouse->position().x());
      if (mouse->button() == Qt::MiddleButton) {
        middleView_ = watched;
        middleX_ = x;
        return false;
      }
      if (mouse->button() == Qt::RightButton) return playback_.rightPress(view->frameAt(x));
      if (mouse->button() == Qt::LeftButton && watched == pane_->zoomed() && playback_.playing()) {
        // A press on a selection edge drags it; the view then moves the edge.
        using Edge = components::waveviews::WaveformView::Edge;
        const Edge edge = pane_->zoomed()->edgeAt(x);
        if (edge != Edge::None)
          playback_.mousePress(view->frameAt(x),
                               edge == Edge::SelectionStart ? play::Edge::SelectionStart : play::Edge::SelectionEnd);
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() != Qt::MiddleButton || middleView_ != watched) return false;
      middleView_ = nullptr;
      // A middle click plays or stops, as Space does; a middle drag zooms.
      if (std::abs(static_cast<int>(mouse->position().x()) - middleX_) < kClickPixels)
        playback_.key(play::NavKey::PlayStop);
      return false;
    }
    default: return QObject::eventFilter(watched, event);
  }
}

void EditorPlayer::play() { playback_.play(); }
void EditorPlayer::playSelection() { playback_.playSelection(); }
void EditorPlayer::pause() { playback_.pause(); }
void EditorPlayer::stop() { playback_.stop(); }
bool EditorPlayer::active() const { return playback_.active(); }
bool EditorPlayer::playing() const { return playback_.playing(); }
bool EditorPlayer::locked() const { return playback_.locked(); }
void EditorPlayer::setEnabled(bool enabled) { playback_.setEnabled(enabled); }

bool EditorPlayer::handleKey(QKeyEvent *event) {
  // Shortcuts with Ctrl or Alt (Alt+Backspace is Undo) are the menus'.
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  play::NavKey key;
  switch (event->key()) {
    case Qt::Key_Space:
      if (event->isAutoRepeat()) return true;  // holding Space does not toggle on and on
      key = play::NavKey::PlayStop;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter: key = play::NavKey::Enter; break;
    case Qt::Key_Backspace: key = play::NavKey::Backspace; break;
    case Qt::Key_PageUp: key = play::NavKey::PageUp; break;
    case Qt::Key_PageDown: key = play::NavKey::PageDown; break;
    case Qt::Key_End: key = play::NavKey::End; break;
    case Qt::Key_Home: key = play::NavKey::Home; break;
    case Qt::Key_Left: key = play::NavKey::Left; break;
    case Qt::Key_Right: key = play::NavKey::Right; break;
    default: return false;
  }
  return playback_.key(key);
}

void EditorPlayer::showLevel(const uint8_t *data, size_t size) {
  // Mono: both meters show the peak of the buffer that has just played.
  int peak = 0;
  for (size_t i = 0; i + 1 < size; i += 2) {
    int16_t s;
    std::memcpy(&s, data + i, 2);
    peak = std::max(peak, std::abs(static_cast<int>(s)));
  }
  for (QProgressBar *m : {controls_.level1, controls_.level2}) {
    if (!m) continue;
    m->setValue(m->minimum() + static_cast<int>(int64_t(peak) * (m->maximum() - m->minimum()) / 32768));
  }
}

}  // namespace editor
