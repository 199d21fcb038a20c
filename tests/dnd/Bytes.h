// Reading the little-endian fields of the drag formats in tests.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <string>

namespace dndtest {

inline std::uint32_t u32At(const QByteArray &bytes, qsizetype offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
  return value;
}

inline std::string bytesAt(const QByteArray &bytes, qsizetype offset, qsizetype size) {
  return bytes.mid(offset, size).toStdString();
}

// The zero-terminated string that starts at offset.
inline std::string cStringAt(const QByteArray &bytes, qsizetype offset) {
  return std::string(bytes.constData() + offset);
}

}  // namespace dndtest
