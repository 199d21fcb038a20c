// The library's one recorder: the chip image named by Q417_IMAGE, attached
// while the file exists. Faults come from Q417IO_FAULTS and last for the
// life of the process, as a pulled cable does.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "q417io.h"
#include "q417io/Flash.h"

namespace {

struct Library {
  std::mutex mutex;
  std::unique_ptr<q417io::Flash> flash;
  q417io::FaultPlan faults;
  bool faultsBroken = false;
  bool linkLost = false;  // survives reopening: the cut is for the process
  uint64_t counted = 0;
  std::atomic<Q417Window *> window{nullptr};
  std::thread watcher;
  int stopPipe[2] = {-1, -1};

  Library() {
    if (const char *spec = std::getenv("Q417IO_FAULTS")) {
      std::string error;
      auto plan = q417io::parseFaults(spec, &error);
      if (plan)
        faults = *plan;
      else {
        std::fprintf(stderr, "q417io: Q417IO_FAULTS: %s\n", error.c_str());
        faultsBroken = true;
      }
    }
  }

  ~Library() {
    if (watcher.joinable()) {
      [[maybe_unused]] auto n = ::write(stopPipe[1], "x", 1);
      watcher.join();
    }
  }

  static std::string imagePath() {
    const char *p = std::getenv("Q417_IMAGE");
    return p ? p : "";
  }

  // Opens the image when it is not open yet. Caller holds the mutex.
  bool ensureOpen() {
    if (faultsBroken || linkLost) return false;
    if (flash) return true;
    std::string path = imagePath();
    if (path.empty()) return false;
    auto storage = q417io::ImageStorage::open(path, nullptr);
    if (!storage) return false;
    flash = std::make_unique<q417io::Flash>(std::move(storage));
    flash->faults() = faults;
    for (uint32_t b : q417io::readFactoryBadBlocks(path)) flash->faults().bad.insert(b);
    return true;
  }

  // After each operation: a lost link stays lost for the process.
  // After each operation. A lost link stays lost for the process; true the
  // first time, when the window is to hear of it as of a pulled cable.
  bool noteLink() {
    bool justLost = false;
    if (flash && !flash->linked() && !linkLost) {
      linkLost = true;
      justLost = true;
    }
    if (flash) faults = flash->faults();  // consumed damaged reads stay consumed
    return justLost;
  }

  void reportRemoval() {
    Q417Window *w = window.load();
    if (w && w->proc) w->proc(w->context, Q417_DEVICE_REMOVECOMPLETE);
  }

  // Runs one block operation under the lock; a link lost by it is reported
  // after the lock is released, so that the window may call back.
  template <class Op>
  int operate(Op op) {
    int r = 0;
    bool lost = false;
    {
      std::lock_guard lock(mutex);
      if (!ensureOpen()) return 0;
      r = op(*flash);
      lost = noteLink();
    }
    if (lost) reportRemoval();
    return r;
  }

  void watch();
};

uint64_t fileSize(const std::string &path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
}

Library &lib() {
  static Library instance;
  return instance;
}

void Library::watch() {
  std::string path = imagePath();
  if (path.empty()) return;
  std::filesystem::path image(path);
  std::string dir = image.parent_path().empty() ? "." : image.parent_path().string();
  std::string name = image.filename().string();
  int fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd < 0) return;
  auto report = [this](uint32_t event) {
    Q417Window *w = window.load();
    if (w && w->proc) w->proc(w->context, event);
  };
  auto chipPresent = [&path] { return q417io::blocksForImageSize(fileSize(path)) != 0; };
  // Arrival and removal are reported once each, whatever sequence of file
  // events makes them: a copy closes the file many times, a rename none.
  bool watching = false;
  bool present = chipPresent();
  alignas(inotify_event) char buf[8192];
  for (;;) {
    if (!watching) {
      // The folder may not exist yet: look again every second.
      watching = ::inotify_add_watch(fd, dir.c_str(),
                                     IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF |
                                         IN_MOVE_SELF) >= 0;
      if (watching && chipPresent() != present) {
        present = !present;
        report(present ? Q417_DEVICE_ARRIVAL : Q417_DEVICE_REMOVECOMPLETE);
      }
    }
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, watching ? -1 : 1000) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) break;
    ssize_t n = ::read(fd, buf, sizeof buf);
    for (ssize_t i = 0; i < n;) {
      auto *ev = reinterpret_cast<inotify_event *>(buf + i);
      i += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      if (ev->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
        watching = false;  // the folder itself went away
        continue;
      }
      if (ev->len == 0 || name != ev->name) continue;
      bool now = chipPresent();
      if (now == present) continue;
      present = now;
      if (!now) {
        std::lock_guard lock(mutex);
        flash.reset();
      }
      report(now ? Q417_DEVICE_ARRIVAL : Q417_DEVICE_REMOVECOMPLETE);
    }
    if (!watching && present && !chipPresent()) {
      present = false;
      {
        std::lock_guard lock(mutex);
        flash.reset();
      }
      report(Q417_DEVICE_REMOVECOMPLETE);
    }
  }
  ::close(fd);
}

}  // namespace

extern "C" {

unsigned char SSFDCInitialize(int) {
  auto &l = lib();
  std::lock_guard lock(l.mutex);
  return l.ensureOpen() ? 1 : 0;
}

Q417Handle DEVICEGetHandle(void) {
  auto &l = lib();
  std::lock_guard lock(l.mutex);
  if (!l.flash) return -1;
  auto *image = dynamic_cast<q417io::ImageStorage *>(&l.flash->storage());
  return image ? ::fcntl(image->fd(), F_DUPFD_CLOEXEC, 0) : -1;
}

void DEVICESetHandle(Q417Handle handle) {
  auto &l = lib();
  std::lock_guard lock(l.mutex);
  if (handle == -1) l.flash.reset();
}

Q417Handle RegisterUsbDeviceNotificationByInterface(Q417Window *window) {
  auto &l = lib();
  std::lock_guard lock(l.mutex);
  l.window.store(window);
  if (!l.watcher.joinable()) {
    if (::pipe2(l.stopPipe, O_CLOEXEC) != 0) return -1;
    l.watcher = std::thread([&l] { l.watch(); });
  }
  return 1;
}

uint16_t SSFDCGetFlashIDLun(int) {
  auto &l = lib();
  std::lock_guard lock(l.mutex);
  if (!l.ensureOpen()) return 0;
  return l.flash->id();
}

int SSFDCReadBlockEx(unsigned char *buffer, uint32_t block, int) {
  if (!buffer) return 0;
  return lib().operate([&](q417io::Flash &f) { return f.read(buffer, block); });
}

int SSFDCEraseBlock(uint32_t block, int) {
  return lib().operate([&](q417io::Flash &f) { return f.erase(block); });
}

int SSFDCWriteBlockEx(unsigned char *buffer, uint32_t block, int) {
  if (!buffer) return 0;
  return lib().operate([&](q417io::Flash &f) { return f.write(buffer, block); });
}

}  // extern "C"
