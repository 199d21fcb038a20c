// The PC browser's widgets on the offscreen platform: the filter field, the
// pop-up menu a press prepares, the "Drives" level, the new folder's edit,
// drops on the tree and the list, the drag start and the attributes dialog.
#include <gtest/gtest.h>

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QDrag>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>
#include <deque>

#include "QtPrint.h"
#include "TempTree.h"
#include "app/pc/AttributesDialog.h"
#include "app/pc/FileListModel.h"
#include "app/pc/FolderReader.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcPanel.h"
#include "app/pc/PcToolRow.h"

namespace {

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

components::MessageTexts shippedTexts() {
  QString source = qEnvironmentVariable("QUILLORN_SOURCE_DIR", QUILLORN_TEST_SOURCE_DIR);
  if (source.isEmpty()) source = QUILLORN_TEST_SOURCE_DIR;
  return components::MessageTexts::load((source + "/data/Q417.ini").toStdString());
}

// The drag runs no modal loop here: it is recorded.
class TestPanel : public pc::PcPanel {
 public:
  using pc::PcPanel::PcPanel;
  int drags = 0;
  QStringList dragUrls;

 protected:
  void execDrag(QDrag *drag) override {
    ++drags;
    for (const QUrl &url : drag->mimeData()->urls()) dragUrls << url.toLocalFile();
    drag->deleteLater();
  }
};

class PcPanelTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(texts.file().empty()) << "data/Q417.ini";
    host.resize(900, 500);
    auto *layout = new QVBoxLayout(&host);
    row = new pc::PcToolRow(texts);
    panel = new TestPanel(texts);
    panel->setToolRow(row);
    layout->addWidget(row);
    layout->addWidget(panel);
    panel->messageBox = [this](std::string_view, std::string_view text, components::MsgKind, int buttons,
                               const std::string &) -> int {
      asked.emplace_back(text);
      if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
      }
      return buttons == components::kButtonsOk ? components::kResultOk : components::kResultNo;
    };
    host.show();
  }

  // Shows a folder and waits until its files are listed and sorted.
  void show(const QString &dir, int files) {
    panel->setDirectory(dir);
    ASSERT_TRUE(waitUntil([&] { return panel->m_LvPCFileList->rowCount() == files && sorted(); }))
        << panel->m_LvPCFileList->rowCount() << " rows in " << dir.toStdString();
  }
  bool sorted() const {
    const QCollator collator = pc::nameCollator();
    auto *list = panel->m_LvPCFileList;
    QString last;
    for (int r = 0; r < list->rowCount(); ++r) {
      QString name = list->model()->index(r, 0, list->rootIndex()).data().toString();
      if (r > 0 && collator.compare(last, name) > 0) return false;
      last = name;
    }
    return true;
  }
  QStringList listed() const {
    QStringList names;
    auto *list = panel->m_LvPCFileList;
    for (int r = 0; r < list->rowCount(); ++r) names << list->model()->index(r, 0, list->rootIndex()).data().toString();
    names.sort(Qt::CaseInsensitive);
    return names;
  }
  // The names in the list's order.
  QStringList inOrder() const {
    QStringList names;
    auto *list = panel->m_LvPCFileList;
    for (int r = 0; r < list->rowCount(); ++r) names << list->model()->index(r, 0, list->rootIndex()).data().toString();
    return names;
  }
  QModelIndex rowOf(const QString &name) const {
    auto *list = panel->m_LvPCFileList;
    for (int r = 0; r < list->rowCount(); ++r) {
      QModelIndex index = list->model()->index(r, 0, list->rootIndex());
      if (index.data().toString() == name) return index;
    }
    return {};
  }
  void enterFilter(const QString &text) {
    row->m_CbFileFilter->setEditText(text);
    QTest::keyClick(row->m_CbFileFilter->lineEdit(), Qt::Key_Return);
  }
  QPoint rowCentre(int r) const {
    auto *view = panel->m_LvPCFileList->view();
    return view->visualRect(view->model()->index(r, 0, view->rootIndex())).center();
  }
  void select(std::initializer_list<int> rows) {
    auto *view = panel->m_LvPCFileList->view();
    view->selectionModel()->clearSelection();
    for (int r : rows)
      view->selectionModel()->select(view->model()->index(r, 0, view->rootIndex()),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget *viewport = panel->m_LvPCFileList->view()->viewport();
    QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(viewport, &event);
  }

  components::MessageTexts texts = shippedTexts();
  pctest::TempTree tree;
  QWidget host;
  pc::PcToolRow *row;
  TestPanel *panel;
  std::vector<std::string> asked;
  std::deque<int> answers;
};

