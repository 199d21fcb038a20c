// The editor's player on a real pane: a small WAV file whose every sample
// tells its own position, a driven virtual output, and the play bar's
// buttons. Checks what reaches the output, where the locator runs, and the
// mouse and keys on the pane's views.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <cstring>
#include <memory>
#include <vector>

#include "../app/QtTestEnvironment.h"
#include "components/wave/VirtualOutput.h"
#include "components/waveedit/WaveWriter.h"
#include "editor/EditorPane.h"
#include "editor/play/EditorPlayer.h"
#include "testsupport/TempDir.h"

namespace wave = components::wave;
using editor::EditorPane;
using editor::EditorPlayer;

namespace {

constexpr int64_t kSamples = 16000;  // two seconds at 8000 Hz
constexpr int64_t kBufferSamples = EditorPlayer::kBufferBytes / 2;

// Sample i holds i (below 32768), so what plays names where it came from.
std::filesystem::path writeFixture(const testsupport::TempDir &dir) {
  std::vector<int16_t> samples(kSamples);
  for (int64_t i = 0; i < kSamples; ++i) samples[i] = static_cast<int16_t>(i);
  components::WaveWriter writer;
  const auto path = dir.path() / "fixture.wav";
  EXPECT_TRUE(writer.create(path, components::WaveFormat::pcm(1, 8000, 16)));
  EXPECT_TRUE(writer.appendSamples(samples.data(), samples.size()));
  EXPECT_TRUE(writer.commit());
  return path;
}

class EditorPlayerTest : public ::testing::Test {
 protected:
  EditorPlayerTest() {
    bar.resize(400, 30);
    controls = {new QToolButton(&bar), new QToolButton(&bar), new QToolButton(&bar), new QCheckBox(&bar),
                new QProgressBar(&bar),  new QProgressBar(&bar)};
    player = std::make_unique<EditorPlayer>(
        [this](wave::DoneQueue &q, wave::BufferListener &l) {
          auto d = std::make_unique<wave::VirtualOutput>(q, l, wave::VirtualOutput::Clock::Driven);
          d->setSink([this](const uint8_t *data, size_t size) {
            for (size_t i = 0; i + 1 < size; i += 2) {
              int16_t s;
              std::memcpy(&s, data + i, 2);
              played.push_back(s);
            }
          });
          device = d.get();
          return d;
        },
        controls);
    const auto path = writeFixture(dir);
    auto cache = std::make_shared<components::waveviews::PeakCache>();
    EXPECT_EQ(cache->build(path.string()), components::waveviews::PeakCache::Result::Done);
    pane.resize(1000, 400);
    pane.QWidget::show();
    EXPECT_TRUE(pane.show(cache, path.string()));
    pane.setActive(true);
    player->setPane(&pane, true);
  }
  ~EditorPlayerTest() override { player.reset(); }

  components::waveviews::WaveViewState &state() { return *pane.state(); }
  void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  // Plays n buffers and lets their notifications arrive.
  void playBuffers(int n) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(device->playNext());
    settle();
  }
  // Waits for a locator tick that shows `frame`.
  bool locatorReaches(int64_t frame) {
    return testsupport::waitUntil([&] { return state().locator() == frame; }, 2000);
  }
  void clickPlay() {
    controls.play->click();
    settle();
  }

  testsupport::TempDir dir;
  QWidget bar;
  editor::PlayControls controls{};
  std::unique_ptr<EditorPlayer> player;
  wave::VirtualOutput *device = nullptr;
  std::vector<int16_t> played;
  EditorPane pane{"CutterPanel", "Edit"};
};

