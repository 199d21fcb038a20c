// Every multi-byte number on the recorder's flash and in a voice file header
// is big-endian, 16 or 24 bits wide.
#pragma once

#include <cstddef>
#include <cstdint>

namespace components {

constexpr uint16_t CharToWord(uint8_t hi, uint8_t lo) { return static_cast<uint16_t>(hi << 8 | lo); }

constexpr uint32_t CharToDWORD(uint8_t a, uint8_t b, uint8_t c) {
  return static_cast<uint32_t>(a) << 16 | static_cast<uint32_t>(b) << 8 | c;
}

// Reads 2 or 3 bytes; any other length gives 0.
constexpr uint32_t ByteArrayToDWORD(const uint8_t *bytes, size_t length) {
  if (length == 2) return CharToWord(bytes[0], bytes[1]);
  if (length == 3) return CharToDWORD(bytes[0], bytes[1], bytes[2]);
  return 0;
}

// Writes the low 2 or 3 bytes of value; any other length writes nothing.
constexpr void DWORDToByteArray(uint32_t value, uint8_t *bytes, size_t length) {
  if (length != 2 && length != 3) return;
  for (size_t i = 0; i < length; ++i) bytes[length - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr uint16_t readU16(const uint8_t *p) { return CharToWord(p[0], p[1]); }
constexpr uint32_t readU24(const uint8_t *p) { return CharToDWORD(p[0], p[1], p[2]); }
constexpr void writeU16(uint8_t *p, uint32_t v) { DWORDToByteArray(v, p, 2); }
constexpr void writeU24(uint8_t *p, uint32_t v) { DWORDToByteArray(v, p, 3); }

}  // namespace components
