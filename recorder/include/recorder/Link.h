// The recorder link as every recorder operation sees it: the I/O library,
// the flash geometry and the link state. One instance, owned by the
// application (the device link of the main window); operations take it by
// reference.
#pragma once

#include <functional>

#include "recorder/FlashIo.h"
#include "recorder/Geometry.h"

namespace recorder {

struct Link {
  FlashIo *io = nullptr;
  FlashGeometry geometry;
  bool deviceOpen = false;             // the library reported the recorder ready
  Q417Handle deviceHandle = -1;
  Q417Handle notificationHandle = -1;
  bool connected = false;              // m_LedUSBConnect
  bool indexed = false;                // m_LedFlashIndex: the system block is loaded and valid
  // DisconnectUSB of the owner. Operations that find the link gone call it.
  std::function<void()> onDisconnect;

  void DisconnectUSB() {
    if (onDisconnect) {
      onDisconnect();
    } else {
      deviceOpen = false;
      connected = false;
      indexed = false;
    }
  }
};

// What the connection sequence asks of the recorder's file system and of
// the recorder panel once the chip is identified.
class ConnectionHooks {
 public:
  virtual ~ConnectionHooks() = default;
  // InitializeFlash(false) empties the in-memory bad-block list through this.
  virtual void clearBadBlocks() = 0;
  // GetFlashIndex: loads the system block and the directory; false when it failed
  // (the cause has been reported). Sets Link::indexed on success.
  virtual bool GetFlashIndex() = 0;
  // CheckFlashRemainJob: completes an interrupted job.
  virtual void CheckFlashRemainJob() = 0;
  // BuildFlashFolder, RefreshFlashFolderInfo(folder, keepSelection), ClearFlashFolder.
  virtual void BuildFlashFolder() = 0;
  virtual void RefreshFlashFolderInfo(int folder, bool keepSelection) = 0;
  virtual void ClearFlashFolder() = 0;
};

}  // namespace recorder
