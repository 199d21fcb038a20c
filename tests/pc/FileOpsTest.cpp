// The file operations and their mends: questions before anything is
// deleted, the trash and its absence, protected folders, renames that never
// replace, copies that collide, moves that keep their source until the copy
// is complete.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "TempTree.h"
#include "app/pc/FileOps.h"
#include "app/pc/PcKeys.h"
#include "components/ScriptedJobUi.h"

namespace {

using components::kResultNo;
using components::kResultYes;
namespace keys = pc::keys;

struct TestUi : pc::FileOpsUi {
  components::ScriptedJobUi script;
  bool hasJob = true;
  QStringList names;
  int message(std::string_view caption, std::string_view text, components::MsgKind kind, int buttons,
              const QString &name) override {
    names << name;
    return script.messageBox(caption, text, kind, buttons);
  }
  components::JobUi *job() override { return hasJob ? &script : nullptr; }
  std::vector<std::string> asked() const {
    std::vector<std::string> keys;
    for (auto &m : script.messages) keys.push_back(m.textKey);
    return keys;
  }
};

class FileOpsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.valid());
    // A trash of the test's own: records what it takes and keeps it.
    ops.moveToTrash = [this](const QString &path) {
      trashed << path;
      if (!trashWorks) return false;
      return QDir().rename(path, tree.folder("trash") + "/" + QString::number(trashed.size()));
    };
  }
  pctest::TempTree tree;
  TestUi ui;
  pc::FileOps ops{ui};
  QStringList trashed;
  bool trashWorks = true;
};

TEST_F(FileOpsTest, EraseAsksBeforeItMovesFilesToTheTrash) {
  QString a = tree.file("d/a.wav"), b = tree.file("d/b.dvg");
  ui.script.answers = {kResultNo};
  EXPECT_TRUE(ops.eraseFiles({a, b}).isEmpty());
  EXPECT_TRUE(trashed.isEmpty());
  EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b));

  ui.script.answers = {kResultYes};
  EXPECT_EQ(ops.eraseFiles({a, b}), (QStringList{a, b}));
  EXPECT_EQ(ui.asked(), (std::vector<std::string>{std::string(keys::kTrashFiles), std::string(keys::kTrashFiles)}));
  EXPECT_EQ(trashed, (QStringList{a, b}));
  EXPECT_FALSE(QFileInfo::exists(a) || QFileInfo::exists(b));
  EXPECT_EQ(ui.names.back(), "a.wav, b.dvg");
}

TEST_F(FileOpsTest, WithoutATrashEraseSaysSoAndAsksBeforeDeletingPermanently) {
  trashWorks = false;
  QString a = tree.file("d/a.wav"), b = tree.file("d/b.wav");
  ui.script.answers = {kResultYes, kResultNo};
  EXPECT_TRUE(ops.eraseFiles({a, b}).isEmpty());
  EXPECT_EQ(ui.asked(), (std::vector<std::string>{std::string(keys::kTrashFiles), std::string(keys::kNoTrash)}));
  EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b)) << "never deleted without the answer";

  ui.script.messages.clear();
  ui.script.answers = {kResultYes, kResultYes};
  EXPECT_EQ(ops.eraseFiles({a, b}), (QStringList{a, b}));
  // One question covers the files of one erase.
  EXPECT_EQ(ui.asked(), (std::vector<std::string>{std::string(keys::kTrashFiles), std::string(keys::kNoTrash)}));
  EXPECT_FALSE(QFileInfo::exists(a) || QFileInfo::exists(b));
}

TEST_F(FileOpsTest, EraseLeavesTheFileThatPlays) {
  QString a = tree.file("a.wav"), b = tree.file("b.wav");
  ops.busyFiles = [&] { return QStringList{a}; };
  EXPECT_EQ(ops.eraseFiles({a, b}), QStringList{b});
  EXPECT_EQ(ui.asked().front(), keys::kFileBusy);
  EXPECT_TRUE(QFileInfo::exists(a));
}

