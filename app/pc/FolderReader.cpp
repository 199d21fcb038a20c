#include "app/pc/FolderReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "app/pc/TypeKeys.h"

namespace pc {

namespace {

// A batch leaves after this long even when it is not full, so that a slow
// folder shows its first files soon.
constexpr auto kBatchTime = std::chrono::milliseconds(8);

bool isDotOrDotDot(const char *name) { return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2])); }

}  // namespace

QCollator nameCollator(const QLocale &locale) {
  QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  collator.setNumericMode(true);
  return collator;
}

FolderReader::FolderReader(std::function<void()> wake) : shared_(std::make_shared<Shared>()) {
  shared_->wake = std::move(wake);
}

FolderReader::~FolderReader() {
  stop();
  for (Worker &w : workers_)
    if (w.thread.joinable()) w.thread.join();
}

std::uint64_t FolderReader::start(const QString &dir) {
  joinFinished();
  std::uint64_t generation;
  {
    std::lock_guard lock(shared_->mutex);
    generation = ++shared_->current;
    shared_->queue.clear();
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  try {
    workers_.push_back({std::thread(&FolderReader::read, shared_, generation, QFile::encodeName(dir), QLocale(), done),
                        done});
  } catch (const std::system_error &e) {
    // No thread for the read: it ends at once, empty, with the error.
    FolderBatch batch;
    batch.generation = generation;
    batch.last = true;
    batch.error = e.code().value() ? e.code().value() : EAGAIN;
    {
      std::lock_guard lock(shared_->mutex);
      shared_->queue.push_back(std::move(batch));
      shared_->wakePending = true;
    }
    if (shared_->wake) shared_->wake();
  }
  return generation;
}

void FolderReader::stop() {
  std::lock_guard lock(shared_->mutex);
  ++shared_->current;
  shared_->queue.clear();
}

std::vector<FolderBatch> FolderReader::take() {
  std::vector<FolderBatch> batches;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->wakePending = false;
    const std::uint64_t current = shared_->current.load();
    while (!shared_->queue.empty()) {
      if (shared_->queue.front().generation == current) batches.push_back(std::move(shared_->queue.front()));
      shared_->queue.pop_front();
    }
  }
  joinFinished();
  return batches;
}

void FolderReader::joinFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void FolderReader::read(std::shared_ptr<Shared> shared, std::uint64_t generation, QByteArray dir, QLocale locale,
                        std::shared_ptr<std::atomic<bool>> done) {
  auto stale = [&] { return shared->current.load(std::memory_order_relaxed) != generation; };
  auto push = [&](FolderBatch &&batch) {
    bool wake = false;
    {
      std::lock_guard lock(shared->mutex);
      if (stale()) return;
      shared->queue.push_back(std::move(batch));
      wake = !shared->wakePending;
      shared->wakePending = true;
    }
    if (wake && shared->wake) shared->wake();
  };
  FolderBatch batch;
  batch.generation = generation;

  const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR *stream = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!stream) {
    batch.error = errno;
    if (fd >= 0) ::close(fd);
    batch.last = true;
    push(std::move(batch));
    done->store(true);
    return;
  }
  const QCollator collator = nameCollator(locale);
  TypeKeys types;
  auto since = std::chrono::steady_clock::now();
  for (;;) {
    errno = 0;
    const dirent *entry = ::readdir(stream);
    if (!entry) {
      batch.error = errno;
      break;
    }
    if (stale()) break;
    if (isDotOrDotDot(entry->d_name) || entry->d_type == DT_DIR) continue;
    struct stat st;
    // Links are followed: a link to a file is listed as that file.
    if (::fstatat(fd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    QString name = QFile::decodeName(entry->d_name);
    FileEntry file(name, collator.sortKey(name));
    file.size = st.st_size;
    file.modifiedMs = std::int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    file.typeKey = types.of(name);
    batch.entries.push_back(std::move(file));
    const auto now = std::chrono::steady_clock::now();
    if (batch.entries.size() >= kBatchEntries || now - since >= kBatchTime) {
      push(std::move(batch));
      batch = FolderBatch();
      batch.generation = generation;
      since = now;
    }
  }
  ::closedir(stream);
  batch.last = true;
  push(std::move(batch));
  done->store(true);
}

}  // namespace pc
