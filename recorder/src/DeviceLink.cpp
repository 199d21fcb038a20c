#include "recorder/DeviceLink.h"

namespace recorder {

DeviceLink::DeviceLink(FlashIo &io, DeviceLinkView &view, components::JobUi &ui, HandleCloser closeHandle)
    : view_(view), ui_(ui), closeHandle_(std::move(closeHandle)) {
  link_.io = &io;
  link_.onDisconnect = [this] { DisconnectUSB(); };
}

void DeviceLink::StartLink(Q417Window *window) {
  link_.deviceHandle = -1;
  link_.notificationHandle = -1;
  link_.deviceOpen = false;
  try {
    link_.notificationHandle = link_.io->registerNotification(window);
    if (link_.io->initialize()) {
      link_.deviceOpen = true;
      link_.deviceHandle = link_.io->deviceHandle();
    }
  } catch (...) {
    // A library that raises here leaves the link closed; the timer polls on.
  }
}

void DeviceLink::OpenFlash() {
  try {
    link_.io->initialize();
  } catch (...) {
  }
  view_.setAutoConnectTimer(true);
}

bool DeviceLink::InitializeFlash(bool keepBadBlocks) {
  bool known = link_.geometry.setFromFlashId(flashId_);
  if (!keepBadBlocks && hooks_) hooks_->clearBadBlocks();
  return known;
}

std::string DeviceLink::capacityText() const { return std::to_string(link_.geometry.capacityMB()) + " MB"; }

void DeviceLink::refreshIndicators() { view_.showIndicators(link_.connected, link_.indexed); }

void DeviceLink::indicatorsOff() {
  link_.connected = false;
  link_.indexed = false;
  refreshIndicators();
}

void DeviceLink::OnTimUSBAutoConnectTimer() {
  if (link_.connected) return;
  if (!link_.deviceOpen) {
    indicatorsOff();
    return;
  }
  bool noticeShown = false;
  try {
    flashId_ = link_.io->flashId();
    // No chip yet, or one of a size the recorder never has: poll on silently.
    FlashGeometry probe;
    if (flashId_ == 0 || !probe.setFromFlashId(flashId_)) {
      indicatorsOff();
      return;
    }
    link_.connected = true;
    refreshIndicators();
    view_.setAutoConnectTimer(false);
    link_.deviceOpen = true;
    InitializeFlash(false);
    view_.enableRecorderPanel(true);
    if (!hooks_) {
      view_.showCapacity(capacityText());
      return;
    }

    view_.enableMainWindow(false);
    ui_.noticeOpen(ui_.text("FM_Caption_text2"));
    noticeShown = true;
    ui_.pump();
    bool read = hooks_->GetFlashIndex();
    refreshIndicators();
    // A failed read has reported its cause; the notice must not stay up
    // over the main window either way.
    ui_.noticeClose();
    noticeShown = false;
    view_.enableMainWindow(true);
    if (!read || !link_.indexed) return;

    view_.enableMainWindow(false);
    hooks_->CheckFlashRemainJob();
    view_.enableMainWindow(true);
    refreshIndicators();
    if (link_.deviceOpen) hooks_->BuildFlashFolder();
    hooks_->RefreshFlashFolderInfo(1, false);
    view_.focusRecorderFolder(1);
    view_.showCapacity(capacityText());
  } catch (...) {
    indicatorsOff();
    if (noticeShown) ui_.noticeClose();
    view_.enableMainWindow(true);
  }
}

void DeviceLink::OnDeviceChange(uint32_t event) {
  switch (event) {
    case Q417_DEVICE_ARRIVAL:
      // A second arrival while the device is open changes nothing.
      if (link_.deviceHandle != -1) return;
      try {
        if (link_.io->initialize()) {
          link_.deviceOpen = true;
          link_.deviceHandle = link_.io->deviceHandle();
          view_.closeActiveModal(kModalResultDeviceArrival);
        } else {
          link_.io->setDeviceHandle(-1);
          link_.deviceHandle = -1;
        }
      } catch (...) {
        link_.deviceHandle = -1;
      }
      return;
    case Q417_DEVICE_QUERYREMOVE:
    case Q417_DEVICE_REMOVEPENDING:
    case Q417_DEVICE_REMOVECOMPLETE:
      if (link_.deviceHandle != -1) {
        if (closeHandle_) closeHandle_(link_.deviceHandle);
        try {
          link_.io->setDeviceHandle(-1);
        } catch (...) {
        }
        link_.deviceHandle = -1;
      }
      DisconnectUSB();
      if (!view_.autoConnectTimerRunning()) view_.setAutoConnectTimer(true);
      return;
    default:
      return;
  }
}

void DeviceLink::DisconnectUSB() {
  if (!link_.deviceOpen) return;
  link_.deviceOpen = false;
  try {
    if (hooks_) hooks_->ClearFlashFolder();
    view_.showCapacity("");
    view_.collapseRecorderFolders();
  } catch (...) {
  }
  indicatorsOff();
  view_.enableRecorderPanel(false);
}

void DeviceLink::Shutdown() {
  if (view_.autoConnectTimerRunning()) view_.setAutoConnectTimer(false);
  if (link_.connected) DisconnectUSB();
}

}  // namespace recorder