TEST_F(PcPanelTest, TheFilterFieldCompletesAddsOnceAndListsHiddenFiles) {
  for (const char *name : {"a.mp3", "B.MP3", "c.wav", "d.ogg", "README", ".hidden"}) tree.file(QString("d/") + name);
  show(tree.path("d"), 6);
  auto *combo = row->m_CbFileFilter;
  const int start = combo->count();

  enterFilter("mp3");
  EXPECT_EQ(combo->currentText(), "*.mp3");
  EXPECT_EQ(panel->mask(), "*.mp3");
  EXPECT_EQ(combo->findText("*.mp3"), 2) << "at start the list holds it already";
  EXPECT_EQ(combo->count(), start);
  EXPECT_EQ(inOrder(), (QStringList{"a.mp3", "B.MP3"}));

  enterFilter("ogg");
  enterFilter("*.ogg");
  EXPECT_EQ(combo->count(), start + 1);
  EXPECT_EQ(combo->itemText(start), "*.ogg");
  EXPECT_EQ(listed(), QStringList{"d.ogg"});

  enterFilter("abcd");
  EXPECT_EQ(combo->currentText(), "abcd");
  EXPECT_TRUE(listed().isEmpty());

  enterFilter("");
  EXPECT_EQ(combo->currentText(), "*.*");
  EXPECT_EQ(inOrder(), (QStringList{".hidden", "a.mp3", "B.MP3", "c.wav", "d.ogg", "README"}));

  // Typing alone sets the mask from the trimmed text.
  combo->setEditText(" *.wav ");
  EXPECT_EQ(listed(), QStringList{"c.wav"});

  // A new mask keeps the selection of the files it still shows.
  const QString d = panel->currentDirectory();
  panel->setMask("*.*");
  select({rowOf("B.MP3").row(), rowOf("c.wav").row()});
  panel->setMask("*.mp3");
  EXPECT_EQ(panel->selectedFiles(), QStringList{d + "/B.MP3"});
  panel->setMask("*.*");
  EXPECT_EQ(panel->selectedFiles(), QStringList{d + "/B.MP3"});
  EXPECT_TRUE(sorted());
}

