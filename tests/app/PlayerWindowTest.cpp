// The players in the main window, on virtual devices whose every buffer
// plays when the test says: a recording played straight from the recorder
// by a double click (display, buttons, pause, resume, seek, stop, playing
// out, a pulled cable), PC files of each kind by Enter, the pop-up items,
// recording and saving through the save question, the toolbar's sliders,
// and Play on a machine without an output device.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include "QtTestEnvironment.h"
#include "WindowOptions.h"
#include "SoundFiles.h"
#include "app/MainWindow.h"
#include "app/PcSide.h"
#include "app/PlayerSide.h"
#include "app/PlayerToolbar.h"
#include "app/Startup.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcPanel.h"
#include "app/recorder/RecorderJobs.h"
#include "app/recorder/RecorderMenu.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"
#include "components/ScriptedJobUi.h"
#include "components/display/ChannelLed.h"
#include "components/display/LedNumber.h"
#include "components/display/LedText.h"
#include "components/display/LevelMeter.h"
#include "components/display/ScrollingText.h"
#include "components/wave/OutputGain.h"
#include "components/wave/VirtualInput.h"
#include "components/wave/VirtualOutput.h"
#include "q417io.h"
#include "q417io/Flash.h"
#include "recorder/jobs/DefaultImage.h"
#include "testsupport/DrivenOutputs.h"
#include "testsupport/Files.h"
#include "testsupport/MemoryFlashIo.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::waitUntil;
namespace wave = components::wave;

