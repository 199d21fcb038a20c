// The filter field's rules and the mask they give the list.
#include <gtest/gtest.h>

#include "app/pc/FileFilter.h"

namespace {

const QStringList kStart = pc::initialFilterList();

TEST(FileFilter, EnterCompletesShortTextsAndAddsThemOnce) {
  struct Case {
    QString typed;
    QString text;
    bool added;
  } cases[] = {
      {"mp3", "*.mp3", false},  // already in the list at start
      {"ogg", "*.ogg", true},
      {"  wav ", "*.wav", false},
      {"wa", "*.wa", true},
      {"abcd", "abcd", true},  // four letters without "*": used as it stands
      {"*.x", "*.x", true},
      {"*", "*", true},
      {"", "*.*", false},
      {"   ", "*.*", false},
      {"*.WAV", "*.WAV", true},  // the list is searched exactly
  };
  for (const Case &c : cases) {
    pc::FilterEnter r = pc::filterEnter(c.typed, kStart);
    EXPECT_EQ(r.text, c.text) << c.typed.toStdString();
    EXPECT_EQ(r.added, c.added) << c.typed.toStdString();
    EXPECT_EQ(r.list.count(c.text), 1) << c.typed.toStdString();
    EXPECT_EQ(r.list.size(), kStart.size() + (c.added ? 1 : 0));
  }
}

TEST(FileFilter, ASecondEnterAddsNothing) {
  pc::FilterEnter first = pc::filterEnter("ogg", kStart);
  pc::FilterEnter second = pc::filterEnter(first.text, first.list);
  EXPECT_TRUE(first.added);
  EXPECT_FALSE(second.added);
  EXPECT_EQ(second.list, first.list);
  EXPECT_EQ(second.text, "*.ogg");
}

TEST(FileFilter, MasksMatchWithoutRegardToCase) {
  struct Case {
    QString mask, name;
    bool match;
  } cases[] = {
      {"*.*", "README", true},  // also without a dot
      {"*.*", ".hidden", true},
      {"*", "anything.at.all", true},
      {"", "x.bin", true},
      {"*.wav", "MEMO.WAV", true},
      {"*.WAV", "memo.wav", true},
      {"*.wav", "memo.wav.bak", false},
      {"*.wav", "memowav", false},
      {"*.wav;*.dvg", "a.DVG", true},
      {" *.wav ; *.mp3 ", "b.Mp3", true},
      {"*.wav;*.dvg", "c.mp3", false},
      {"memo??.dvg", "memo12.dvg", true},
      {"memo??.dvg", "memo1.dvg", false},
      {"abcd", "abcd", true},
      {"abcd", "abcde", false},
      {";;", "x", true},
  };
  for (const Case &c : cases)
    EXPECT_EQ(pc::NameMask(c.mask).matches(c.name), c.match) << c.mask.toStdString() << " " << c.name.toStdString();
}

TEST(FileFilter, TheMaskWhileTypingIsTheTrimmedText) {
  EXPECT_EQ(pc::filterMask("  *.dvg  "), "*.dvg");
  EXPECT_EQ(pc::filterMask(""), "");
}

}  // namespace
