// The folder reader of the PC list: what it lists and what it leaves out,
// the batches, a missing folder, and reads that a newer one replaces; the
// type keys it remembers by extension.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>

#include "QtPrint.h"
#include "TempTree.h"
#include "app/pc/FolderReader.h"
#include "app/pc/TypeKeys.h"

namespace {

// Takes batches until the read's last one (or the time is up).
std::vector<pc::FolderBatch> readAll(pc::FolderReader &reader, int timeoutMs = 10000) {
  std::vector<pc::FolderBatch> all;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    for (pc::FolderBatch &b : reader.take()) all.push_back(std::move(b));
    if (!all.empty() && all.back().last) break;
    QThread::msleep(1);
  }
  return all;
}

QStringList namesOf(const std::vector<pc::FolderBatch> &batches) {
  QStringList names;
  for (const pc::FolderBatch &b : batches)
    for (const pc::FileEntry &e : b.entries) names << e.name;
  names.sort();
  return names;
}

TEST(FolderReader, ListsFilesAndLinksToFilesWithSizeTimeAndType) {
  pctest::TempTree tree;
  const QString wav = tree.file("d/b.wav", "abc");
  tree.file("d/A.dvg", "");
  tree.file("d/.hidden", "h");
  tree.file("d/sub/inner.wav");
  ASSERT_TRUE(QFile::link(wav, tree.path("d/link-to-file")));
  ASSERT_TRUE(QFile::link(tree.path("d/sub"), tree.path("d/link-to-folder")));
  ASSERT_TRUE(QFile::link(tree.path("d/gone"), tree.path("d/broken")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(tree.path("d/pipe")).constData(), 0600), 0);
  const QDateTime when = QDateTime::fromMSecsSinceEpoch(1700000000123);
  QFile file(wav);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
  file.close();

  std::atomic<int> wakes{0};
  pc::FolderReader reader([&] { ++wakes; });
  reader.start(tree.path("d"));
  const std::vector<pc::FolderBatch> batches = readAll(reader);
  ASSERT_FALSE(batches.empty());
  EXPECT_TRUE(batches.back().last);
  EXPECT_EQ(batches.back().error, 0);
  EXPECT_GE(wakes.load(), 1);
  EXPECT_EQ(namesOf(batches), (QStringList{".hidden", "A.dvg", "b.wav", "link-to-file"}));

  std::map<QString, const pc::FileEntry *> byName;
  for (const pc::FolderBatch &b : batches)
    for (const pc::FileEntry &e : b.entries) byName[e.name] = &e;
  const QString wavType = QMimeDatabase().mimeTypeForFile("b.wav", QMimeDatabase::MatchExtension).name();
  EXPECT_EQ(byName["b.wav"]->size, 3);
  EXPECT_EQ(byName["b.wav"]->modifiedMs, when.toMSecsSinceEpoch());
  EXPECT_EQ(byName["b.wav"]->typeKey, wavType);
  EXPECT_EQ(byName["link-to-file"]->size, 3) << "the link's target";
  EXPECT_EQ(byName["A.dvg"]->size, 0);
  EXPECT_EQ(byName["A.dvg"]->typeKey, ".DVG");
  EXPECT_EQ(byName[".hidden"]->typeKey, ".") << "a dot file has no extension";
  // The sort key orders names as the collator does.
  const QCollator collator = pc::nameCollator();
  EXPECT_LT(byName["A.dvg"]->sortKey.compare(byName["b.wav"]->sortKey), 0);
  EXPECT_EQ(byName["A.dvg"]->sortKey.compare(collator.sortKey("a.DVG")), 0);
}

TEST(FolderReader, AMissingFolderEndsAtOnceWithItsError) {
  pctest::TempTree tree;
  tree.file("plain");
  pc::FolderReader reader;
  for (auto [path, error] : {std::pair{tree.path("missing"), ENOENT}, std::pair{tree.path("plain"), ENOTDIR}}) {
    reader.start(path);
    const std::vector<pc::FolderBatch> batches = readAll(reader);
    ASSERT_EQ(batches.size(), 1u) << path.toStdString();
    EXPECT_TRUE(batches[0].last);
    EXPECT_EQ(batches[0].error, error);
    EXPECT_TRUE(batches[0].entries.empty());
  }
}

