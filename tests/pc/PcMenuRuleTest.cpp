// The PC pop-up rule: every kind against every item, and the kind a
// selection gives.
#include <gtest/gtest.h>

#include "app/pc/PcMenuRule.h"

namespace {

using pc::PcMenuItems;

// The table of the menu, per kind: play, open, convert, waveEdit, email,
// speed, cutCopy, selectAll, erase, attributeRename, refresh. Paste follows
// the clipboard flag; "select all" of kind 4 follows the list's items.
struct Row {
  int kind;
  bool play, open, convert, waveEdit, email, speed, cutCopy, selectAll, erase, attributeRename, refresh;
};
const Row kTable[] = {
    {0, false, false, true, true, true, false, true, true, true, false, true},
    {1, false, true, false, false, true, false, true, true, true, true, true},
    {2, true, true, true, true, true, true, true, true, true, true, true},
    {3, true, false, false, false, false, false, false, true, false, false, false},
    {4, false, false, false, false, false, false, false, true, false, false, false},
};

TEST(PcMenuRule, EveryKindAgainstEveryItem) {
  for (const Row &r : kTable)
    for (bool clipboard : {false, true})
      for (bool listHasItems : {false, true}) {
        bool valid = false;
        PcMenuItems m = pc::pcMenuItems(r.kind, clipboard, listHasItems, &valid);
        SCOPED_TRACE(testing::Message() << "kind " << r.kind << " clipboard " << clipboard << " items " << listHasItems);
        EXPECT_TRUE(valid);
        EXPECT_EQ(m.play, r.play);
        EXPECT_EQ(m.open, r.open);
        EXPECT_EQ(m.convert, r.convert);
        EXPECT_EQ(m.waveEdit, r.waveEdit);
        EXPECT_EQ(m.email, r.email);
        EXPECT_EQ(m.speed, r.speed);
        EXPECT_EQ(m.cutCopy, r.cutCopy);
        EXPECT_EQ(m.paste, clipboard);
        EXPECT_EQ(m.selectAll, r.kind == 4 ? listHasItems : r.selectAll);
        EXPECT_EQ(m.erase, r.erase);
        EXPECT_EQ(m.attributeRename, r.attributeRename);
        EXPECT_EQ(m.refresh, r.refresh);
      }
}

TEST(PcMenuRule, AKindOutsideTheTableChangesNothing) {
  for (int kind : {-1, 5, 99}) {
    bool valid = true;
    EXPECT_EQ(pc::pcMenuItems(kind, true, true, &valid), PcMenuItems{}) << kind;
    EXPECT_FALSE(valid) << kind;
  }
}

TEST(PcMenuRule, KindFromTheSelection) {
  struct Case {
    QStringList names;
    bool players;
    int kind;
  } cases[] = {
      {{}, false, 4},
      {{}, true, 4},
      {{"a.wav", "b.txt"}, false, 0},
      {{"a.wav", "b.wav"}, true, 0},
      {{"notes.txt"}, false, 1},
      {{"notes.txt"}, true, 4},
      {{"song.mp3"}, false, 1},
      {{"memo.WaV"}, false, 2},
      {{"memo.Dvg"}, false, 2},
      {{"memo.WaV"}, true, 3},
      {{"memo.DVG"}, true, 3},
      {{"wav"}, false, 1},
      {{"memo.wav.txt"}, false, 1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(pc::pcMenuKind(c.names, c.players), c.kind) << c.names.join(",").toStdString() << " " << c.players;
}

}  // namespace