namespace {

constexpr double kRecordingSeconds = 10;

class PlayerWindow : public testing::Test {
 protected:
  // A recorder holding memo.DVG in folder A, and the window over it.
  void start(bool outputDevice = true) {
    flash = q417io::Flash::inMemory(1024);
    memory = std::make_unique<recorder::MemoryFlashIo>(*flash);
    const fs::path memo = soundfiles::makeVoice(dir.path(), "memo.dvg", kRecordingSeconds);
    ASSERT_EQ(testsupport::fillRecorder(*flash, *memory, {{1, memo}}), "");

    app::StartupOptions o = testsupport::windowTestOptions(dir.path(), *memory);
    o.audio = [this, outputDevice] {
      app::PlayerDevices d;
      d.outputDevice = outputDevice;
      d.makeOutput = outputs.factory();
      d.makeInput = [this](wave::DoneQueue &q, wave::BufferListener &l) -> std::unique_ptr<wave::InputDevice> {
        auto device = std::make_unique<wave::VirtualInput>(q, l, wave::VirtualInput::Clock::Driven);
        // It hears a square wave at half of full scale.
        device->setSource([n = size_t(0)](uint8_t *data, size_t size) mutable {
          for (size_t i = 0; i + 1 < size; i += 2, ++n) {
            const int16_t v = (n / 10) % 2 ? 16000 : -16000;
            data[i] = uint8_t(uint16_t(v) & 0xFF);
            data[i + 1] = uint8_t(uint16_t(v) >> 8);
          }
        });
        input = device.get();
        return device;
      };
      return d;
    };
    quillorn = std::make_unique<app::Quillorn>(o);
    ASSERT_EQ(quillorn->start(), app::Quillorn::Outcome::Running);
    main = quillorn->main();
    main->OnTimUSBAutoConnectTimer();
    toolbar = main->m_MainToolBar;
    strip = main->panel_layer1;
    side = app::PlayerSide::of(*main);
    recorderWidget = app::RecorderSide::of(*main)->widget();
    pc = app::PcSide::of(*main)->panel();
    ASSERT_TRUE(side);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    // A message no test expects is closed and fails the test.
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      if (QWidget *modal = QApplication::activeModalWidget()) {
        if (expectingBox) return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        unexpected.push_back(box ? box->text().toStdString() : modal->objectName().toStdString());
        modal->close();
      }
    });
    watchdog.start(100);
  }
  ~PlayerWindow() override {
    EXPECT_TRUE(unexpected.empty()) << testing::PrintToString(unexpected);
    quillorn.reset();
  }

  // The buttons as SetPlayAndRecButton left them: record, play, pause.
  std::array<bool, 3> buttons() const {
    return {toolbar->m_BtnSPRecord->isEnabled(), toolbar->m_BtnPlay->isEnabled(), toolbar->m_BtnPause->isEnabled()};
  }
  static constexpr std::array<bool, 3> kIdle{true, true, true}, kPlaying{false, false, true},
      kPaused{false, true, false}, kRecording{false, false, true};

  QString elapsed() const { return strip->elapsed()->text(); }
  QString total() const { return strip->total()->text(); }
  wave::VirtualOutput *voiceOutput() const { return outputs.devices.front(); }

  // Lets the display timer tick and the posted events run.
  static void tick(int ms = 2 * app::QtPlayerEvents::kDisplayPeriodMs) { QTest::qWait(ms); }

  // Plays up to n buffers of the device, each handed back and refilled.
  int play(wave::VirtualOutput *device, int n) {
    int played = 0;
    for (; played < n && device->playNext(); ++played) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return played;
  }
  // Plays until the output closes (the end of the file runs Stop).
  bool playOut(wave::VirtualOutput *device) {
    return waitUntil([&] {
      device->playNext();
      return !device->isOpen() && buttons() == kIdle;
    }, 10000);
  }

  void doubleClickRecording(int row) {
    QTreeWidget *list = recorderWidget->m_LvFlashFileList;
    QTreeWidgetItem *item = list->topLevelItem(row);
    ASSERT_TRUE(item);
    const QPoint at = list->visualItemRect(item).center();
    // The first click of the two, then the second that makes it double.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }

  void showPcFolder(const fs::path &folder, int files) {
    pc->setDirectory(QString::fromStdString(folder.string()));
    ASSERT_TRUE(waitUntil([&] { return pc->m_LvPCFileList->rowCount() == files; }));
  }
  // Makes the file the PC list's current and only selected item.
  void selectPcFile(const QString &name) {
    QAbstractItemView *view = pc->m_LvPCFileList->view();
    const QModelIndexList hits =
        view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    ASSERT_EQ(hits.size(), 1) << name.toStdString();
    view->setCurrentIndex(hits.front());
    view->setFocus();
  }
  void pressEnterInPcList() { QTest::keyClick(pc->m_LvPCFileList->view(), Qt::Key_Return); }

  TempDir dir;
  std::unique_ptr<q417io::Flash> flash;
  std::unique_ptr<recorder::MemoryFlashIo> memory;
  std::unique_ptr<app::Quillorn> quillorn;
  app::TFrmMain *main = nullptr;
  app::PlayerToolbar *toolbar = nullptr;
  components::display::DisplayStrip *strip = nullptr;
  app::PlayerSide *side = nullptr;
  app::RecorderPanelWidget *recorderWidget = nullptr;
  pc::PcPanel *pc = nullptr;
  testsupport::DrivenOutputs outputs;
  wave::VirtualInput *input = nullptr;
  QTimer watchdog;
  bool expectingBox = false;
  std::vector<std::string> unexpected;
};

