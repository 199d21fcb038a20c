#include "player/DiagnosticKeys.h"

#include <utility>

namespace player {

namespace {

// Qt's codes for keys without a character (Qt::Key_Escape = 0x01000000 on)
// and the virtual key codes they stand for.
constexpr std::pair<int, uint8_t> kSpecialKeys[] = {
    {0x01000000, 0x1B},  // Escape
    {0x01000001, 0x09},  // Tab
    {0x01000002, 0x09},  // Backtab
    {0x01000003, 0x08},  // Backspace
    {0x01000004, 0x0D},  // Return
    {0x01000005, 0x0D},  // Enter
    {0x01000006, 0x2D},  // Insert
    {0x01000007, 0x2E},  // Delete
    {0x01000008, 0x13},  // Pause
    {0x01000009, 0x2C},  // Print
    {0x01000010, 0x24},  // Home
    {0x01000011, 0x23},  // End
    {0x01000012, 0x25},  // Left
    {0x01000013, 0x26},  // Up
    {0x01000014, 0x27},  // Right
    {0x01000015, 0x28},  // Down
    {0x01000016, 0x21},  // PageUp
    {0x01000017, 0x22},  // PageDown
    {0x01000020, 0x10},  // Shift
    {0x01000021, 0x11},  // Control
    {0x01000022, 0x5B},  // Meta
    {0x01000023, 0x12},  // Alt
    {0x01000024, 0x14},  // CapsLock
    {0x01000025, 0x90},  // NumLock
    {0x01000026, 0x91},  // ScrollLock
};

constexpr int kQtKeyF1 = 0x01000030, kQtKeyF24 = 0x01000047;

}  // namespace

char virtualKeyChar(int key) {
  if (key >= 'a' && key <= 'z') return static_cast<char>(key - 'a' + 'A');
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ') return static_cast<char>(key);
  if (key >= kQtKeyF1 && key <= kQtKeyF24) return static_cast<char>(0x70 + (key - kQtKeyF1));
  for (auto [qt, vk] : kSpecialKeys)
    if (qt == key) return static_cast<char>(vk);
  return 0;
}

bool DiagnosticKeys::press(int key) {
  buffer_.push_back(virtualKeyChar(key));
  if (buffer_.size() < 4) return false;
  bool match = buffer_ == kCode;
  buffer_.clear();
  return match;
}

}  // namespace player
