// Hands the I/O library's arrival and removal events, which come on a thread
// of the library's own, to the main thread.
#pragma once

#include <QObject>
#include <functional>

#include "q417io.h"

namespace app {

class DeviceEvents : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(uint32_t event)>;
  // handler runs on the thread that owns this object.
  explicit DeviceEvents(Handler handler, QObject *parent = nullptr);
  ~DeviceEvents() override;

  // The window to register with the library. It stays valid for the life
  // of the process, so a late event after this object is gone is dropped
  // instead of reaching freed memory.
  Q417Window *window() const;

  struct Slot;

 private:
  Slot *slot_;
  Handler handler_;
};

}  // namespace app