TEST_F(EditorPlayerTest, LocatorRunsOverACutRegionThatIsNotPlayed) {
  state().setCuts({{3000, 1000, 0}, {4000, 500, 0}});  // joined: 3000..4499
  state().setLocator(1000);
  QSignalSpy changed(player.get(), &EditorPlayer::stateChanged);
  clickPlay();
  ASSERT_TRUE(player->playing());
  EXPECT_TRUE(player->locked());
  EXPECT_GE(changed.count(), 1);
  EXPECT_FALSE(controls.play->isEnabled());
  EXPECT_TRUE(controls.pause->isEnabled());
  EXPECT_TRUE(controls.stop->isEnabled());
  EXPECT_FALSE(controls.repeat->isEnabled());
  EXPECT_FALSE(pane.scroller()->isEnabled());

  playBuffers(2);  // 4096 samples: 1000..2999, then 4500..6595
  ASSERT_EQ(played.size(), 2u * kBufferSamples);
  EXPECT_EQ(played[1999], 2999);
  EXPECT_EQ(played[2000], 4500);
  EXPECT_TRUE(locatorReaches(1000 + 4096 + 1500)) << state().locator();
  EXPECT_GT(controls.level1->value(), 0);
  EXPECT_EQ(controls.level1->value(), controls.level2->value());

  controls.stop->click();
  settle();
  EXPECT_FALSE(player->active());
  EXPECT_FALSE(player->locked());
  EXPECT_EQ(state().locator(), 0);  // the working wave's start
  EXPECT_TRUE(controls.play->isEnabled());
  EXPECT_TRUE(controls.repeat->isEnabled());
  EXPECT_TRUE(pane.scroller()->isEnabled());
  EXPECT_EQ(controls.level1->value(), controls.level1->minimum());
}

TEST_F(EditorPlayerTest, PlaySelectionPlaysItWithoutCutsAndStopsAtItsStart) {
  state().setCuts({{3000, 1000, 0}});
  state().setLocator(8000);
  state().setSelection(2500, 9000);
  player->playSelection();
  settle();
  ASSERT_TRUE(player->playing());
  EXPECT_EQ(state().locator(), 2500);
  playBuffers(1);
  EXPECT_EQ(played[600], 3100);  // the region plays in a selection
  ASSERT_TRUE(locatorReaches(2500 + kBufferSamples)) << state().locator();
  controls.stop->click();
  settle();
  EXPECT_FALSE(player->active());
  EXPECT_EQ(state().locator(), 2500);

  // A selection of no length plays nothing.
  state().setSelection(700, 700);
  player->playSelection();
  settle();
  EXPECT_FALSE(player->active());
  EXPECT_EQ(state().locator(), 2500);
}

TEST_F(EditorPlayerTest, PauseKeepsThePlaceAndPlayGoesOn) {
  clickPlay();
  playBuffers(1);
  ASSERT_TRUE(locatorReaches(kBufferSamples));
  controls.pause->click();
  settle();
  EXPECT_FALSE(player->playing());
  EXPECT_TRUE(player->active());
  EXPECT_TRUE(controls.play->isEnabled());
  EXPECT_FALSE(controls.pause->isEnabled());
  EXPECT_EQ(state().locator(), kBufferSamples);
  played.clear();
  clickPlay();
  playBuffers(1);
  EXPECT_EQ(played.front(), kBufferSamples);
}

TEST_F(EditorPlayerTest, PlaysToTheEndAndReturns) {
  state().setLocator(12000);
  clickPlay();
  int guard = 0;
  while (player->active() && guard++ < 100) {
    device->playNext();
    settle();
  }
  EXPECT_FALSE(player->active());
  EXPECT_EQ(played.size(), size_t(kSamples - 12000));
  EXPECT_EQ(state().locator(), 12000);
  EXPECT_TRUE(controls.play->isEnabled());
}

TEST_F(EditorPlayerTest, RepeatLoopsToTheFirstPlayableSample) {
  state().setCuts({{0, 1000, 0}});
  state().setLocator(14000);
  controls.repeat->setChecked(true);
  clickPlay();
  playBuffers(2);  // 2000 samples to the end, then 1000.. on
  EXPECT_EQ(played[1999], kSamples - 1);
  EXPECT_EQ(played[2000], 1000);
  EXPECT_TRUE(locatorReaches(1000 + 2 * kBufferSamples - 2000)) << state().locator();
  EXPECT_TRUE(player->playing());
}

TEST_F(EditorPlayerTest, MouseJumpScrubAndRelease) {
  auto *view = pane.zoomed();
  clickPlay();
  playBuffers(1);
  const QPoint at(view->width() / 2, view->height() / 2);
  const int64_t frame = view->frameAt(at.x());
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at);
  settle();
  EXPECT_EQ(state().locator(), frame);
  EXPECT_FALSE(device->paused());
  played.clear();
  playBuffers(1);
  EXPECT_EQ(played.front(), frame);  // the output starts again at the press

  // Dragging scrubs: the output holds, the locator follows the pointer.
  const QPoint to(view->width() / 4, at.y());
  QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  settle();
  EXPECT_TRUE(device->paused());
  EXPECT_FALSE(player->playing());
  const int64_t scrubbed = view->frameAt(to.x());
  EXPECT_EQ(state().locator(), scrubbed);
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
  settle();
  EXPECT_FALSE(device->paused());
  EXPECT_TRUE(player->playing());
  played.clear();
  playBuffers(1);
  EXPECT_EQ(played.front(), scrubbed);
}

