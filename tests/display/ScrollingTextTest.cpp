#include <gtest/gtest.h>

#include <QImage>

#include "components/display/ScrollingText.h"

using namespace components::display;

namespace {

// Columns of the view with lit dots (the text's colour, not the grid's).
std::vector<bool> litColumns(ScrollingText &view) {
  const QImage image = view.grab().toImage();
  std::vector<bool> lit(image.width(), false);
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) lit[x] = lit[x] || image.pixelColor(x, y).green() > 150;
  }
  return lit;
}

class ScrollingTextTest : public testing::Test {
 protected:
  void SetUp() override { view.resize(60, 16); }  // dots 2 pixels apart
  // Ticks through the rest at the start of a pass.
  void rest() {
    for (int i = 0; i < view.restTicks(); ++i) ASSERT_FALSE(view.advance());
  }
  ScrollingText view;
  const QString longText = QStringLiteral("A: RECORDING 0042.DVG");
};

TEST_F(ScrollingTextTest, TextThatFitsStandsStill) {
  view.setText(QStringLiteral("DVG"), 0);
  EXPECT_FALSE(view.isScrolling());
  for (int i = 0; i < 50; ++i) EXPECT_FALSE(view.advance());
  EXPECT_EQ(view.offset(), 0);
}

TEST_F(ScrollingTextTest, OnePassStepsByOneDotAndEndsBackAtTheStart) {
  view.setText(longText, 1);
  ASSERT_EQ(view.step(), 2);
  ASSERT_EQ(view.textWidth(), longText.size() * 6 * 2);
  ASSERT_GT(view.period(), view.textWidth());  // a gap before the text comes round
  ASSERT_EQ(view.period() % view.step(), 0);
  EXPECT_TRUE(view.isScrolling());

  rest();
  EXPECT_EQ(view.offset(), 0);
  const int moves = view.period() / view.step();
  for (int i = 1; i < moves; ++i) {
    ASSERT_TRUE(view.advance());
    ASSERT_EQ(view.offset(), i * view.step());
  }
  EXPECT_TRUE(view.advance());  // wraps round
  EXPECT_EQ(view.offset(), 0);
  EXPECT_EQ(view.passesDone(), 1);
  EXPECT_FALSE(view.isScrolling());
  for (int i = 0; i < 3 * view.restTicks(); ++i) EXPECT_FALSE(view.advance());
  EXPECT_EQ(view.offset(), 0);
}

TEST_F(ScrollingTextTest, EndlessScrollingRestsAndGoesOnAfterEveryPass) {
  view.setText(longText, 0);
  for (int pass = 1; pass <= 2; ++pass) {
    rest();
    for (int i = 0; i < view.period() / view.step(); ++i) ASSERT_TRUE(view.advance());
    EXPECT_EQ(view.offset(), 0);
    EXPECT_EQ(view.passesDone(), pass);
    EXPECT_TRUE(view.isScrolling());
  }
  // A new text starts from its beginning.
  rest();
  view.advance();
  view.setText(QStringLiteral("B: ANOTHER LONG RECORDING.DVG"), 0);
  EXPECT_EQ(view.offset(), 0);
  EXPECT_EQ(view.passesDone(), 0);
}

TEST_F(ScrollingTextTest, TheTextComesRoundFromTheRightBehindItsGap) {
  view.setText(longText, 0);
  const std::vector<bool> start = litColumns(view);
  EXPECT_TRUE(start[0]);  // 'A' begins at the left edge
  rest();
  // Scroll until the text's start stands in the middle of the view.
  while (view.offset() != view.period() - view.width() / 2) ASSERT_TRUE(view.advance());
  const std::vector<bool> wrapped = litColumns(view);
  for (int x = 0; x < view.width() / 2; ++x) {
    EXPECT_EQ(wrapped[view.width() / 2 + x], start[x]) << x;
  }
}

TEST_F(ScrollingTextTest, TicksOnlyWhileShownAndScrolling) {
  view.setText(longText, 1);
  EXPECT_FALSE(view.isTicking());  // hidden
  view.show();
  EXPECT_TRUE(view.isTicking());
  view.hide();
  EXPECT_FALSE(view.isTicking());
  view.show();
  rest();
  for (int i = 0; i < view.period() / view.step(); ++i) view.advance();
  EXPECT_FALSE(view.isTicking());  // the pass is done

  // Widened until the text fits: it stands at its start.
  view.setText(longText, 0);
  rest();
  view.advance();
  view.resize(view.textWidth() + 10, 16);
  EXPECT_EQ(view.offset(), 0);
  EXPECT_FALSE(view.isTicking());
}

TEST_F(ScrollingTextTest, ControlCharactersShowAsBlanks) {
  view.setText(QStringLiteral("A\tB\nC"), 0);
  EXPECT_EQ(view.text(), "A B C");
}

}  // namespace