TEST_F(PcPanelTest, ARightPressPreparesThePopUpByTheSelection) {
  for (const char *name : {"a.txt", "memo.WaV", "c.dvg"}) tree.file(QString("d/") + name);
  show(tree.path("d"), 3);
  pc::PcMenu *menu = panel->m_PupMuPC;
  menu->setJoined({true, true, true, true, true});
  bool playing = false;
  panel->playersActive = [&] { return playing; };
  auto enabled = [&] {
    QStringList on;
    for (QAction *a : menu->actions())
      if (!a->isSeparator() && a->isEnabled()) on << a->objectName().mid(7);
    return on;
  };
  auto rightPress = [&](QPoint at) {
    mouse(QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    menu->hide();
  };

  // Empty space with files pending: only Paste and Select all.
  select({0, 1});
  panel->OnBtnFileCopyClick();
  rightPress(QPoint(5, panel->m_LvPCFileList->view()->viewport()->height() - 5));
  EXPECT_TRUE(panel->selectedFiles().isEmpty());
  EXPECT_EQ(enabled(), (QStringList{"Paste", "SelectAll"}));

  // One WAV in mixed case while a player plays: kind 3.
  int wav = -1;
  for (int r = 0; r < 3; ++r)
    if (panel->m_LvPCFileList->model()->index(r, 0, panel->m_LvPCFileList->rootIndex()).data() == "memo.WaV") wav = r;
  ASSERT_GE(wav, 0);
  playing = true;
  rightPress(rowCentre(wav));
  EXPECT_EQ(panel->selectedFiles(), QStringList{panel->currentDirectory() + "/memo.WaV"});
  EXPECT_EQ(enabled(), (QStringList{"Play", "Pause", "Stop", "Paste", "SelectAll"}));

  // Several files, nothing playing: kind 0; a press on a selected file keeps the selection.
  playing = false;
  select({0, 1, 2});
  rightPress(rowCentre(2));
  EXPECT_EQ(panel->selectedFiles().size(), 3);
  EXPECT_EQ(enabled(), (QStringList{"Convert", "WaveEdit", "Email", "Cut", "Copy", "Paste", "SelectAll", "Erase",
                                    "Refresh"}));

  // Commands that have not joined stay off.
  menu->setJoined({});
  rightPress(rowCentre(2));
  EXPECT_EQ(enabled(), (QStringList{"Cut", "Copy", "Paste", "SelectAll", "Erase", "Refresh"}));

  // While recording the list takes no press.
  panel->recording = [] { return true; };
  select({0});
  rightPress(QPoint(5, panel->m_LvPCFileList->view()->viewport()->height() - 5));
  EXPECT_EQ(panel->selectedFiles().size(), 1);
}

TEST_F(PcPanelTest, TheTreeOpensDownToADeepFolderAndSelectsIt) {
  tree.file("a/b/c/memo.wav");
  // Enough folders beside the target that it lies below the tree's first screen.
  for (int i = 0; i < 40; ++i) tree.folder(QString("a/b/%1").arg(i, 2, 10, QChar('0')));
  const QString deep = QFileInfo(tree.path("a/b/c")).canonicalFilePath();
  QStringList above;  // "/" down to "a/b"
  for (QString p = QFileInfo(deep).path();; p = QFileInfo(p).path()) {
    above.prepend(p);
    if (p == "/") break;
  }
  auto pathOf = [](const QModelIndex &node) { return node.data(QFileSystemModel::FilePathRole).toString(); };
  // A window of its own each time: shown first, or (as at start-up) opened
  // on the folder before it is shown.
  for (bool showFirst : {true, false}) {
    SCOPED_TRACE(showFirst ? "shown first" : "shown after");
    QWidget window;
    window.resize(900, 500);
    auto *layout = new QVBoxLayout(&window);
    auto *toolRow = new pc::PcToolRow(texts);
    auto *opened = new pc::PcPanel(texts);
    opened->setToolRow(toolRow);
    layout->addWidget(toolRow);
    layout->addWidget(opened);
    QTreeView *treeView = opened->m_TvPCFolderList;
    // The tree's model reads each folder in the background.
    auto *proxy = qobject_cast<QAbstractProxyModel *>(treeView->model());
    ASSERT_NE(proxy, nullptr);
    auto *folders = qobject_cast<QFileSystemModel *>(proxy->sourceModel());
    ASSERT_NE(folders, nullptr);
    QSet<QString> loaded;
    QObject::connect(folders, &QFileSystemModel::directoryLoaded, [&](const QString &p) { loaded << QDir::cleanPath(p); });

    if (showFirst) window.show();
    opened->setDirectory(tree.path("a/b/c"));
    if (!showFirst) window.show();
    ASSERT_TRUE(waitUntil([&] {
      for (const QString &p : above)
        if (!loaded.contains(p)) return false;
      return true;
    })) << "read: " << loaded.size() << " of " << above.size();
    waitUntil([] { return false; }, 100);

    // Once the model has read them, the tree shows the folder.
    const QModelIndex node = treeView->currentIndex();
    EXPECT_EQ(pathOf(node), deep);
    EXPECT_TRUE(treeView->selectionModel()->isSelected(node));
    for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
      EXPECT_TRUE(treeView->isExpanded(p)) << pathOf(p).toStdString();
    const QRect rect = treeView->visualRect(node);
    EXPECT_TRUE(rect.isValid() && rect.top() >= 0 && rect.bottom() < treeView->viewport()->height())
        << "at " << rect.y() << " of " << treeView->viewport()->height();
    EXPECT_EQ(opened->currentDirectory(), deep);
    EXPECT_EQ(toolRow->m_EtDirectoryPath->text(), deep + "/");
  }
}

TEST_F(PcPanelTest, OneLevelUpFromTheRootReachesDrivesAndBack) {
  tree.file("d/sub/a.wav");
  show(tree.path("d/sub"), 1);
  panel->OnBtnOneLevelUpClick();
  EXPECT_EQ(panel->currentDirectory(), QFileInfo(tree.path("d")).canonicalFilePath());
  EXPECT_EQ(row->m_EtDirectoryPath->text(), QFileInfo(tree.path("d")).canonicalFilePath() + "/");

  QSignalSpy changed(panel, &pc::PcPanel::directoryChanged);
  panel->setDirectory("/");
  panel->OnBtnOneLevelUpClick();
  EXPECT_TRUE(panel->atDrives());
  EXPECT_EQ(panel->currentDirectory(), "");
  EXPECT_EQ(changed.last().at(0).toString(), "");
  EXPECT_EQ(row->m_EtDirectoryPath->text(), "Drives");
  EXPECT_FALSE(row->m_BtnNewFolder->isEnabled());
  ASSERT_GE(panel->m_LvPCFileList->rowCount(), 2);  // the root folder and home
  EXPECT_TRUE(panel->m_LvPCFileList->model()->index(0, 0).data().toString().endsWith("(/)"));
  panel->OnBtnOneLevelUpClick();
  EXPECT_TRUE(panel->atDrives()) << "nothing above Drives";

  // Enter opens the drive.
  auto *view = panel->m_LvPCFileList->view();
  view->setCurrentIndex(view->model()->index(0, 0));
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_FALSE(panel->atDrives());
  EXPECT_EQ(panel->currentDirectory(), "/");
}

TEST_F(PcPanelTest, TheNewFoldersNodeIsEditedAndItsParentKeepsItsName) {
  tree.folder("d/New Folder");
  tree.file("d/a.wav");
  show(tree.path("d"), 1);
  QString d = panel->currentDirectory();
  panel->OnBtnNewFolderClick();
  ASSERT_TRUE(QFileInfo(d + "/New Folder(2)").isDir());
  QTreeView *treeView = panel->m_TvPCFolderList;
  EXPECT_EQ(treeView->currentIndex().data().toString(), "New Folder(2)");
  auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(treeView->viewport()->isAncestorOf(editor));
  editor->setText("Minutes");
  QTest::keyClick(editor, Qt::Key_Return);  // the delegate commits from the event loop
  EXPECT_TRUE(waitUntil([&] { return QFileInfo(d + "/Minutes").isDir(); })) << testing::PrintToString(asked);
  EXPECT_FALSE(QFileInfo::exists(d + "/New Folder(2)"));
  EXPECT_TRUE(QFileInfo(d + "/a.wav").isFile()) << "the parent was not renamed";
  EXPECT_TRUE(QFileInfo(d + "/New Folder").isDir());
  EXPECT_TRUE(waitUntil([&] { return panel->currentDirectory() == d + "/Minutes"; }));

  // A rename onto an existing name is refused with a message.
  panel->OnBtnOneLevelUpClick();
  panel->setDirectory(d + "/Minutes");
  QModelIndex node = treeView->currentIndex();
  EXPECT_FALSE(treeView->model()->setData(node, "New Folder"));
  EXPECT_EQ(asked.back(), "FM_pc_name_exists");
  EXPECT_TRUE(QFileInfo(d + "/Minutes").isDir());
}

TEST_F(PcPanelTest, DropsCopyIntoTheFolderUnderThePointer) {
  tree.folder("d/one");
  tree.folder("d/two");
  QString source = tree.file("src/memo.wav", "m");
  tree.file("d/two/memo.wav", "old");
  show(tree.path("d"), 0);
  QTreeView *treeView = panel->m_TvPCFolderList;
  treeView->expand(treeView->currentIndex());
  ASSERT_TRUE(waitUntil([&] { return treeView->model()->rowCount(treeView->currentIndex()) == 2; }));
  QModelIndex two = treeView->model()->index(1, 0, treeView->currentIndex());
  ASSERT_EQ(two.data().toString(), "two");
  QPoint at = treeView->visualRect(two).center();

  auto *mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(source)});
  auto send = [&](QWidget *target, QPoint pos, const QMimeData *data) {
    QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  };
  EXPECT_TRUE(send(treeView->viewport(), at, mime));
  EXPECT_EQ(tree.read("d/two/memo (2).wav"), "m");
  EXPECT_EQ(tree.read("d/two/memo.wav"), "old");
  EXPECT_FALSE(tree.exists("d/one/memo.wav"));

  // On the list: into the list's folder.
  EXPECT_TRUE(send(panel->m_LvPCFileList->view()->viewport(), QPoint(20, 20), mime));
  EXPECT_EQ(tree.read("d/memo.wav"), "m");

  // A recorder drag: the list takes it and tells the window, the tree does not.
  auto *recorder = new QMimeData;
  recorder->setData("application/x-test-recorder", "1");
  panel->isRecorderDrag = [](const QMimeData *m) { return m->hasFormat("application/x-test-recorder"); };
  QSignalSpy dropped(panel, &pc::PcPanel::recordingsDropped);
  EXPECT_FALSE(send(treeView->viewport(), at, recorder));
  EXPECT_EQ(dropped.count(), 0);
  EXPECT_TRUE(send(panel->m_LvPCFileList->view()->viewport(), QPoint(20, 20), recorder));
  EXPECT_EQ(dropped.count(), 1);
  delete mime;
  delete recorder;
}