TEST_F(PlayerWindow, DoubleClickOnARecordingPlaysItStraightFromTheRecorder) {
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_EQ(buttons(), kIdle);
  ASSERT_NO_FATAL_FAILURE(doubleClickRecording(0));
  ASSERT_TRUE(voiceOutput()->isOpen());
  EXPECT_EQ(voiceOutput()->queued(), 3u);
  EXPECT_EQ(strip->playKind()->text(), "DVG");
  EXPECT_EQ(strip->bitRate()->text().trimmed(), "8.0");
  EXPECT_EQ(strip->channels()->mode(), components::display::ChannelLed::Mode::Mono);
  EXPECT_EQ(total(), "00:00:10");
  EXPECT_EQ(strip->fileName()->text(), "A: memo.DVG");
  EXPECT_EQ(buttons(), kPlaying);
  EXPECT_TRUE(side->events().displayTimerRunning());

  // Three buffers queued are a second and a half; four more make three and a half.
  tick();
  EXPECT_EQ(elapsed(), "00:00:01");
  EXPECT_EQ(play(voiceOutput(), 4), 4);
  tick();
  EXPECT_EQ(elapsed(), "00:00:03");
  EXPECT_EQ(toolbar->m_SldPlayPosition->value(), 35);
  EXPECT_GT(strip->levels()->left()->litSteps(), 0) << "the meters hear the recording";

  toolbar->m_BtnPause->click();
  EXPECT_EQ(buttons(), kPaused);
  EXPECT_TRUE(voiceOutput()->paused());
  EXPECT_FALSE(voiceOutput()->playNext());
  tick();
  EXPECT_EQ(strip->levels()->left()->litSteps(), 0) << "nothing sounds while paused";
  toolbar->m_BtnPlay->click();
  EXPECT_EQ(buttons(), kPlaying);
  EXPECT_FALSE(voiceOutput()->paused());
  EXPECT_EQ(voiceOutput()->queued(), 3u) << "resumed, not opened again";
  tick();
  EXPECT_EQ(elapsed(), "00:00:03");

  // A drag of the slider to the middle: the recording plays on from there.
  QSlider *position = toolbar->m_SldPlayPosition;
  position->setSliderDown(true);
  position->setValue(60);
  tick();
  EXPECT_EQ(position->value(), 60) << "the display keeps off the slider while it is dragged";
  position->setSliderDown(false);
  tick();
  EXPECT_EQ(elapsed(), "00:00:07") << "six seconds sought plus the three buffers refilled";
  EXPECT_EQ(voiceOutput()->queued(), 3u);

  toolbar->m_BtnStop->click();
  EXPECT_EQ(buttons(), kIdle);
  EXPECT_FALSE(voiceOutput()->isOpen());
  EXPECT_EQ(elapsed(), "00:00:00");
  EXPECT_EQ(position->value(), 0);
  EXPECT_FALSE(side->events().displayTimerRunning());
  EXPECT_EQ(strip->levels()->left()->litSteps(), 0);
}

TEST_F(PlayerWindow, ARecordingThatPlaysOutReturnsTheControlsToIdle) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(doubleClickRecording(0));
  ASSERT_TRUE(playOut(voiceOutput()));
  EXPECT_FALSE(side->events().displayTimerRunning());
  EXPECT_FALSE(side->busy());
}

TEST_F(PlayerWindow, APulledCableWhilePlayingReturnsTheControlsToIdle) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(doubleClickRecording(0));
  play(voiceOutput(), 1);
  flash->loseLink();
  main->deviceLink().OnDeviceChange(Q417_DEVICE_REMOVECOMPLETE);
  // The next buffer finds the link gone; what the output holds plays out.
  play(voiceOutput(), 1);
  EXPECT_EQ(buttons(), kIdle);
  ASSERT_TRUE(playOut(voiceOutput()));
  EXPECT_FALSE(side->events().displayTimerRunning());
  EXPECT_FALSE(main->link().connected);
}

