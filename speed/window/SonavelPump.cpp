#include "SonavelPump.h"

#include "sonavel.h"

namespace speed {

SonavelPump::SonavelPump(QObject *parent) : QObject(parent) {
  const int fd = DllGetEventFd();
  if (fd < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &SonavelPump::dispatch);
}

void SonavelPump::dispatch() { DllDispatchEvents(); }

}  // namespace speed