TEST_F(PcPanelTest, ADragStartsAtTenPixelsWithExactlyOneButton) {
  for (int i = 0; i < 3; ++i) tree.file(QString("d/f%1.wav").arg(i));
  show(tree.path("d"), 3);
  std::vector<std::pair<int, std::string>> items;
  panel->fillDragSelection = [&](const auto &selected) { items = selected; };
  select({0, 2});
  QPoint press = rowCentre(0);
  struct Case {
    QPoint offset;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    bool drags;
  } cases[] = {
      {{9, 9}, Qt::LeftButton, Qt::NoModifier, false},
      {{-9, 0}, Qt::LeftButton, Qt::NoModifier, false},
      {{10, 0}, Qt::LeftButton, Qt::ShiftModifier, false},
      {{10, 0}, Qt::LeftButton | Qt::RightButton, Qt::NoModifier, false},
      {{0, -10}, Qt::LeftButton, Qt::NoModifier, true},
      {{10, 0}, Qt::RightButton, Qt::NoModifier, true},
  };
  for (const Case &c : cases) {
    panel->drags = 0;
    panel->dragUrls.clear();
    mouse(QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    select({0, 2});
    mouse(QEvent::MouseMove, press + c.offset, Qt::NoButton, c.buttons, c.modifiers);
    mouse(QEvent::MouseButtonRelease, press + c.offset, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(panel->drags, c.drags ? 1 : 0) << c.offset.x() << "," << c.offset.y();
  }
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], (std::pair<int, std::string>{0, "f0.wav"}));
  EXPECT_EQ(items[1], (std::pair<int, std::string>{2, "f2.wav"}));
  EXPECT_EQ(panel->dragUrls, (QStringList{panel->currentDirectory() + "/f0.wav", panel->currentDirectory() + "/f2.wav"}));
}

