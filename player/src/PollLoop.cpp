#include "player/PollLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>

namespace player {

namespace {

// The write end of the pipe that the signal handler writes to.
std::atomic<int> interruptFd{-1};

extern "C" void onInterrupt(int) {
  int saved = errno;
  int fd = interruptFd.load();
  if (fd >= 0) {
    char c = 'i';
    [[maybe_unused]] ssize_t n = ::write(fd, &c, 1);
  }
  errno = saved;
}

}  // namespace

// Ctrl-C through a self-pipe: the handler only writes a byte, the loop
// watches the read end. SA_RESETHAND gives a second Ctrl-C its usual effect,
// should the stop that the first one asked for not come.
class PollLoop::Interrupt {
 public:
  Interrupt() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
      fds_[0] = fds_[1] = -1;
      return;
    }
    previousFd_ = interruptFd.exchange(fds_[1]);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
  }
  ~Interrupt() {
    if (installed_) ::sigaction(SIGINT, &previous_, nullptr);
    if (fds_[1] >= 0) interruptFd.store(previousFd_);
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  Interrupt(const Interrupt &) = delete;
  Interrupt &operator=(const Interrupt &) = delete;

  int descriptor() const { return fds_[0]; }
  // Empties the pipe; true when Ctrl-C was pressed.
  bool take() {
    bool any = false;
    char buf[16];
    while (fds_[0] >= 0 && ::read(fds_[0], buf, sizeof buf) > 0) any = true;
    return any;
  }

 private:
  int fds_[2] = {-1, -1};
  int previousFd_ = -1;
  struct sigaction previous_ {};
  bool installed_ = false;
};

PollLoop::PollLoop(components::wave::DoneQueue &queue, bool catchInterrupt) : queue_(queue) {
  if (catchInterrupt) interrupt_ = std::make_unique<Interrupt>();
}

PollLoop::~PollLoop() = default;

void PollLoop::start(Timer &timer, bool running) {
  if (running && !timer.running) timer.next = Clock::now() + timer.interval;
  timer.running = running;
}

void PollLoop::runDisplayTimer(bool running) { start(display_, running); }
void PollLoop::runMpegTimer(bool running) { start(mpeg_, running); }
void PollLoop::post(std::function<void()> event) { posted_.push_back(std::move(event)); }

void PollLoop::tick(Timer &timer, Clock::time_point now, const std::function<void()> &handler) {
  if (!timer.running || now < timer.next) return;
  timer.next += timer.interval;
  if (timer.next <= now) timer.next = now + timer.interval;
  if (handler) handler();
}

void PollLoop::runPosted() {
  // Those posted meanwhile wait for the next round.
  size_t n = posted_.size();
  while (n-- > 0 && !posted_.empty()) {
    std::function<void()> event = std::move(posted_.front());
    posted_.pop_front();
    event();
  }
}

int PollLoop::timeoutMs(Clock::time_point now, Clock::time_point deadline) const {
  if (!posted_.empty()) return 0;
  Clock::time_point wake = deadline;
  if (display_.running) wake = std::min(wake, display_.next);
  if (mpeg_.running) wake = std::min(wake, mpeg_.next);
  if (wake == Clock::time_point::max()) return -1;
  if (wake <= now) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
  return int(std::min<decltype(ms)>(ms, INT_MAX));
}

PollLoop::End PollLoop::run(const std::function<bool()> &done, Clock::duration limit) {
  const Clock::time_point begin = Clock::now();
  const Clock::time_point deadline =
      limit >= Clock::time_point::max() - begin ? Clock::time_point::max() : begin + limit;
  const int queueFd = queue_.descriptor();
  for (;;) {
    if (done && done()) return End::Done;
    Clock::time_point now = Clock::now();
    if (now >= deadline) return End::TimedOut;

    pollfd fds[2];
    nfds_t n = 0;
    if (queueFd >= 0) fds[n++] = {queueFd, POLLIN, 0};
    const int interruptIndex = interrupt_ && interrupt_->descriptor() >= 0 ? int(n) : -1;
    if (interruptIndex >= 0) fds[n++] = {interrupt_->descriptor(), POLLIN, 0};
    int timeout = timeoutMs(now, deadline);
    // Without a descriptor the queue is looked at every few milliseconds.
    if (queueFd < 0 && (timeout < 0 || timeout > 5)) timeout = 5;
    int ready = ::poll(fds, n, timeout);
    // Should poll() itself fail, the loop goes on as a polling one.
    if (ready < 0 && errno != EINTR) ::usleep(5000);

    if (interruptIndex >= 0 && interrupt_->take()) return End::Interrupted;
    // One buffer at a time, so that the run ends at the buffer that ends
    // it (a recording's length); dispatching also empties the descriptor
    // when what it signalled is gone.
    if ((queueFd >= 0 && ready > 0 && (fds[0].revents & POLLIN)) || queue_.pending() > 0) {
      for (size_t n = std::max<size_t>(queue_.pending(), 1); n > 0; --n) {
        queue_.dispatch(1);
        if (done && done()) return End::Done;
      }
    }
    now = Clock::now();
    tick(display_, now, onDisplayTimer);
    tick(mpeg_, now, onMpegTimer);
    runPosted();
  }
}

}  // namespace player
