// The event loop of a player without windows: poll() over the done queue's
// descriptor (the voice output's and the recording input's buffer events),
// the 100 ms display timer and the 30 ms MP3 timer, the events posted
// through PlayerEvents::post and, when asked, Ctrl-C. Everything it calls
// runs on the thread that calls run().
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include "components/wave/DoneQueue.h"
#include "player/PlayerViews.h"

namespace player {

class PollLoop final : public PlayerEvents {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kDisplayInterval{100};
  static constexpr std::chrono::milliseconds kMpegInterval{30};

  // With catchInterrupt, SIGINT is caught while the loop exists: the first
  // Ctrl-C ends run() with Interrupted, a second one ends the program as
  // usual. The previous handling comes back with the destructor.
  explicit PollLoop(components::wave::DoneQueue &queue, bool catchInterrupt = false);
  ~PollLoop() override;
  PollLoop(const PollLoop &) = delete;
  PollLoop &operator=(const PollLoop &) = delete;

  // The timers' ticks: Player::OnTimPlayDisplayTimer and Player::OnMpegTimer.
  std::function<void()> onDisplayTimer;
  std::function<void()> onMpegTimer;

  void runDisplayTimer(bool running) override;
  void runMpegTimer(bool running) override;
  void post(std::function<void()> event) override;

  bool displayTimerRunning() const { return display_.running; }
  bool mpegTimerRunning() const { return mpeg_.running; }
  size_t postedEvents() const { return posted_.size(); }

  enum class End { Done, Interrupted, TimedOut };
  // Runs events until `done` holds (asked before the first wait and after
  // every round of events), Ctrl-C arrives or `limit` has passed.
  End run(const std::function<bool()> &done, Clock::duration limit = Clock::duration::max());
  // Drops the posted events that have not run (their target is going away).
  void dropPosted() { posted_.clear(); }

 private:
  struct Timer {
    bool running = false;
    Clock::time_point next{};
    Clock::duration interval{};
  };
  class Interrupt;

  static void start(Timer &timer, bool running);
  // Runs the timer's tick when it is due; the next one is a whole interval
  // on (ticks that were missed are not made up).
  static void tick(Timer &timer, Clock::time_point now, const std::function<void()> &handler);
  void runPosted();
  int timeoutMs(Clock::time_point now, Clock::time_point deadline) const;

  components::wave::DoneQueue &queue_;
  std::unique_ptr<Interrupt> interrupt_;
  Timer display_{false, {}, kDisplayInterval};
  Timer mpeg_{false, {}, kMpegInterval};
  std::deque<std::function<void()>> posted_;
};

}  // namespace player