TEST_F(PcPanelTest, ADragOfSixHundredFilesFillsTheSelectionWithFiveHundred) {
  for (int i = 0; i < 600; ++i) tree.file(QString("d/f%1.dvg").arg(i, 3, 10, QChar('0')));
  show(tree.path("d"), 600);
  std::vector<std::pair<int, std::string>> items;
  QStringList names;
  panel->fillDragSelection = [&](const auto &selected) { items = selected; };
  panel->makeDragData = [&](const QString &, const QStringList &n) {
    names = n;
    return new QMimeData;
  };
  panel->OnPupPCSelectAllClick();
  QPoint press = rowCentre(0);
  mouse(QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
  panel->OnPupPCSelectAllClick();
  mouse(QEvent::MouseMove, press + QPoint(0, 12), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(panel->drags, 1);
  EXPECT_EQ(items.size(), 500u);
  EXPECT_EQ(names.size(), 600);
  EXPECT_EQ(items.back().first, 499);
}

TEST_F(PcPanelTest, TheHeaderSortsByEveryColumnAndTheSelectionStays) {
  const QDateTime base = QDateTime::fromSecsSinceEpoch(1700000000);
  struct File {
    const char *name;
    int size;
    int minutes;
  } files[] = {{"a.mp3", 5, 0}, {"Memo 10.wav", 30, 1}, {"Memo 1.dvg", 20, 2}, {"memo 9.wav", 10, 3}, {".notes", 0, 4}};
  for (const File &f : files) {
    QFile file(tree.file(QString("d/") + f.name, QByteArray(f.size, 'x')));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(base.addSecs(60 * f.minutes), QFileDevice::FileModificationTime));
  }
  show(tree.path("d"), 5);
  select({rowOf("memo 9.wav").row()});
  const QStringList selected{panel->currentDirectory() + "/memo 9.wav"};
  ASSERT_EQ(panel->selectedFiles(), selected);

  struct Case {
    int column;
    QStringList ascending;
  } cases[] = {
      {0, {".notes", "a.mp3", "Memo 1.dvg", "memo 9.wav", "Memo 10.wav"}},
      {1, {".notes", "a.mp3", "memo 9.wav", "Memo 1.dvg", "Memo 10.wav"}},
      // "DVG file", "MP3 audio", the unknown type, "WAV audio"; by name within a type.
      {2, {"Memo 1.dvg", "a.mp3", ".notes", "memo 9.wav", "Memo 10.wav"}},
      {3, {"a.mp3", "Memo 10.wav", "Memo 1.dvg", "memo 9.wav", ".notes"}},
  };
  QHeaderView *header = panel->m_LvPCFileList->report->header();
  for (const Case &c : cases) {
    for (Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder}) {
      header->setSortIndicator(c.column, order);
      QStringList expected = c.ascending;
      if (order == Qt::DescendingOrder) std::reverse(expected.begin(), expected.end());
      EXPECT_EQ(inOrder(), expected) << "column " << c.column << (order == Qt::DescendingOrder ? " down" : " up");
      EXPECT_EQ(panel->selectedFiles(), selected);
    }
  }
  auto cell = [&](const char *name, int column) { return rowOf(name).siblingAtColumn(column).data().toString(); };
  EXPECT_EQ(cell("Memo 1.dvg", 2), "DVG file");
  EXPECT_FALSE(cell(".notes", 2).contains("NOTES")) << "a dot file has no extension";
  EXPECT_EQ(cell("Memo 10.wav", 1), QLocale().formattedDataSize(30));
  EXPECT_EQ(cell("a.mp3", 3), QLocale().toString(base, QLocale::ShortFormat));
}

