// PC list benchmark: a folder of 10 000 files (made here) is chosen in a
// fresh PC panel, offscreen; the time runs until the panel reports the list
// loaded (every file listed, in order), which is checked afterwards. The
// peer is `ls -l` of the same folder, spawned with its output to
// /dev/null. A 2 ms timer runs meanwhile: its longest gap is how long the
// window could not answer input while the list filled. Prints the medians
// and their ratio (goal: at most 3).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/pc/FolderReader.h"
#include "app/pc/PcPanel.h"
#include "app/pc/PcToolRow.h"

extern char **environ;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double lsMs(const QString &dir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  QByteArray path = QFile::encodeName(dir);
  char ls[] = "ls", l[] = "-l";
  char *argv[] = {ls, l, path.data(), nullptr};
  QElapsedTimer clock;
  clock.start();
  pid_t pid;
  if (posix_spawnp(&pid, "ls", &actions, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  double ms = clock.nsecsElapsed() / 1e6;
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

bool listSorted(const pc::PcFileList *list, const QCollator &collator) {
  QAbstractItemModel *model = list->model();
  const QModelIndex root = list->rootIndex();
  QString last;
  for (int r = 0; r < list->rowCount(); ++r) {
    QString name = model->index(r, 0, root).data().toString();
    if (r > 0 && collator.compare(last, name) > 0) return false;
    last = name;
  }
  return true;
}

struct Fill {
  double ms = -1;
  double longestGapMs = 0;
};

Fill fillList(const components::MessageTexts &texts, const QString &dir, int files, const QString &start) {
  QWidget window;
  auto *layout = new QVBoxLayout(&window);
  auto *row = new pc::PcToolRow(texts);
  auto *panel = new pc::PcPanel(texts);
  panel->setToolRow(row);
  layout->addWidget(row);
  layout->addWidget(panel);
  window.resize(900, 600);
  window.show();
  panel->setDirectory(start);
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

  const QCollator collator = pc::nameCollator();
  const QString canonical = QFileInfo(dir).canonicalFilePath();
  Fill fill;
  bool loaded = false;
  QElapsedTimer clock, tick;
  QEventLoop loop;
  QObject::connect(panel, &pc::PcPanel::listLoaded, [&] {
    if (!loaded && panel->currentDirectory() == canonical) {
      fill.ms = clock.nsecsElapsed() / 1e6;
      loaded = true;
      loop.quit();
    }
  });
  QTimer probe;
  probe.setInterval(2);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    fill.longestGapMs = std::max(fill.longestGapMs, tick.nsecsElapsed() / 1e6);
    tick.restart();
  });
  clock.start();
  tick.start();
  probe.start();
  panel->setDirectory(dir);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  if (!loaded) loop.exec();
  // The views lay the sorted list out and paint it after that: the probe
  // keeps running a while, so that a stall there counts too.
  QTimer::singleShot(300, &loop, &QEventLoop::quit);
  loop.exec();
  probe.stop();
  if (panel->m_LvPCFileList->rowCount() != files || !listSorted(panel->m_LvPCFileList, collator)) {
    std::fprintf(stderr, "bench_pclist: %d rows listed, %s\n", panel->m_LvPCFileList->rowCount(),
                 loaded ? "not in order" : "never loaded");
    fill.ms = -1;
  }
  return fill;
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
  const int files = 10000;
  QTemporaryDir work(QDir::tempPath() + "/quillorn-pclist-bench-XXXXXX");
  const QString dir = work.path() + "/folder", start = work.path() + "/start";
  QDir().mkpath(dir);
  QDir().mkpath(start);
  QFile(start + "/one.wav").open(QIODevice::WriteOnly);
  // Names in a shuffled order, of the kinds the list shows.
  const char *exts[] = {"dvg", "wav", "mp3", "txt"};
  std::vector<int> order(files);
  for (int i = 0; i < files; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
  for (int i : order) {
    QFile f(QString("%1/Memo %2.%3").arg(dir).arg(i).arg(exts[i % 4]));
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(i % 97, 'x'));
  }
  components::MessageTexts texts;

  std::vector<double> ours, peer, gaps;
  for (int i = 0; i < rounds + 1; ++i) {
    double p = lsMs(dir);
    Fill f = fillList(texts, dir, files, start);
    if (p < 0 || f.ms < 0) {
      std::fprintf(stderr, "bench_pclist: a run failed (ls %.1f ms, list %.1f ms)\n", p, f.ms);
      return 1;
    }
    if (i == 0) continue;  // warm-up: page cache, icon and MIME caches
    ours.push_back(f.ms);
    peer.push_back(p);
    gaps.push_back(f.longestGapMs);
  }
  double mo = median(ours), mp = median(peer);
  std::printf("choosing a folder of %d files until the list is filled and sorted (offscreen, median of %d runs)\n",
              files, rounds);
  std::printf("  PC list      %8.1f ms\n", mo);
  std::printf("  ls -l        %8.1f ms\n", mp);
  std::printf("  ratio        %8.2f  (goal: at most 3)\n", mo / mp);
  std::printf("  longest time the window did not answer while the list filled: %.1f ms (median), %.1f ms (worst)\n",
              median(gaps), *std::max_element(gaps.begin(), gaps.end()));
  return 0;
}
