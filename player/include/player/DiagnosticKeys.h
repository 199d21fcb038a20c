// The diagnostic switch of the position slider: every key pressed while the
// slider has the focus adds the character of its virtual key code to a
// buffer of four; the fourth key compares the buffer with "QZTK" and empties
// it, so the code counts only on a four-key boundary from the first key.
#pragma once

#include <cstdint>
#include <string>

namespace player {

// The virtual-key character of a key given as a Qt key code (Qt::Key_A,
// Qt::Key_Return, ...) or as a character ('q'): letters upper-cased, digits
// and the space as they are, the common control keys as their virtual key
// codes, anything else as 0 (still one key).
char virtualKeyChar(int key);

class DiagnosticKeys {
 public:
  static constexpr const char *kCode = "QZTK";

  // True when this key completed the code: the caller toggles the panel.
  bool press(int key);
  const std::string &buffer() const { return buffer_; }

 private:
  std::string buffer_;
};

}  // namespace player