TEST_F(PlayerWindow, PcFilesOfEachKindPlayByEnter) {
  ASSERT_NO_FATAL_FAILURE(start());
  TempDir folder;
  soundfiles::makeWav(folder.path(), "tone.wav", {8000, 1, 2.0});
  soundfiles::makeWav(folder.path(), "eight.WAV", {11025, 1, 2.0, 8});
  soundfiles::makeMp3(folder.path(), "song.mp3", {44100, 2, 2.5});
  soundfiles::makeVoice(folder.path(), "memo.dvg", 2.0);
  ASSERT_NO_FATAL_FAILURE(showPcFolder(folder.path(), 4));
  struct Case {
    const char *file, *kind, *bitRate, *total;
    bool stereo;
    int buffersForASecond;  // played before the elapsed time shows 1 second
  } cases[] = {
      {"tone.wav", "WAV", "128.0", "00:00:02", false, 4},
      {"eight.WAV", "WAV", "88.2", "00:00:02", false, 6},
      {"song.mp3", "MP3", "128.0", "00:00:03", true, 40},
      {"memo.dvg", "DVG", "8.0", "00:00:02", false, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_NO_FATAL_FAILURE(selectPcFile(c.file));
    pressEnterInPcList();
    EXPECT_EQ(strip->playKind()->text(), c.kind);
    EXPECT_EQ(strip->bitRate()->text().trimmed(), c.bitRate);
    EXPECT_EQ(total(), c.total);
    EXPECT_EQ(strip->channels()->mode(),
              c.stereo ? components::display::ChannelLed::Mode::Stereo : components::display::ChannelLed::Mode::Mono);
    EXPECT_EQ(strip->fileName()->text(), c.file);
    EXPECT_EQ(buttons(), kPlaying);
    // Voice files play on the voice output; WAV and MP3 each on their own,
    // made at their first start.
    wave::VirtualOutput *device = std::string(c.kind) == "DVG" ? voiceOutput() : outputs.devices.back();
    ASSERT_TRUE(device->isOpen());
    play(device, c.buffersForASecond);
    EXPECT_TRUE(waitUntil([&] { return elapsed() == "00:00:01"; }, 1000)) << elapsed().toStdString();
    EXPECT_TRUE(pc->protectedPaths().contains(QString::fromStdString((folder / c.file).string())))
        << "the file playing is not erased or moved";
    ASSERT_TRUE(playOut(device));
    EXPECT_EQ(elapsed(), "00:00:00");
  }
  EXPECT_EQ(outputs.devices.size(), 3u) << "one output each for voice, WAV and MP3";
}

TEST_F(PlayerWindow, PopupItemsPlayPauseAndStopInBothLists) {
  ASSERT_NO_FATAL_FAILURE(start());
  TempDir folder;
  soundfiles::makeWav(folder.path(), "tone.wav", {8000, 1, 2.0});
  ASSERT_NO_FATAL_FAILURE(showPcFolder(folder.path(), 1));
  ASSERT_NO_FATAL_FAILURE(selectPcFile("tone.wav"));
  pc::PcMenu *pcMenu = pc->m_PupMuPC;
  app::RecorderMenu *recorderMenu = app::RecorderSide::of(*main)->findChild<app::RecorderJobs *>()->menu();
  QTreeWidget *recordings = recorderWidget->m_LvFlashFileList;
  QAbstractItemView *pcView = pc->m_LvPCFileList->view();
  // A right press on the first item opens the list's menu with its items
  // enabled by the rule.
  auto openPcMenu = [&] {
    QTest::mouseClick(pcView->viewport(), Qt::RightButton, {}, pcView->visualRect(pcView->currentIndex()).center());
  };
  auto openRecorderMenu = [&] {
    QTest::mouseClick(recordings->viewport(), Qt::RightButton, {},
                      recordings->visualItemRect(recordings->topLevelItem(0)).center());
  };
  struct Case {
    const char *list, *kind;
    QMenu *menu;
    QAction *play, *pause, *stop;
    std::function<void()> open;
  } cases[] = {
      {"PC", "WAV", pcMenu, pcMenu->m_PupPCPlay, pcMenu->m_PupPCPause, pcMenu->m_PupPCStop, openPcMenu},
      {"recorder", "DVG", recorderMenu, recorderMenu->m_PupFlashPlay, recorderMenu->m_PupFlashPause,
       recorderMenu->m_PupFlashStop, openRecorderMenu},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.list);
    c.open();
    ASSERT_TRUE(c.play->isEnabled());
    c.play->trigger();
    c.menu->close();
    EXPECT_EQ(buttons(), kPlaying);
    EXPECT_EQ(strip->playKind()->text(), c.kind);
    c.open();
    ASSERT_TRUE(c.pause->isEnabled()) << "playing: Play, Pause and Stop stay on";
    c.pause->trigger();
    c.menu->close();
    EXPECT_EQ(buttons(), kPaused);
    c.open();
    c.stop->trigger();
    c.menu->close();
    EXPECT_EQ(buttons(), kIdle);
    EXPECT_FALSE(side->busy());
  }
}

