#include "app/DeviceEvents.h"

#include <QMetaObject>
#include <QPointer>
#include <memory>
#include <mutex>
#include <vector>

namespace app {

struct DeviceEvents::Slot {
  Q417Window window{};
  std::mutex mutex;
  DeviceEvents *target = nullptr;

  static void proc(void *context, uint32_t event) {
    auto *slot = static_cast<Slot *>(context);
    std::lock_guard lock(slot->mutex);
    DeviceEvents *target = slot->target;
    if (!target) return;
    // Posted under the lock: the target cannot be destroyed in between, and
    // Qt drops the call if it is destroyed before the call runs.
    QMetaObject::invokeMethod(
        target, [target, event] { target->handler_(event); }, Qt::QueuedConnection);
  }
};

namespace {

// Slots live until the process ends: the library may call a registered
// window at any time, even after its receiver is gone.
DeviceEvents::Slot *newSlot() {
  static std::mutex mutex;
  static auto *registry = new std::vector<std::unique_ptr<DeviceEvents::Slot>>;
  std::lock_guard lock(mutex);
  return registry->emplace_back(std::make_unique<DeviceEvents::Slot>()).get();
}

}  // namespace

DeviceEvents::DeviceEvents(Handler handler, QObject *parent)
    : QObject(parent), slot_(newSlot()), handler_(std::move(handler)) {
  slot_->window.proc = &Slot::proc;
  slot_->window.context = slot_;
  slot_->target = this;
}

DeviceEvents::~DeviceEvents() {
  std::lock_guard lock(slot_->mutex);
  slot_->target = nullptr;
}

Q417Window *DeviceEvents::window() const { return &slot_->window; }

}  // namespace app
