// Names: the new folder's, a colliding copy's, and the checks of a rename.
#include <gtest/gtest.h>

#include <QSet>

#include "app/pc/FileNames.h"

namespace {

pc::NameTaken takenFrom(const QSet<QString> &names) {
  return [names](const QString &n) { return names.contains(n); };
}

TEST(FileNames, NewFolderTakesTheFirstFreeNumberFromTwo) {
  struct Case {
    QSet<QString> existing;
    QString expected;
  } cases[] = {
      {{}, "New Folder"},
      {{"New Folder"}, "New Folder(2)"},
      {{"New Folder", "New Folder(2)"}, "New Folder(3)"},
      {{"New Folder", "New Folder(3)"}, "New Folder(2)"},
      {{"New Folder(2)"}, "New Folder"},
      {{"New Folder", "New Folder (2)"}, "New Folder(2)"},  // no blank before the number
  };
  for (const Case &c : cases) EXPECT_EQ(pc::newFolderName("New Folder", takenFrom(c.existing)), c.expected);
}

TEST(FileNames, CollidingCopiesAreNumberedBeforeTheExtension) {
  struct Case {
    QString name;
    QSet<QString> existing;
    QString expected;
  } cases[] = {
      {"memo.dvg", {}, "memo.dvg"},
      {"memo.dvg", {"memo.dvg"}, "memo (2).dvg"},
      {"memo.dvg", {"memo.dvg", "memo (2).dvg"}, "memo (3).dvg"},
      {"README", {"README"}, "README (2)"},
      {".profile", {".profile"}, ".profile (2)"},
      {"a.b.wav", {"a.b.wav"}, "a.b (2).wav"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(pc::collisionFreeName(c.name, takenFrom(c.existing)), c.expected) << c.name.toStdString();
}

TEST(FileNames, RenameChecks) {
  using P = pc::RenameProblem;
  const QSet<QString> existing{"a.wav", "b.wav", "Folder"};
  struct Case {
    QString from, to;
    P problem;
  } cases[] = {
      {"a.wav", "c.wav", P::None},    {"a.wav", "a.wav", P::Same},   {"a.wav", "b.wav", P::Exists},
      {"a.wav", "Folder", P::Exists}, {"a.wav", "", P::Empty},       {"a.wav", "  ", P::Empty},
      {"a.wav", "x/y.wav", P::Slash}, {"a.wav", "..", P::DotName},  {"a.wav", ".", P::DotName},
      {"a.wav", "A.WAV", P::None},
  };
  for (const Case &c : cases)
    EXPECT_EQ(pc::renameProblem(c.from, c.to, takenFrom(existing)), c.problem) << c.to.toStdString();
}

}  // namespace
