// Reads the files of one folder on a thread of its own, so that a folder of
// thousands of files never holds up the window. Each read has a generation:
// starting another read (or stopping) makes every older read stop at its
// next entry, and batches of older reads are never handed out. The thread
// uses readdir and fstatat, the MIME database by name and a collator of its
// own; it touches no object of the window. A callback tells the owner that
// batches wait; the owner takes them on its own thread.
//
// Listed: regular files, links to them and hidden ones; not folders, links
// to folders, broken links, devices, pipes or sockets.
#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pc {

struct FileEntry {
  FileEntry(QString name, QCollatorSortKey key) : name(std::move(name)), sortKey(std::move(key)) {}
  QString name;
  QCollatorSortKey sortKey;  // by nameCollator()
  std::int64_t size = 0;
  std::int64_t modifiedMs = 0;  // since the epoch
  QString typeKey;  // see TypeKeys
};

struct FolderBatch {
  std::uint64_t generation = 0;
  std::vector<FileEntry> entries;
  bool last = false;  // the read is complete
  int error = 0;      // errno when the folder could not be read (last batch)
};

class FolderReader {
 public:
  // wake runs on the reading thread when a batch has been queued and none
  // was waiting; it must only post to the owner's thread.
  explicit FolderReader(std::function<void()> wake = {});
  ~FolderReader();  // stops every read and waits for its thread
  FolderReader(const FolderReader &) = delete;
  FolderReader &operator=(const FolderReader &) = delete;

  // Starts reading dir; older reads stop. Returns the new generation.
  std::uint64_t start(const QString &dir);
  // Stops the read in flight; its batches are dropped.
  void stop();
  std::uint64_t generation() const { return shared_->current.load(); }

  // The batches of the current read that have arrived, oldest first.
  std::vector<FolderBatch> take();

  // How many entries go in one batch at most; a batch also leaves after a
  // few milliseconds with what it has.
  static constexpr std::size_t kBatchEntries = 512;

 private:
  struct Shared {
    std::mutex mutex;
    std::deque<FolderBatch> queue;
    std::atomic<std::uint64_t> current{0};
    bool wakePending = false;
    std::function<void()> wake;
  };
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  static void read(std::shared_ptr<Shared> shared, std::uint64_t generation, QByteArray dir, QLocale locale,
                   std::shared_ptr<std::atomic<bool>> done);
  void joinFinished();

  std::shared_ptr<Shared> shared_;
  std::vector<Worker> workers_;
};

// The order of names in the PC browser: the locale's collation without
// regard to case, numbers by value ("Memo 2" before "Memo 10"). The C
// locale has no collation of its own and no numeric mode; it gets the
// neutral (English) one.
QCollator nameCollator(const QLocale &locale = QLocale());

}  // namespace pc