TEST_F(PcPanelTest, AChangedFolderIsReadAgainKeepingTheSelectionAndTheTopRow) {
  for (int i = 0; i < 300; ++i) tree.file(QString("d/f%1.wav").arg(i, 3, 10, QChar('0')));
  show(tree.path("d"), 300);
  QTreeView *view = panel->m_LvPCFileList->report;
  select({150, 151});
  view->selectionModel()->setCurrentIndex(rowOf("f150.wav"), QItemSelectionModel::NoUpdate);
  view->scrollTo(rowOf("f100.wav"), QAbstractItemView::PositionAtTop);
  auto top = [&] { return view->indexAt(QPoint(1, 1)).data().toString(); };
  ASSERT_EQ(top(), "f100.wav");

  // Files go and come above the top row and below it.
  QSignalSpy loaded(panel, &pc::PcPanel::listLoaded);
  ASSERT_TRUE(QFile::remove(tree.path("d/f010.wav")));
  ASSERT_TRUE(QFile::remove(tree.path("d/f020.wav")));
  tree.file("d/a new.wav");
  tree.file("d/f999.wav");
  ASSERT_TRUE(waitUntil([&] {
    const QStringList names = inOrder();
    return names.size() == 300 && names.contains("a new.wav") && names.contains("f999.wav") && !names.contains("f010.wav");
  })) << inOrder().size() << " rows";
  EXPECT_GE(loaded.count(), 1);
  EXPECT_TRUE(sorted());
  const QString d = panel->currentDirectory();
  EXPECT_EQ(panel->selectedFiles(), (QStringList{d + "/f150.wav", d + "/f151.wav"}));
  EXPECT_EQ(view->currentIndex().data().toString(), "f150.wav");
  EXPECT_EQ(top(), "f100.wav");
}