TEST_F(EditorPlayerTest, EdgeDragWhilePlayingAppliesTheSelectionAndPlaysFromIt) {
  auto *view = pane.zoomed();
  state().setSelection(4000, 8000);
  clickPlay();
  playBuffers(1);
  QSignalSpy applied(player.get(), &EditorPlayer::selectionApplied);
  const QPoint edge(static_cast<int>(view->xOf(4000)), 10);
  const QPoint to(static_cast<int>(view->xOf(2000)), 10);
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, edge);
  EXPECT_EQ(player->playback().mouseMode(), 2);
  QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
  settle();
  EXPECT_EQ(applied.count(), 1);
  const int64_t start = state().selectionStart();
  EXPECT_EQ(start, view->frameAt(to.x()));
  EXPECT_EQ(state().selectionEnd(), 8000);
  EXPECT_EQ(state().locator(), start);
  ASSERT_TRUE(player->playing());
  EXPECT_EQ(player->playback().mode(), 1);
  played.clear();
  playBuffers(1);
  EXPECT_EQ(played.front(), start);
  // Choosing the same pane again keeps it playing.
  player->setPane(&pane, true);
  EXPECT_TRUE(player->playing());
}

TEST_F(EditorPlayerTest, RightPressAddsAMarkerAndNoPopupShowsWhilePlaying) {
  auto *view = pane.zoomed();
  QSignalSpy markers(player.get(), &EditorPlayer::addMarkerRequested);
  QSignalSpy popups(view, &components::waveviews::WaveViewBase::contextMenuRequested);
  const QPoint at(100, 10);
  QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, at);
  QContextMenuEvent idleMenu(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
  QApplication::sendEvent(view, &idleMenu);
  EXPECT_EQ(markers.count(), 0);
  EXPECT_EQ(popups.count(), 1);

  clickPlay();
  QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, at);
  QContextMenuEvent playingMenu(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
  QApplication::sendEvent(view, &playingMenu);
  ASSERT_EQ(markers.count(), 1);
  EXPECT_EQ(markers.front().front().value<int64_t>(), view->frameAt(at.x()));
  EXPECT_EQ(popups.count(), 1);
}

TEST_F(EditorPlayerTest, KeysAndTheMiddleButton) {
  auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, k, mods);
    return player->handleKey(&event);
  };
  state().setLocator(kSamples);
  EXPECT_TRUE(key(Qt::Key_PageUp));
  EXPECT_EQ(state().locator(), kSamples);
  EXPECT_TRUE(key(Qt::Key_Home));
  EXPECT_EQ(state().locator(), 0);
  EXPECT_FALSE(key(Qt::Key_Backspace, Qt::AltModifier));  // Undo's shortcut
  QSignalSpy markers(player.get(), &EditorPlayer::addMarkerRequested);
  EXPECT_TRUE(key(Qt::Key_Return));
  EXPECT_EQ(markers.count(), 1);

  EXPECT_TRUE(key(Qt::Key_Space));
  settle();
  EXPECT_TRUE(player->playing());
  // A middle click stops; a long step leaves nothing to play.
  QTest::mouseClick(pane.zoomed(), Qt::MiddleButton, Qt::NoModifier, QPoint(50, 10));
  settle();
  EXPECT_FALSE(player->active());
  player->setEnabled(false);
  EXPECT_FALSE(key(Qt::Key_Space));
  controls.play->click();
  settle();
  EXPECT_FALSE(player->active());
}

TEST_F(EditorPlayerTest, LateEventsAfterStopDoNothing) {
  clickPlay();
  playBuffers(1);
  // Buffers played and their notifications wait in the queue while Stop comes.
  device->playNext();
  controls.stop->click();
  settle();
  EXPECT_FALSE(player->active());
  EXPECT_EQ(state().locator(), 0);
  EXPECT_FALSE(player->locked());
  QTest::qWait(100);  // no tick comes back
  EXPECT_EQ(state().locator(), 0);
}

}  // namespace