TEST(FolderReader, ABigFolderComesInBatchesAndANewReadDropsTheOldOne) {
  pctest::TempTree tree;
  const int many = 3000;
  for (int i = 0; i < many; ++i) tree.file(QString("big/memo %1.dvg").arg(i), "");
  tree.file("small/one.wav");
  tree.file("small/two.wav");

  pc::FolderReader reader;
  const std::uint64_t first = reader.start(tree.path("big"));
  std::vector<pc::FolderBatch> batches = readAll(reader);
  EXPECT_EQ(namesOf(batches).size(), many);
  EXPECT_GT(batches.size(), 1u);
  for (size_t i = 0; i < batches.size(); ++i) {
    EXPECT_EQ(batches[i].generation, first);
    EXPECT_LE(batches[i].entries.size(), pc::FolderReader::kBatchEntries);
    EXPECT_EQ(batches[i].last, i + 1 == batches.size());
  }

  // Two reads in a row: only the second one's batches are ever handed out.
  for (int round = 0; round < 5; ++round) {
    reader.start(tree.path("big"));
    QThread::usleep(round * 300);
    const std::uint64_t second = reader.start(tree.path("small"));
    batches = readAll(reader);
    for (const pc::FolderBatch &b : batches) EXPECT_EQ(b.generation, second);
    EXPECT_EQ(namesOf(batches), (QStringList{"one.wav", "two.wav"})) << "round " << round;
  }

  // A stopped read hands out nothing more.
  reader.start(tree.path("big"));
  reader.stop();
  QThread::msleep(50);
  EXPECT_TRUE(reader.take().empty());
}

// Names whose type may depend on more than their extensions, each beside
// a name with the same extensions that is asked first or after.
TEST(TypeKeys, RememberedAnswersAreTheDatabasesAnswers) {
  const QMimeDatabase db;
  const std::vector<std::pair<QString, QString>> pairs{
      {"123.vdr", "abc.vdr"},           {"README.txt", "notes.txt"},   {"Makefile.am", "rules.am"},
      {"libx.so.6", "part.so.6"},       {"a.tar.gz", "b.gz"},          {"memo.dvg", "MEMO.DVG"},
      {"x.1", "y.1"},                   {"notes.txt~", "other.txt~"},  {"SConscript.py", "build.py"},
      {"meson.build", "other.build"},   {"Memo 2.wav", "Memo 10.WAV"}, {"file.", "other."},
      {".profile", ".bashrc"},          {"noextension", "core"},       {"CMakeLists.txt", "list.txt"},
  };
  for (bool swapped : {false, true}) {
    pc::TypeKeys keys;
    // Past the names it asks the database for anyway.
    for (int i = 0; i < pc::TypeKeys::kAskedFirst; ++i) keys.of(QString("warm %1.bin").arg(i));
    for (auto [one, other] : pairs) {
      if (swapped) std::swap(one, other);
      EXPECT_EQ(keys.of(one), pc::typeKeyOf(db, one)) << one.toStdString();
      EXPECT_EQ(keys.of(other), pc::typeKeyOf(db, other)) << other.toStdString() << " after " << one.toStdString();
    }
  }
  EXPECT_EQ(pc::typeKeyOf(db, "memo.dvg"), ".DVG");
  EXPECT_EQ(pc::typeKeyOf(db, ".profile"), ".");
  EXPECT_EQ(pc::typeKeyOf(db, "noextension"), ".");
}

TEST(NameCollator, NumbersByValueWithoutRegardToCase) {
  const QCollator collator = pc::nameCollator();
  EXPECT_LT(collator.compare("Memo 2.wav", "memo 10.wav"), 0);
  EXPECT_LT(collator.compare("a.wav", "B.wav"), 0);
  EXPECT_EQ(collator.compare("memo.WAV", "MEMO.wav"), 0);
  // The C locale has no collation of its own: the neutral one stands in.
  const QCollator c = pc::nameCollator(QLocale::c());
  EXPECT_LT(c.compare("Memo 2.wav", "memo 10.wav"), 0);
}

}  // namespace