TEST_F(PcPanelTest, ANewFolderReplacesTheReadingOfTheOldOne) {
  for (int i = 0; i < 3000; ++i) tree.file(QString("big/memo %1.dvg").arg(i), "");
  tree.file("small/one.wav");
  tree.file("small/two.wav");
  QSignalSpy loaded(panel, &pc::PcPanel::listLoaded);
  panel->setDirectory(tree.path("big"));
  panel->setDirectory(tree.path("small"));
  ASSERT_TRUE(waitUntil([&] { return loaded.count() > 0; }));
  waitUntil([] { return false; }, 300);
  EXPECT_EQ(loaded.count(), 1) << "the big folder's read never ends in the list";
  EXPECT_EQ(inOrder(), (QStringList{"one.wav", "two.wav"}));
}

TEST_F(PcPanelTest, ARenameInTheListKeepsTheFileSelected) {
  for (const char *name : {"a.wav", "b.wav", "c.wav"}) tree.file(QString("d/") + name);
  show(tree.path("d"), 3);
  select({1});
  QAbstractItemModel *model = panel->m_LvPCFileList->model();
  EXPECT_TRUE(model->setData(rowOf("b.wav"), "z.wav"));
  EXPECT_TRUE(tree.exists("d/z.wav"));
  EXPECT_FALSE(tree.exists("d/b.wav"));
  EXPECT_EQ(inOrder(), (QStringList{"a.wav", "c.wav", "z.wav"}));
  const QStringList selected{panel->currentDirectory() + "/z.wav"};
  EXPECT_EQ(panel->selectedFiles(), selected);

  // Onto a name that exists: refused, and nothing changes.
  EXPECT_FALSE(model->setData(rowOf("z.wav"), "a.wav"));
  EXPECT_EQ(asked.back(), "FM_pc_name_exists");
  EXPECT_TRUE(tree.exists("d/z.wav"));
  // The folder's own change notice reads it again: the same.
  waitUntil([] { return false; }, 2 * pc::FileListModel::kChangeDelayMs + 100);
  EXPECT_EQ(inOrder(), (QStringList{"a.wav", "c.wav", "z.wav"}));
  EXPECT_EQ(panel->selectedFiles(), selected);
}

TEST_F(PcPanelTest, TheListGoesUpWhenItsFolderGoesAway) {
  tree.file("d/sub/memo.wav");
  tree.file("d/other.wav");
  show(tree.path("d/sub"), 1);
  ASSERT_TRUE(QDir(tree.path("d/sub")).removeRecursively());
  const QString d = QFileInfo(tree.path("d")).canonicalFilePath();
  EXPECT_TRUE(waitUntil([&] { return panel->currentDirectory() == d; })) << panel->currentDirectory().toStdString();
  EXPECT_EQ(row->m_EtDirectoryPath->text(), d + "/");
  EXPECT_TRUE(waitUntil([&] { return inOrder() == QStringList{"other.wav"}; }));
}

