/* Recorder flash I/O library: the eight calls through which the application
 * reaches the recorder's NAND flash, one erase block at a time.
 * A raw block is 64 pages of 2048 data bytes, each followed by its 64 spare
 * bytes (135168 bytes in all). */
#ifndef Q417IO_H
#define Q417IO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define Q417IO_API __attribute__((visibility("default")))

typedef intptr_t Q417Handle;

/* Device-change events, as the recorder's arrival and removal are reported. */
enum {
  Q417_DEVICE_ARRIVAL = 0x8000,
  Q417_DEVICE_QUERYREMOVE = 0x8001,
  Q417_DEVICE_REMOVEPENDING = 0x8003,
  Q417_DEVICE_REMOVECOMPLETE = 0x8004
};

/* The window that receives device-change events. The procedure may be called
 * on a thread of the library's own; the receiver hands the event on to its
 * main thread. */
typedef void (*Q417DeviceChangeProc)(void *context, uint32_t event);
typedef struct Q417Window {
  Q417DeviceChangeProc proc;
  void *context;
} Q417Window;

/* Non-zero when the recorder was found and is ready. lun: 0. */
Q417IO_API unsigned char SSFDCInitialize(int lun);
/* The device handle (a file descriptor the caller owns and closes), -1 when none. */
Q417IO_API Q417Handle DEVICEGetHandle(void);
/* -1: the library forgets its device handle. */
Q417IO_API void DEVICESetHandle(Q417Handle handle);
/* Registers the window for arrival and removal events; returns a notification handle. */
Q417IO_API Q417Handle RegisterUsbDeviceNotificationByInterface(Q417Window *window);
/* 16-bit flash identifier, 0 while no chip answers; the low byte is the device code. lun: 0. */
Q417IO_API uint16_t SSFDCGetFlashIDLun(int lun);
/* 1 when the whole block was read into buffer. count: 1. */
Q417IO_API int SSFDCReadBlockEx(unsigned char *buffer, uint32_t block, int count);
/* 1 when the block was erased (all bytes 0xFF). count: 1. */
Q417IO_API int SSFDCEraseBlock(uint32_t block, int count);
/* 1 when the whole block, data and spare, was programmed. count: 1. */
Q417IO_API int SSFDCWriteBlockEx(unsigned char *buffer, uint32_t block, int count);

#ifdef __cplusplus
}
#endif

#endif