TEST_F(FileOpsTest, EraseUsesTheDesktopTrash) {
  QByteArray old = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", tree.folder("data").toUtf8());
  pc::FileOps real(ui);
  QString a = tree.file("d/memo.dvg", "voice");
  EXPECT_EQ(real.eraseFiles({a}), QStringList{a});
  if (old.isNull())
    qunsetenv("XDG_DATA_HOME");
  else
    qputenv("XDG_DATA_HOME", old);
  EXPECT_FALSE(QFileInfo::exists(a));
  EXPECT_EQ(tree.read("data/Trash/files/memo.dvg"), "voice");
  EXPECT_TRUE(tree.exists("data/Trash/info/memo.dvg.trashinfo"));
}

TEST_F(FileOpsTest, TheTreeNeverDeletesProtectedFolders) {
  QString voice = tree.folder("prog/VoiceData"), temp = tree.folder("prog/TempData");
  QString home = tree.folder("home/ann");
  QString playing = tree.file("home/ann/music/list/song.wav");
  ops.busyFiles = [&] { return QStringList{playing}; };
  pc::ProtectedFolders rule{{voice, temp}, home, {}};
  for (QString folder : {voice, temp, tree.path("prog"), tree.path(), home, tree.path("home"),
                         tree.path("home/ann/music"), tree.path("home/ann/music/list"), QString("/")}) {
    ui.script.messages.clear();
    EXPECT_FALSE(ops.trashFolder(folder, rule)) << folder.toStdString();
    EXPECT_EQ(ui.asked(), std::vector<std::string>{std::string(keys::kFolderProtected)}) << folder.toStdString();
  }
  // Through a link too.
  QFile::link(voice, tree.path("link"));
  EXPECT_FALSE(ops.trashFolder(tree.path("link"), rule));
  EXPECT_TRUE(trashed.isEmpty());
  EXPECT_TRUE(QFileInfo(voice).isDir());
}

TEST_F(FileOpsTest, TheTreeAsksAndOnlyEverUsesTheTrash) {
  QString folder = tree.file("work/old/a.wav");
  folder = QFileInfo(folder).path();
  pc::ProtectedFolders rule{{tree.folder("prog/VoiceData")}, tree.folder("home"), {}};
  ui.script.answers = {kResultNo};
  EXPECT_FALSE(ops.trashFolder(folder, rule));
  EXPECT_TRUE(trashed.isEmpty());

  trashWorks = false;
  ui.script.messages.clear();
  EXPECT_FALSE(ops.trashFolder(folder, rule));
  EXPECT_EQ(ui.asked(),
            (std::vector<std::string>{std::string(keys::kTrashFolder), std::string(keys::kTrashFolderFailed)}));
  EXPECT_TRUE(tree.exists("work/old/a.wav")) << "no permanent delete when the trash fails";

  trashWorks = true;
  EXPECT_TRUE(ops.trashFolder(folder, rule));
  EXPECT_FALSE(tree.exists("work/old"));
}

