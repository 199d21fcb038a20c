// A ring of values between one producer and one consumer thread, without a
// lock: push() on the producer's side, front() and pop() on the consumer's.
// Its capacity changes only through grow(), while the caller keeps both
// sides out.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <vector>

namespace components::wave {

template <class T>
class SpscRing {
 public:
  explicit SpscRing(size_t capacity) : slots_(std::bit_ceil(capacity < 2 ? size_t(2) : capacity)) {}

  size_t capacity() const { return slots_.size(); }

  // Producer. False when full.
  bool push(const T &value) {
    size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == slots_.size()) return false;
    slots_[tail & (slots_.size() - 1)] = value;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Consumer. The oldest value, or null when empty.
  T *front() {
    size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    return &slots_[head & (slots_.size() - 1)];
  }
  void pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

  // Either side; exact only on the consumer's.
  bool empty() const { return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire); }

  // Neither side may run meanwhile. Keeps the values in order.
  void grow(size_t capacity) {
    std::vector<T> slots(std::bit_ceil(capacity));
    size_t head = head_.load(std::memory_order_relaxed), tail = tail_.load(std::memory_order_relaxed);
    if (tail - head > slots.size()) return;
    size_t n = 0;
    for (size_t at = head; at != tail; ++at) slots[n++] = slots_[at & (slots_.size() - 1)];
    slots_.swap(slots);
    head_.store(0, std::memory_order_relaxed);
    tail_.store(n, std::memory_order_relaxed);
  }

 private:
  std::vector<T> slots_;
  alignas(64) std::atomic<size_t> head_{0};
  alignas(64) std::atomic<size_t> tail_{0};
};

}  // namespace components::wave