TEST_F(PlayerWindow, RecordingThenStopAsksForANameAndSavesTheRecording) {
  ASSERT_NO_FATAL_FAILURE(start());
  TempDir folder;
  ASSERT_NO_FATAL_FAILURE(showPcFolder(folder.path(), 0));
  std::vector<fs::path> askedIn;
  side->lists().askSave = [&](const fs::path &start) -> std::optional<fs::path> {
    EXPECT_EQ(strip->levels()->left()->litSteps(), 0) << "nothing is recorded while the name is asked";
    askedIn.push_back(start);
    return folder / "memo";
  };
  toolbar->m_BtnSPRecord->click();
  EXPECT_EQ(buttons(), kRecording);
  ASSERT_TRUE(input);
  EXPECT_TRUE(side->events().displayTimerRunning());
  EXPECT_EQ(strip->playKind()->text(), "DVG");
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(input->recordNext());
    QCoreApplication::processEvents();
  }
  tick();
  EXPECT_EQ(elapsed(), "00:00:03");
  EXPECT_GT(strip->levels()->left()->litSteps(), 0) << "the meters hear the input";
  toolbar->m_BtnStop->click();
  ASSERT_EQ(askedIn, std::vector<fs::path>{folder.path()});
  EXPECT_EQ(fs::file_size(folder / "memo.DVG"), 256u + 6 * 500u);
  EXPECT_TRUE(waitUntil([&] { return pc->m_LvPCFileList->rowCount() == 1; })) << "the PC list is read again";
  EXPECT_EQ(buttons(), kIdle);
  EXPECT_FALSE(side->events().displayTimerRunning());
}

TEST_F(PlayerWindow, PlayWithoutAnOutputDeviceSaysSoAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(start(false));
  TempDir folder;
  soundfiles::makeWav(folder.path(), "tone.wav", {8000, 1, 1.0});
  ASSERT_NO_FATAL_FAILURE(showPcFolder(folder.path(), 1));
  ASSERT_NO_FATAL_FAILURE(selectPcFile("tone.wav"));
  QString shown;
  expectingBox = true;
  testsupport::whenModalShown([&](QWidget *modal) {
    if (auto *box = qobject_cast<QMessageBox *>(modal)) shown = box->text();
    modal->close();
  });
  pressEnterInPcList();
  expectingBox = false;
  EXPECT_EQ(shown.toStdString(), quillorn->texts().text("FM_text_system_errmsg12"));
  EXPECT_EQ(buttons(), kIdle);
  EXPECT_EQ(strip->playKind()->text(), "none");
  EXPECT_EQ(outputs.devices.size(), 1u) << "only the voice output, never opened";
  EXPECT_FALSE(voiceOutput()->isOpen());
}

TEST_F(PlayerWindow, TheVolumeSliderSetsTheOutputGainAndTheKeyCodeShowsTheRetryCounter) {
  ASSERT_NO_FATAL_FAILURE(start());
  QSlider *volume = toolbar->m_VolMixerSlider;
  EXPECT_EQ(components::wave::outputGain(), components::wave::kUnityGain);
  volume->setValue(volume->maximum() / 2);
  EXPECT_FLOAT_EQ(components::wave::outputGain(), 0.5f);
  volume->setValue(volume->maximum());
  EXPECT_FLOAT_EQ(components::wave::outputGain(), components::wave::kUnityGain);

  QSlider *position = toolbar->m_SldPlayPosition;
  QLabel *retries = toolbar->m_PnlRetryCount;
  const struct {
    const char *keys;
    bool visible;
  } steps[] = {{"qzt", false}, {"k", true}, {"xqzt", true}, {"QZTK", false}};
  for (const auto &s : steps) {
    QTest::keyClicks(position, s.keys);
    EXPECT_EQ(retries->isVisible(), s.visible) << s.keys;
  }
  app::RecorderSide::of(*main)->volume().setRetryCount(7);
  EXPECT_EQ(retries->text(), "07");
}

}  // namespace