TEST_F(FileOpsTest, RenameNeverReplacesAndRefusesSlashes) {
  QString a = tree.file("d/a.wav", "A");
  tree.file("d/b.wav", "B");
  tree.folder("d/empty");
  tree.folder("d/other");
  struct Case {
    QString from, to;
    const char *key;  // nullptr: renamed
  } cases[] = {
      {"d/a.wav", "b.wav", "FM_pc_name_exists"},
      {"d/a.wav", "x/y.wav", "FM_pc_name_invalid"},
      {"d/a.wav", "", "FM_pc_name_invalid"},
      {"d/a.wav", "..", "FM_pc_name_invalid"},
      // rename(2) would put an empty folder in the place of another.
      {"d/other", "empty", "FM_pc_name_exists"},
      {"d/a.wav", "c.wav", nullptr},
  };
  for (const Case &c : cases) {
    ui.script.messages.clear();
    QString result = ops.rename(tree.path(c.from), c.to);
    if (c.key) {
      EXPECT_TRUE(result.isEmpty()) << c.to.toStdString();
      ASSERT_EQ(ui.asked().size(), 1u) << c.to.toStdString();
      EXPECT_EQ(ui.asked()[0], c.key);
      EXPECT_TRUE(tree.exists(c.from));
    } else {
      EXPECT_EQ(result, tree.path("d/" + c.to));
      EXPECT_TRUE(ui.asked().empty());
      EXPECT_EQ(tree.read("d/" + c.to), "A");
    }
  }
  EXPECT_EQ(tree.read("d/b.wav"), "B");
  EXPECT_TRUE(QFileInfo(tree.path("d/empty")).isDir());
  EXPECT_TRUE(QFileInfo(tree.path("d/other")).isDir());
  // The same name does nothing and asks nothing.
  ui.script.messages.clear();
  EXPECT_EQ(ops.rename(tree.path("d/c.wav"), "c.wav"), tree.path("d/c.wav"));
  EXPECT_TRUE(ui.asked().empty());
  (void)a;
}

TEST_F(FileOpsTest, AReadOnlyFileIsNotRenamed) {
  QString a = tree.file("a.wav");
  QFile::setPermissions(a, QFileDevice::ReadOwner);
  EXPECT_TRUE(ops.rename(a, "b.wav").isEmpty());
  EXPECT_EQ(ui.asked(), std::vector<std::string>{std::string(keys::kRenameReadOnly)});
  EXPECT_TRUE(QFileInfo::exists(a));
}

TEST_F(FileOpsTest, APasteThatCollidesNamesTheCopyAsFileManagersDo) {
  QString a = tree.file("src/memo.wav", "new");
  tree.file("dst/memo.wav", "old");
  tree.file("dst/memo (2).wav", "older");
  auto r = ops.transfer({a}, tree.path("dst"), pc::FileOps::Mode::Copy);
  EXPECT_EQ(r.created, QStringList{tree.path("dst/memo (3).wav")});
  EXPECT_EQ(tree.read("dst/memo (3).wav"), "new");
  EXPECT_EQ(tree.read("dst/memo.wav"), "old");
  EXPECT_EQ(tree.read("src/memo.wav"), "new");
  // A copy into its own folder collides with itself.
  r = ops.transfer({a}, tree.path("src"), pc::FileOps::Mode::Copy);
  EXPECT_EQ(r.created, QStringList{tree.path("src/memo (2).wav")});
  EXPECT_TRUE(ui.asked().empty());
}

TEST_F(FileOpsTest, AMoveOntoItsOwnPathDoesNothing) {
  QString a = tree.file("d/memo.wav", "keep");
  auto r = ops.transfer({a}, tree.path("d/"), pc::FileOps::Mode::Move);
  EXPECT_TRUE(r.created.isEmpty());
  EXPECT_TRUE(r.failed.isEmpty());
  EXPECT_EQ(QDir(tree.path("d")).entryList(QDir::Files), QStringList{"memo.wav"});
  EXPECT_EQ(tree.read("d/memo.wav"), "keep");
}

TEST_F(FileOpsTest, AMoveRenamesWithinAFileSystemAndNeverReplaces) {
  QString a = tree.file("src/memo.wav", "new");
  tree.file("dst/memo.wav", "old");
  auto r = ops.transfer({a}, tree.path("dst"), pc::FileOps::Mode::Move);
  EXPECT_EQ(r.created, QStringList{tree.path("dst/memo (2).wav")});
  EXPECT_FALSE(QFileInfo::exists(a));
  EXPECT_EQ(tree.read("dst/memo (2).wav"), "new");
  EXPECT_EQ(tree.read("dst/memo.wav"), "old");
}