TEST_F(PcPanelTest, TheListFollowsTheTreeOnlyWhenTheUserMovesIt) {
  tree.file("d/m/memo.wav");
  tree.folder("d/n");
  show(tree.path("d/m"), 1);
  const QString m = panel->currentDirectory();
  QTreeView *treeView = panel->m_TvPCFolderList;
  auto treePath = [&] {
    return QFileInfo(treeView->currentIndex().data(QFileSystemModel::FilePathRole).toString()).canonicalFilePath();
  };
  ASSERT_TRUE(waitUntil([&] { return treePath() == m && treeView->model()->rowCount(treeView->currentIndex().parent()) == 2; }));
  const QModelIndex n = treeView->model()->index(1, 0, treeView->currentIndex().parent());
  ASSERT_EQ(n.data().toString(), "n");

  // The folder model moves the current row when it drops and re-reads a
  // row (as it does while folders beside it come and go): the list stays,
  // and the tree returns to the list's folder.
  treeView->setCurrentIndex(n);
  EXPECT_EQ(panel->currentDirectory(), m);
  EXPECT_TRUE(waitUntil([&] { return treePath() == m; })) << treePath().toStdString();

  // A click of the user on the folder beside it moves the list.
  QTest::mouseClick(treeView->viewport(), Qt::LeftButton, Qt::NoModifier, treeView->visualRect(n).center());
  EXPECT_EQ(panel->currentDirectory(), QFileInfo(tree.path("d/n")).canonicalFilePath());
  EXPECT_EQ(treePath(), panel->currentDirectory());
}

TEST(AttributesDialog, ShowsTheLinuxMeaning) {
  pctest::TempTree tree;
  QString hidden = tree.file(".notes.wav");
  QFile::setPermissions(hidden, QFileDevice::ReadOwner);
  components::MessageTexts texts = shippedTexts();
  pc::AttributesDialog dialog(texts, hidden);
  EXPECT_TRUE(dialog.m_ChkReadOnly->isChecked());
  EXPECT_TRUE(dialog.m_ChkReadOnly->isEnabled());
  EXPECT_TRUE(dialog.m_ChkHidden->isChecked());
  EXPECT_FALSE(dialog.m_ChkHidden->isEnabled());
  EXPECT_FALSE(dialog.m_ChkArchive->isEnabled() || dialog.m_ChkArchive->isChecked());
  EXPECT_FALSE(dialog.m_ChkSystem->isEnabled() || dialog.m_ChkSystem->isChecked());

  auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
  EXPECT_FALSE(pc::withReadOnly(perms, true) & QFileDevice::WriteOwner);
  EXPECT_TRUE(pc::withReadOnly(perms, true) & QFileDevice::ReadGroup);
  EXPECT_TRUE(pc::withReadOnly(QFileDevice::ReadOwner, false) & QFileDevice::WriteOwner);
  EXPECT_FALSE(pc::attributesOf("a.wav", perms).readOnly);
  EXPECT_FALSE(pc::attributesOf("a.wav", perms).hidden);
}

TEST_F(PcPanelTest, EveryControlHasAnAccessibleName) {
  QList<QWidget *> controls{panel->m_TvPCFolderList, panel->m_LvPCFileList->report, panel->m_LvPCFileList->icons,
                            row->m_EtDirectoryPath, row->m_CbFileFilter};
  for (QToolButton *b : row->findChildren<QToolButton *>()) controls << b;
  EXPECT_EQ(row->findChildren<QToolButton *>().size(), 10);
  for (QWidget *w : controls) EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
  for (QToolButton *b : {row->m_BtnConvert, row->m_BtnWaveEdit, row->m_BtnEmail, row->m_BtnSpeed})
    EXPECT_FALSE(b->isEnabled());
  EXPECT_EQ(panel->m_PupMuPC->actions().size(), 20);
}

}  // namespace
