#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <array>

#include "components/display/ChannelLed.h"
#include "components/display/DisplayStrip.h"
#include "components/display/LedNumber.h"
#include "components/display/LedText.h"
#include "components/display/LevelMeter.h"
#include "components/display/ScrollingText.h"
#include "components/display/SpectrumView.h"

using namespace components::display;

namespace {

bool isLit(QColor c) { return c.green() > 150; }

int litPixels(const QImage &image, const QRect &area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += isLit(image.pixelColor(x, y));
  }
  return count;
}

std::vector<QWidget *> parts(const DisplayStrip &strip) {
  return {strip.playKind(), strip.fileName(), strip.elapsed(), strip.total(),  strip.bitRate(),
          strip.seconds(),  strip.levels(),   strip.spectrum(), strip.channels()};
}

TEST(DisplayStrip, IdleStripPaintsBlackWithLitDigitsAndDarkMeters) {
  DisplayStrip strip;
  EXPECT_EQ(strip.sizeHint(), QSize(838, 41));
  strip.resize(strip.sizeHint());
  const QImage image = strip.grab().toImage();
  ASSERT_EQ(image.size(), QSize(838, 41));

  // Black around and between the parts.
  for (QPoint p : {QPoint(1, 1), QPoint(2, 20), QPoint(836, 39), QPoint(strip.elapsed()->x() - 3, 30)}) {
    EXPECT_EQ(image.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
  }
  // "none" and the zero times are lit; meters and spectrum are empty.
  EXPECT_GT(litPixels(image, strip.playKind()->geometry()), 40);
  EXPECT_GT(litPixels(image, strip.elapsed()->geometry()), 200);
  EXPECT_GT(litPixels(image, strip.total()->geometry()), 50);
  EXPECT_EQ(litPixels(image, strip.fileName()->geometry()), 0);
  EXPECT_EQ(litPixels(image, strip.levels()->geometry()), 0);
  EXPECT_EQ(litPixels(image, strip.spectrum()->geometry()), 0);
}

TEST(DisplayStrip, PartsSitSideBySideInsideTheStripAtEverySize) {
  DisplayStrip strip;
  for (QSize size : {QSize(838, 41), QSize(1400, 41), QSize(1800, 82), QSize(1000, 82)}) {
    strip.resize(size);
    strip.grab();  // delivers the resize
    const std::vector<QWidget *> all = parts(strip);
    for (QWidget *part : all) {
      EXPECT_TRUE(strip.rect().contains(part->geometry())) << part->accessibleName().toStdString();
      EXPECT_GT(part->width(), 0) << part->accessibleName().toStdString();
      for (QWidget *other : all) {
        if (other != part) {
          EXPECT_FALSE(part->geometry().intersects(other->geometry()));
        }
      }
    }
    // Left to right in the order of the strip; bit rate above seconds.
    EXPECT_LT(strip.playKind()->x(), strip.fileName()->x());
    EXPECT_LT(strip.fileName()->x(), strip.elapsed()->x());
    EXPECT_LT(strip.elapsed()->x(), strip.total()->x());
    EXPECT_LT(strip.total()->x(), strip.bitRate()->x());
    EXPECT_LT(strip.bitRate()->y(), strip.seconds()->y());
    EXPECT_LT(strip.bitRate()->x(), strip.levels()->x());
    EXPECT_LT(strip.levels()->x(), strip.spectrum()->x());
    EXPECT_LT(strip.spectrum()->x(), strip.channels()->x());
  }
  // Extra width goes to the file name; a taller strip has larger digits.
  strip.resize(838, 41);
  strip.grab();
  const int name = strip.fileName()->width(), digits = strip.elapsed()->height();
  strip.resize(1400, 41);
  strip.grab();
  EXPECT_EQ(strip.fileName()->width(), name + 1400 - 838);
  strip.resize(1800, 82);
  strip.grab();
  EXPECT_GE(strip.elapsed()->height(), 2 * digits - 2);
  // Too narrow for the parts at that height: they shrink, the name keeps
  // room for a few letters.
  strip.resize(1000, 82);
  strip.grab();
  EXPECT_LT(strip.elapsed()->height(), 2 * digits - 2);
  EXPECT_GE(strip.fileName()->width(), 6 * 6);
}

TEST(DisplayStrip, EveryPartHasItsAccessibleName) {
  DisplayStrip strip;
  const std::array<const char *, 11> names = {"Play kind", "File name",  "Elapsed time", "Total time",
                                              "Bit rate",  "Seconds",    "Level left",   "Level right",
                                              "Spectrum",  "Channels",   "Levels"};
  for (const char *name : names) {
    int found = 0;
    for (QWidget *w : strip.findChildren<QWidget *>()) found += w->accessibleName() == QLatin1String(name);
    EXPECT_EQ(found, 1) << name;
  }
}

TEST(DisplayStrip, DrivesItsPartsAndResetsToIdle) {
  DisplayStrip strip;
  strip.resize(strip.sizeHint());
  strip.setPlayKind(QStringLiteral("MP3"));
  strip.setFileName(QStringLiteral("E: Morning meeting with the design team.mp3"));
  strip.setElapsed(83'000);
  strip.setTotal(3'725'400);
  strip.setBitRate(88'200);
  strip.setSeconds(3725);
  strip.setLevels(1.0, 0.5);
  const std::array<float, 32> bands = {1.0f, 0.5f};
  strip.setSpectrum(bands);
  strip.setStereo(true);

  EXPECT_EQ(strip.playKind()->text(), "MP3");
  EXPECT_EQ(strip.fileName()->text(), "E: Morning meeting with the design team.mp3");
  EXPECT_TRUE(strip.fileName()->isScrolling());
  EXPECT_EQ(strip.elapsed()->text(), "00:01:23");
  EXPECT_EQ(strip.total()->text(), "01:02:05");
  EXPECT_EQ(strip.bitRate()->text(), "  88.2");
  EXPECT_EQ(strip.seconds()->text(), "3725");
  EXPECT_EQ(strip.levels()->left()->litSteps(), LevelMeter::kSteps);
  EXPECT_GT(strip.spectrum()->litRows(0), 0);
  EXPECT_EQ(strip.channels()->mode(), ChannelLed::Mode::Stereo);
  EXPECT_EQ(strip.channels()->accessibleDescription(), "STEREO");

  const QImage playing = strip.grab().toImage();
  EXPECT_GT(litPixels(playing, strip.levels()->geometry()), 0);
  EXPECT_GT(litPixels(playing, strip.spectrum()->geometry()), 0);

  strip.reset();
  EXPECT_EQ(strip.playKind()->text(), "none");
  EXPECT_EQ(strip.fileName()->text(), "");
  EXPECT_FALSE(strip.fileName()->isScrolling());
  EXPECT_EQ(strip.elapsed()->text(), "00:00:00");
  EXPECT_EQ(strip.total()->text(), "00:00:00");
  EXPECT_EQ(strip.bitRate()->text(), "   0.0");
  EXPECT_EQ(strip.seconds()->text(), "   0");
  EXPECT_EQ(strip.levels()->left()->peakStep(), 0);
  EXPECT_EQ(strip.spectrum()->peakRow(0), 0);
  EXPECT_EQ(strip.channels()->mode(), ChannelLed::Mode::Off);

  const QImage idle = strip.grab().toImage();
  EXPECT_EQ(litPixels(idle, strip.levels()->geometry()), 0);
  EXPECT_EQ(litPixels(idle, strip.spectrum()->geometry()), 0);
  EXPECT_EQ(litPixels(idle, strip.fileName()->geometry()), 0);
}

TEST(DisplayStrip, PlayKindKeepsSixCharacters) {
  LedText kind(6);
  kind.setText(QStringLiteral("STREAMING"));
  EXPECT_EQ(kind.text(), "STREAM");
}

}  // namespace
