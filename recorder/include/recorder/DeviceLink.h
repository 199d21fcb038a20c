// The device link: notices the recorder's arrival and removal, identifies its
// flash chip, sets the geometry and runs the connection sequence on each tick
// of the auto-connect timer. Plain C++: the windows reach it through
// DeviceLinkView, the recorder's file system through ConnectionHooks, and the
// notice window and texts through the job UI.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "components/JobUi.h"
#include "recorder/Link.h"

namespace recorder {

// What the link asks of the windows.
class DeviceLinkView {
 public:
  virtual ~DeviceLinkView() = default;
  // m_TimUSBAutoConnect (1 s).
  virtual void setAutoConnectTimer(bool running) = 0;
  virtual bool autoConnectTimerRunning() const = 0;
  // m_LedUSBConnect and m_LedFlashIndex.
  virtual void showIndicators(bool usbConnect, bool flashIndex) = 0;
  // The recorder folder tree and file list.
  virtual void enableRecorderPanel(bool enabled) = 0;
  virtual void enableMainWindow(bool enabled) = 0;
  // Status panel 1: the capacity ("256 MB"), or "" to blank it.
  virtual void showCapacity(const std::string &text) = 0;
  // Makes the folder the current one and focuses it in the folder tree.
  virtual void focusRecorderFolder(int folder) = 0;
  // Collapses the root node of the recorder folder tree.
  virtual void collapseRecorderFolders() = 0;
  // Closes the active modal window, if there is one, with this result.
  virtual void closeActiveModal(int result) = 0;
};

class DeviceLink {
 public:
  // Closes a device handle that the I/O library handed over.
  using HandleCloser = std::function<void(Q417Handle)>;

  DeviceLink(FlashIo &io, DeviceLinkView &view, components::JobUi &ui, HandleCloser closeHandle);
  DeviceLink(const DeviceLink &) = delete;
  DeviceLink &operator=(const DeviceLink &) = delete;

  // The file system's part of the connection sequence. Without hooks the
  // sequence ends once the chip is identified and shows the capacity.
  void setHooks(ConnectionHooks *hooks) { hooks_ = hooks; }
  ConnectionHooks *hooks() const { return hooks_; }

  Link &link() { return link_; }
  const Link &link() const { return link_; }
  const FlashGeometry &geometry() const { return link_.geometry; }

  // Start-up: registers the window for arrival and removal events and
  // initialises the library once; a recorder that answers is opened at once.
  void StartLink(Q417Window *window);
  // Called when the notice window is created: initialises the library
  // (result not used) and starts the auto-connect timer.
  void OpenFlash();
  // Sets the geometry from the stored flash identifier; unless keepBadBlocks,
  // empties the in-memory bad-block list. False for an unknown device code
  // (the geometry stays as it was).
  bool InitializeFlash(bool keepBadBlocks);
  // The auto-connect timer's tick: the connection sequence.
  void OnTimUSBAutoConnectTimer();
  // A device-change event (Q417_DEVICE_*), on the main thread.
  void OnDeviceChange(uint32_t event);
  // Ends the connection in the application.
  void DisconnectUSB();
  // Closing of the main window: the timer stops and a connected recorder is
  // disconnected.
  void Shutdown();

  // Shows the link state in the two indicators; for operations that change
  // Link::indexed.
  void refreshIndicators();
  // "256 MB" from the geometry.
  std::string capacityText() const;
  // The identifier read by the last tick.
  uint16_t storedFlashId() const { return flashId_; }

 private:
  void indicatorsOff();

  Link link_;
  DeviceLinkView &view_;
  components::JobUi &ui_;
  HandleCloser closeHandle_;
  ConnectionHooks *hooks_ = nullptr;
  uint16_t flashId_ = 0;
};

// The modal result with which an arrival closes the active modal window.
inline constexpr int kModalResultDeviceArrival = 10;

}  // namespace recorder
