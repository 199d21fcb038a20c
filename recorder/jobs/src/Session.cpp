#include "recorder/jobs/Session.h"

namespace recorder::jobs {

void HeadlessPanelView::setFolderNodeText(int folder, const std::string &text) {
  if (folder >= 1 && folder < static_cast<int>(nodeTexts.size())) nodeTexts[static_cast<size_t>(folder)] = text;
}

void HeadlessPanelView::removeFileRow(int index) {
  if (index >= 0 && index < static_cast<int>(rows.size())) rows.erase(rows.begin() + index);
}

Session::Session(FlashIo &io, components::JobUi &ui, DeviceLink::HandleCloser closeHandle)
    : device_(io, linkView_, ui, std::move(closeHandle)),
      volume_(device_.link(), ui),
      panel_(volume_, panelView_) {
  device_.setHooks(&panel_);
  panel_.remainJob = [this] { recovery_ = Recovery(volume_, &panel_).CheckFlashRemainJob(); };
}

Session::~Session() {
  // Gives the device handle back, as a removal would.
  if (link().deviceHandle != -1) device_.OnDeviceChange(Q417_DEVICE_REMOVECOMPLETE);
}

bool Session::connect() {
  recovery_ = {};
  if (link().deviceHandle == -1) device_.OnDeviceChange(Q417_DEVICE_ARRIVAL);
  device_.OnTimUSBAutoConnectTimer();
  return link().connected && link().indexed;
}

bool Session::identify() {
  Link &l = link();
  if (!l.deviceOpen) {
    if (l.deviceHandle != -1) device_.OnDeviceChange(Q417_DEVICE_REMOVECOMPLETE);
    device_.OnDeviceChange(Q417_DEVICE_ARRIVAL);
  }
  if (!l.deviceOpen) return false;
  uint16_t id = 0;
  try {
    id = l.io->flashId();
  } catch (...) {
    return false;
  }
  if (id == 0 || !l.geometry.setFromFlashId(id)) return false;
  l.connected = true;
  l.indexed = false;
  device_.refreshIndicators();
  return true;
}

void Session::pollLink() {
  Link &l = link();
  if (!l.deviceOpen || !l.io) return;
  uint16_t id = 0;
  try {
    id = l.io->flashId();
  } catch (...) {
    id = 0;
  }
  if (id == 0) device_.OnDeviceChange(Q417_DEVICE_REMOVECOMPLETE);
}

}  // namespace recorder::jobs
