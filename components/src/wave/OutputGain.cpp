#include "components/wave/OutputGain.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace components::wave {

namespace {
std::atomic<float> gain{kUnityGain};
static_assert(std::atomic<float>::is_always_lock_free, "the real-time callbacks read the gain");
}  // namespace

void setOutputGain(float value) {
  if (std::isnan(value)) return;
  gain.store(std::clamp(value, 0.0f, kMaxOutputGain), std::memory_order_relaxed);
}

float outputGain() { return gain.load(std::memory_order_relaxed); }

}  // namespace components::wave
