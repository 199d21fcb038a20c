// Keeps the player's commands and device events from running inside one
// another. A block read of the recorder lets events run while it retries,
// and a message box runs a modal loop: a Stop, Seek, Play, a buffer event or
// a pulled cable arriving then must wait until the running command is done.
// Each entry point holds the gate while it runs; what arrives meanwhile is
// queued and runs, in order, once the outermost holder lets go.
#pragma once

#include <deque>
#include <functional>

namespace player {

class CommandGate {
 public:
  bool busy() const { return depth_ > 0; }
  void defer(std::function<void()> call) { deferred_.push_back(std::move(call)); }
  size_t waiting() const { return deferred_.size(); }

  class Hold {
   public:
    explicit Hold(CommandGate &gate) : gate_(gate) { ++gate_.depth_; }
    ~Hold() {
      if (--gate_.depth_ == 0) gate_.drain();
    }
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

   private:
    CommandGate &gate_;
  };

  // Runs call now, holding the gate, or, while another holder runs, once
  // the outermost one lets go (holding the gate then too).
  void run(std::function<void()> call) {
    if (busy()) {
      defer([this, call = std::move(call)]() mutable { run(std::move(call)); });
      return;
    }
    Hold hold(*this);
    call();
  }

 private:
  void drain() {
    if (draining_) return;
    draining_ = true;
    while (!deferred_.empty() && depth_ == 0) {
      std::function<void()> call = std::move(deferred_.front());
      deferred_.pop_front();
      call();
    }
    draining_ = false;
  }

  int depth_ = 0;
  bool draining_ = false;
  std::deque<std::function<void()>> deferred_;
};

}  // namespace player