TEST_F(FileOpsTest, FoldersAreCopiedWholeButNeverIntoThemselves) {
  tree.file("src/album/a.wav", "a");
  tree.file("src/album/sub/b.wav", "b");
  tree.file("src/album/.hidden", "h");
  QFile::link("a.wav", tree.path("src/album/link.wav"));
  tree.folder("dst/album");
  auto r = ops.transfer({tree.path("src/album")}, tree.path("dst"), pc::FileOps::Mode::Copy);
  EXPECT_EQ(r.created, QStringList{tree.path("dst/album (2)")});
  EXPECT_EQ(tree.read("dst/album (2)/sub/b.wav"), "b");
  EXPECT_EQ(tree.read("dst/album (2)/.hidden"), "h");
  EXPECT_EQ(QFileInfo(tree.path("dst/album (2)/link.wav")).symLinkTarget(), tree.path("dst/album (2)/a.wav"));

  r = ops.transfer({tree.path("src/album")}, tree.path("src/album/sub"), pc::FileOps::Mode::Copy);
  EXPECT_TRUE(r.created.isEmpty());
  EXPECT_EQ(r.failed, QStringList{tree.path("src/album")});
  EXPECT_EQ(ui.asked().front(), keys::kCopyIntoItself);
  EXPECT_EQ(QDir(tree.path("src/album/sub")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{"b.wav"});
}

// Across file systems a move is a copy, and its source goes only once the
// copy is complete: a cancelled move leaves the source whole and nothing
// at the target.
class CrossDeviceMove : public FileOpsTest {
 protected:
  void SetUp() override {
    FileOpsTest::SetUp();
    struct stat a {}, b {};
    if (::stat("/dev/shm", &b) != 0 || ::stat(QFile::encodeName(tree.path()).constData(), &a) != 0 ||
        a.st_dev == b.st_dev)
      GTEST_SKIP() << "no second file system at /dev/shm";
    other = std::make_unique<pctest::TempTree>("/dev/shm");
  }
  std::unique_ptr<pctest::TempTree> other;
};

TEST_F(CrossDeviceMove, ACancelledMoveKeepsItsSourceAndLeavesNothing) {
  QByteArray bytes(3 * 1024 * 1024 + 17, 'v');
  QString a = tree.file("src/long.wav", bytes);
  ops.progressThreshold = 0;
  ui.script.cancelAtPump = 2;
  auto r = ops.transfer({a}, other->path(), pc::FileOps::Mode::Move);
  EXPECT_TRUE(r.cancelled);
  EXPECT_TRUE(r.created.isEmpty());
  EXPECT_EQ(tree.read("src/long.wav"), bytes);
  EXPECT_TRUE(QDir(other->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
  EXPECT_FALSE(ui.script.progressShown) << "the progress window closes";
}

TEST_F(CrossDeviceMove, ACompleteMoveRemovesItsSourceAfterTheCopy) {
  QByteArray bytes(2 * 1024 * 1024 + 5, 'w');
  QString a = tree.file("src/long.wav", bytes);
  tree.file("src/album/x.wav", "x");
  ops.progressThreshold = 1024 * 1024;
  auto r = ops.transfer({a, tree.path("src/album")}, other->path(), pc::FileOps::Mode::Move);
  EXPECT_EQ(r.created, (QStringList{other->path("long.wav"), other->path("album")}));
  EXPECT_EQ(other->read("long.wav"), bytes);
  EXPECT_EQ(other->read("album/x.wav"), "x");
  EXPECT_FALSE(QFileInfo::exists(a));
  EXPECT_FALSE(tree.exists("src/album"));
  // The progress window showed the bytes as they went.
  EXPECT_EQ(ui.script.events.front(), "open:[FM_pc_moving]");
  EXPECT_EQ(ui.script.lastTotal, 100);
  EXPECT_FALSE(ui.script.progressShown);
}

TEST_F(FileOpsTest, SmallCopiesShowNoProgressWindow) {
  QString a = tree.file("src/a.wav", "small");
  tree.folder("dst");
  ops.transfer({a}, tree.path("dst"), pc::FileOps::Mode::Copy);
  EXPECT_TRUE(ui.script.events.empty());
}

}  // namespace
